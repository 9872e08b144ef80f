#include "account/Lifecycle.h"

#include "about/Product.h"
#include "account/frmLogin.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "session/MainWindow.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QDialog>
#include <QWidget>

namespace pellmarch::account {

using session::ReadSetting;
using session::WriteSetting;

Lifecycle::Lifecycle(session::Services &services, session::MainWindow &mainWindow,
                     protocol::DnsClient &client)
    : m_services(services), m_mainWindow(mainWindow), m_client(client) {}

Lifecycle::~Lifecycle() = default;

void Lifecycle::Form_Load() {
    m_login = std::make_unique<frmLogin>(m_services, m_mainWindow.window());
    m_login->setWindowTitle(about::LoginVersionCaption());

    if (session::IsSettingOn(ReadSetting(m_services.settings, session::kSaveLoginKey))) {
        const QString username = ReadSetting(m_services.settings, session::kUsernameKey);
        const QString password = ReadSetting(m_services.settings, session::kPasswordKey);
        m_services.flags.bRememberLogin = true;
        m_login->fillRememberedLogin(username, password);
        // The window stays hidden: nothing of the program is on screen until the answer is in.
        m_login->cmdLogin_Click();
        if (!m_services.flags.bLoggedIn && m_login->exec() != QDialog::Accepted)
            return;
    } else if (m_login->exec() != QDialog::Accepted) {
        // The login window closes only after a successful login; Exit ends the program in it.
        return;
    }

    QWidget *window = m_mainWindow.window();
    window->show();
    // The login window that had the keyboard is gone: the main window takes it over.
    window->raise();
    window->activateWindow();
    window->setWindowTitle(about::MainWindowCaption());
    m_mainWindow.SetUpMainWindow();
}

void Lifecycle::mnuLogin_Click() {
    // From the parking to the new set-up no tick may work, above all not for the subscriber
    // whose host name has just been parked.
    const session::WorkGuard::Hold busy(m_services.work);
    ParkAndSaveSettings();
    // A new window each time: it opens in its designed state, boxes empty, caption "Login".
    m_login = std::make_unique<frmLogin>(m_services, m_mainWindow.window());
    if (m_login->exec() != QDialog::Accepted)
        return;
    // Clicks and ticks that waited were meant for the subscriber so far.
    m_services.work.dropHeldWork();
    m_mainWindow.SetUpMainWindow();
}

bool Lifecycle::Form_Unload() {
    const session::WorkGuard::Hold busy(m_services.work);
    if (m_services.user.bVerlundOnly && !m_services.boxes.ask(kCloseQuestion))
        return false;
    ParkAndSaveSettings();
    m_services.shell.endProgram();
    return true;
}

void Lifecycle::ParkAndSaveSettings() {
    const session::WorkGuard::Hold busy(m_services.work);
    protocol::clsUser &user = m_services.user;
    platform::SettingsStore &settings = m_services.settings;
    if (user.bVerlundOnly) {
        // Taken before the command, which sets it to the parking address when it succeeds.
        const QString registered = user.sIPAddress;
        // Reported on the status line only; saving goes on whatever the outcome.
        m_client.SendRecordCommand(user.sSubDomain, user.sUsername,
                                   QLatin1String(protocol::kRecordAdd), user.sRecordType,
                                   m_services.parkingAddress, false, false);
        WriteSetting(settings, session::kIPAddressKey, registered);
        WriteSetting(settings, session::kAutoIPKey,
                     QLatin1String(m_mainWindow.isAutoIPTicked() ? session::kSettingOn
                                                                 : session::kSettingOff));
    }
    if (m_services.flags.bRememberLogin) {
        WriteSetting(settings, session::kSaveLoginKey, QLatin1String(session::kSettingOn));
        WriteSetting(settings, session::kUsernameKey, user.sUsername);
        WriteSetting(settings, session::kPasswordKey, user.sPassword);
    } else {
        WriteSetting(settings, session::kSaveLoginKey, QLatin1String(session::kSettingOff));
    }
}

} // namespace pellmarch::account
