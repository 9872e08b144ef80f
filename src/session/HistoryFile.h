#pragma once

#include "protocol/ExchangeLog.h"
#include "protocol/RecordList.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>

namespace pellmarch::session {

// The history of exchanges with the service, kept for the user in a file of its own, one entry
// per line. The file is the owner's alone (made 0600 before every write), bounded to the last
// `kKeptEntries` entries, and never holds the password. A file found there that is not the
// program's own (damaged, too large, a link, another user's) is never followed or written over:
// it is set aside under another name, said so, and a new history started. A file that cannot be
// opened or read just now (too many open files, an I/O error) is left as it is: what waits to be
// written is kept in memory and written at the next entry.
//
// Address queries in a row that brought nothing new (the address and record list of the query
// before, both successful, within one login) are routine checks: one entry counts them, and
// each further check updates that entry's line in place at the end of the file, so a refresh
// every half minute neither fills the history nor rewrites it.
class HistoryFile final : public QObject, public protocol::ExchangeLog {
    Q_OBJECT
public:
    static constexpr int kKeptEntries = 10000;
    // Entries past the bound before the file is cut back to it: a history that is cut on every
    // write would be written whole every half minute.
    static constexpr int kSlackEntries = 1000;
    // Far more than the kept entries ever take: a larger file is not the program's own.
    static constexpr qint64 kLargestFile = qint64(16) * 1024 * 1024;
    // Entries kept in memory at most while the file cannot be written; the oldest go first.
    static constexpr int kUnwrittenEntries = 1000;

    explicit HistoryFile(QString path, QObject *parent = nullptr);

    // Where the program keeps its history: in the user's data folder.
    static QString standardPath();
    const QString &path() const { return m_path; }

    // Writes the exchange down at the end of the file, or counts it in the routine checks
    // there.
    void record(const protocol::Exchange &exchange) override;
    // False once a file in the way could not be set aside: nothing is kept for the rest of the
    // run.
    bool isKept() const { return !m_off; }
    // The kept entries, newest first.
    QList<protocol::Exchange> entries();

Q_SIGNALS:
    // An exchange has ended, whether or not it could be written down.
    void exchanged(const protocol::Exchange &exchange);
    // An entry has been written down.
    void recorded(const protocol::Exchange &entry);
    // The newest entry, a count of routine checks, now counts one check more (or several, when
    // the file could not be written for a while).
    void recounted(const protocol::Exchange &entry);
    // A file that was not the program's own has been set aside (or could not be); `message`
    // says what happened, for the user.
    void setAside(const QString &message);

private:
    enum class Checked {
        Fine,
        SetAside,
        Later, // could not be read just now
    };
    enum class Written {
        Done,
        Later,    // the file could not be written just now
        SetAside, // something else stood there: set aside
        Gone,     // the line to update is no longer there as written
    };
    // A counted entry's line in the file: where it starts, what it holds there, and the blanks
    // after its opening brace that put the rest on one page of the file.
    struct Line {
        qint64 at = -1;
        QByteArray text;
        qsizetype blanks = 0;
    };

    // Checks that the file is the program's own and sets it aside when it is not; counts the
    // entries. With `into`, every entry is read and collected there, oldest first; without,
    // only the last.
    Checked check(QList<protocol::Exchange> *into);
    void putAside(const QString &why);
    // Whether the exchange is one more routine check; notes what the address queries found.
    bool routine(const protocol::Exchange &exchange);
    // Writes down what is not yet written, as far as the file lets it.
    void flush();
    // Appends `lines`; the last `run` bytes of them (none when 0) are the run's line, placed
    // as onOnePage says, and returned there with where it starts.
    Written append(const QByteArray &lines, qint64 *at, Line *run);
    Written rewrite(const Line &line, const QByteArray &text);
    void cutBack();

    QString m_path;
    bool m_checked = false;
    bool m_off = false; // a file in the way could not be set aside: nothing kept this run
    int m_count = 0;
    int m_setAside = 0;                    // files set aside so far
    QList<protocol::Exchange> m_unwritten; // oldest first
    // The routine checks being counted, while further checks may join them: the newest entry.
    // Its line in the file, once it is written there (else it is the last unwritten entry).
    std::optional<protocol::Exchange> m_run;
    Line m_runLine;
    // A counted entry whose line in the file is behind its count, and that line.
    std::optional<std::pair<Line, protocol::Exchange>> m_behind;
    // What the last successful address query of this login found: its address and list.
    std::optional<std::pair<QString, QByteArray>> m_lastFound;
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
