#pragma once

#include <QObject>

#include <functional>

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
    bool hasHeldWork() const { return static_cast<bool>(m_held); }
    // Forgets work kept for later, for when what it works on goes away.
    void dropHeldWork() { m_held = nullptr; }

private:
    void release();
    void runHeld();

    int m_holders = 0;
    std::function<void()> m_held;
};

} // namespace pellmarch::session
