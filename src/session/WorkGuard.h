#pragma once

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

namespace pellmarch::session {

// Work under way with the service. Every handler that talks to the service holds the guard for
// its whole run, its message boxes included: requests and message boxes wait in local event
// loops that let timer events through, and the automatic refresh must never interleave with
// another exchange. Work offered while the guard is held is kept (once, however often it is
// offered) and runs from the event loop as soon as the last holder has let go.
class WorkGuard final : public QObject {
    Q_OBJECT
public:
    // Holds the guard for as long as it lives.
    class [[nodiscard]] Hold {
    public:
        explicit Hold(WorkGuard &guard);
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        WorkGuard &m_guard;
    };

    bool isHeld() const { return m_holders > 0; }

    // Runs `work` at once when the guard is free, else keeps it for later. Work kept earlier is
    // replaced: several held ticks make one.
    void runOrHold(std::function<void()> work);

    // A click of the user's that came while work was under way: it is carried out as soon as
    // that work has ended, before a held tick, in the order the clicks came; a later click of
    // the same `kind` while the first still waits takes its place (the last one counts). True
    // when the action was kept (the guard was held); false when the caller may go ahead at once.
    bool deferWhileHeld(const char *kind, std::function<void()> action);
    bool hasDeferredActions() const { return !m_actions.empty(); }

    bool hasHeldWork() const { return static_cast<bool>(m_held); }
    // Forgets work and clicks kept for later, for when what they work on goes away.
    void dropHeldWork();

Q_SIGNALS:
    // Whether a click is waiting for the work under way to end: the windows show a busy
    // cursor meanwhile, so the click is seen to have been taken.
    void waitingChanged(bool waiting);

private:
    void release();
    void runHeld();
    void scheduleIfPending();

    int m_holders = 0;
    std::function<void()> m_held;
    std::vector<std::pair<const char *, std::function<void()>>> m_actions;
};

} // namespace pellmarch::session
