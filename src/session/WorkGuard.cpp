#include "session/WorkGuard.h"

#include <QTimer>

#include <cstring>

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

bool WorkGuard::deferWhileHeld(const char *kind, std::function<void()> action) {
    if (!isHeld())
        return false;
    // Of several clicks of one kind the last counts (the address typed last, the row chosen
    // last), in the place of the first.
    for (auto &waiting : m_actions)
        if (std::strcmp(waiting.first, kind) == 0) {
            waiting.second = std::move(action);
            return true;
        }
    m_actions.emplace_back(kind, std::move(action));
    if (m_actions.size() == 1)
        Q_EMIT waitingChanged(true);
    return true;
}

void WorkGuard::dropHeldWork() {
    m_held = nullptr;
    if (!m_actions.empty()) {
        m_actions.clear();
        Q_EMIT waitingChanged(false);
    }
}

void WorkGuard::release() {
    if (--m_holders == 0)
        scheduleIfPending();
}

void WorkGuard::scheduleIfPending() {
    if (!isHeld() && (m_held || !m_actions.empty()))
        // From the event loop, not from inside the handler that is just finishing.
        QTimer::singleShot(0, this, &WorkGuard::runHeld);
}

void WorkGuard::runHeld() {
    if (isHeld())
        return; // another handler started meanwhile: its release brings us back
    if (!m_actions.empty()) {
        // The user's clicks first: they were there before the tick came due again.
        std::function<void()> action = std::move(m_actions.front().second);
        m_actions.erase(m_actions.begin());
        if (m_actions.empty())
            Q_EMIT waitingChanged(false);
        action();
        scheduleIfPending(); // an action that held the guard has scheduled this already
        return;
    }
    if (m_held)
        runOrHold(std::exchange(m_held, nullptr));
}

} // namespace pellmarch::session
