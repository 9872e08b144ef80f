// The whole program against the stand-in service: the real main window, the real web request
// and a real settings file in a temporary folder.
#include "app/frmMain.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtWebRequest.h"
#include "service/ServiceFixture.h"
#include "support/Fakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace pellmarch;
using namespace std::chrono_literals;

namespace {

const QString kDemoDomain = QStringLiteral("dyn.verlund.test");

// One run of the program: its own user record, flags and lists, the shared settings file.
struct Run {
    testing::FakeServices fakes;
    platform::QtWebRequest web{10s};
    session::Services services;
    app::frmMain main;

    Run(platform::SettingsStore &settings, const QString &host)
        : services{web,
                   fakes.boxes,
                   fakes.shell,
                   settings,
                   fakes.journal,
                   protocol::Endpoints::allAt(host),
                   fakes.user,
                   fakes.flags,
                   fakes.autoIP,
                   fakes.work,
                   fakes.services.parkingAddress,
                   fakes.services.refreshInterval},
          main(services) {}
};

// The address of the subscriber's own host name at the service.
QStringList ownAddresses(testing::ServiceFixture &svc, const QString &user) {
    QStringList out;
    for (const verlund::DnsRecord &r : svc.store.records(*svc.store.subscriber(user)))
        if (r.domain == kDemoDomain && r.name == user && r.recordType == QLatin1String("A"))
            out.append(r.address);
    return out;
}

QString saved(platform::SettingsStore &settings, const char *key) {
    return settings.read(QStringLiteral("Init"), QLatin1String(key), QString());
}

// Saves a picture of the window when PELLMARCH_GRAB_DIR names a folder, for a person to look at.
void grab(QWidget &window, const QString &name) {
    const QString folder = qEnvironmentVariable("PELLMARCH_GRAB_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void logInThroughTheWindow(const QString &user, bool save) {
    testing::whenModalOpens([user, save](QWidget *dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername")), user);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword")), user);
        if (save)
            QTest::mouseClick(dialog->findChild<QCheckBox *>(QStringLiteral("chkSaveLogin")),
                              Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdLogin")),
                          Qt::LeftButton);
    });
}

} // namespace

class TestMainEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ownHostNameIsParkedAndRegisteredAgain();
    void recordTableSubscriberSeesHisRecords();
    void markedRecordFollowsTheAddress();
    void ownHostNameFollowsOverTwoTicks();
};

void TestMainEndToEnd::ownHostNameIsParkedAndRegisteredAgain() {
    testing::ServiceFixture svc;
    svc.store.setAddressOverride(QStringLiteral("demo"), QStringLiteral("198.51.100.23"));
    QTemporaryDir config;
    platform::QtSettingsStore settings(config.filePath(QStringLiteral("PELLMARCH.ini")));

    {
        Run first(settings, svc.host());
        logInThroughTheWindow(QStringLiteral("demo"), true);
        first.main.Form_Load();
        QVERIFY(first.main.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&first.main));
        QCOMPARE(ownAddresses(svc, QStringLiteral("demo")), QStringList{"198.51.100.23"});
        QCOMPARE(first.main.findChild<QLineEdit *>(QStringLiteral("txtVerlundIP"))->text(),
                 QStringLiteral("198.51.100.23"));
        grab(first.main, QStringLiteral("own-sub-domain"));
        first.fakes.boxes.answers = {true};
        first.main.close();
        QCOMPARE(first.fakes.boxes.asked.size(), 1);
        QCOMPARE(first.fakes.shell.endings, 1);
    }
    // Parked: the one record now points at the parking address.
    QCOMPARE(ownAddresses(svc, QStringLiteral("demo")), QStringList{"192.0.2.1"});
    QCOMPARE(saved(settings, "bSaveLogin"), QStringLiteral("1"));
    QCOMPARE(saved(settings, "IPAddress"), QStringLiteral("198.51.100.23"));
    QCOMPARE(saved(settings, "AutoIP"), QStringLiteral("0"));

    // The address seen by the service changes; the saved one is registered again, by itself.
    svc.store.setAddressOverride(QStringLiteral("demo"), QStringLiteral("198.51.100.99"));
    Run second(settings, svc.host());
    bool loginWindowOpened = false;
    QTimer *poll = testing::whenModalOpens([&](QWidget *dialog) {
        loginWindowOpened = true;
        // Its close box is Exit, which the fake shell only counts: end the window itself, so a
        // remembered login that failed ends the test at once.
        static_cast<QDialog *>(dialog)->done(QDialog::Rejected);
    });
    second.main.Form_Load();
    delete poll;
    QVERIFY(!loginWindowOpened);
    QVERIFY(second.main.isVisible());
    QCOMPARE(ownAddresses(svc, QStringLiteral("demo")), QStringList{"198.51.100.23"});
    QCOMPARE(second.main.findChild<QLabel *>(QStringLiteral("lblIPAddress"))->text(),
             QStringLiteral("198.51.100.99"));
}

