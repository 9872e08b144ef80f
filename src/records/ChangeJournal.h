#pragma once

#include "protocol/RecordList.h"
#include "session/RetryWaits.h"

#include <QList>
#include <QString>

namespace pellmarch::platform {
class SettingsStore;
}

namespace pellmarch::records {

// A change of one record: the old record is deleted, then the new one added. Between the two
// the record exists nowhere at the service. A record added anew has no old record.
struct PendingChange {
    QString username; // whose record it is
    protocol::DnsRecord old;
    bool oldAutoIP = false;
    protocol::DnsRecord fresh;
    bool freshAutoIP = false;

    bool hasOld() const { return !old.domain.isEmpty(); }
};

// The changes whose outcome the service has not yet shown: written down before the first
// command is sent and crossed out only once the service's own record list (or its answers to
// both commands) shows the record standing exactly once, so a record is never lost and never
// held twice because an answer was lost, a command refused, or the program ended in between.
// The entries live in a store of their own beside the settings (private to the user like
// them), and are settled by later refreshes and after the next login.
class ChangeJournal {
public:
    explicit ChangeJournal(platform::SettingsStore &store);

    // Writes `change` down before its delete is sent; the number names it until crossed out.
    int begin(const PendingChange &change);
    // The record stands at the service exactly once: forget the change.
    void crossOut(int entry);

    struct Entry {
        int number;
        PendingChange change;
    };
    // The changes of `username` still written down, oldest first.
    QList<Entry> pending(const QString &username) const;

    // Whether the entry may be tried on this refresh, and the outcome of a refused try: the
    // waits between tries grow as for any refused change.
    bool isDue(int entry) { return m_waits.isDue(QString::number(entry)); }
    void tryFailed(int entry) { m_waits.refused(QString::number(entry)); }
    // A new public address: every entry is tried at once.
    void startOver() { m_waits.startOver(); }

private:
    struct Stored {
        int number;
        PendingChange change;
    };
    void save();

    platform::SettingsStore &m_store;
    QList<Stored> m_entries;
    session::RetryWaits m_waits;
    int m_next = 1;
};

} // namespace pellmarch::records
