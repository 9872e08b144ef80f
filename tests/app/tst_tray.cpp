// The main window's tray icon: what its icon and tooltip show, its menu, and hiding to the tray.
// Offscreen there is no tray, so the window is told whether there is one, or follows a panel
// played on a private bus; the icon can be made and looked at without a tray to show it.
#include "app/StatusIndicator.h"
#include "app/frmMain.h"
#include "support/FakeTrayWatcher.h"
#include "support/Fakes.h"
#include "support/HelperProgram.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTime>
#include <QTimer>

using namespace pellmarch;

namespace {

const QString kCloseQuestion = QStringLiteral(
    "By closing this application you will remove your DNS records from the DNS Server \n"
    "making your server unreachable by it's Verlund domain name.\nAre you sure you want to close "
    "it?");
const QString kSucceeded = QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: </p>");
const QString kParking = QStringLiteral(
    "http://dns.example/dnslogin.asp?FXN=DNSTickler&Usr=ann&Pwd=pw&Cname=ann&Domain=dyn.test"
    "&DNSCommand=RECORDADD&RecordType=A&IPAddress=192.0.2.1");

QImage imageOf(const QIcon &icon) {
    return icon.pixmap(QSize(64, 64)).toImage().convertToFormat(QImage::Format_ARGB32);
}

struct TrayFixture {
    explicit TrayFixture(app::frmMain::Tray tray = app::frmMain::Tray::Available,
                         std::function<QDBusConnection()> panelBus = {})
        : main(fakes.services, nullptr, tray, app::frmMain::Build::Now, std::move(panelBus)) {}

    testing::FakeServices fakes;
    app::frmMain main;

    QSystemTrayIcon *tray() const {
        return main.findChild<QSystemTrayIcon *>(QStringLiteral("trayIcon"));
    }
    // Logged in with an own host name, the window shown and set up (its two exchanges
    // answered as given).
    void ownHostName(const QStringList &answers) {
        fakes.user.sUsername = QStringLiteral("ann");
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sSubDomain = QStringLiteral("dyn.test");
        fakes.user.sIPAddress = QStringLiteral("203.0.113.5");
        fakes.user.sRecordTypeList = QStringLiteral("A");
        fakes.flags.bLoggedIn = true;
        for (const QString &answer : answers)
            fakes.web.answer(answer);
        main.show();
        main.SetUpMainWindow();
    }
    void setAlternateIP(bool answered) {
        if (answered)
            fakes.web.answer(kSucceeded);
        main.findChild<QLineEdit *>(QStringLiteral("txtVerlundIP"))
            ->setText(QStringLiteral("203.0.113.8"));
        QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("cmdVerlundSetIP")),
                          Qt::LeftButton);
    }
};

} // namespace

class TestTray : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void iconAndTooltipFollowTheService();
    void menuIsTheFileMenus();
    void trayFollowsThePanel();
    void minimiseAndActivate_data();
    void minimiseAndActivate();
};

void TestTray::iconAndTooltipFollowTheService() {
    TrayFixture f;
    QSystemTrayIcon *tray = f.tray();
    QVERIFY(tray);
    const QImage logo = imageOf(QIcon(QStringLiteral(":/pellmarch/logo.png")));
    QCOMPARE(imageOf(tray->icon()), logo);
    QCOMPARE(tray->toolTip(), QStringLiteral("Pellmarch\nYour IPAddress: IPAddress\nConnected"));

    // The set-up's exchanges go through: the address and the time of the last one.
    const QTime before = QTime::currentTime().addMSecs(-999);
    f.ownHostName({kSucceeded, kSucceeded});
    const QTime after = QTime::currentTime();
    const QStringList lines = tray->toolTip().split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(0, 3),
             (QStringList{"Pellmarch", "Your IPAddress: 203.0.113.5", "Connected"}));
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[3].startsWith(QStringLiteral("Last exchange: ")), qPrintable(lines[3]));
    const QTime last = QTime::fromString(lines[3].mid(15), QStringLiteral("HH:mm:ss"));
    QVERIFY2(last.isValid() && last >= before && last <= after, qPrintable(lines[3]));
    // Read on another day, it comes with its date.
    const QDateTime tomorrow = QDateTime::currentDateTime().addDays(1);
    QCOMPARE(f.main.findChild<app::StatusIndicator *>()->lastSuccessText(tomorrow),
             QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd ")) + lines[3].mid(15));
    // The tooltip is made again then, at midnight.
    const auto dayTurn = f.main.findChild<QTimer *>(QStringLiteral("tmrDayTurn"));
    QVERIFY(dayTurn && dayTurn->isActive());
    QVERIFY(qAbs(dayTurn->remainingTime() -
                 QDateTime::currentDateTime().msecsTo(tomorrow.date().startOfDay())) < 2000);
    QCOMPARE(imageOf(tray->icon()), logo);
    const qint64 connectedKey = tray->icon().cacheKey();

    // Out of reach: the marked icon, the indicator's text, the last success kept.
    f.setAlternateIP(false);
    QCOMPARE(tray->toolTip(), QStringLiteral("Pellmarch\nYour IPAddress: 203.0.113.5\n"
                                             "Not Connected with Server\n") +
                                  lines[3]);
    QVERIFY(tray->icon().cacheKey() != connectedKey);
    QVERIFY(!tray->icon().isNull());
    QVERIFY(imageOf(tray->icon()) != logo);

    // Reachable again.
    f.setAlternateIP(true);
    QVERIFY(tray->toolTip().contains(QStringLiteral("\nConnected\nLast exchange: ")));
    QCOMPARE(imageOf(tray->icon()), logo);
    // A new public address shows at once, with nothing else changed.
    f.main.setShownAddress(QStringLiteral("198.51.100.9"));
    QCOMPARE(tray->toolTip().split(QLatin1Char('\n')).mid(0, 3),
             (QStringList{"Pellmarch", "Your IPAddress: 198.51.100.9", "Connected"}));
}

