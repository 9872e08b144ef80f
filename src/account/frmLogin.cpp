#include "account/frmLogin.h"

#include "about/frmAbout.h"
#include "platform/EnterKeys.h"
#include "platform/LinkLabel.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/Twips.h"
#include "platform/WakeSignals.h"
#include "platform/Widgets.h"
#include "protocol/AnswerText.h"
#include "protocol/LoginExchange.h"
#include "session/HistoryFile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <algorithm>

namespace pellmarch::account {

using platform::arial;
using platform::kAlignLeft;
using platform::named;
using platform::styled;
using platform::twipsRect;

namespace {

const QColor kHeadingColour(0, 0, 128);
const QColor kLinkColour(0, 0, 255);
const QColor kBusyColour(0, 0, 192);
constexpr int kClientWidthTwips = 4155;
constexpr int kClientHeightTwips = 2835;
constexpr qreal kBusyFontPoints = 13.5;

} // namespace

frmLogin::frmLogin(Services &services, QWidget *parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    // Controls without a font of their own use the classic dialog font.
    setFont(platform::dialogFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    buildMenu();
    buildControls();

    // The remembered login's next try; the user's own typing or pressing ends them.
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &frmLogin::retryLogin);
    for (QLineEdit *box : {txtUsername, txtPassword})
        connect(box, &QLineEdit::textEdited, this, &frmLogin::userActed);
    connect(chkSaveLogin, &QCheckBox::clicked, this, &frmLogin::userActed);
    for (platform::LinkLabel *link : {llblRegister, Label6})
        connect(link, &platform::LinkLabel::clicked, this, &frmLogin::userActed);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmLogin::buildMenu() {
    m_menuBar = new QMenuBar(this);
    mnuHelp = named(m_menuBar->addMenu(QStringLiteral("&Help")), "mnuHelp", QStringLiteral("Help"));
    mnuOnlineHelp = mnuHelp->addAction(QStringLiteral("Online Help"));
    mnuOnlineHelp->setObjectName(QStringLiteral("mnuOnlineHelp"));
    mnuOnlineHelp->setShortcut(QKeySequence::HelpContents);
    mnuRegister = mnuHelp->addAction(QStringLiteral("Register"));
    mnuRegister->setObjectName(QStringLiteral("mnuRegister"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuOnlineHelp, &QAction::triggered, this, &frmLogin::mnuOnlineHelp_Click);
    connect(mnuRegister, &QAction::triggered, this, &frmLogin::mnuRegister_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmLogin::mnuAbout_Click);
}

void frmLogin::buildControls() {
    m_client = new QWidget(this);
    m_client->setFixedSize(platform::twips(kClientWidthTwips), platform::twips(kClientHeightTwips));

    m_frmLogin = named(new QFrame(m_client), "frmLogin", QStringLiteral("Login"));
    m_frmLogin->setGeometry(twipsRect(0, 0, 4095, 2775));

    lblLogin = named(new QLabel(QStringLiteral("Please Login"), m_frmLogin), "lblLogin",
                     QStringLiteral("Please Login"));
    styled(lblLogin, twipsRect(360, 120, 3375, 375), arial(12, true), Qt::AlignCenter,
           kHeadingColour);

    Label1 = named(new QLabel(QStringLiteral("Username"), m_frmLogin), "Label1",
                   QStringLiteral("Username"));
    // Labels share their text box's height so that both texts stand on one line.
    styled(Label1, twipsRect(240, 480, 1815, 375), arial(9.75), kAlignLeft);

    txtUsername = named(new QLineEdit(m_frmLogin), "txtUsername", QStringLiteral("Username"));
    txtUsername->setGeometry(twipsRect(1440, 480, 2415, 375));
    Label1->setBuddy(txtUsername);

    Label2 = named(new QLabel(QStringLiteral("Password"), m_frmLogin), "Label2",
                   QStringLiteral("Password"));
    styled(Label2, twipsRect(240, 1080, 1215, 375), arial(9.75), kAlignLeft);

    txtPassword = named(new QLineEdit(m_frmLogin), "txtPassword", QStringLiteral("Password"));
    txtPassword->setGeometry(twipsRect(1440, 1080, 2415, 375));
    txtPassword->setEchoMode(QLineEdit::Password);
    Label2->setBuddy(txtPassword);

    cmdLogin = named(new QPushButton(QStringLiteral("Login"), m_frmLogin), "cmdLogin",
                     QStringLiteral("Login"));
    cmdLogin->setGeometry(twipsRect(1440, 1560, 1335, 375));
    cmdLogin->setAutoDefault(false);
    // Pressed by the user: no login is tried again by itself any more (before the click's own).
    connect(cmdLogin, &QPushButton::clicked, this, &frmLogin::userActed);
    connect(cmdLogin, &QPushButton::clicked, this, &frmLogin::cmdLogin_Click);

    cmdExit = named(new QPushButton(QStringLiteral("Exit"), m_frmLogin), "cmdExit",
                    QStringLiteral("Exit"));
    cmdExit->setGeometry(twipsRect(3000, 1560, 855, 375));
    cmdExit->setAutoDefault(false);
    connect(cmdExit, &QPushButton::clicked, this, &frmLogin::cmdExit_Click);

    chkSaveLogin = named(new QCheckBox(QStringLiteral("Save Login"), m_frmLogin), "chkSaveLogin",
                         QStringLiteral("Save Login"));
    chkSaveLogin->setGeometry(twipsRect(120, 1680, 1215, 255));

    llblRegister =
        named(new platform::LinkLabel(QStringLiteral("First Time Here? Please Register With Us. "),
                                      m_frmLogin),
              "llblRegister", QStringLiteral("First Time Here? Please Register With Us."));
    styled(llblRegister, twipsRect(240, 2040, 3615, 255), arial(8.25, false, true), kAlignLeft,
           kLinkColour);
    connect(llblRegister, &platform::LinkLabel::clicked, this, &frmLogin::llblRegister_Click);

    Label6 = named(
        new platform::LinkLabel(QStringLiteral("Forgot your Password?   Click Here"), m_frmLogin),
        "Label6", QStringLiteral("Forgot your Password?   Click Here"));
    styled(Label6, twipsRect(240, 2400, 3615, 255), arial(8.25, false, true), kAlignLeft,
           kLinkColour);
    connect(Label6, &platform::LinkLabel::clicked, this, &frmLogin::Label6_Click);

    // Enter in either box or on "Save Login" logs in, as a click on Login does (the user takes
    // over from a login tried again by itself, and a login under way turns it away).
    for (QWidget *box : std::initializer_list<QWidget *>{txtUsername, txtPassword, chkSaveLogin})
        platform::PressOnEnter(box, cmdLogin);

    setTabOrder(txtUsername, txtPassword);
    setTabOrder(txtPassword, cmdLogin);
    setTabOrder(cmdLogin, cmdExit);
    setTabOrder(cmdExit, chkSaveLogin);
    // The links come last: beyond the designed order, for the keyboard.
    setTabOrder(chkSaveLogin, llblRegister);
    setTabOrder(llblRegister, Label6);

    // The busy panel covers the input frame while the login request runs.
    frmLoggingIn = named(new QFrame(m_client), "frmLoggingIn", QStringLiteral("Logging in"));
    frmLoggingIn->setGeometry(twipsRect(0, 2880, 4095, 2535));
    frmLoggingIn->setAutoFillBackground(true);
    QPalette panel = frmLoggingIn->palette();
    panel.setColor(QPalette::Window, panel.color(QPalette::Light));
    frmLoggingIn->setPalette(panel);
    frmLoggingIn->hide();

    lblWait = named(new QLabel(QStringLiteral("Please Wait ..."), frmLoggingIn), "lblWait",
                    QStringLiteral("Please Wait"));
    styled(lblWait, twipsRect(360, 960, 3495, 375), platform::dialogFont(kBusyFontPoints),
           Qt::AlignCenter, kBusyColour);

    lblLogginIn = named(new QLabel(QStringLiteral("Logging In.  "), frmLoggingIn), "lblLogginIn",
                        QStringLiteral("Logging In"));
    styled(lblLogginIn, twipsRect(360, 1320, 3495, 375), platform::dialogFont(kBusyFontPoints),
           Qt::AlignCenter, kBusyColour);

    txtUsername->setFocus();
}

void frmLogin::cmdLogin_Click() {
    m_services.flags.bLoggedIn = false;
    if (m_bLoginBusy)
        return;
    m_bLoginBusy = true;
    const auto notBusy = qScopeGuard([this] { m_bLoginBusy = false; });
    stopRetrying(); // a login of its own, not the one tried again

    const QString username = protocol::NullTrim(txtUsername->text());
    if (username.isEmpty()) {
        m_services.boxes.inform(kEnterUsername);
        return;
    }
    const QString password = protocol::NullTrim(txtPassword->text());
    if (password.isEmpty()) {
        m_services.boxes.inform(kEnterPassword);
        return;
    }

    switch (exchange(username, password)) {
    case protocol::LoginOutcome::Unreachable:
        // A remembered login at start-up (the network comes up after the session): tried
        // again by itself, also while the message waits for the user, who may be away.
        if (m_retryWhenUnreachable) {
            m_retrying = true;
            m_retry.start(m_services.refreshInterval);
        }
        m_services.boxes.inform(kServerUnreachable);
        return;
    case protocol::LoginOutcome::Rejected:
        rejected();
        return;
    case protocol::LoginOutcome::Accepted:
        loggedIn();
        return;
    }
}

protocol::LoginOutcome frmLogin::exchange(const QString &username, const QString &password) {
    frmLoggingIn->setGeometry(frmLoggingIn->x(), m_frmLogin->y(), frmLoggingIn->width(),
                              m_frmLogin->height());
    frmLoggingIn->show();
    frmLoggingIn->raise();
    m_exchangeUnderWay = true;
    const protocol::LoginOutcome outcome =
        protocol::RunLoginExchange(m_services.web, m_services.endpoints, m_services.user, username,
                                   password, session::LogOf(m_services.history));
    m_exchangeUnderWay = false;
    frmLoggingIn->hide();
    return outcome;
}

void frmLogin::loggedIn() {
    stopRetrying();
    m_services.flags.bLoggedIn = true;
    m_services.flags.bRememberLogin = chkSaveLogin->isChecked();
    accept();
}

void frmLogin::rejected() {
    m_services.boxes.inform(kLoginRejected);
    txtUsername->clear();
    txtPassword->clear();
    if (isVisible())
        txtUsername->setFocus();
}

void frmLogin::retryLogin() {
    if (m_exchangeUnderWay) {
        m_retry.start(); // a login is on the wire: the next turn
        return;
    }
    // A login at a time: the keys reach the window while the request runs, and a login they
    // start would run inside this one.
    const QScopedValueRollback<bool> busy(m_bLoginBusy, true);
    // The boxes as the remembered login filled them: nobody has touched them since.
    const protocol::LoginOutcome outcome =
        exchange(protocol::NullTrim(txtUsername->text()), protocol::NullTrim(txtPassword->text()));
    if (!m_retrying)
        return; // the user took over meanwhile: this outcome is no longer his
    if (outcome == protocol::LoginOutcome::Unreachable) {
        // Waits that grow, as a refused change's do: at most 30 refreshes (15 minutes).
        const auto longest = m_services.refreshInterval * 30;
        m_retry.start(std::min(longest, m_retry.intervalAsDuration() * 2));
        return;
    }
    stopRetrying();
    // "Error contacting server" is over: the login went one way or the other.
    m_services.boxes.dismissOpen(kServerUnreachable);
    if (outcome == protocol::LoginOutcome::Accepted)
        loggedIn();
    else
        rejected(); // never tried again
}

void frmLogin::stopRetrying() {
    m_retrying = false;
    m_retry.stop();
}

void frmLogin::userActed() {
    stopRetrying();
    m_retryWhenUnreachable = false;
}

void frmLogin::fillRememberedLogin(const QString &username, const QString &password) {
    chkSaveLogin->setChecked(true);
    txtUsername->setText(username);
    txtPassword->setText(password);
    m_retryWhenUnreachable = true;
    if (m_wake == nullptr) {
        // The network coming back (or a wake from sleep) is the moment to try again.
        m_wake = new platform::WakeSignals(QDBusConnection::systemBus(), true,
                                           platform::WakeSignals::kDefaultNetworkWait, this);
        connect(m_wake, &platform::WakeSignals::woken, this, [this] {
            if (m_retrying && !m_exchangeUnderWay)
                retryLogin();
        });
    }
}

void frmLogin::setSaveLoginHint(const QString &hint) {
    chkSaveLogin->setToolTip(hint);
    chkSaveLogin->setAccessibleDescription(hint);
}

void frmLogin::cmdExit_Click() {
    m_services.shell.endProgram();
}

void frmLogin::reject() {}

void frmLogin::closeEvent(QCloseEvent *event) {
    event->ignore();
    cmdExit_Click();
}

void frmLogin::Label6_Click() {
    platform::OpenPage(m_services.shell, m_services.boxes,
                       m_services.endpoints.forgottenPasswordPage());
}

void frmLogin::llblRegister_Click() {
    platform::OpenPage(m_services.shell, m_services.boxes, m_services.endpoints.signupPage());
}

void frmLogin::mnuOnlineHelp_Click() {
    platform::OpenPage(m_services.shell, m_services.boxes, m_services.endpoints.helpPage());
}

void frmLogin::mnuRegister_Click() {
    platform::OpenPage(m_services.shell, m_services.boxes, m_services.endpoints.signupPage());
}

void frmLogin::mnuAbout_Click() {
    about::ShowAboutBox(m_services.shell, m_services.boxes, m_services.endpoints.termsPage(), this);
}

} // namespace pellmarch::account
