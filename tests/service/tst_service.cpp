// The stand-in service over HTTP, reached through the client's own web request.
#include "platform/QtWebRequest.h"
#include "protocol/AnswerText.h"
#include "protocol/Endpoints.h"
#include "protocol/Queries.h"
#include "service/ServiceFixture.h"

#include <QTest>

using namespace pellmarch;
using namespace std::chrono_literals;

class TestService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loginAnswersTheProfile();
    void loginFailures_data();
    void loginFailures();
    void reservedCharactersRoundTrip();
    void pagesAreServed();
    void logMasksThePassword();
};

namespace {
QString field(const QString &answer, const char *key) {
    return protocol::NullTrim(protocol::GetField(answer, QLatin1String(key)));
}
} // namespace

void TestService::loginAnswersTheProfile() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const protocol::Endpoints endpoints = protocol::Endpoints::allAt(svc.host());
    const QString acme = web.fetch(endpoints.serviceUrl(protocol::LoginQuery(
                                       QStringLiteral("acme"), QStringLiteral("acme"))))
                             .body;
    QCOMPARE(field(acme, "DNS LOGIN:"), QStringLiteral("SUCCESS"));
    QCOMPARE(field(acme, "Domains:"), QStringLiteral("acme.test,acme-shop.test"));
    QCOMPARE(field(acme, "SubDomain:"), QString());
    QCOMPARE(field(acme, "IPAddress:"), QStringLiteral("127.0.0.1"));
    QVERIFY(field(acme, "DomainUserRecords:").startsWith(QStringLiteral("acme.test;;A;;@;;")));

    const QString demo = web.fetch(endpoints.serviceUrl(protocol::LoginQuery(
                                       QStringLiteral("demo"), QStringLiteral("demo"))))
                             .body;
    QCOMPARE(field(demo, "SubDomain:"), QStringLiteral("dyn.verlund.test"));
}

void TestService::loginFailures_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << "acme"
                                    << "nope";
    QTest::newRow("unknown user") << "nobody"
                                  << "acme";
    QTest::newRow("password in other case") << "acme"
                                            << "ACME";
    QTest::newRow("empty") << ""
                           << "";
}

void TestService::loginFailures() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const QString answer = web.fetch(protocol::Endpoints::allAt(svc.host())
                                         .serviceUrl(protocol::LoginQuery(user, password)))
                               .body;
    QVERIFY(!answer.isEmpty());
    QVERIFY(!answer.contains(QStringLiteral("SUCCESS")));
    QCOMPARE(field(answer, "DNS LOGIN:"), QStringLiteral("FAILED"));
}

void TestService::reservedCharactersRoundTrip() {
    testing::ServiceFixture svc;
    const QString password = QStringLiteral("p&w=d#1+%x y\u00e9");
    svc.store.putSubscriber({QStringLiteral("a.b-c@d"),
                             password,
                             QStringLiteral("Ann"),
                             {},
                             {},
                             QStringLiteral("A"),
                             {},
                             {}});
    platform::QtWebRequest web(5s);
    const protocol::Endpoints endpoints = protocol::Endpoints::allAt(svc.host());
    const QString answer =
        web.fetch(endpoints.serviceUrl(protocol::LoginQuery(QStringLiteral("a.b-c@d"), password)))
            .body;
    QCOMPARE(field(answer, "DNS LOGIN:"), QStringLiteral("SUCCESS"));
    QCOMPARE(field(answer, "FirstName:"), QStringLiteral("Ann"));
    // The user name travels byte for byte.
    QVERIFY2(svc.log.last().contains(QStringLiteral("usr=a.b-c@d&")), qPrintable(svc.log.last()));
}

void TestService::pagesAreServed() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const protocol::Endpoints endpoints = protocol::Endpoints::allAt(svc.host());
    for (const QString &url : {endpoints.helpPage(), endpoints.termsPage(),
                               endpoints.forgottenPasswordPage(), endpoints.signupPage()}) {
        const auto answer = web.fetch(url);
        QVERIFY2(!answer.failed && answer.body.contains(QStringLiteral("<h1>")), qPrintable(url));
    }
}

void TestService::logMasksThePassword() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    web.fetch(
        protocol::Endpoints::allAt(svc.host())
            .serviceUrl(protocol::LoginQuery(QStringLiteral("acme"), QStringLiteral("acme"))));
    QCOMPARE(svc.log.size(), 1);
    QVERIFY(svc.log.first().contains(QStringLiteral("pwd=***")));
    QVERIFY(!svc.log.first().contains(QStringLiteral("pwd=acme")));
}

QTEST_GUILESS_MAIN(TestService)
#include "tst_service.moc"
