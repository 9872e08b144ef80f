// The main window driven with clicks and menu commands against doubles of the platform: its
// layout, set-up in both modes, start-up with and without a remembered login, and closing.
#include "account/Lifecycle.h"
#include "account/frmLogin.h"
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "records/RecordView.h"
#include "support/Fakes.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace pellmarch;

namespace {

const QString kCloseQuestion = QStringLiteral(
    "By closing this application you will remove your DNS records from the DNS Server \n"
    "making your server unreachable by it's Verlund domain name.\nAre you sure you want to close "
    "it?");
const QString kTickler = QStringLiteral("http://dns.example/dnslogin.asp?FXN=DNSTickler");
const QString kSucceeded = QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: </p>");

QString loginAnswer(const QString &subDomain, const QString &address) {
    return QStringLiteral("<p>DNS LOGIN: SUCCESS</p><p>FirstName: F</p><p>LastName: L</p>"
                          "<p>Domains: a.test,b.test</p><p>SubDomain: %1</p>"
                          "<p>RecordTypes: A,MX</p><p>IPAddress: %2</p>"
                          "<p>DomainUserRecords: a.test;;A;;@;;10.0.0.1</p>")
        .arg(subDomain, address);
}

QString command(const QString &user, const QString &verb, const QString &address,
                const QString &domain = QStringLiteral("dyn.test")) {
    return kTickler + QStringLiteral("&Usr=%1&Pwd=pw&Cname=%1&Domain=%2&DNSCommand=%3"
                                     "&RecordType=A&IPAddress=%4")
                          .arg(user, domain, verb, address);
}

struct MainFixture {
    // The program makes the window's frames when it first shows; tests that look at them before
    // any login have them made at once.
    explicit MainFixture(app::frmMain::Build build = app::frmMain::Build::Now)
        : main(fakes.services, nullptr, app::frmMain::Tray::Detect, build) {}

    testing::FakeServices fakes;
    app::frmMain main;

    template <typename W> W *find(const char *name) const {
        return main.findChild<W *>(QLatin1String(name));
    }
    QLineEdit *txtVerlundIP() const { return find<QLineEdit>("txtVerlundIP"); }
    QCheckBox *chkAutoIP() const { return find<QCheckBox>("chkAutoIP"); }
    QLabel *lblStatus() const { return find<QLabel>("lblStatus"); }

    // The user record as a login leaves it.
    void loggedInAs(const QString &name, const QString &subDomain,
                    const QString &address = QStringLiteral("198.51.100.7")) {
        fakes.user.sUsername = name;
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sSubDomain = subDomain;
        fakes.user.sIPAddress = address;
        fakes.user.sDomainList = QStringLiteral("a.test,b.test");
        fakes.user.sRecordTypeList = QStringLiteral("A,MX");
        fakes.user.sDomainUserRecords = QStringLiteral("a.test;;A;;@;;10.0.0.1");
        fakes.flags.bLoggedIn = true;
    }
    // Logged in and the window set up, its own timer still.
    void setUp(const QString &name, const QString &subDomain) {
        loggedInAs(name, subDomain);
        main.SetUpMainWindow();
        main.ownAddress().tmrAuto.stop();
    }
    void setting(const QString &key, const QString &value) {
        fakes.settings.values.insert(QStringLiteral("Init/") + key, value);
    }
    QStringList commandUrls() const {
        QStringList out;
        for (const QString &url : fakes.web.urls)
            if (url.startsWith(kTickler))
                out.append(url);
        return out;
    }
    bool anyWindowVisible() const {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                return true;
        return false;
    }
};

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutRule_data();
    void layoutRule();
    void controlsInTheirFrames_data();
    void controlsInTheirFrames();
    void statusIndicatorAndCaption();
    void accessibleNames();
    void helpMenu();
    void enterPressesItsButton_data();
    void enterPressesItsButton();
    void startAtLogin();
    void setUpRecordTableSendsNothing();
    void setUpOwnSubDomain_data();
    void setUpOwnSubDomain();
    void secondSetUpStartsClean();
    void autoIPClick();
    void startUp_data();
    void startUp();
    void rememberedLoginShowsNoWindowBeforeTheAnswer();
    void rememberedLoginWaitsForTheService_data();
    void rememberedLoginWaitsForTheService();
    void anotherSubscribersAddressStaysHis();
    void closing_data();
    void closing();
    void logoutAnsweredNoKeepsRunning();
    void parkingThatFailed_data();
    void parkingThatFailed();
    void loginAsDifferentUserThenExit();
    void loginAsDifferentUserThenLogIn();
    void windowSize_data();
    void windowSize();
    void windowSizeIsKept();
    void checkNow_data();
    void checkNow();
};

void TestFrmMain::layoutRule_data() {
    QTest::addColumn<QString>("subDomain");
    QTest::addColumn<bool>("editor");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("statusTop");
    QTest::addColumn<app::frmMain::Build>("build");
    for (const auto &[build, when] :
         {std::pair{app::frmMain::Build::Now, "made at once"},
          std::pair{app::frmMain::Build::WhenShown, "made when shown"}}) {
        const auto row = [when = when](const char *view) -> QTestData & {
            return QTest::addRow("%s, frames %s", view, when);
        };
        row("record table") << QString() << false << "frameGrid" << 6780 << 5535 << build;
        row("record editor") << QString() << true << "frameOtherDomain" << 5580 << 4335 << build;
        row("own sub-domain") << "dyn.test" << false << "frameVerlundDomain" << 4500 << 3255
                              << build;
    }
}

void TestFrmMain::layoutRule() {
    QFETCH(QString, subDomain);
    QFETCH(bool, editor);
    QFETCH(QString, frame);
    QFETCH(int, height);
    QFETCH(int, statusTop);
    QFETCH(app::frmMain::Build, build);
    MainFixture f(build);
    f.loggedInAs(QStringLiteral("ann"), subDomain);
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.main.SetUpMainWindow();
    if (editor)
        f.main.showView(session::View::RecordEditor);
    QCOMPARE(f.main.windowHeightTwips(), height);
    QCOMPARE(f.main.statusTopTwips(), statusTop);

    QStringList visible;
    for (const char *name : {"frameGrid", "frameOtherDomain", "frameVerlundDomain"})
        if (f.find<QFrame>(name)->isVisible())
            visible.append(QLatin1String(name));
    QCOMPARE(visible, QStringList{frame});
    // 15 twips to the pixel: the frame at 1200, the status frame where the rule puts it, whole
    // inside the window, and the window no higher than the rule (no decorations offscreen).
    const QWidget *client = f.main.centralWidget();
    QCOMPARE(f.find<QFrame>(qPrintable(frame))->y(), 80);
    const QFrame *status = f.find<QFrame>("frameStatus");
    QCOMPARE(status->y(), (statusTop + 7) / 15);
    QVERIFY(status->geometry().bottom() < client->height());
    QCOMPARE(f.main.frameGeometry().height(), (height + 7) / 15);
}

