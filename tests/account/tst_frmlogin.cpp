// The login window driven with typing and clicks against doubles of the platform.
#include "account/frmLogin.h"
#include "support/Fakes.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using pellmarch::account::frmLogin;
using pellmarch::testing::FakeServices;

namespace {

const QString kEnterUsername = QStringLiteral("Enter a Username");
const QString kEnterPassword = QStringLiteral("Enter a Password");
const QString kServerUnreachable = QStringLiteral(
    "Error contacting server.  Please check your internet connection if you are behind a "
    "firewall, please insure that port 80 is opened for 2-way traffic.");
const QString kLoginRejected = QStringLiteral(
    "Invalid Username or Password. If you are a new user you must register using the First Time "
    "Here? Please Register With Us hyperlink on the login screen. Registration is free for basic "
    "Sub-Domain useage.");

const QString kLoginUrl = QStringLiteral("http://dns.example/dnslogin.asp?fxn=login&usr=");

QString successAnswer(const QString &first, const QString &subDomain) {
    return QStringLiteral("<html><body><p>DNS LOGIN: SUCCESS</p><p>FirstName: %1</p>"
                          "<p>LastName: L-%1</p><p>Domains: %1.test,b.test</p>"
                          "<p>SubDomain: %2</p><p>RecordTypes: A,MX</p>"
                          "<p>IPAddress: 198.51.100.7</p>"
                          "<p>DomainUserRecords: %1.test;;A;;@;;198.51.100.7</p></body></html>")
        .arg(first, subDomain);
}

// A login window and the doubles behind it, with its controls at hand.
struct LoginFixture {
    FakeServices fakes;
    frmLogin window{fakes.services};
    QLineEdit *user = window.findChild<QLineEdit *>(QStringLiteral("txtUsername"));
    QLineEdit *password = window.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    QPushButton *login = window.findChild<QPushButton *>(QStringLiteral("cmdLogin"));
    QCheckBox *save = window.findChild<QCheckBox *>(QStringLiteral("chkSaveLogin"));
    QFrame *busyPanel = window.findChild<QFrame *>(QStringLiteral("frmLoggingIn"));

    void type(const QString &name, const QString &pw) {
        user->clear();
        password->clear();
        QTest::keyClicks(user, name);
        QTest::keyClicks(password, pw);
    }
};

} // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingInput_data();
    void missingInput();
    void successFillsTheUserRecord();
    void rejectedLoginEmptiesBothBoxes_data();
    void rejectedLoginEmptiesBothBoxes();
    void failedRequestKeepsBothBoxes_data();
    void failedRequestKeepsBothBoxes();
    void enterWhileALoginRunsDoesNothing();
    void enterKeys();
    void secondLoginLeavesNothingOfTheFirst();
    void saveLoginDecidesRememberLogin();
    void onlyLoginOrExitLeaveTheWindow();
    void linksOpenTheirPages();
    void controlsAreLaidOutAsDesigned();
};

void TestFrmLogin::missingInput_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty: only the user name is asked for") << ""
                                                                 << "" << kEnterUsername;
    QTest::newRow("user of spaces only") << "   "
                                         << "pw" << kEnterUsername;
    QTest::newRow("password empty") << "ann"
                                    << "" << kEnterPassword;
    QTest::newRow("password of spaces") << "ann"
                                        << "  " << kEnterPassword;
}

void TestFrmLogin::missingInput() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    LoginFixture f;
    f.type(name, password);
    QTest::mouseClick(f.login, Qt::LeftButton);
    QCOMPARE(f.fakes.boxes.shown, QStringList{message});
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(!f.window.isLoginBusy());
    QCOMPARE(f.user->text(), name); // nothing else changes
}

