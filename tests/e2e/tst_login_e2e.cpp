// The real login window and web request against the stand-in service.
#include "account/frmLogin.h"
#include "platform/QtWebRequest.h"
#include "service/ServiceFixture.h"
#include "support/Fakes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace pellmarch;
using namespace std::chrono_literals;

class TestLoginEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loginFillsTheUserRecordFromTheService();
    void unreachableServiceKeepsTheBoxes();
};

void TestLoginEndToEnd::loginFillsTheUserRecordFromTheService() {
    testing::ServiceFixture svc;
    svc.store.setAddressOverride(QStringLiteral("demo"), QStringLiteral("198.51.100.23"));
    platform::QtWebRequest web(10s);
    testing::FakeServices fakes;
    session::Services services = fakes.withWeb(web, svc.host());
    account::frmLogin window(services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtUsername")), "demo ");
    QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtPassword")), "demo");
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdLogin")), Qt::LeftButton);

    QVERIFY2(fakes.boxes.shown.isEmpty(), qPrintable(fakes.boxes.shown.join(QLatin1Char('|'))));
    QVERIFY(fakes.flags.bLoggedIn);
    QVERIFY(!window.isVisible());
    QCOMPARE(fakes.user.sUsername, QStringLiteral("demo"));
    QCOMPARE(fakes.user.sFirstName, QStringLiteral("Dana"));
    QCOMPARE(fakes.user.sSubDomain, QStringLiteral("dyn.verlund.test"));
    QCOMPARE(fakes.user.sIPAddress, QStringLiteral("198.51.100.23"));
    QCOMPARE(fakes.user.sRecordTypeList, QStringLiteral("A"));
}

void TestLoginEndToEnd::unreachableServiceKeepsTheBoxes() {
    quint16 port = 0;
    {
        testing::ServiceFixture gone;
        port = gone.port;
    }
    platform::QtWebRequest web(10s);
    testing::FakeServices fakes;
    session::Services services = fakes.withWeb(web, QStringLiteral("127.0.0.1:%1").arg(port));
    account::frmLogin window(services);
    QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtUsername")), "demo");
    QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtPassword")), "demo");
    window.cmdLogin_Click();
    QCOMPARE(fakes.boxes.shown,
             QStringList{QStringLiteral(
                 "Error contacting server.  Please check your internet connection if you are "
                 "behind a firewall, please insure that port 80 is opened for 2-way traffic.")});
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtUsername"))->text(),
             QStringLiteral("demo"));
    QVERIFY(!fakes.flags.bLoggedIn);
}

QTEST_MAIN(TestLoginEndToEnd)
#include "tst_login_e2e.moc"