void TestTray::menuIsTheFileMenus() {
    TrayFixture f;
    f.ownHostName({kSucceeded, kSucceeded});
    QMenu *menu = f.tray()->contextMenu();
    QVERIFY(menu);
    QStringList items;
    for (QAction *item : menu->actions())
        items.append(item->text());
    QCOMPARE(items, (QStringList{"Show", "Login as Different User", "Logout"}));

    // "Logout": the close box's question; No keeps everything as it is.
    f.fakes.web.urls.clear();
    f.fakes.boxes.answers = {false};
    menu->actions().at(2)->trigger();
    QCOMPARE(f.fakes.boxes.asked, QStringList{kCloseQuestion});
    QVERIFY(f.main.isVisible());
    QVERIFY(f.fakes.web.urls.isEmpty());
    QCOMPARE(f.fakes.shell.endings, 0);

    // "Login as Different User": parks the host name and opens the login window.
    QString caption;
    testing::whenModalOpens([&](QWidget *dialog) {
        caption = dialog->windowTitle();
        // The fake shell does not end the program: close the window as the real end would.
        static_cast<QDialog *>(dialog)->done(0);
    });
    menu->actions().at(1)->trigger();
    QCOMPARE(caption, QStringLiteral("Login"));
    QCOMPARE(f.fakes.web.urls, QStringList{kParking});

    // "Logout" answered Yes: parked again, saved, ended.
    f.fakes.web.urls.clear();
    f.fakes.boxes.answers = {true};
    menu->actions().at(2)->trigger();
    QCOMPARE(f.fakes.boxes.asked, (QStringList{kCloseQuestion, kCloseQuestion}));
    QCOMPARE(f.fakes.web.urls, QStringList{kParking});
    QCOMPARE(f.fakes.shell.endings, 1);
    QVERIFY(!f.main.isVisible());
}

void TestTray::trayFollowsThePanel() {
    const testing::HelperProgram bus(QStringLiteral("dbus-daemon"),
                                     testing::HelperProgram::sessionBus());
    const QString address = bus.firstLine();
    QVERIFY2(!address.isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");
    QDBusConnection panel = QDBusConnection::connectToBus(address, QStringLiteral("panel"));
    testing::FakeTrayWatcher watcher;
    watcher.hostRegistered = false;
    QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                 QDBusConnection::ExportAllContents));
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    TrayFixture f(app::frmMain::Tray::Detect, [address] {
        return QDBusConnection::connectToBus(address, QStringLiteral("program"));
    });
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    const auto minimised = [&f] {
        f.main.setWindowState(Qt::WindowMinimized);
        QCoreApplication::sendPostedEvents();
        return !f.main.isVisible();
    };

    // The watcher comes after the window, the panel's host after it: the icon then, not before.
    QVERIFY(panel.registerService(name));
    QTRY_VERIFY(watcher.hostAsked > 0);
    QVERIFY(testing::HeardAllFrom(QDBusConnection(QStringLiteral("program")), panel));
    QVERIFY(!f.tray());
    watcher.hostRegistered = true;
    Q_EMIT watcher.StatusNotifierHostRegistered();
    QTRY_VERIFY(f.tray());
    QVERIFY(minimised());
    // The panel goes: the window comes back, and stays on the taskbar when minimised.
    QVERIFY(panel.unregisterService(name));
    QTRY_VERIFY(f.main.isVisible());
    QVERIFY(!f.tray());
    QVERIFY(!minimised());
    // A panel again: the icon again.
    f.main.showNormal();
    QVERIFY(panel.registerService(name));
    QTRY_VERIFY(f.tray());
    QVERIFY(minimised());
}

void TestTray::minimiseAndActivate_data() {
    QTest::addColumn<app::frmMain::Tray>("tray");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("tray") << app::frmMain::Tray::Available << true;
    QTest::newRow("no tray") << app::frmMain::Tray::Unavailable << false;
    // Offscreen the desktop has none.
    QTest::newRow("as the desktop offers") << app::frmMain::Tray::Detect << false;
}

void TestTray::minimiseAndActivate() {
    QFETCH(app::frmMain::Tray, tray);
    QFETCH(bool, hidden);
    TrayFixture f(tray);
    QCOMPARE(f.tray() != nullptr, hidden);
    // Before a login has shown the window, the tray does not bring it up.
    if (f.tray() != nullptr) {
        Q_EMIT f.tray()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!f.main.isVisible());
    }
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.main.setWindowState(Qt::WindowMinimized);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.main.isVisible(), !hidden);
    if (f.tray() == nullptr)
        return;
    // A click on the icon, or "Show", brings it back as it was.
    for (int way = 0; way < 2; ++way) {
        if (way == 0)
            Q_EMIT f.tray()->activated(QSystemTrayIcon::Trigger);
        else
            f.tray()->contextMenu()->actions().at(0)->trigger();
        QVERIFY(f.main.isVisible());
        QVERIFY(!f.main.isMinimized());
        f.main.setWindowState(Qt::WindowMinimized);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!f.main.isVisible());
    }
    // "Logout" from the tray while the window is hidden there asks as ever.
    f.fakes.user.bVerlundOnly = true;
    f.fakes.boxes.answers = {false};
    f.tray()->contextMenu()->actions().at(2)->trigger();
    QCOMPARE(f.fakes.boxes.asked, QStringList{kCloseQuestion});
    QCOMPARE(f.fakes.shell.endings, 0);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
