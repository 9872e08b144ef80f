#include "session/WorkGuard.h"

#include <QTimer>

namespace pellmarch::session {

WorkGuard::Hold::Hold(WorkGuard &guard) : m_guard(guard) {
    ++m_guard.m_holders;
}

WorkGuard::Hold::~Hold() {
    m_guard.release();
}

void WorkGuard::runOrHold(std::function<void()> work) {
    if (isHeld()) {
        m_held = std::move(work);
        return;
    }
    work();
}

void WorkGuard::release() {
    if (--m_holders == 0 && m_held)
        // From the event loop, not from inside the handler that is just finishing.
        QTimer::singleShot(0, this, &WorkGuard::runHeld);
}

void WorkGuard::runHeld() {
    if (isHeld() || !m_held)
        return; // another handler started meanwhile: its release brings us back
    runOrHold(std::exchange(m_held, nullptr));
}

} // namespace pellmarch::session