void TestFrmLogin::successFillsTheUserRecord() {
    LoginFixture f;
    f.fakes.web.answer(successAnswer(QStringLiteral("Ada"), QStringLiteral("dyn.example")));
    f.type(QStringLiteral("  ann lee "), QStringLiteral(" s3cret  "));
    QTest::mouseClick(f.login, Qt::LeftButton);

    QCOMPARE(f.fakes.web.urls, QStringList{kLoginUrl + QStringLiteral("ann%20lee&pwd=s3cret")});
    QVERIFY(f.fakes.boxes.shown.isEmpty());
    const auto &u = f.fakes.user;
    QCOMPARE(u.sUsername, QStringLiteral("ann lee"));
    QCOMPARE(u.sPassword, QStringLiteral("s3cret"));
    QCOMPARE(u.sFirstName, QStringLiteral("Ada"));
    QCOMPARE(u.sLastName, QStringLiteral("L-Ada"));
    QCOMPARE(u.sDomainList, QStringLiteral("Ada.test,b.test"));
    QCOMPARE(u.sSubDomain, QStringLiteral("dyn.example"));
    QCOMPARE(u.sRecordTypeList, QStringLiteral("A,MX"));
    QCOMPARE(u.sIPAddress, QStringLiteral("198.51.100.7"));
    QCOMPARE(u.sDomainUserRecords, QStringLiteral("Ada.test;;A;;@;;198.51.100.7"));
    QVERIFY(f.fakes.flags.bLoggedIn);
    QCOMPARE(f.window.result(), int(QDialog::Accepted));
    QVERIFY(f.busyPanel->isHidden());
    QVERIFY(!f.window.isLoginBusy());
}

void TestFrmLogin::rejectedLoginEmptiesBothBoxes_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("other letter case") << "<p>DNS LOGIN: Success</p><p>FirstName: X</p>";
    QTest::newRow("failure") << "<p>DNS LOGIN: FAILED</p>";
    QTest::newRow("key missing") << "<p>FirstName: X</p>";
    QTest::newRow("value cannot be read") << "<p>DNS LOGIN: SUCCESS";
    QTest::newRow("html error page") << "<html><h1>500 Internal Server Error</h1></html>";
    QTest::newRow("binary garbage") << QString::fromLatin1("\x01\xff\xfe<p\x00SUCCESS", 12);
}

void TestFrmLogin::rejectedLoginEmptiesBothBoxes() {
    QFETCH(QString, answer);
    LoginFixture f;
    f.fakes.user.sFirstName = QStringLiteral("before");
    f.fakes.web.answer(answer);
    f.type(QStringLiteral("ann"), QStringLiteral("pw"));
    QTest::mouseClick(f.login, Qt::LeftButton);
    QCOMPARE(f.fakes.boxes.shown, QStringList{kLoginRejected});
    QVERIFY(f.user->text().isEmpty());
    QVERIFY(f.password->text().isEmpty());
    QVERIFY(!f.fakes.flags.bLoggedIn);
    QCOMPARE(f.fakes.user.sFirstName, QStringLiteral("before"));
    QVERIFY(f.busyPanel->isHidden());
    QVERIFY(!f.window.isLoginBusy());
}

void TestFrmLogin::failedRequestKeepsBothBoxes_data() {
    QTest::addColumn<bool>("failed");
    QTest::newRow("request failed") << true;
    QTest::newRow("empty answer") << false;
}

void TestFrmLogin::failedRequestKeepsBothBoxes() {
    QFETCH(bool, failed);
    LoginFixture f;
    if (failed)
        f.fakes.web.fail();
    else
        f.fakes.web.answer(QString());
    f.type(QStringLiteral("ann"), QStringLiteral("pw"));
    QTest::mouseClick(f.login, Qt::LeftButton);
    QCOMPARE(f.fakes.boxes.shown, QStringList{kServerUnreachable});
    QCOMPARE(f.user->text(), QStringLiteral("ann"));
    QCOMPARE(f.password->text(), QStringLiteral("pw"));
    QVERIFY(!f.fakes.flags.bLoggedIn);
    QVERIFY(f.fakes.user.sUsername.isEmpty());
    QVERIFY(f.busyPanel->isHidden());
    QVERIFY(!f.window.isLoginBusy());
    QVERIFY(f.window.result() != QDialog::Accepted);

    // The user can try again at once.
    f.fakes.web.answer(successAnswer(QStringLiteral("Ada"), {}));
    QTest::mouseClick(f.login, Qt::LeftButton);
    QVERIFY(f.fakes.flags.bLoggedIn);
}