void TestFrmMain::controlsInTheirFrames_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QList<int>>("rect"); // left, top, width, height in twips
    const auto row = [](const char *control, const char *frame, QList<int> rect) {
        QTest::newRow(control) << QString::fromLatin1(frame) << rect;
    };
    // The frames on the window (a new window is laid out for the record table).
    row("frameGrid", "frmMainClient", {360, 1200, 8295, 4335});
    row("frameOtherDomain", "frmMainClient", {480, 1200, 6735, 3135});
    row("frameVerlundDomain", "frmMainClient", {480, 1200, 7935, 2055});
    row("frameStatus", "frmMainClient", {480, 5535, 7935, 495});
    // The record table.
    row("gridDomainUser", "frameGrid", {0, 240, 8175, 3375});
    row("cmdAddGrid", "frameGrid", {120, 3720, 1800, 400});
    row("cmdDeleteGrid", "frameGrid", {2880, 3720, 1800, 400});
    row("cmdEditGrid", "frameGrid", {5520, 3720, 1800, 400});
    // The record editor.
    row("cboDomain", "frameOtherDomain", {1800, 480, 2775, 315});
    row("cboRecordType", "frameOtherDomain", {1800, 960, 2775, 315});
    row("lblCNameH", "frameOtherDomain", {240, 1440, 1455, 375});
    row("txtCName", "frameOtherDomain", {1800, 1440, 2775, 375});
    row("txtServerIP", "frameOtherDomain", {1800, 2040, 2775, 375});
    row("cmdServerIP", "frameOtherDomain", {4800, 2040, 1815, 375});
    row("chkDomainAutoIP", "frameOtherDomain", {240, 2640, 4215, 375});
    row("cmdCancel", "frameOtherDomain", {4800, 2520, 1815, 375});
    // The own host name.
    row("Label5", "frameVerlundDomain", {240, 240, 1455, 315});
    row("lblUserName", "frameVerlundDomain", {1800, 240, 5895, 315});
    row("Label4", "frameVerlundDomain", {240, 660, 1455, 315});
    row("lblDomain", "frameVerlundDomain", {1800, 660, 5895, 315});
    row("Label3", "frameVerlundDomain", {240, 1080, 1455, 375});
    row("txtVerlundIP", "frameVerlundDomain", {1800, 1080, 2775, 375});
    row("cmdVerlundSetIP", "frameVerlundDomain", {4800, 1080, 1815, 375});
    row("chkAutoIP", "frameVerlundDomain", {240, 1560, 4215, 375});
    // The status line.
    row("lblStatusH", "frameStatus", {120, 90, 1455, 315});
    row("lblStatus", "frameStatus", {1680, 90, 6015, 315});
}

void TestFrmMain::controlsInTheirFrames() {
    QFETCH(QString, frame);
    QFETCH(QList<int>, rect);
    MainFixture f;
    const QWidget *control =
        f.main.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), frame);
    // 15 twips to the pixel, to the nearest pixel.
    const auto px = [](int twips) {
        return (twips + 7) / 15;
    };
    QCOMPARE(control->geometry(), QRect(px(rect[0]), px(rect[1]), px(rect[2]), px(rect[3])));
}

void TestFrmMain::statusIndicatorAndCaption() {
    MainFixture f;
    QCOMPARE(f.lblStatus()->text(), QStringLiteral("Connected"));
    QCOMPARE(f.lblStatus()->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    // An unreachable service during set-up turns it dark red.
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    f.main.SetUpMainWindow();
    QCOMPARE(f.lblStatus()->text(), QStringLiteral("Not Connected with Server"));
    QCOMPARE(f.lblStatus()->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    QCOMPARE(f.lblStatus()->accessibleName(), QStringLiteral("Not Connected with Server"));
}

void TestFrmMain::accessibleNames() {
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"), QStringLiteral("203.0.113.5"));
    f.fakes.web.answer(kSucceeded);
    f.fakes.web.answer(kSucceeded);
    f.main.SetUpMainWindow();
    // What a screen reader says for each control: captions, the label's caption for a box, and
    // the value for a label that shows one.
    const QList<QPair<const char *, QString>> expected{
        {"Label7", "Your IPAddress:"},
        {"lblIPAddress", "203.0.113.5"},
        {"lblStatusH", "Server Status:"},
        {"lblStatus", "Connected"},
        {"gridDomainUser", "Records"},
        {"cmdAddGrid", "Add"},
        {"cmdDeleteGrid", "Delete"},
        {"cmdEditGrid", "Edit"},
        {"cboDomain", "Domain:"},
        {"cboRecordType", "Record Type:"},
        {"txtCName", "Name:"},
        {"txtServerIP", "Server Address:"},
        {"cmdServerIP", "Update"},
        {"chkDomainAutoIP", "Automatic IP Resolution"},
        {"cmdCancel", "Cancel"},
        {"Label5", "Username:"},
        {"lblUserName", "ann"},
        {"Label4", "Domain:"},
        {"lblDomain", "dyn.test"},
        {"Label3", "IPAddress:"},
        {"txtVerlundIP", "IPAddress:"},
        {"cmdVerlundSetIP", "Set Alternate IP"},
        {"chkAutoIP", "Automatic IP Resolution"},
    };
    for (const auto &[name, said] : expected) {
        QWidget *w = f.find<QWidget>(name);
        QVERIFY2(w, name);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        QVERIFY2(a, name);
        QCOMPARE(a->text(QAccessible::Name), said);
    }
    // Values and boxes are said with the caption beside them (labelled-by).
    for (const auto &[value, label] :
         {std::pair{"lblIPAddress", "Label7"}, std::pair{"lblStatus", "lblStatusH"},
          std::pair{"txtVerlundIP", "Label3"}, std::pair{"cboDomain", "lblDomainH"},
          std::pair{"cboRecordType", "lblRecordTypeH"}, std::pair{"txtServerIP", "lblServerIPH"}}) {
        QStringList labelledBy;
        const auto relations = QAccessible::queryAccessibleInterface(f.find<QWidget>(value))
                                   ->relations(QAccessible::Label);
        for (const auto &relation : relations)
            labelledBy.append(relation.first->object()->objectName());
        QVERIFY2(labelledBy == QStringList{QLatin1String(label)},
                 qPrintable(QLatin1String(value) + QLatin1Char(' ') + labelledBy.join(',')));
    }
    QCOMPARE(f.find<QLineEdit>("txtCName")->toolTip(),
             QStringLiteral("Leave blank when changing or adding mx record for root domain "
                            "address."));
    QStringList menus;
    for (QAction *menu : f.main.menuBar()->actions()) {
        menus.append(menu->text());
        for (QAction *item : menu->menu()->actions())
            menus.append(QStringLiteral("  ") + item->text());
    }
    QCOMPARE(menus, (QStringList{"&File", "  Check now", "  ", "  Start at Login",
                                 "  Notifications", "  History", "  ", "  Login as Different User",
                                 "  Logout", "&Help", "  About", "  Online Help"}));
    // A screen reader says "Check now" with its key.
    QAccessibleInterface *file = QAccessible::queryAccessibleInterface(f.find<QMenu>("MnuFile"));
    QAccessibleInterface *checkNow = file->child(0);
    QCOMPARE(checkNow->text(QAccessible::Name), QStringLiteral("Check now"));
    QCOMPARE(checkNow->text(QAccessible::Accelerator), QStringLiteral("F5"));
}

void TestFrmMain::helpMenu() {
    MainFixture f;
    f.find<QAction>("mnuOnlineHelp")->trigger();
    QCOMPARE(f.fakes.shell.pages, QStringList{QStringLiteral("http://dns.example/support.htm")});
    QVERIFY(f.fakes.boxes.shown.isEmpty());
    // Without a browser the address is given, to be copied.
    f.fakes.shell.opens = false;
    f.find<QAction>("mnuOnlineHelp")->trigger();
    QCOMPARE(f.fakes.boxes.selectable,
             QStringList{QStringLiteral("The page could not be opened in a web browser. Its "
                                        "address is:\nhttp://dns.example/support.htm")});
    bool aboutShown = false;
    testing::whenModalOpens([&](QWidget *box) {
        aboutShown = box->windowTitle() == QLatin1String("About");
        box->close();
    });
    f.find<QAction>("mnuAbout")->trigger();
    QVERIFY(aboutShown);
}

void TestFrmMain::enterPressesItsButton_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<QString>("disabled"); // a button disabled first
    QTest::addColumn<QString>("pressed");  // empty: none
    const auto row = [](const char *name, const char *view, const char *focus, int key,
                        const char *pressed, bool repeat = false, const char *disabled = "") {
        QTest::newRow(name) << QString::fromLatin1(view) << QString::fromLatin1(focus) << key
                            << repeat << QString::fromLatin1(disabled)
                            << QString::fromLatin1(pressed);
    };
    const int enter = Qt::Key_Return;
    const int keypad = Qt::Key_Enter;
    row("user name box", "login", "txtUsername", enter, "cmdLogin");
    row("password box, keypad", "login", "txtPassword", keypad, "cmdLogin");
    row("Save Login", "login", "chkSaveLogin", enter, "cmdLogin");
    row("a held key presses once", "login", "txtPassword", enter, "", true);
    // A focused button presses itself, never the window's usual one.
    row("Exit focused", "login", "cmdExit", enter, "cmdExit");
    row("own address box", "own", "txtVerlundIP", enter, "cmdVerlundSetIP");
    row("own address box, the button disabled", "own", "txtVerlundIP", enter, "", false,
        "cmdVerlundSetIP");
    row("Add focused", "table", "cmdAddGrid", keypad, "cmdAddGrid");
    row("editor's domain", "editor", "cboDomain", enter, "cmdServerIP");
    row("Server Address, keypad", "editor", "txtServerIP", keypad, "cmdServerIP");
    row("editor's check box", "editor", "chkDomainAutoIP", enter, "cmdServerIP");
    row("Cancel focused", "editor", "cmdCancel", enter, "cmdCancel");
}

void TestFrmMain::enterPressesItsButton() {
    QFETCH(QString, view);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, repeat);
    QFETCH(QString, disabled);
    QFETCH(QString, pressed);
    MainFixture f;
    account::frmLogin login(f.fakes.services);
    QWidget *window = &f.main;
    if (view == QLatin1String("login")) {
        window = &login;
    } else {
        f.setUp(QStringLiteral("ann"),
                view == QLatin1String("own") ? QStringLiteral("dyn.test") : QString());
        if (view == QLatin1String("editor"))
            f.find<QPushButton>("cmdAddGrid")->click();
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QStringList clicked;
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        connect(button, &QPushButton::clicked, button,
                [&clicked, button] { clicked.append(button->objectName()); });
        if (button->objectName() == disabled)
            button->setEnabled(false);
    }
    auto *target = window->findChild<QWidget *>(focus);
    QVERIFY(target != nullptr && target->isVisible());
    target->setFocus();
    const Qt::KeyboardModifiers modifiers =
        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QStringLiteral("\r"), repeat);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, QStringLiteral("\r"), repeat);
    QApplication::sendEvent(target, &release);
    QCOMPARE(clicked, pressed.isEmpty() ? QStringList() : QStringList{pressed});
}

