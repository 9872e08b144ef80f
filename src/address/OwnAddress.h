#pragma once

#include "session/RetryWaits.h"
#include "session/Services.h"

#include <QObject>
#include <QTimer>

class QWidget;

namespace pellmarch::protocol {
class DnsClient;
}
namespace pellmarch::platform {
class WakeSignals;
}
namespace pellmarch::session {
class MainWindow;
}

namespace pellmarch::address {

class frameVerlundDomain;

// Own address tracking on the main window: the set-up after a login for both modes, the own
// sub-domain frame, and the timer of the automatic refresh.
class OwnAddress final : public QObject {
    Q_OBJECT
public:
    static inline const QString kAddressMissing = QStringLiteral("IP Address must be filled in");

    OwnAddress(session::Services &services, session::MainWindow &mainWindow,
               protocol::DnsClient &client, QWidget *frameParent);
    ~OwnAddress() override;

    frameVerlundDomain *ownFrame() const { return m_frameVerlundDomain; }

    // Chooses the window's mode from the user record and fills it; in own-sub-domain mode it
    // withdraws the parked registration and registers the own host name. Starts the timer.
    void SetUpMainWindow();
    // Ticking "Automatic IP Resolution" copies the shown address into the address to register.
    void chkAutoIP_Click();

    // Every tick: learns the public address and moves the own host name, or the records
    // marked for automatic resolution, to it. A tick that falls due while other work with the
    // service is under way runs once that work has ended.
    void tmrAuto_Timer();
    // A tick now, as the timer's would be: held back while other work is under way. The
    // timer, a wake from sleep and the network coming back all start ticks so.
    void tickNow();
    // "Check now": the tick at once, as a wake from sleep starts it (once the timer runs). With
    // the own host name not following the address, the tick asks for the address all the same
    // and shows it; nothing is moved.
    void checkNow();
    // Registers the typed address for the own host name.
    void cmdVerlundSetIP_Click();
    // The same for `typed`, the text of the box when the click came.
    void setAlternateIP(const QString &typed);
    // True when an address to register has been typed; else its message has been shown.
    bool ValidateAlternateIP(const QString &typed);

    bool isAutoIPTicked() const;
    // Whether the host name is known to point at the own address: no registration waits.
    bool isRegistered() const { return !m_registerAgain; }

    // The automatic refresh; started by the first set-up, running until the program ends.
    QTimer tmrAuto;

Q_SIGNALS:
    // A refresh has moved the own host name (`hostNames` holds it) to `address`.
    void moved(const QStringList &hostNames, const QString &address);
    // A tick has ended, with every exchange it had with the service: what it learnt can be
    // told as a whole (six records refused by one refresh are one thing to tell).
    void refreshEnded();

private:
    // The own host name's user name and sub-domain on the frame.
    void showOwnRecord();
    // Writes the own host name's settings as they are now (own-sub-domain mode only).
    void saveOwnSettings();
    // Takes the address at which the service's latest list names the host name as registered.
    void adoptListedAddress();
    // Registers the own host name at `address`, as the refresh does; true when done. A refused
    // registration waits before its next try.
    bool registerOwnHostName(const QString &address, bool autoIP);

    session::Services &m_services;
    session::MainWindow &m_mainWindow;
    protocol::DnsClient &m_client;
    frameVerlundDomain *m_frameVerlundDomain = nullptr;
    bool m_bSetIPBusy = false;
    // The subscriber of the last own-sub-domain set-up, and whether a set-up is under way (its
    // changes of the box are no choices of the subscriber's to keep).
    QString m_ownUser;
    bool m_settingUp = false;
    // The set-up's registration is not known to have gone through: the refresh registers the
    // host name even where the shown address is the one meant.
    bool m_registerAgain = false;
    // "Check now" was asked for: the next tick learns the address whatever the box says.
    bool m_checkAsked = false;
    // A move of the own host name that the service refused waits before it is tried again;
    // a new address, a new login or an address set by hand tries at once.
    session::RetryWaits m_moveWaits;
    // A check right after the machine wakes or the network comes back; made at the first set-up.
    platform::WakeSignals *m_wake = nullptr;
};

} // namespace pellmarch::address
