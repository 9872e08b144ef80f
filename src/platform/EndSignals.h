#pragma once

#include <QObject>

class QSocketNotifier;

namespace pellmarch::platform {

// Tells when the program is asked to end from outside: SIGTERM (systemd and the desktop's
// session at logout or shutdown), SIGHUP (the session or terminal went away) and SIGINT
// (Ctrl+C). A signal handler may do next to nothing, so each signal only writes a byte into a
// pipe that the event loop watches; the program then ends as it should, from the loop (also from
// the local loop of a request or a message box). One instance per process.
class EndSignals final : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject *parent = nullptr);
    ~EndSignals() override;

Q_SIGNALS:
    void endRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace pellmarch::platform