void TestFrmMain::startAtLogin() {
    QTemporaryDir config;
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", savedHome); });
    const QString entry =
        config.filePath(QStringLiteral("autostart/net.verlund.Pellmarch.desktop"));
    MainFixture f;
    QAction *item = f.find<QAction>("mnuStartAtLogin");
    QVERIFY(!item->isChecked());

    // On: the session starts this program (outside the session's PATH: by its path). Off: the
    // entry is gone.
    item->trigger();
    QVERIFY(item->isChecked());
    QFile written(entry);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QVERIFY2(text.startsWith("[Desktop Entry]\n") &&
                 text.contains("\nExec=" +
                               QFile::encodeName(QCoreApplication::applicationFilePath()) + "\n") &&
                 text.contains("\nType=Application\n"),
             text.constData());
    item->trigger();
    QVERIFY(!item->isChecked());
    QVERIFY(!QFileInfo::exists(entry));

    // Removed from outside: the menu shows it when it opens.
    QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("autostart"))));
    QVERIFY(QFile(entry).open(QIODevice::WriteOnly));
    Q_EMIT f.find<QMenu>("MnuFile")->aboutToShow();
    QVERIFY(item->isChecked());
    QVERIFY(QFile::remove(entry));
    QVERIFY(QDir().rmdir(config.filePath(QStringLiteral("autostart"))));

    // A folder that cannot be made is said, and the item stays unticked.
    QVERIFY(QFile(config.filePath(QStringLiteral("autostart"))).open(QIODevice::WriteOnly));
    Q_EMIT f.find<QMenu>("MnuFile")->aboutToShow();
    item->trigger();
    QVERIFY(!item->isChecked());
    QCOMPARE(f.fakes.boxes.shown.size(), 1);
    QVERIFY2(f.fakes.boxes.shown.first().startsWith(
                 QStringLiteral("Could not set Pellmarch to start at login.\nThe folder ")),
             qPrintable(f.fakes.boxes.shown.first()));
}

void TestFrmMain::setUpRecordTableSendsNothing() {
    MainFixture f;
    f.loggedInAs(QStringLiteral("acme"), QString());
    f.setting(QStringLiteral("AutoIP"), QStringLiteral("1"));
    f.txtVerlundIP()->setText(QStringLiteral("untouched"));
    f.main.SetUpMainWindow();
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(!f.fakes.user.bVerlundOnly);
    QVERIFY(!f.chkAutoIP()->isChecked());
    QCOMPARE(f.txtVerlundIP()->text(), QStringLiteral("untouched"));
    QCOMPARE(f.find<QLabel>("lblIPAddress")->text(), QStringLiteral("198.51.100.7"));
    auto *domains = f.find<QComboBox>("cboDomain");
    QCOMPARE(domains->count(), 2);
    QCOMPARE(domains->currentIndex(), -1);
    QCOMPARE(f.find<QComboBox>("cboRecordType")->itemText(1), QStringLiteral("MX"));
    QCOMPARE(f.find<QLineEdit>("txtCName")->text(), QStringLiteral("acme"));
    QCOMPARE(f.find<QTableView>("gridDomainUser")->model()->rowCount(), 1);
}