void TestFrmLogin::enterWhileALoginRunsDoesNothing() {
    LoginFixture f;
    f.fakes.web.answer(successAnswer(QStringLiteral("Ada"), {}));
    bool panelShown = false;
    QRect panelAt;
    f.fakes.web.duringFetch = [&] {
        panelShown = f.busyPanel->isVisibleTo(&f.window);
        panelAt = f.busyPanel->geometry();
        QVERIFY(f.window.isLoginBusy());
        QTest::keyClick(f.password, Qt::Key_Return);
        QTest::mouseClick(f.login, Qt::LeftButton);
    };
    f.type(QStringLiteral("ann"), QStringLiteral("pw"));
    QTest::keyClick(f.password, Qt::Key_Return);
    QCOMPARE(f.fakes.web.urls.size(), 1);
    QVERIFY(panelShown);
    // The panel covers the input frame exactly while the request runs.
    QCOMPARE(panelAt, f.window.findChild<QFrame *>(QStringLiteral("frmLogin"))->geometry());
    QVERIFY(f.fakes.flags.bLoggedIn);
    QVERIFY(f.fakes.boxes.shown.isEmpty());
}

void TestFrmLogin::enterKeys() {
    LoginFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.type(QStringLiteral("ann"), QStringLiteral("pw"));
    QTest::keyClick(f.password, Qt::Key_Escape); // no cancel button: nothing happens
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(f.window.isVisible());
    f.fakes.web.answer(QStringLiteral("<p>DNS LOGIN: FAILED</p>"));
    f.password->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.password));
    QTest::keyClick(f.password, Qt::Key_Enter);
    QCOMPARE(f.fakes.web.urls.size(), 1);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.user));
}

void TestFrmLogin::secondLoginLeavesNothingOfTheFirst() {
    FakeServices fakes;
    {
        frmLogin first(fakes.services);
        fakes.web.answer(successAnswer(QStringLiteral("Ada"), QStringLiteral("dyn.example")));
        QTest::keyClicks(first.findChild<QLineEdit *>(QStringLiteral("txtUsername")), "ada");
        QTest::keyClicks(first.findChild<QLineEdit *>(QStringLiteral("txtPassword")), "pw1");
        first.cmdLogin_Click();
    }
    frmLogin second(fakes.services);
    // Where the address belongs, this answer says something that is not one.
    fakes.web.answer(QStringLiteral(
        "<p>DNS LOGIN: SUCCESS</p><p>FirstName: Bo</p><p>IPAddress: <b>unknown</b></p>"));
    QTest::keyClicks(second.findChild<QLineEdit *>(QStringLiteral("txtUsername")), "bo");
    QTest::keyClicks(second.findChild<QLineEdit *>(QStringLiteral("txtPassword")), "pw2");
    second.cmdLogin_Click();
    const auto &u = fakes.user;
    QCOMPARE(u.sUsername, QStringLiteral("bo"));
    QCOMPARE(u.sPassword, QStringLiteral("pw2"));
    QCOMPARE(u.sFirstName, QStringLiteral("Bo"));
    for (const QString *field : {&u.sLastName, &u.sDomainList, &u.sSubDomain, &u.sRecordTypeList,
                                 &u.sIPAddress, &u.sDomainUserRecords})
        QVERIFY2(field->isEmpty(), qPrintable(*field));
}

