#include "session/RetryWaits.h"

#include <algorithm>

namespace pellmarch::session {

bool RetryWaits::isDue(const QString &key) {
    const auto found = m_waits.find(key);
    if (found == m_waits.end() || found->skipped >= found->length)
        return true;
    ++found->skipped;
    return false;
}

int RetryWaits::refused(const QString &key) {
    Wait &wait = m_waits[key];
    wait.length = wait.length == 0 ? 1 : std::min(2 * wait.length, kLongestWait);
    wait.skipped = 0;
    return wait.length;
}

} // namespace pellmarch::session