void TestFrmMain::setUpOwnSubDomain_data() {
    QTest::addColumn<QString>("autoIP");
    QTest::addColumn<QString>("savedUser");
    QTest::addColumn<QString>("savedAddress");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("owner"); // whose "IPAddress" and "AutoIP" they are; empty: unsaid
    // The login answer's address is 198.51.100.7.
    QTest::newRow("nothing saved") << ""
                                   << ""
                                   << "" << false << "198.51.100.7"
                                   << "";
    QTest::newRow("saved address of this user") << "0"
                                                << "ann"
                                                << "203.0.113.9" << false << "203.0.113.9"
                                                << "";
    QTest::newRow("other letter case is another user") << "2"
                                                       << "Ann"
                                                       << "203.0.113.9" << false << "198.51.100.7"
                                                       << "";
    QTest::newRow("matching user, empty saved address") << ""
                                                        << "ann"
                                                        << "" << false << "198.51.100.7"
                                                        << "";
    QTest::newRow("AutoIP 1 ticks and the saved address still wins")
        << "1"
        << "ann"
        << "203.0.113.9" << true << "203.0.113.9"
        << "";
    QTest::newRow("AutoIP 1 with another user: the shown address")
        << "1"
        << "bob"
        << "203.0.113.9" << true << "198.51.100.7"
        << "";
    // An address and choice saved for another subscriber never apply, whatever "Username" says
    // (it names the last remembered login, not whose address it is).
    QTest::newRow("saved for another subscriber") << "1"
                                                  << "ann"
                                                  << "203.0.113.9" << false << "198.51.100.7"
                                                  << "bob";
    QTest::newRow("saved for this one") << "1"
                                        << "bob"
                                        << "203.0.113.9" << true << "203.0.113.9"
                                        << "ann";
    // The parking address is never registered as the subscriber's own.
    QTest::newRow("the parking address saved by an older run")
        << "0"
        << "ann"
        << "192.0.2.1" << false << "198.51.100.7"
        << "";
    QTest::newRow("AutoIP with a space is not set") << " 1"
                                                    << ""
                                                    << "" << false << "198.51.100.7"
                                                    << "";
}

void TestFrmMain::setUpOwnSubDomain() {
    QFETCH(QString, autoIP);
    QFETCH(QString, savedUser);
    QFETCH(QString, savedAddress);
    QFETCH(bool, ticked);
    QFETCH(QString, registered);
    QFETCH(QString, owner);
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    for (const auto &[key, value] : {std::pair{"AutoIP", autoIP},
                                     {"Username", savedUser},
                                     {"IPAddress", savedAddress},
                                     {"IPAddressUser", owner}})
        if (!value.isEmpty())
            f.setting(QLatin1String(key), value);
    f.fakes.web.answer(kSucceeded);
    f.fakes.web.answer(kSucceeded);
    f.main.SetUpMainWindow();

    QCOMPARE(f.fakes.web.urls, (QStringList{command("ann", "RECORDDELETE", "192.0.2.1"),
                                            command("ann", "RECORDADD", registered)}));
    QCOMPARE(f.chkAutoIP()->isChecked(), ticked);
    QCOMPARE(f.txtVerlundIP()->text(), registered);
    QVERIFY(f.fakes.user.bVerlundOnly);
    QCOMPARE(f.fakes.user.sDomain, QStringLiteral("dyn.test"));
    QCOMPARE(f.fakes.user.sRecordType, QStringLiteral("A"));
    QCOMPARE(f.fakes.user.sIPAddress, registered);
    // The shown address is the login answer's, whatever is registered.
    QCOMPARE(f.find<QLabel>("lblIPAddress")->text(), QStringLiteral("198.51.100.7"));
    QCOMPARE(f.find<QLabel>("lblUserName")->text(), QStringLiteral("ann"));
    QCOMPARE(f.find<QLabel>("lblDomain")->text(), QStringLiteral("dyn.test"));
    QVERIFY(f.main.ownAddress().tmrAuto.isActive());
    QCOMPARE(f.main.ownAddress().tmrAuto.interval(), 50);
    // Kept at once, under this subscriber's name: the parking address never.
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/IPAddress")), registered);
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/AutoIP")),
             QLatin1String(ticked ? "1" : "0"));
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/IPAddressUser")),
             QStringLiteral("ann"));
}

void TestFrmMain::secondSetUpStartsClean() {
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    f.main.SetUpMainWindow();
    f.txtVerlundIP()->setText(QStringLiteral("203.0.113.66")); // ann's alternate address
    // ann's host name follows the address; bob has never chosen so.
    f.chkAutoIP()->setChecked(true);
    f.fakes.web.urls.clear();
    f.loggedInAs(QStringLiteral("bob"), QStringLiteral("dyn.test"), QStringLiteral("198.51.100.8"));
    f.main.SetUpMainWindow();
    QCOMPARE(f.commandUrls(), (QStringList{command("bob", "RECORDDELETE", "192.0.2.1"),
                                           command("bob", "RECORDADD", "198.51.100.8")}));
    QVERIFY(!f.chkAutoIP()->isChecked());
}

void TestFrmMain::autoIPClick() {
    MainFixture f;
    f.main.setShownAddress(QStringLiteral("198.51.100.50"));
    f.txtVerlundIP()->setText(QStringLiteral("typed"));
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.main.showView(session::View::OwnSubDomain);
    const QPoint box(8, f.chkAutoIP()->height() / 2);
    QTest::mouseClick(f.chkAutoIP(), Qt::LeftButton, {}, box);
    QCOMPARE(f.txtVerlundIP()->text(), QStringLiteral("198.51.100.50"));
    f.txtVerlundIP()->setText(QStringLiteral("typed again"));
    QTest::mouseClick(f.chkAutoIP(), Qt::LeftButton, {}, box); // unticking changes nothing
    QVERIFY(!f.chkAutoIP()->isChecked());
    QCOMPARE(f.txtVerlundIP()->text(), QStringLiteral("typed again"));
    QVERIFY(f.fakes.web.urls.isEmpty());
}

void TestFrmMain::startUp_data() {
    QTest::addColumn<QStringList>("settings"); // key=value pairs
    QTest::addColumn<QList<int>>("answers");   // 1 accepted, 0 rejected, -1 unreachable
    QTest::addColumn<bool>("loginWindowShown");
    QTest::addColumn<QStringList>("boxes"); // user, password, Save Login of the window shown
    QTest::newRow("empty store") << QStringList() << QList<int>{} << true
                                 << QStringList{"", "", "0"};
    QTest::newRow("bSaveLogin 0 with a stored user name")
        << QStringList{"bSaveLogin=0", "Username=ann", "Password=pw"} << QList<int>{} << true
        << QStringList{"", "", "0"};
    QTest::newRow("bSaveLogin 01 is not 1")
        << QStringList{"bSaveLogin=01", "Username=ann", "Password=pw"} << QList<int>{} << true
        << QStringList{"", "", "0"};
    QTest::newRow("remembered and accepted")
        << QStringList{"bSaveLogin=1", "Username=ann", "Password=pw"} << QList<int>{1} << false
        << QStringList();
    QTest::newRow("remembered and rejected")
        << QStringList{"bSaveLogin=1", "Username=ann", "Password=pw"} << QList<int>{0} << true
        << QStringList{"", "", "1"};
    QTest::newRow("remembered, service unreachable")
        << QStringList{"bSaveLogin=1", "Username=ann", "Password=pw"} << QList<int>{-1} << true
        << QStringList{"ann", "pw", "1"};
}

