#pragma once

#include <QHash>
#include <QString>

namespace pellmarch::session {

// How long a change that the service refused waits before it is tried again: after each
// refused try the wait doubles, 1, 2, 4, ... refreshes, at most 60 (half an hour at the
// program's 30-second refresh). A service that keeps refusing a change is not asked again on
// every refresh (services ban clients for that), while every other change goes out at once.
class RetryWaits {
public:
    static constexpr int kLongestWait = 60;

    // Whether the change named `key` may be tried on this refresh; a change that is waiting
    // counts this refresh towards its wait.
    bool isDue(const QString &key);
    // The service refused the change (or did not answer): its wait doubles. Returns the
    // refreshes it now waits.
    int refused(const QString &key);
    // The change went through: it is forgotten.
    void succeeded(const QString &key) { m_waits.remove(key); }
    // A new public address, a new login, an address set by hand: every change is tried at once.
    void startOver() { m_waits.clear(); }

private:
    struct Wait {
        int length = 0;  // refreshes to let pass after the last refused try
        int skipped = 0; // refreshes let pass since then
    };
    QHash<QString, Wait> m_waits;
};

} // namespace pellmarch::session
