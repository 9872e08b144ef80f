#pragma once

#include "session/RememberedLogin.h"
#include "session/Services.h"

#include <QDeadlineTimer>

#include <chrono>
#include <memory>

namespace pellmarch::protocol {
class DnsClient;
}
namespace pellmarch::session {
class MainWindow;
}

namespace pellmarch::account {

class frmLogin;

// The main window's run from start to close: the login at start-up (remembered or through the
// login window), "Login as Different User", and closing, each with the parking of the own host
// name and the writing of the saved settings.
class Lifecycle final {
public:
    static inline const QString kCloseQuestion = QStringLiteral(
        "By closing this application you will remove your DNS records from the DNS Server \n"
        "making your server unreachable by it's Verlund domain name.\n"
        "Are you sure you want to close it?");

    Lifecycle(session::Services &services, session::MainWindow &mainWindow,
              protocol::DnsClient &client);
    ~Lifecycle();

    // Start-up: logs in (by itself when the login is remembered, else through the login
    // window), then shows the main window with its caption and sets it up.
    void Form_Load();
    // Parks and saves for the subscriber so far, lets another one log in, and sets the window
    // up for the new subscriber.
    void mnuLogin_Click();
    // Closing the main window. False when the subscriber chose to keep it open; otherwise the
    // host name is parked, the settings are written and the program ends.
    bool Form_Unload();
    // Points the own host name at the parking address and writes the saved settings. Returns
    // what the user is to be told when the host name could not be taken off (empty text when
    // it was, or when there is none).
    QString ParkAndSaveSettings();
    // The desktop ends the program (logout, shutdown, a signal): what closing does, without
    // the question, within kSessionEndParking (a request under way given kSessionEndWork of it
    // to end first); then the program ends. Once.
    void EndSession();
    static constexpr std::chrono::milliseconds kSessionEndParking{5000};
    static constexpr std::chrono::milliseconds kSessionEndWork{2000};
    static constexpr std::chrono::milliseconds kSessionEndClose{30000};
    // The session manager says the session is about to end (the user may still cancel): the
    // settings are kept, and closing the window, as the session will, asks nothing.
    void SessionEnding();

    // The login window of the last login (for start-up, the hidden one it created first).
    frmLogin *loginWindow() const { return m_login.get(); }

private:
    // The login settings as the last login left them: kept as soon as it succeeded.
    void SaveLoginSettings();

    session::Services &m_services;
    session::MainWindow &m_mainWindow;
    protocol::DnsClient &m_client;
    // A login window in its designed state, with the hint where "Save Login" keeps the password.
    void newLoginWindow();

    std::unique_ptr<frmLogin> m_login;
    session::RememberedLogin m_remembered;
    bool m_running = false; // a subscriber is set up and not parked
    bool m_parking = false; // the host name is being parked
    bool m_ending = false;  // the session ends
    // Running while the session manager has just said the session is ending.
    QDeadlineTimer m_sessionEnding; // expired until then
};

} // namespace pellmarch::account