void TestFrmMain::startUp() {
    QFETCH(QStringList, settings);
    QFETCH(QList<int>, answers);
    QFETCH(bool, loginWindowShown);
    QFETCH(QStringList, boxes);
    // As the program starts: the frames are made when the window first shows.
    MainFixture f(app::frmMain::Build::WhenShown);
    // A remembered login that met no service is tried again only long after the test.
    f.fakes.services.refreshInterval = std::chrono::hours(1);
    for (const QString &pair : settings)
        f.setting(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    for (int answer : answers) {
        if (answer < 0)
            f.fakes.web.fail();
        else
            f.fakes.web.answer(answer ? loginAnswer(QString(), QStringLiteral("198.51.100.7"))
                                      : QStringLiteral("<p>DNS LOGIN: FAILED</p>"));
    }
    QStringList shownBoxes;
    QString loginCaption;
    if (loginWindowShown) {
        f.fakes.web.answer(loginAnswer(QString(), QStringLiteral("198.51.100.7")));
        testing::whenModalOpens([&](QWidget *dialog) {
            loginCaption = dialog->windowTitle();
            auto *user = dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername"));
            auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
            shownBoxes = QStringList{
                user->text(), password->text(),
                dialog->findChild<QCheckBox *>(QStringLiteral("chkSaveLogin"))->isChecked()
                    ? QStringLiteral("1")
                    : QStringLiteral("0")};
            user->setText(QStringLiteral("acme"));
            password->setText(QStringLiteral("pw"));
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdLogin")),
                              Qt::LeftButton);
        });
    }
    f.main.Form_Load();

    QCOMPARE(shownBoxes, boxes);
    if (loginWindowShown)
        QCOMPARE(loginCaption, QStringLiteral("Login   version 1.6 \u00a9 Verlund Networks"));
    QVERIFY(f.main.isVisible());
    QCOMPARE(f.main.windowTitle(),
             QStringLiteral("Verlund Dynamic DNS version 1.6 \u00a9 Verlund Networks"));
    QVERIFY(f.fakes.flags.bLoggedIn);
    // Set-up ran: the record table holds the login answer's record.
    QCOMPARE(f.find<QTableView>("gridDomainUser")->model()->index(0, 0).data().toString(),
             QStringLiteral("a.test"));
    QVERIFY(f.main.ownAddress().tmrAuto.isActive());
    // The login is kept as soon as it succeeded, as its "Save Login" box said.
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/bSaveLogin")),
             QLatin1String(f.fakes.flags.bRememberLogin ? "1" : "0"));
}

void TestFrmMain::rememberedLoginShowsNoWindowBeforeTheAnswer() {
    MainFixture f;
    f.setting(QStringLiteral("bSaveLogin"), QStringLiteral("1"));
    f.setting(QStringLiteral("Username"), QStringLiteral("ann"));
    f.setting(QStringLiteral("Password"), QStringLiteral("pw"));
    f.fakes.web.answer(loginAnswer(QStringLiteral("dyn.test"), QStringLiteral("198.51.100.7")));
    QList<bool> visibleDuringFetch;
    f.fakes.web.duringFetch = [&] {
        visibleDuringFetch.append(f.anyWindowVisible());
    };
    f.main.Form_Load();
    QCOMPARE(f.fakes.web.urls.first(),
             QStringLiteral("http://dns.example/dnslogin.asp?fxn=login&usr=ann&pwd=pw"));
    // The login, then the two set-up commands with the window on screen.
    QCOMPARE(visibleDuringFetch, (QList<bool>{false, true, true}));
    QVERIFY(f.fakes.flags.bRememberLogin);
}

void TestFrmMain::rememberedLoginWaitsForTheService_data() {
    QTest::addColumn<QList<int>>("retries"); // what the tries again meet: 1 accepted, 0 rejected,
                                             // -1 unreachable
    QTest::addColumn<QString>("user");       // what the user does in the login window then
    QTest::addColumn<QStringList>("messages");
    const QString unreachable =
        QStringLiteral("Error contacting server.  Please check your internet connection if you "
                       "are behind a firewall, please insure that port 80 is opened for 2-way "
                       "traffic.");
    // The network at start-up comes up after the session; nobody answers the message.
    QTest::newRow("the service comes back while the message waits")
        << QList<int>{-1, 1} << "" << QStringList{unreachable};
    QTest::newRow("a rejection is never tried again")
        << QList<int>{0} << "nothing"
        << QStringList{unreachable,
                       QStringLiteral("Invalid Username or Password. If you are a new user you "
                                      "must register using the First Time Here? Please Register "
                                      "With Us hyperlink on the login screen. Registration is "
                                      "free for basic Sub-Domain useage.")};
    QTest::newRow("the user types: no more tries")
        << QList<int>{} << "types" << QStringList{unreachable};
    // What a try that was on the wire meets is no longer the user's once he has typed.
    QTest::newRow("the user types while a try is on the wire")
        << QList<int>{1} << "types during a try" << QStringList{unreachable};
}

void TestFrmMain::rememberedLoginWaitsForTheService() {
    QFETCH(QList<int>, retries);
    QFETCH(QString, user);
    QFETCH(QStringList, messages);
    MainFixture f(app::frmMain::Build::WhenShown);
    for (const auto &[key, value] :
         {std::pair{"bSaveLogin", "1"}, {"Username", "ann"}, {"Password", "pw"}})
        f.setting(QLatin1String(key), QLatin1String(value));
    f.fakes.web.fail();
    for (int answer : retries) {
        if (answer < 0)
            f.fakes.web.fail();
        else
            f.fakes.web.answer(answer ? loginAnswer(QString(), QStringLiteral("198.51.100.7"))
                                      : QStringLiteral("<p>DNS LOGIN: FAILED</p>"));
    }
    QList<qint64> triedAt;
    QElapsedTimer clock;
    clock.start();
    const bool typesDuringATry = user == QLatin1String("types during a try");
    f.fakes.web.duringFetch = [&] {
        triedAt.append(clock.elapsed());
        if (triedAt.size() == 2 && typesDuringATry)
            QTest::keyClicks(f.main.lifecycle().loginWindow()->findChild<QLineEdit *>(
                                 QStringLiteral("txtPassword")),
                             QStringLiteral("x"));
    };
    bool loggedInMeanwhile = false;
    f.fakes.boxes.whileShown = [&] {
        if (f.fakes.boxes.shown.size() == 1 && user.isEmpty())
            loggedInMeanwhile = QTest::qWaitFor([&] { return f.fakes.flags.bLoggedIn; }, 5000);
        if (f.fakes.boxes.shown.size() == 1 && typesDuringATry)
            QVERIFY(QTest::qWaitFor([&] { return triedAt.size() == 2; }, 5000));
    };
    if (!user.isEmpty())
        testing::whenModalOpens([&](QWidget *dialog) {
            if (user == QLatin1String("types"))
                QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword")),
                                 QStringLiteral("x"));
            // No try goes out any more.
            QVERIFY(!QTest::qWaitFor([&] { return triedAt.size() > retries.size() + 1; }, 300));
            static_cast<QDialog *>(dialog)->done(0);
        });
    f.main.Form_Load();

    QCOMPARE(f.fakes.boxes.shown, messages);
    QCOMPARE(triedAt.size(), retries.size() + 1);
    QCOMPARE(f.fakes.web.urls.last(),
             QStringLiteral("http://dns.example/dnslogin.asp?fxn=login&usr=ann&pwd=pw"));
    if (!user.isEmpty()) {
        QVERIFY(!f.fakes.flags.bLoggedIn);
        return;
    }
    // Logged in by itself, the message closed: on as a remembered login goes.
    QVERIFY(loggedInMeanwhile);
    QCOMPARE(f.fakes.boxes.dismissed, QStringList{messages.first()});
    QVERIFY(f.main.isVisible());
    // The waits grow: 30 s, then a minute in the program (a refresh's time, then twice it).
    QVERIFY2(
        triedAt.at(2) - triedAt.at(1) >= 90,
        qPrintable(
            QStringLiteral("%1 %2 %3").arg(triedAt.at(0)).arg(triedAt.at(1)).arg(triedAt.at(2))));
}

