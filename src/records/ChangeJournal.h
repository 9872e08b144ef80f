#pragma once

#include "protocol/RecordList.h"

#include <QList>
#include <QString>

namespace pellmarch::platform {
class SettingsStore;
}

namespace pellmarch::records {

// A change of one record: the old record is deleted, then the new one added. Between the two
// the record exists nowhere at the service.
struct PendingChange {
    QString username; // whose record it is
    protocol::DnsRecord old;
    bool oldAutoIP = false;
    protocol::DnsRecord fresh;
    bool freshAutoIP = false;
};

// The changes whose delete may have gone through while their add has not (yet): written down
// before the delete is sent and crossed out once the record stands at the service again, so a
// record is never lost because an add and its put-back were refused, or because the program was
// ended between the two. The entries live in a store of their own beside the settings (private
// to the user like them), and are finished by later refreshes and at the next start.
class ChangeJournal {
public:
    explicit ChangeJournal(platform::SettingsStore &store);

    // Writes `change` down before its delete is sent; the number names it until crossed out.
    int begin(const PendingChange &change);
    // The record stands at the service again (or never left it): forget the change.
    void crossOut(int entry);

    struct Entry {
        int number;
        PendingChange change;
    };
    // The changes of `username` still written down, oldest first.
    QList<Entry> pending(const QString &username) const;

    // How many refreshes to let pass before trying an entry again: after each refused try the
    // wait doubles (1, 2, 4, ... at most 60 refreshes), so a service that keeps refusing is not
    // asked every time.
    bool isDue(int entry);
    void tryFailed(int entry);

private:
    struct Stored {
        int number;
        PendingChange change;
        int wait = 0;    // refreshes to wait after the last refused try
        int skipped = 0; // refreshes let pass since then
    };
    Stored *find(int entry);
    void save();

    platform::SettingsStore &m_store;
    QList<Stored> m_entries;
    int m_next = 1;
};

} // namespace pellmarch::records