void TestFrmLogin::saveLoginDecidesRememberLogin() {
    for (const bool ticked : {true, false}) {
        LoginFixture f;
        f.fakes.flags.bRememberLogin = !ticked;
        f.fakes.web.answer(successAnswer(QStringLiteral("Ada"), {}));
        f.save->setChecked(ticked);
        f.type(QStringLiteral("ann"), QStringLiteral("pw"));
        f.window.cmdLogin_Click();
        QCOMPARE(f.fakes.flags.bRememberLogin, ticked);
    }
}

void TestFrmLogin::onlyLoginOrExitLeaveTheWindow() {
    LoginFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(f.window.isVisible());
    QCOMPARE(f.fakes.shell.endings, 0);

    f.window.close(); // the close box counts as Exit
    QCOMPARE(f.fakes.shell.endings, 1);
    QVERIFY(f.window.result() != QDialog::Accepted);

    QTest::mouseClick(f.window.findChild<QPushButton *>(QStringLiteral("cmdExit")), Qt::LeftButton);
    QCOMPARE(f.fakes.shell.endings, 2);
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(f.fakes.settings.writes.isEmpty());
}

void TestFrmLogin::linksOpenTheirPages() {
    LoginFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QTest::mouseClick(f.window.findChild<QWidget *>(QStringLiteral("Label6")), Qt::LeftButton);
    QTest::mouseClick(f.window.findChild<QWidget *>(QStringLiteral("llblRegister")),
                      Qt::LeftButton);
    f.window.findChild<QAction *>(QStringLiteral("mnuRegister"))->trigger();
    f.window.findChild<QAction *>(QStringLiteral("mnuOnlineHelp"))->trigger();
    QCOMPARE(f.fakes.shell.pages, (QStringList{QStringLiteral("http://dns.example/pop_pword.asp"),
                                               QStringLiteral("http://dns.example/"),
                                               QStringLiteral("http://dns.example/"),
                                               QStringLiteral("http://dns.example/support.htm")}));

    // The same without a mouse: the links follow "Save Login" in the tab order and open with
    // Enter or Space; F1 is the online help.
    f.fakes.shell.pages.clear();
    f.save->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.save));
    for (const auto &[link, key] :
         {std::pair{"llblRegister", Qt::Key_Return}, std::pair{"Label6", Qt::Key_Space}}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(link));
        QTest::keyClick(QApplication::focusWidget(), key);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(f.fakes.shell.pages, (QStringList{QStringLiteral("http://dns.example/"),
                                               QStringLiteral("http://dns.example/pop_pword.asp"),
                                               QStringLiteral("http://dns.example/support.htm")}));

    // And for a screen reader: links, said as their captions, that it can press.
    f.fakes.shell.pages.clear();
    for (const auto &[link, said] :
         {std::pair{"llblRegister", "First Time Here? Please Register With Us."},
          std::pair{"Label6", "Forgot your Password?   Click Here"}}) {
        QAccessibleInterface *reader =
            QAccessible::queryAccessibleInterface(f.window.findChild<QWidget *>(link));
        QCOMPARE(reader->role(), QAccessible::Link);
        QCOMPARE(reader->text(QAccessible::Name), QLatin1String(said));
        reader->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    QCOMPARE(f.fakes.shell.pages,
             (QStringList{QStringLiteral("http://dns.example/"),
                          QStringLiteral("http://dns.example/pop_pword.asp")}));
    QVERIFY(f.fakes.boxes.shown.isEmpty());

    // No browser to be started: each link says so and gives its page's address to copy.
    f.fakes.shell.opens = false;
    QTest::mouseClick(f.window.findChild<QWidget *>(QStringLiteral("Label6")), Qt::LeftButton);
    QTest::mouseClick(f.window.findChild<QWidget *>(QStringLiteral("llblRegister")),
                      Qt::LeftButton);
    f.window.findChild<QAction *>(QStringLiteral("mnuRegister"))->trigger();
    f.window.findChild<QAction *>(QStringLiteral("mnuOnlineHelp"))->trigger();
    const QString notOpened =
        QStringLiteral("The page could not be opened in a web browser. Its address is:\n");
    QCOMPARE(f.fakes.boxes.selectable,
             (QStringList{notOpened + QStringLiteral("http://dns.example/pop_pword.asp"),
                          notOpened + QStringLiteral("http://dns.example/"),
                          notOpened + QStringLiteral("http://dns.example/"),
                          notOpened + QStringLiteral("http://dns.example/support.htm")}));
    f.fakes.shell.opens = true;

    // "About" waits for the about box to close.
    QString aboutCaption;
    pellmarch::testing::whenModalOpens([&](QWidget *box) {
        aboutCaption = box->windowTitle();
        box->close();
    });
    f.window.findChild<QAction *>(QStringLiteral("mnuAbout"))->trigger();
    QCOMPARE(aboutCaption, QStringLiteral("About"));
    QVERIFY(f.window.isVisible());
}