void TestFrmMain::anotherSubscribersAddressStaysHis() {
    // A file of an older version kept ann's address and choice under her remembered name only.
    // bob logs in with "Save Login": his name is remembered now, and yet ann's address is never
    // registered for him, nor her choice made his.
    MainFixture f(app::frmMain::Build::WhenShown);
    for (const auto &[key, value] : {std::pair{"bSaveLogin", "0"},
                                     {"Username", "ann"},
                                     {"IPAddress", "203.0.113.9"},
                                     {"AutoIP", "1"}})
        f.setting(QLatin1String(key), QLatin1String(value));
    f.fakes.web.answer(loginAnswer(QStringLiteral("dyn.test"), QStringLiteral("198.51.100.7")));
    f.fakes.web.answer(kSucceeded);
    f.fakes.web.answer(kSucceeded);
    testing::whenModalOpens([](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername"))
            ->setText(QStringLiteral("bob"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))
            ->setText(QStringLiteral("pw"));
        dialog->findChild<QCheckBox *>(QStringLiteral("chkSaveLogin"))->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdLogin")),
                          Qt::LeftButton);
    });
    f.main.Form_Load();
    QCOMPARE(f.commandUrls(), (QStringList{command("bob", "RECORDDELETE", "192.0.2.1"),
                                           command("bob", "RECORDADD", "198.51.100.7")}));
    QVERIFY(!f.chkAutoIP()->isChecked());
}

void TestFrmMain::closing_data() {
    QTest::addColumn<QString>("subDomain");
    QTest::addColumn<bool>("remember");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("addRefused");  // the set-up's registration was refused
    QTest::addColumn<QString>("parking");  // the answer to the parking; empty: none came
    QTest::addColumn<QStringList>("said"); // what the user is told before the end
    const QStringList ownWrites{"IPAddress=203.0.113.9", "AutoIP=1", "IPAddressUser=ann",
                                "bSaveLogin=0"};
    const QStringList parking{command("ann", "RECORDADD", "192.0.2.1")};
    // The file of an older version kept ann's address under her remembered name only: it names
    // her as its subscriber before anything is written over that name.
    QTest::newRow("record table, not remembered")
        << QString() << false << true << false << QStringList()
        << QStringList{"IPAddressUser=ann", "bSaveLogin=0"} << true << false << QString()
        << QStringList();
    QTest::newRow("record table, remembered")
        << QString() << true << true << false << QStringList()
        << QStringList{"IPAddressUser=ann", "bSaveLogin=1", "Username=ann", "Password=pw"} << true
        << false << QString() << QStringList();
    QTest::newRow("own sub-domain, No")
        << "dyn.test" << true << false << true << QStringList() << QStringList() << false << false
        << QString() << QStringList();
    const auto yes = [&](const char *name, bool addRefused, const QString &answer,
                         const QStringList &said) {
        QTest::newRow(name) << "dyn.test" << false << true << true << parking << ownWrites << true
                            << addRefused << answer << said;
    };
    const QString locked = QStringLiteral("<p>Error: Record locked</p>");
    yes("own sub-domain, Yes, parked", false, kSucceeded, {});
    // The question said the host name would be taken off: the user learns that it was not,
    // and where it still points. Saving and ending go on.
    yes("own sub-domain, Yes, the service not reached", false, QString(),
        {"ann.dyn.test could not be taken off the DNS server: no answer came from "
         "the service, so it may still point at 203.0.113.9."});
    yes("own sub-domain, Yes, the parking refused", false, locked,
        {"ann.dyn.test could not be taken off the DNS server: it still points at "
         "203.0.113.9.\nThe service said: Record locked"});
    // The set-up's delete took the host name from the parking address and its add was refused:
    // the parking address is not the subscriber's, and is not saved as his.
    yes("own sub-domain, Yes, the set-up's add refused", true, kSucceeded, {});
    // ... and the parking refused too: the host name was never registered at the address, so
    // none is named as the one it still points at.
    yes("own sub-domain, Yes, the set-up's add and the parking refused", true, locked,
        {"ann.dyn.test could not be taken off the DNS server.\nThe service said: "
         "Record locked"});
}

void TestFrmMain::closing() {
    QFETCH(QString, subDomain);
    QFETCH(bool, remember);
    QFETCH(bool, answerYes);
    QFETCH(bool, asked);
    QFETCH(QStringList, urls);
    QFETCH(QStringList, writes);
    QFETCH(bool, ended);
    QFETCH(bool, addRefused);
    QFETCH(QString, parking);
    QFETCH(QStringList, said);
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), subDomain);
    f.fakes.flags.bRememberLogin = remember;
    f.setting(QStringLiteral("Username"), QStringLiteral("ann"));
    f.setting(QStringLiteral("IPAddress"), QStringLiteral("203.0.113.9"));
    f.setting(QStringLiteral("AutoIP"), QStringLiteral("1"));
    f.fakes.web.answer(kSucceeded);
    f.fakes.web.answer(addRefused ? QStringLiteral("<p>Error: Busy</p>") : kSucceeded);
    f.main.show();
    f.main.SetUpMainWindow();
    f.fakes.web.urls.clear();
    f.fakes.settings.writes.clear();
    if (parking.isEmpty())
        f.fakes.web.fail();
    else
        f.fakes.web.answer(parking);
    f.fakes.boxes.answers = {answerYes};
    f.main.close();

    QCOMPARE(f.fakes.boxes.asked, asked ? QStringList{kCloseQuestion} : QStringList());
    QCOMPARE(f.fakes.web.urls, urls);
    QStringList written;
    for (const QString &w : f.fakes.settings.writes)
        written.append(w.mid(QStringLiteral("Init/").size()));
    QCOMPARE(written, writes);
    QCOMPARE(f.fakes.shell.endings, ended ? 1 : 0);
    QCOMPARE(f.main.isVisible(), !ended);
    QCOMPARE(f.fakes.boxes.shown, said);
}

void TestFrmMain::parkingThatFailed_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("said");
    QTest::newRow("Login as Different User") << "mnuLogin" << true;
    // The desktop ends the program: nobody is there to read a message, and it must not wait.
    QTest::newRow("a signal") << "signal" << false;
    QTest::newRow("the session manager closes") << "session" << false;
}

void TestFrmMain::parkingThatFailed() {
    QFETCH(QString, how);
    QFETCH(bool, said);
    // ann logs in by herself at start-up and keeps her own host name.
    MainFixture f;
    f.setting(QStringLiteral("bSaveLogin"), QStringLiteral("1"));
    f.setting(QStringLiteral("Username"), QStringLiteral("ann"));
    f.setting(QStringLiteral("Password"), QStringLiteral("pw"));
    f.fakes.web.answer(loginAnswer(QStringLiteral("dyn.test"), QStringLiteral("198.51.100.7")));
    f.fakes.web.answer(kSucceeded);
    f.fakes.web.answer(kSucceeded);
    f.main.Form_Load();
    QVERIFY(f.main.isVisible());
    f.main.ownAddress().tmrAuto.stop();
    f.fakes.web.urls.clear();
    f.fakes.web.answer(QStringLiteral("<p>Error: Record locked</p>"));
    const QStringList message{"ann.dyn.test could not be taken off the DNS server: it still "
                              "points at 198.51.100.7.\nThe service said: Record locked"};
    if (how == QLatin1String("mnuLogin")) {
        QStringList saidBeforeTheLogin{QStringLiteral("no login window")};
        testing::whenModalOpens([&](QWidget *dialog) {
            saidBeforeTheLogin = f.fakes.boxes.shown;
            static_cast<QDialog *>(dialog)->done(0); // as Exit would
        });
        f.find<QAction>("mnuLogin")->trigger();
        QCOMPARE(saidBeforeTheLogin, message);
    } else if (how == QLatin1String("signal")) {
        f.main.endSession();
    } else {
        f.main.sessionEnding();
        f.main.close();
    }
    QCOMPARE(f.fakes.web.urls, QStringList{command("ann", "RECORDADD", "192.0.2.1")});
    QCOMPARE(f.fakes.boxes.shown, said ? message : QStringList());
    QVERIFY(f.fakes.boxes.asked.isEmpty());
    QCOMPARE(f.fakes.shell.endings, said ? 0 : 1);
}

