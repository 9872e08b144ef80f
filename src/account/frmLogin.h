#pragma once

#include "protocol/LoginExchange.h"
#include "session/Services.h"

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QAction;

namespace pellmarch::platform {
class LinkLabel;
class WakeSignals;
} // namespace pellmarch::platform

namespace pellmarch::account {

using session::Services;

// The login window: asks for user name and password, sends the login request and, when the
// service accepts it, fills the user record and closes. It is left only by a successful login
// or by Exit (the close box counts as Exit).
class frmLogin final : public QDialog {
    Q_OBJECT
public:
    static inline const QString kEnterUsername = QStringLiteral("Enter a Username");
    static inline const QString kEnterPassword = QStringLiteral("Enter a Password");
    static inline const QString kServerUnreachable = QStringLiteral(
        "Error contacting server.  Please check your internet connection if you are behind a "
        "firewall, please insure that port 80 is opened for 2-way traffic.");
    static inline const QString kLoginRejected = QStringLiteral(
        "Invalid Username or Password. If you are a new user you must register using the First "
        "Time Here? Please Register With Us hyperlink on the login screen. Registration is free "
        "for basic Sub-Domain useage.");

    explicit frmLogin(Services &services, QWidget *parent = nullptr);

    // The Login action; start-up runs it directly on the hidden window for a remembered login.
    void cmdLogin_Click();
    void cmdExit_Click();

    // Start-up with a remembered login: "Save Login" ticked and the remembered values in the
    // boxes of the still hidden window. Should the service not be reached, the window tries the
    // same login again by itself (when the network comes back, else after 30 s, 1, 2, 4 ... at
    // most 15 minutes) until the user types into it or presses a button.
    void fillRememberedLogin(const QString &username, const QString &password);
    bool isRetrying() const { return m_retrying; }

    bool isLoginBusy() const { return m_bLoginBusy; }

    // Says, on "Save Login", where the password will be kept.
    void setSaveLoginHint(const QString &hint);

    // Only a successful login or Exit leaves the window: Esc does nothing.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    // The login exchange with the busy panel over the boxes.
    protocol::LoginOutcome exchange(const QString &username, const QString &password);
    void loggedIn();
    void rejected();
    void retryLogin();
    void stopRetrying();
    // The user typed into the window or pressed a button: nothing is tried by itself any more.
    void userActed();

    void Label6_Click();
    void llblRegister_Click();
    void mnuOnlineHelp_Click();
    void mnuRegister_Click();
    void mnuAbout_Click();

    Services &m_services;
    bool m_bLoginBusy = false;
    bool m_exchangeUnderWay = false;
    // The remembered login's tries again while the service cannot be reached.
    bool m_retryWhenUnreachable = false;
    QTimer m_retry;
    bool m_retrying = false;
    platform::WakeSignals *m_wake = nullptr;

    QMenuBar *m_menuBar = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuOnlineHelp = nullptr;
    QAction *mnuRegister = nullptr;
    QAction *mnuAbout = nullptr;

    QWidget *m_client = nullptr;
    QFrame *m_frmLogin = nullptr; // the input frame, named after the window
    QLabel *lblLogin = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtUsername = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdLogin = nullptr;
    QPushButton *cmdExit = nullptr;
    QCheckBox *chkSaveLogin = nullptr;
    platform::LinkLabel *llblRegister = nullptr;
    platform::LinkLabel *Label6 = nullptr;
    QFrame *frmLoggingIn = nullptr;
    QLabel *lblWait = nullptr;
    QLabel *lblLogginIn = nullptr;
};

} // namespace pellmarch::account