void TestMainEndToEnd::recordTableSubscriberSeesHisRecords() {
    testing::ServiceFixture svc;
    QTemporaryDir config;
    platform::QtSettingsStore settings(config.filePath(QStringLiteral("PELLMARCH.ini")));
    Run run(settings, svc.host());
    logInThroughTheWindow(QStringLiteral("acme"), false);
    run.main.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&run.main));
    auto *grid = run.main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));
    QCOMPARE(grid->model()->rowCount(), 4);
    QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("Root"));
    grab(run.main, QStringLiteral("record-table"));
    const int commandsBefore = svc.log.size();
    run.main.close();
    QVERIFY(run.fakes.boxes.asked.isEmpty());
    QCOMPARE(svc.log.size(), commandsBefore); // nothing sent on closing
    QCOMPARE(saved(settings, "bSaveLogin"), QStringLiteral("0"));
}

void TestMainEndToEnd::markedRecordFollowsTheAddress() {
    testing::ServiceFixture svc;
    svc.store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.20"));
    QTemporaryDir config;
    platform::QtSettingsStore settings(config.filePath(QStringLiteral("PELLMARCH.ini")));
    Run run(settings, svc.host());
    logInThroughTheWindow(QStringLiteral("acme"), false);
    run.main.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&run.main));
    const auto find = [&](const char *name) {
        return run.main.findChild<QWidget *>(name);
    };
    const auto click = [&](const char *name) {
        QTest::mouseClick(find(name), Qt::LeftButton, {}, QPoint(8, find(name)->height() / 2));
    };
    const auto atService = [&] {
        QStringList out;
        for (const verlund::DnsRecord &r : svc.store.records(*svc.store.subscriber("acme")))
            if (r.name != QLatin1String("www") && r.name != QLatin1String("mail") &&
                r.name != QLatin1String("shop") && r.name != QLatin1String("@"))
                out.append(QStringList{r.domain, r.recordType, r.name, r.address}.join('|'));
        out.sort();
        return out;
    };
    // A text record typed with the characters a query could misread, and a marked A record.
    click("cmdAddGrid");
    static_cast<QComboBox *>(find("cboDomain"))->setCurrentIndex(0);
    static_cast<QComboBox *>(find("cboRecordType"))->setCurrentIndex(3);
    QTest::keyClicks(find("txtCName"), QStringLiteral("note"));
    QTest::keyClicks(find("txtServerIP"), QStringLiteral("a&b=c #d %20 +e f"));
    // Typed through the input method: key clicks carry only ASCII.
    static_cast<QLineEdit *>(find("txtServerIP"))->insert(QStringLiteral("\u00e9"));
    click("cmdServerIP");
    click("cmdAddGrid");
    static_cast<QComboBox *>(find("cboDomain"))->setCurrentIndex(0);
    static_cast<QComboBox *>(find("cboRecordType"))->setCurrentIndex(0);
    QTest::keyClicks(find("txtCName"), QStringLiteral("home"));
    click("chkDomainAutoIP"); // takes the shown address
    click("cmdServerIP");
    QCOMPARE(run.fakes.boxes.shown.size(), 2); // the two adds' reports
    QCOMPARE(atService(), (QStringList{"acme.test|A|home|198.51.100.20",
                                       "acme.test|TXT|note|a&b=c #d %20 +e f\u00e9"}));

    // The public address changes: within a tick or two the marked record follows, alone.
    svc.store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.21"));
    QTRY_COMPARE_WITH_TIMEOUT(atService(),
                              (QStringList{"acme.test|A|home|198.51.100.21",
                                           "acme.test|TXT|note|a&b=c #d %20 +e f\u00e9"}),
                              5000);
    auto *grid = run.main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));
    QTRY_COMPARE(run.main.shownAddress(), QStringLiteral("198.51.100.21"));
    QCOMPARE(grid->model()->rowCount(), 6);
    QCOMPARE(run.fakes.boxes.shown.size(), 2); // the refresh reports nothing
}

void TestMainEndToEnd::ownHostNameFollowsOverTwoTicks() {
    testing::ServiceFixture svc;
    svc.store.setAddressOverride(QStringLiteral("demo"), QStringLiteral("198.51.100.30"));
    QTemporaryDir config;
    platform::QtSettingsStore settings(config.filePath(QStringLiteral("PELLMARCH.ini")));
    settings.write(QStringLiteral("Init"), QStringLiteral("AutoIP"), QStringLiteral("1"));
    Run run(settings, svc.host());
    logInThroughTheWindow(QStringLiteral("demo"), false);
    run.main.Form_Load();
    QCOMPARE(ownAddresses(svc, QStringLiteral("demo")), QStringList{"198.51.100.30"});
    svc.store.setAddressOverride(QStringLiteral("demo"), QStringLiteral("198.51.100.31"));
    QTRY_COMPARE_WITH_TIMEOUT(ownAddresses(svc, QStringLiteral("demo")),
                              QStringList{"198.51.100.31"}, 5000);
    QCOMPARE(run.main.findChild<QLineEdit *>(QStringLiteral("txtVerlundIP"))->text(),
             QStringLiteral("198.51.100.31"));
    run.fakes.boxes.answers = {true};
    run.main.close();
    QCOMPARE(ownAddresses(svc, QStringLiteral("demo")), QStringList{"192.0.2.1"});
    QCOMPARE(saved(settings, "IPAddress"), QStringLiteral("198.51.100.31"));
    QCOMPARE(saved(settings, "AutoIP"), QStringLiteral("1"));
}

QTEST_MAIN(TestMainEndToEnd)
#include "tst_main_e2e.moc"