void TestFrmMain::logoutAnsweredNoKeepsRunning() {
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    f.main.show();
    f.main.SetUpMainWindow();
    f.fakes.web.urls.clear();
    f.fakes.settings.writes.clear();
    f.fakes.boxes.answers = {false};
    f.find<QAction>("mnuLogout")->trigger();
    QCOMPARE(f.fakes.boxes.asked, QStringList{kCloseQuestion});
    QVERIFY(f.main.isVisible());
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(f.fakes.settings.writes.isEmpty());
    QCOMPARE(f.fakes.shell.endings, 0);
}

void TestFrmMain::loginAsDifferentUserThenExit() {
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    f.fakes.flags.bRememberLogin = true;
    f.main.show();
    f.main.SetUpMainWindow();
    f.fakes.web.urls.clear();
    f.fakes.settings.writes.clear();
    f.fakes.web.answer(kSucceeded);
    QString caption;
    QStringList boxes;
    bool heldWhileOpen = false;
    testing::whenModalOpens([&](QWidget *dialog) {
        caption = dialog->windowTitle();
        boxes = QStringList{dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername"))->text(),
                            dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text()};
        heldWhileOpen = f.fakes.work.isHeld();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdExit")),
                          Qt::LeftButton);
        // The fake shell does not end the program: close the window as the real end would.
        static_cast<QDialog *>(dialog)->done(0);
    });
    f.find<QAction>("mnuLogin")->trigger();

    QCOMPARE(f.fakes.web.urls, QStringList{command("ann", "RECORDADD", "192.0.2.1")});
    QCOMPARE(f.fakes.settings.writes,
             (QStringList{"Init/IPAddress=198.51.100.7", "Init/AutoIP=0", "Init/IPAddressUser=ann",
                          "Init/bSaveLogin=1", "Init/Username=ann", "Init/Password=pw"}));
    QCOMPARE(caption, QStringLiteral("Login"));
    QCOMPARE(boxes, (QStringList{"", ""}));
    QVERIFY(heldWhileOpen);
    QCOMPARE(f.fakes.shell.endings, 1);
    QVERIFY(f.fakes.boxes.asked.isEmpty());
}

