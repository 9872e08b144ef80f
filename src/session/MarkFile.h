#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>

#include <optional>

class QJsonObject;

namespace pellmarch::session {

// The records each subscriber has marked to follow the public address, kept between runs: a
// mark held only for the run made every restart (a reboot with "Start at Login") stop the
// records from following the address, without a word. One file beside the settings, the
// owner's alone, written whole (never half written, never through a link) soon after each
// change; each subscriber's marks are read only after that subscriber's login. A file found
// there that is not the program's own (damaged, too large, unreadable, a link, another user's) is
// set aside under another name, said so, and the program goes on with no marks.
class MarkFile final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kLargestFile = qint64(16) * 1024 * 1024;
    // A file that could not be read just now (too many open files, an I/O error) is written
    // after this wait.
    static constexpr std::chrono::seconds kRetryLater{5};

    explicit MarkFile(QString path, QObject *parent = nullptr);
    ~MarkFile() override;

    // Beside the settings, as the journal of changes is.
    static QString standardPath();
    const QString &path() const { return m_path; }

    // The marks kept for `username`: the keys of the automatic-resolution list.
    QStringList load(const QString &username);
    // Keeps `keys` as `username`'s marks, once the event loop comes round (a refresh that moves
    // fifty records writes the file once, not a hundred times); every other subscriber's stay.
    void save(const QString &username, const QStringList &keys);
    // Writes what is waiting to be kept now.
    void flush();

Q_SIGNALS:
    // A file that was not the program's own has been set aside (or could not be); `message`
    // says what happened, for the user.
    void setAside(const QString &message);

private:
    // Every subscriber's marks as the file holds them; nullopt when the file was in the way
    // (set aside, or, when that failed, nothing is kept this run).
    std::optional<QHash<QString, QStringList>> readAll();
    void putAside(const QString &why);

    QString m_path;
    bool m_off = false;         // a file in the way could not be set aside
    bool m_unavailable = false; // the last read failed for a passing reason
    QHash<QString, QStringList> m_waiting;
    QTimer m_soon;
};

} // namespace pellmarch::session
