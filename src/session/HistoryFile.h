#pragma once

#include "protocol/ExchangeLog.h"
#include "protocol/RecordList.h"

#include <QList>
#include <QObject>
#include <QString>

namespace pellmarch::session {

// The history of exchanges with the service, kept for the user in a file of its own, one entry
// per line. The file is the owner's alone (made 0600 before every write), bounded to the last
// `kKeptEntries` entries, and never holds the password. A file found there that is not the
// program's own (damaged, too large, unreadable, a link, another user's) is never followed or
// written over: it is set aside under another name, said so, and a new history started.
class HistoryFile final : public QObject, public protocol::ExchangeLog {
    Q_OBJECT
public:
    static constexpr int kKeptEntries = 10000;
    // Entries past the bound before the file is cut back to it: a history that is cut on every
    // write would be written whole every half minute.
    static constexpr int kSlackEntries = 1000;
    // Far more than the kept entries ever take: a larger file is not the program's own.
    static constexpr qint64 kLargestFile = qint64(16) * 1024 * 1024;

    explicit HistoryFile(QString path, QObject *parent = nullptr);

    // Where the program keeps its history: in the user's data folder.
    static QString standardPath();
    const QString &path() const { return m_path; }

    // Writes the exchange down at the end of the file.
    void record(const protocol::Exchange &exchange) override;
    // False once a file in the way could not be set aside: nothing is kept for the rest of the
    // run.
    bool isKept() const { return !m_off; }
    // The kept entries, newest first.
    QList<protocol::Exchange> entries();

Q_SIGNALS:
    // An exchange has ended, whether or not it could be written down.
    void exchanged(const protocol::Exchange &exchange);
    // An exchange has been written down.
    void recorded(const protocol::Exchange &exchange);
    // A file that was not the program's own has been set aside (or could not be); `message`
    // says what happened, for the user.
    void setAside(const QString &message);

private:
    // Checks that the file is the program's own and sets it aside when it is not; counts the
    // entries. With `into`, every entry is read and collected there, oldest first; without,
    // only the last.
    bool check(QList<protocol::Exchange> *into);
    void putAside(const QString &why);
    bool append(const QByteArray &line);
    void cutBack();

    QString m_path;
    bool m_checked = false;
    bool m_off = false; // a file in the way could not be set aside: nothing kept this run
    int m_count = 0;
    int m_setAside = 0; // files set aside so far
};

// The history as the service routines write to it: one that keeps nothing when there is none.
inline protocol::ExchangeLog &LogOf(HistoryFile *history) {
    return history != nullptr ? static_cast<protocol::ExchangeLog &>(*history)
                              : protocol::ExchangeLog::none();
}

// Writes down in `history`, where there is one, that the refresh's change to `change` (the
// record as it was to become) waits `ticks` refreshes before its next try.
void RecordWait(HistoryFile *history, const protocol::DnsRecord &change, int ticks);

} // namespace pellmarch::session