void TestFrmMain::loginAsDifferentUserThenLogIn() {
    // ann keeps her own host name, marked to follow the address; bob logs in next and keeps a
    // record table.
    MainFixture f;
    f.loggedInAs(QStringLiteral("ann"), QStringLiteral("dyn.test"));
    f.fakes.flags.bRememberLogin = true;
    f.main.show();
    f.main.SetUpMainWindow();
    f.chkAutoIP()->setChecked(true);
    f.main.ownAddress().tmrAuto.stop();
    f.fakes.web.urls.clear();
    f.fakes.settings.writes.clear();
    f.fakes.web.answer(kSucceeded); // the parking
    f.fakes.web.answer(QStringLiteral(
        "<p>DNS LOGIN: SUCCESS</p><p>FirstName: B</p><p>LastName: L</p><p>Domains: b.test</p>"
        "<p>SubDomain: </p><p>RecordTypes: A,MX</p><p>IPAddress: 198.51.100.8</p>"
        "<p>DomainUserRecords: b.test;;MX;;mail;;10.0.0.2</p>"));
    bool ticksHeldWhileOpen = false;
    testing::whenModalOpens([&](QWidget *dialog) {
        // Ticks fall due while the window is open; none may run for ann.
        f.main.ownAddress().tmrAuto.start();
        ticksHeldWhileOpen = QTest::qWaitFor([&] { return f.fakes.work.hasHeldWork(); }, 5000);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername")),
                         QStringLiteral("bob"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword")),
                         QStringLiteral("pw"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdLogin")),
                          Qt::LeftButton);
    });
    f.find<QAction>("mnuLogin")->trigger();

    QVERIFY(ticksHeldWhileOpen);
    QCOMPARE(f.fakes.settings.writes,
             (QStringList{"Init/IPAddress=198.51.100.7", "Init/AutoIP=1", "Init/IPAddressUser=ann",
                          "Init/bSaveLogin=1", "Init/Username=ann", "Init/Password=pw",
                          // bob did not tick "Save Login": ann's password no longer lies there.
                          "Init/bSaveLogin=0", "Init/Password="}));
    // bob's record table, filled from his login, in place of ann's own host name.
    QVERIFY(!f.fakes.user.bVerlundOnly);
    QVERIFY(f.find<QFrame>("frameGrid")->isVisible());
    QVERIFY(!f.find<QFrame>("frameVerlundDomain")->isVisible());
    QCOMPARE(f.main.windowHeightTwips(), 6780);
    const QAbstractItemModel *table = f.find<QTableView>("gridDomainUser")->model();
    QCOMPARE(table->rowCount(), 1);
    QStringList row;
    for (int column = 0; column < 5; ++column)
        row.append(table->index(0, column).data().toString());
    QCOMPARE(row, (QStringList{"b.test", "MX", "mail", "10.0.0.2", "No"}));
    QCOMPARE(f.find<QLabel>("lblIPAddress")->text(), QStringLiteral("198.51.100.8"));
    QCOMPARE(f.find<QComboBox>("cboDomain")->itemText(0), QStringLiteral("b.test"));
    // From here on the ticks work for bob's table: address queries for him, and nothing else.
    const QString query =
        QStringLiteral("http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=bob");
    QTRY_VERIFY(f.fakes.web.urls.size() >= 4);
    QCOMPARE(
        f.fakes.web.urls.mid(0, 2),
        (QStringList{command("ann", "RECORDADD", "192.0.2.1"),
                     QStringLiteral("http://dns.example/dnslogin.asp?fxn=login&usr=bob&pwd=pw")}));
    for (const QString &url : f.fakes.web.urls.mid(2))
        QCOMPARE(url, query);
    QCOMPARE(f.fakes.shell.endings, 0);
    QVERIFY(f.fakes.boxes.asked.isEmpty());
}

void TestFrmMain::windowSize_data() {
    QTest::addColumn<QString>("remembered"); // null: none
    QTest::addColumn<QSize>("size");
    // The layout rule's outer height of the record table view is 452: 448 inside the frame that
    // offscreen windows have. The screen has 800 by 800.
    const QSize designed(601, 448);
    QTest::newRow("nothing remembered: as designed") << QString() << designed;
    QTest::newRow("a size that fits the screen") << "700x520" << QSize(700, 520);
    QTest::newRow("the whole screen") << "800x800" << QSize(800, 800);
    QTest::newRow("only higher than the screen") << "700x801" << designed;
    QTest::newRow("only wider than the screen") << "801x500" << designed;
    QTest::newRow("negative") << "-700x520" << designed;
    QTest::newRow("three numbers") << "700x520x1" << designed;
    QTest::newRow("smaller than designed: never smaller") << "300x200" << designed;
    QTest::newRow("wider only: the height as designed") << "700x100" << QSize(700, 448);
}

void TestFrmMain::windowSize() {
    QFETCH(QString, remembered);
    QFETCH(QSize, size);
    // As at a start: the settings are there before the window is made.
    testing::FakeServices fakes;
    if (!remembered.isNull())
        fakes.settings.values.insert(QStringLiteral("Init/MainWindowSize"), remembered);
    auto main = std::make_unique<app::frmMain>(fakes.services);
    QCOMPARE(main->screen()->availableGeometry().size(), QSize(800, 800));
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    QCOMPARE(main->size(), size);
    QCOMPARE(main->minimumSize(), QSize(601, 448));
    // The table (and only it) takes the room: the status frame keeps its size at the bottom,
    // the buttons theirs below the table, the own host name's frame its size and place.
    const QSize extra = size - QSize(601, 448);
    const auto at = [&main](const char *name) {
        return main->findChild<QWidget *>(QLatin1String(name))->geometry();
    };
    QCOMPARE(at("frameGrid"), QRect(24, 80, 553 + extra.width(), 289 + extra.height()));
    QCOMPARE(at("gridDomainUser"), QRect(0, 16, 545 + extra.width(), 225 + extra.height()));
    QCOMPARE(at("cmdEditGrid"), QRect(368, 248 + extra.height(), 120, 27));
    QCOMPARE(at("frameStatus"), QRect(32, 369 + extra.height(), 529, 33));
    QCOMPARE(at("frameVerlundDomain"), QRect(32, 80, 529, 137));
    QCOMPARE(at("Line1").width(), 553 + extra.width());
    // As designed, the columns have their designed widths; larger, they fill the table's width
    // (with and without a scroll bar), the names and values taking the room.
    auto *grid = main->findChild<QTableView *>(QStringLiteral("gridDomainUser"));
    for (const int rows : {1, 40}) {
        fakes.user.sDomainUserRecords = QStringLiteral("a.test;;A;;www;;10.0.0.1");
        for (int i = 1; i < rows; ++i)
            fakes.user.sDomainUserRecords += QStringLiteral("~~a.test;;A;;h%1;;10.0.0.1").arg(i);
        main->recordView().LoadRecordTable();
        QTRY_COMPARE(grid->verticalScrollBar()->isVisible(), rows > 1);
        QList<int> widths;
        for (int column = 0; column < 5; ++column)
            widths.append(grid->columnWidth(column));
        if (extra.width() == 0) {
            QCOMPARE(widths.mid(0, 4), (QList<int>{147, 67, 120, 147}));
        } else {
            QCOMPARE(widths[1], 67);
            // Room for the whole of "AutoIP Res".
            QCOMPARE(widths[4], grid->horizontalHeader()->sectionSizeHint(4));
            QCOMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
            QVERIFY(!grid->horizontalScrollBar()->isVisible());
        }
    }
}

void TestFrmMain::windowSizeIsKept() {
    MainFixture f;
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.setUp(QStringLiteral("acme"), QString());
    // The window's own sizing is no size of the subscriber's: nothing is kept (the keeping
    // follows a second after a size is given).
    QVERIFY(!QTest::qWaitFor([&] { return !f.fakes.settings.writes.isEmpty(); }, 1500));
    // The subscriber makes the window larger: kept once the sizing has stopped.
    f.main.resize(690, 500);
    f.main.resize(720, 540);
    QTRY_COMPARE(f.fakes.settings.values.value(QStringLiteral("Init/MainWindowSize")),
                 QStringLiteral("720x540"));
    QCOMPARE(f.fakes.settings.writes, QStringList{"Init/MainWindowSize=720x540"});
    QCOMPARE(f.find<QFrame>("frameStatus")->y(), 369 + 92);
    QCOMPARE(f.find<QFrame>("frameGrid")->height(), 289 + 92);
    // The editor has its designed size; back in the table the size given comes back.
    QTest::mouseClick(f.find<QPushButton>("cmdAddGrid"), Qt::LeftButton);
    QCOMPARE(f.main.frameGeometry().height(), 372);
    QTest::mouseClick(f.find<QPushButton>("cmdCancel"), Qt::LeftButton);
    QCOMPARE(f.main.size(), QSize(720, 540));
    QCOMPARE(f.find<QFrame>("frameStatus")->y(), 369 + 92);
    // A size given just before closing is kept by the closing.
    f.main.resize(640, 480);
    f.main.close();
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/MainWindowSize")),
             QStringLiteral("640x480"));
}

void TestFrmMain::checkNow_data() {
    QTest::addColumn<QString>("subDomain"); // null: no login yet
    QTest::addColumn<bool>("ticked");       // "Automatic IP Resolution"
    QTest::addColumn<bool>("held");         // other work under way when F5 is pressed
    QTest::addColumn<QString>("shown");     // the shown address afterwards
    // The login's address is 198.51.100.7; the service now sees 203.0.113.50.
    QTest::newRow("record table") << "" << false << false << "203.0.113.50";
    QTest::newRow("record table, other work under way: once it has ended")
        << "" << false << true << "203.0.113.50";
    QTest::newRow("own host name following the address")
        << "dyn.test" << true << false << "203.0.113.50";
    QTest::newRow("own host name not following: learnt and shown, nothing moved")
        << "dyn.test" << false << false << "203.0.113.50";
    QTest::newRow("before a login: nothing") << QString() << false << false << "IPAddress";
}

void TestFrmMain::checkNow() {
    QFETCH(QString, subDomain);
    QFETCH(bool, ticked);
    QFETCH(bool, held);
    QFETCH(QString, shown);
    MainFixture f;
    f.main.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.main));
    if (!subDomain.isNull()) {
        f.loggedInAs(QStringLiteral("ann"), subDomain);
        f.setting(QStringLiteral("Username"), QStringLiteral("ann"));
        f.setting(QStringLiteral("AutoIP"), QLatin1String(ticked ? "1" : "0"));
        if (!subDomain.isEmpty()) { // the set-up's two commands
            f.fakes.web.answer(kSucceeded);
            f.fakes.web.answer(kSucceeded);
        }
        f.main.SetUpMainWindow();
        // No tick of the timer's in this test: only the one asked for.
        f.main.ownAddress().tmrAuto.setInterval(std::chrono::hours(1));
    }
    QCOMPARE(f.chkAutoIP()->isChecked(), ticked);
    f.fakes.web.urls.clear();
    f.fakes.web.answer(QStringLiteral("<p>SUCCESS</p><p>IPAddress: 203.0.113.50</p>"));
    {
        std::optional<session::WorkGuard::Hold> busy;
        if (held)
            busy.emplace(f.fakes.work);
        QTest::keyClick(&f.main, Qt::Key_F5);
        if (held)
            QCOMPARE(f.fakes.web.urls, QStringList());
    }
    const QStringList query{
        QStringLiteral("http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=ann")};
    if (!subDomain.isNull())
        QTRY_COMPARE(f.fakes.web.urls, query);
    // One check for one key press (none before a login): nothing more follows.
    QTest::qWait(100);
    QCOMPARE(f.fakes.web.urls, subDomain.isNull() ? QStringList() : query);
    QCOMPARE(f.find<QLabel>("lblIPAddress")->text(), shown);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