void TestFrmLogin::controlsAreLaidOutAsDesigned() {
    LoginFixture f;
    QCOMPARE(f.window.windowTitle(), QStringLiteral("Login"));
    // Left, top, width, height in twips inside the window's frames; 15 twips to the pixel.
    struct Placed {
        const char *control;
        const char *frame;
        QRect twips;
    };
    const Placed designed[] = {
        {"frmLogin", "", {0, 0, 4095, 2775}},
        {"lblLogin", "frmLogin", {360, 120, 3375, 375}},
        {"txtUsername", "frmLogin", {1440, 480, 2415, 375}},
        {"txtPassword", "frmLogin", {1440, 1080, 2415, 375}},
        {"cmdLogin", "frmLogin", {1440, 1560, 1335, 375}},
        {"cmdExit", "frmLogin", {3000, 1560, 855, 375}},
        {"chkSaveLogin", "frmLogin", {120, 1680, 1215, 255}},
        {"llblRegister", "frmLogin", {240, 2040, 3615, 255}},
        {"Label6", "frmLogin", {240, 2400, 3615, 255}},
        {"frmLoggingIn", "", {0, 2880, 4095, 2535}},
        {"lblWait", "frmLoggingIn", {360, 960, 3495, 375}},
        {"lblLogginIn", "frmLoggingIn", {360, 1320, 3495, 375}},
    };
    const auto px = [](int twips) {
        return (twips + 7) / 15;
    };
    for (const Placed &p : designed) {
        const auto *control = f.window.findChild<QWidget *>(QLatin1String(p.control));
        QVERIFY2(control, p.control);
        QCOMPARE(control->parentWidget()->objectName(), QLatin1String(p.frame));
        const QRect pixels(px(p.twips.x()), px(p.twips.y()), px(p.twips.width()),
                           px(p.twips.height()));
        if (control->geometry() != pixels)
            QFAIL(qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                 .arg(QLatin1String(p.control))
                                 .arg(control->x())
                                 .arg(control->y())
                                 .arg(control->width())
                                 .arg(control->height())));
    }
    // The client area: 4155 by 2835 twips.
    QCOMPARE(f.window.findChild<QWidget *>(QStringLiteral("frmLogin"))->parentWidget()->size(),
             QSize(277, 189));
    QCOMPARE(f.password->echoMode(), QLineEdit::Password);
    QVERIFY(!f.save->isChecked());
    QVERIFY(f.busyPanel->isHidden());
    // Tab order: user name, password, Login, Exit, Save Login.
    const auto nextTabStop = [](QWidget *w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w->objectName();
    };
    QCOMPARE(nextTabStop(f.user), QStringLiteral("txtPassword"));
    QCOMPARE(nextTabStop(f.password), QStringLiteral("cmdLogin"));
    QCOMPARE(nextTabStop(f.login), QStringLiteral("cmdExit"));
    QCOMPARE(nextTabStop(f.window.findChild<QWidget *>(QStringLiteral("cmdExit"))),
             QStringLiteral("chkSaveLogin"));
}

QTEST_MAIN(TestFrmLogin)
#include "tst_frmlogin.moc"
