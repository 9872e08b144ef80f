#include "account/Lifecycle.h"

#include "about/Product.h"
#include "account/frmLogin.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/WebRequest.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "protocol/RecordList.h"
#include "session/MainWindow.h"
#include "session/MarkFile.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QScopedValueRollback>
#include <QWidget>

#include <utility>

namespace pellmarch::account {

using session::ReadSetting;
using session::WriteSetting;

namespace {

// What the user is told when the own host name was not parked: it still points at this machine
// (at the address registered last), so the server stays reachable by that name.
QString NotParkedMessage(const QString &host, const QString &address,
                         const protocol::DnsClient::CommandResult &parking) {
    QString text = host + QStringLiteral(" could not be taken off the DNS server");
    if (parking.outcome == protocol::Outcome::Refused) {
        if (!address.isEmpty())
            text += QStringLiteral(": it still points at ") + address;
        text += QLatin1Char('.');
        if (!parking.reason.isEmpty())
            text += QStringLiteral("\nThe service said: ") + parking.reason;
        return text;
    }
    // No answer: the parking may have gone through all the same.
    text += QStringLiteral(": no answer came from the service");
    if (!address.isEmpty())
        text += QStringLiteral(", so it may still point at ") + address;
    return text + QLatin1Char('.');
}

} // namespace

Lifecycle::Lifecycle(session::Services &services, session::MainWindow &mainWindow,
                     protocol::DnsClient &client)
    : m_services(services), m_mainWindow(mainWindow), m_client(client),
      m_remembered(services.settings, services.secrets) {}

void Lifecycle::newLoginWindow() {
    m_login = std::make_unique<frmLogin>(m_services, m_mainWindow.window());
    m_login->setSaveLoginHint([this] { return m_remembered.whereKept(); });
}

Lifecycle::~Lifecycle() = default;

void Lifecycle::Form_Load() {
    newLoginWindow();
    m_login->setWindowTitle(about::LoginVersionCaption());

    if (const session::RememberedLogin::Login remembered = m_remembered.read();
        remembered.remembered) {
        m_services.flags.bRememberLogin = true;
        m_login->fillRememberedLogin(remembered.username, remembered.password);
        // The window stays hidden: nothing of the program is on screen until the answer is in.
        // A password the secret store did not give is asked for in the login window.
        if (!remembered.passwordUnavailable)
            m_login->cmdLogin_Click();
        if (!m_services.flags.bLoggedIn && m_login->exec() != QDialog::Accepted)
            return;
    } else if (m_login->exec() != QDialog::Accepted) {
        // The login window closes only after a successful login; Exit ends the program in it.
        return;
    }
    SaveLoginSettings();

    QWidget *window = m_mainWindow.window();
    window->show();
    // The login window that had the keyboard is gone: the main window takes it over.
    window->raise();
    window->activateWindow();
    window->setWindowTitle(about::MainWindowCaption());
    m_running = true;
    m_mainWindow.SetUpMainWindow();
}

void Lifecycle::mnuLogin_Click() {
    // From the parking to the new set-up no tick may work, above all not for the subscriber
    // whose host name has just been parked.
    const session::WorkGuard::Hold busy(m_services.work);
    const QString unparked = ParkAndSaveSettings();
    m_running = false;
    // Said before the next login, unless the session ends: nobody is there to read it then.
    if (!unparked.isEmpty() && !m_ending)
        m_services.boxes.inform(unparked);
    if (m_ending) {
        m_services.shell.endProgram(); // the session ended while the host name was parked
        return;
    }
    // A new window each time: it opens in its designed state, boxes empty, caption "Login".
    newLoginWindow();
    if (m_login->exec() != QDialog::Accepted)
        return;
    SaveLoginSettings();
    // Clicks and ticks that waited were meant for the subscriber so far.
    m_services.work.dropHeldWork();
    m_running = true;
    m_mainWindow.SetUpMainWindow();
}

bool Lifecycle::Form_Unload() {
    const session::WorkGuard::Hold busy(m_services.work);
    const bool sessionEnds = !m_sessionEnding.hasExpired();
    if (sessionEnds) {
        // The desktop's session ends and closes the window: no question, and only moments.
        m_services.web.limitTo(kSessionEndParking);
    } else if (m_services.user.bVerlundOnly && !m_services.boxes.ask(kCloseQuestion)) {
        return false;
    }
    const QString unparked = ParkAndSaveSettings();
    // The question said the host name would be taken off: the user who closed learns that it
    // was not. The desktop's session end has nobody to read it, and waits for nothing.
    if (!unparked.isEmpty() && !sessionEnds && !m_ending)
        m_services.boxes.inform(unparked);
    m_services.shell.endProgram();
    return true;
}

void Lifecycle::SessionEnding() {
    // The close that ends the session follows at once; a logout the user cancels is over long
    // before a close of his own, which asks again.
    m_sessionEnding = QDeadlineTimer(kSessionEndClose);
    if (m_running)
        SaveLoginSettings();
}

void Lifecycle::EndSession() {
    // Once, however many signals come.
    if (std::exchange(m_ending, true))
        return;
    // The desktop waits only moments. A request under way is let finish (or give up) first:
    // parked in parallel, the host name could be registered again by it behind the parking.
    m_services.web.limitTo(kSessionEndWork);
    const QDeadlineTimer work(kSessionEndWork);
    while (m_services.web.requestsUnderWay() > 0 && !work.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (m_parking)
        return; // closing is parking already, and ends the program once it has
    m_services.web.limitTo(kSessionEndParking - kSessionEndWork);
    if (m_running)
        ParkAndSaveSettings();
    else if (m_services.marks != nullptr)
        m_services.marks->flush();
    m_services.shell.endProgram();
}

QString Lifecycle::ParkAndSaveSettings() {
    const session::WorkGuard::Hold busy(m_services.work);
    const QScopedValueRollback<bool> parking(m_parking, true);
    protocol::clsUser &user = m_services.user;
    QString unparked;
    if (user.bVerlundOnly) {
        // Taken before the command, which sets it to the parking address when it succeeds.
        const QString registered = user.sIPAddress;
        // An address whose registration still waits is not where the host name points.
        const QString pointsAt = m_mainWindow.isOwnAddressRegistered() ? registered : QString();
        // No message box of its own; saving goes on whatever the outcome.
        const protocol::DnsClient::CommandResult parked = m_client.SendRecordCommand(
            user.sSubDomain, user.sUsername, QLatin1String(protocol::kRecordAdd), user.sRecordType,
            m_services.parkingAddress, false, false);
        if (!parked.done())
            unparked = NotParkedMessage(protocol::HostName(user.sUsername, user.sSubDomain),
                                        pointsAt, parked);
        session::WriteOwnSettings(m_services.settings, user.sUsername, registered,
                                  m_mainWindow.isAutoIPTicked(), m_services.parkingAddress);
    }
    SaveLoginSettings();
    // A mark changed just now is on disk before the program ends or another subscriber logs in.
    if (m_services.marks != nullptr)
        m_services.marks->flush();
    return unparked;
}

void Lifecycle::SaveLoginSettings() {
    platform::SettingsStore &settings = m_services.settings;
    session::NameOwnSettingsUser(settings);
    m_remembered.keep(m_services.user.sUsername, m_services.user.sPassword,
                      m_services.flags.bRememberLogin);
}

} // namespace pellmarch::account
