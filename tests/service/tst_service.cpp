// The stand-in service over HTTP, reached through the client's own web request.
#include "platform/QtWebRequest.h"
#include "protocol/AnswerText.h"
#include "protocol/Endpoints.h"
#include "protocol/Queries.h"
#include "protocol/RecordList.h"
#include "service/ServiceFixture.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTest>

#include <QThread>
#include <sys/stat.h>

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
    void logMasksThePassword_data();
    void logMasksThePassword();
    void logShowsEscapesAsText_data();
    void logShowsEscapesAsText();
    void refusedCommands_data();
    void refusedCommands();
    void addListDeleteRoundTrip();
    void oldDatabaseIsMigrated();
    void ownHostName();
    void ownHostNameHasOneAddress();
    void addressQueryAndOverride();
    void concurrentClientsLoseNoWrite();
    void concurrentConnectionsLoseNoWrite();
    void ipv4Form_data();
    void ipv4Form();
    void subscribersPasswordsStayPrivate_data();
    void subscribersPasswordsStayPrivate();
};

namespace {

struct Tickle {
    QString user, password, name, domain, command, type, address;
};

QString send(platform::WebRequest &web, const QString &host, const Tickle &t) {
    return web
        .fetch(protocol::Endpoints::allAt(host).serviceUrl(protocol::RecordCommandQuery(
            t.user, t.password, t.name, t.domain, t.command, t.type, t.address)))
        .body;
}

Tickle acmeAdd(const QString &name, const QString &address = QStringLiteral("203.0.113.5")) {
    return {
        QStringLiteral("acme"),      QStringLiteral("acme"), name,   QStringLiteral("acme.test"),
        QStringLiteral("RECORDADD"), QStringLiteral("A"),    address};
}

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

void TestService::logMasksThePassword_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << "acme";
    QTest::newRow("ampersand") << "s3c&ret";
    QTest::newRow("escape as text") << "s3c%26ret";
    QTest::newRow("plus") << "s3c+ret";
    QTest::newRow("spaces") << "s3c ret  x";
    QTest::newRow("a query of its own") << "x&pwd=s3cret&Pwd=%2B";
}

void TestService::logMasksThePassword() {
    // Neither the login nor a record command leaves the password in the log, as typed or as it
    // travelled.
    QFETCH(QString, password);
    testing::ServiceFixture svc;
    svc.store.putSubscriber({QStringLiteral("ann"),
                             password,
                             QStringLiteral("Ann"),
                             {},
                             QStringLiteral("ann.test"),
                             QStringLiteral("A"),
                             {},
                             {}});
    platform::QtWebRequest web(5s);
    const protocol::Endpoints endpoints = protocol::Endpoints::allAt(svc.host());
    const QString login =
        web.fetch(endpoints.serviceUrl(protocol::LoginQuery(QStringLiteral("ann"), password))).body;
    QCOMPARE(field(login, "DNS LOGIN:"), QStringLiteral("SUCCESS"));
    const Tickle add{QStringLiteral("ann"),        password,
                     QStringLiteral("www"),        QStringLiteral("ann.test"),
                     QStringLiteral("RECORDADD"),  QStringLiteral("A"),
                     QStringLiteral("203.0.113.5")};
    QVERIFY(send(web, svc.host(), add).contains(QStringLiteral("SUCCESS")));

    // The key written with an escape is still the password's key, and the service reads it so.
    const QString escapedKey = web.fetch(QStringLiteral("http://") + svc.host() +
                                         QStringLiteral("/dnslogin.asp?fxn=login&usr=ann&p%77D=") +
                                         protocol::EncodeQueryValue(password))
                                   .body;
    QCOMPARE(field(escapedKey, "DNS LOGIN:"), QStringLiteral("SUCCESS"));

    QCOMPARE(svc.log.size(), 3);
    QVERIFY2(svc.log.at(2).contains(QStringLiteral("&pwD=*** ")), qPrintable(svc.log.at(2)));
    QVERIFY2(svc.log.at(0).contains(QStringLiteral("&pwd=*** ")), qPrintable(svc.log.at(0)));
    QVERIFY2(svc.log.at(1).contains(QStringLiteral("&Pwd=***&Cname=www")),
             qPrintable(svc.log.at(1)));
    for (const QString &line : svc.log) {
        for (const QString &form :
             {password, protocol::EncodeQueryValue(password),
              QString::fromLatin1(QUrl::toPercentEncoding(password)), QStringLiteral("s3c")})
            QVERIFY2(!line.contains(form), qPrintable(line));
    }
}

void TestService::logShowsEscapesAsText_data() {
    QTest::addColumn<QString>("user"); // as it goes out on the wire
    QTest::newRow("NUL escape") << "demo%00";
    QTest::newRow("control-character escapes") << "demo%01%02";
    QTest::newRow("escaped placeholders") << "x%251%252%253";
}

void TestService::logShowsEscapesAsText() {
    QFETCH(QString, user);
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const auto answer = web.fetch(QStringLiteral("http://") + svc.host() +
                                  QStringLiteral("/dnslogin.asp?fxn=GetIPAddress&Usr=") + user +
                                  QStringLiteral("&Pwd=%251"));
    QVERIFY(!answer.failed);
    QCOMPARE(svc.log.size(), 1);
    QCOMPARE(svc.log.first(), QStringLiteral("GET /dnslogin.asp?fxn=GetIPAddress&Usr=") + user +
                                  QStringLiteral("&Pwd=*** from 127.0.0.1 -> ") +
                                  QString::number(answer.body.toUtf8().size()) +
                                  QStringLiteral(" bytes"));
}

void TestService::refusedCommands_data() {
    QTest::addColumn<Tickle>("command");
    QTest::addColumn<QString>("reason");
    Tickle t = acmeAdd(QStringLiteral("www2"));
    Tickle bad = t;
    bad.password = QStringLiteral("nope");
    QTest::newRow("bad password") << bad << "Invalid user name or password";
    bad = t;
    bad.domain = QStringLiteral("other.test");
    QTest::newRow("foreign domain") << bad << "The domain is not one of yours";
    bad.domain = QStringLiteral("test"); // a suffix of his own domain is not his
    QTest::newRow("suffix of an own domain") << bad << "The domain is not one of yours";
    // Only ASCII letters match in either case, as in the database: "acme.te\u017Ft" (long s)
    // would be stored under a domain that no list shows and no delete reaches.
    bad.domain = QStringLiteral("acme.te\u017Ft");
    QTest::newRow("own domain with a long s") << bad << "The domain is not one of yours";
    bad = t;
    bad.type = QStringLiteral("AAAA");
    QTest::newRow("type not allowed") << bad << "The record type is not allowed";
    for (const char *address :
         {"203.0.113", "203.0.113.256", "1.2.3.4.5", "01.2.3.4", "a.b.c.d", "", " "}) {
        bad = t;
        bad.address = QLatin1String(address);
        QTest::addRow("bad IPv4 '%s'", address) << bad << "Invalid IP address";
    }
    for (const char *name : {"a b", "a&b", "caf\u00e9", "", "-", "a..b"}) {
        bad = t;
        bad.name = QString::fromUtf8(name);
        QTest::addRow("bad name '%s'", name) << bad << "Invalid name";
    }
    // Values that would forge or break the record list ("~~" between records, ";;" between
    // fields) or end the answer's value early ("<").
    Tickle txt = t;
    txt.type = QStringLiteral("TXT");
    txt.name = QStringLiteral("www");
    for (const char *address : {"x~~evil.test;;A;;www;;6.6.6.6", "v=1;;k", "a<b",
                                "x</p><p>Result:SUCCESS", "x~", "~x", ";x", "x;", "a>b"}) {
        bad = txt;
        bad.address = QLatin1String(address);
        QTest::addRow("address '%s'", address) << bad << "Invalid characters in the record";
    }
    for (const char *address : {"a\tb", "a\x7f", "\x1b[2J"}) {
        bad = txt;
        bad.address = QLatin1String(address);
        QTest::addRow("address %s", QUrl::toPercentEncoding(bad.address).constData())
            << bad << "Invalid address";
    }
    bad = txt;
    bad.address = QString(256, QLatin1Char('t'));
    QTest::newRow("text of 256 characters") << bad << "A value of the record is too long";
    bad.address.chop(1);
    bad.name = QString(256, QLatin1Char('n'));
    QTest::newRow("name of 256 characters") << bad << "A value of the record is too long";
    bad = txt;
    bad.command = QStringLiteral("RECORDDELETE");
    bad.address = QStringLiteral("x~~evil.test;;A;;www;;6.6.6.6");
    QTest::newRow("delete with a forged list") << bad << "Invalid characters in the record";
    bad = txt;
    bad.name = QStringLiteral("www~~evil.test");
    QTest::newRow("name with a record separator") << bad << "Invalid characters in the record";
    bad = txt;
    bad.domain = QStringLiteral("acme.test;;A");
    QTest::newRow("domain with a field separator") << bad << "Invalid characters in the record";
    bad = txt;
    bad.type = QStringLiteral("TXT;;");
    QTest::newRow("type with a field separator") << bad << "Invalid characters in the record";
    bad = t;
    bad.command = QStringLiteral("RECORDMOVE");
    QTest::newRow("unknown command") << bad << "Unknown DNS command";
    bad = t;
    bad.domain = QStringLiteral("dyn.verlund.test");
    bad.name = QStringLiteral("acme");
    QTest::newRow("service sub-domain without an own host name")
        << bad << "The domain is not one of yours";
    bad = {QStringLiteral("demo"),         QStringLiteral("demo"),
           QStringLiteral("someone-else"), QStringLiteral("dyn.verlund.test"),
           QStringLiteral("RECORDADD"),    QStringLiteral("A"),
           QStringLiteral("198.51.100.1")};
    QTest::newRow("another subscriber's host name") << bad << "The domain is not one of yours";
    bad.name = QStringLiteral("demo");
    bad.type = QStringLiteral("MX");
    QTest::newRow("own host name is an A record") << bad << "The record type is not allowed";
}

void TestService::refusedCommands() {
    QFETCH(Tickle, command);
    QFETCH(QString, reason);
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const QString answer = send(web, svc.host(), command);
    QVERIFY2(!answer.contains(QStringLiteral("SUCCESS")), qPrintable(answer));
    QCOMPARE(field(answer, "Error:"), reason);
    const auto acme = svc.store.subscriber(QStringLiteral("acme"));
    QCOMPARE(svc.store.records(*acme).size(), 4);
}

void TestService::addListDeleteRoundTrip() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const QString added = send(web, svc.host(), acmeAdd(QStringLiteral("ftp")));
    QVERIFY(protocol::IsSuccessAnswer(added));
    QVERIFY(field(added, "DomainUserRecords:")
                .endsWith(QStringLiteral("~~acme.test;;A;;ftp;;203.0.113.5")));

    // Adding an existing record succeeds without a duplicate, whatever its letter case.
    Tickle again = acmeAdd(QStringLiteral("FTP"));
    again.domain = QStringLiteral("ACME.test");
    const QString twice = send(web, svc.host(), again);
    QVERIFY(protocol::IsSuccessAnswer(twice));
    QCOMPARE(field(twice, "DomainUserRecords:").count(QStringLiteral(";;ftp;;")), 1);

    Tickle remove = acmeAdd(QStringLiteral("ftp"));
    remove.command = QStringLiteral("RECORDDELETE");
    const QString removed = send(web, svc.host(), remove);
    QVERIFY(protocol::IsSuccessAnswer(removed));
    QVERIFY(!field(removed, "DomainUserRecords:").contains(QStringLiteral(";;ftp;;")));

    const QString missing = send(web, svc.host(), remove);
    QVERIFY(!protocol::IsSuccessAnswer(missing));
    QCOMPARE(field(missing, "Error:"), QStringLiteral("No such record"));

    // Other record types take other addresses; the root record is "@".
    Tickle mx = acmeAdd(QStringLiteral("@"), QStringLiteral("mail.acme.test"));
    mx.type = QStringLiteral("MX");
    QVERIFY(protocol::IsSuccessAnswer(send(web, svc.host(), mx)));

    // A text value is kept and matched exactly as sent: letter case is part of it.
    Tickle txt = acmeAdd(QStringLiteral("@"), QStringLiteral("p=AbC"));
    txt.type = QStringLiteral("TXT");
    send(web, svc.host(), txt);
    txt.address = QStringLiteral("p=abc");
    send(web, svc.host(), txt);
    txt.command = QStringLiteral("RECORDDELETE");
    txt.address = QStringLiteral("P=ABC");
    QCOMPARE(field(send(web, svc.host(), txt), "Error:"), QStringLiteral("No such record"));
    QVERIFY(protocol::JoinRecordList(svc.store.records(*svc.store.subscriber("acme")))
                .endsWith(QStringLiteral("~~acme.test;;TXT;;@;;p=AbC~~acme.test;;TXT;;@;;p=abc")));
}

void TestService::oldDatabaseIsMigrated() {
    // A database of an earlier version, whose record values ignored letter case.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("service.db"));
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
        old.setDatabaseName(path);
        QVERIFY(old.open());
        QVERIFY(QSqlQuery(old).exec("CREATE TABLE records (id INTEGER PRIMARY KEY,"
                                    " domain TEXT NOT NULL COLLATE NOCASE,"
                                    " record_type TEXT NOT NULL COLLATE NOCASE,"
                                    " name TEXT NOT NULL COLLATE NOCASE,"
                                    " address TEXT NOT NULL COLLATE NOCASE,"
                                    " UNIQUE (domain, record_type, name, address))"));
        QVERIFY(QSqlQuery(old).exec("INSERT INTO records VALUES (9, 'acme.test', 'TXT', '@',"
                                    " 'p=AbC'), (4, 'acme.test', 'A', 'www', '203.0.113.10')"));
    }
    QSqlDatabase::removeDatabase("old");
    verlund::ServiceStore store(path);
    QVERIFY(store.open());
    QVERIFY(store.putSubscriber({"acme", "acme", {}, {}, "acme.test", "A,TXT", {}, {}}));
    QCOMPARE(store.addRecord({"acme.test", "TXT", "@", "p=abc"}),
             verlund::ServiceStore::Change::Done);
    QCOMPARE(protocol::JoinRecordList(store.records(*store.subscriber("acme"))),
             QStringLiteral("acme.test;;A;;www;;203.0.113.10~~acme.test;;TXT;;@;;p=AbC~~"
                            "acme.test;;TXT;;@;;p=abc"));
}

void TestService::ownHostName() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    Tickle own{QStringLiteral("demo"),        QStringLiteral("demo"),
               QStringLiteral("demo"),        QStringLiteral("dyn.verlund.test"),
               QStringLiteral("RECORDADD"),   QStringLiteral("A"),
               QStringLiteral("198.51.100.1")};
    QCOMPARE(field(send(web, svc.host(), own), "DomainUserRecords:"),
             QStringLiteral("dyn.verlund.test;;A;;demo;;198.51.100.1"));
    // Another subscriber's list does not show it.
    const auto acme = svc.store.subscriber(QStringLiteral("acme"));
    QCOMPARE(svc.store.records(*acme).size(), 4);
}

void TestService::ownHostNameHasOneAddress() {
    // The client's own sequences: park on close (add the parking address while the real one is
    // still there), unpark at start (delete parking, add real), follow an address change (delete
    // old, add new).
    struct Step {
        const char *command, *address, *error, *list;
    };
    static constexpr Step kSteps[] = {
        {"RECORDADD", "198.51.100.1", "", "dyn.verlund.test;;A;;demo;;198.51.100.1"},
        {"RECORDADD", "198.51.100.1", "", "dyn.verlund.test;;A;;demo;;198.51.100.1"},
        {"RECORDADD", "192.0.2.250", "", "dyn.verlund.test;;A;;demo;;192.0.2.250"},
        {"RECORDDELETE", "198.51.100.1", "No such record", nullptr},
        {"RECORDDELETE", "192.0.2.250", "", ""},
        {"RECORDADD", "198.51.100.1", "", "dyn.verlund.test;;A;;demo;;198.51.100.1"},
        {"RECORDDELETE", "198.51.100.1", "", ""},
        {"RECORDADD", "198.51.100.2", "", "dyn.verlund.test;;A;;demo;;198.51.100.2"},
    };
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const auto demo = *svc.store.subscriber(QStringLiteral("demo"));
    QString expected;
    for (const Step &step : kSteps) {
        const QString answer =
            send(web, svc.host(),
                 {QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("demo"),
                  QStringLiteral("dyn.verlund.test"), QLatin1String(step.command),
                  QStringLiteral("A"), QLatin1String(step.address)});
        const QString what = QLatin1String(step.command) + QLatin1Char(' ') +
                             QLatin1String(step.address) + QStringLiteral(": ") + answer;
        QCOMPARE(field(answer, "Error:"), QLatin1String(step.error));
        if (step.list) {
            expected = QLatin1String(step.list);
            QVERIFY2(protocol::IsSuccessAnswer(answer), qPrintable(what));
            QCOMPARE(field(answer, "DomainUserRecords:"), expected);
        } else {
            QVERIFY2(!answer.contains(QStringLiteral("SUCCESS")), qPrintable(what));
        }
        QCOMPARE(protocol::JoinRecordList(svc.store.records(demo)), expected);
    }

    // Records in a subscriber's own domains keep several addresses per name.
    platform::QtWebRequest acmeWeb(5s);
    QVERIFY(protocol::IsSuccessAnswer(
        send(acmeWeb, svc.host(), acmeAdd(QStringLiteral("www"), QStringLiteral("203.0.113.11")))));
    const QString acmeList =
        protocol::JoinRecordList(svc.store.records(*svc.store.subscriber(QStringLiteral("acme"))));
    QVERIFY2(acmeList.contains(QStringLiteral("acme.test;;A;;www;;203.0.113.10~~")) &&
                 acmeList.endsWith(QStringLiteral("~~acme.test;;A;;www;;203.0.113.11")),
             qPrintable(acmeList));
}

void TestService::addressQueryAndOverride() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    const protocol::Endpoints endpoints = protocol::Endpoints::allAt(svc.host());
    const auto query = [&] {
        return web.fetch(endpoints.serviceUrl(protocol::AddressQuery(QStringLiteral("acme")))).body;
    };
    QCOMPARE(field(query(), "IPAddress:"), QStringLiteral("127.0.0.1"));
    QVERIFY(field(query(), "DomainUserRecords:").contains(QStringLiteral("acme.test;;MX;;mail")));
    QVERIFY(svc.store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.4")));
    QCOMPARE(field(query(), "IPAddress:"), QStringLiteral("198.51.100.4"));
    QVERIFY(svc.store.setAddressOverride(QStringLiteral("acme"), QString()));
    QCOMPARE(field(query(), "IPAddress:"), QStringLiteral("127.0.0.1"));
    QVERIFY(!svc.store.setAddressOverride(QStringLiteral("nobody"), QStringLiteral("1.1.1.1")));

    const QString unknown =
        web.fetch(endpoints.serviceUrl(protocol::AddressQuery(QStringLiteral("nobody")))).body;
    QVERIFY(!protocol::IsSuccessAnswer(unknown));
}

void TestService::concurrentClientsLoseNoWrite() {
    testing::ServiceFixture svc;
    constexpr int kEach = 20;
    QAtomicInt succeeded = 0;
    QList<QThread *> clients;
    for (const char *prefix : {"left", "right"}) {
        clients.append(QThread::create([&, prefix] {
            platform::QtWebRequest web(10s);
            for (int i = 0; i < kEach; ++i)
                if (protocol::IsSuccessAnswer(
                        send(web, svc.host(),
                             acmeAdd(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i)))))
                    succeeded.fetchAndAddRelaxed(1);
        }));
    }
    for (QThread *t : clients)
        t->start();
    QTRY_VERIFY_WITH_TIMEOUT(clients.at(0)->isFinished() && clients.at(1)->isFinished(), 60000);
    qDeleteAll(clients);
    QCOMPARE(succeeded.loadRelaxed(), 2 * kEach);
    QCOMPARE(svc.store.records(*svc.store.subscriber(QStringLiteral("acme"))).size(),
             4 + 2 * kEach);
}

void TestService::concurrentConnectionsLoseNoWrite() {
    // Two service processes on one database: each has its own connection.
    testing::ServiceFixture svc;
    const QString path = svc.dir.filePath(QStringLiteral("service.db"));
    constexpr int kEach = 50;
    QAtomicInt failed = 0;
    QList<QThread *> writers;
    for (const char *prefix : {"p", "q"}) {
        writers.append(QThread::create([&, prefix] {
            verlund::ServiceStore store(path);
            if (!store.open()) {
                failed.fetchAndAddRelaxed(kEach);
                return;
            }
            for (int i = 0; i < kEach; ++i) {
                const verlund::DnsRecord r{QStringLiteral("acme.test"), QStringLiteral("A"),
                                           QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i),
                                           QStringLiteral("203.0.113.9")};
                if (store.addRecord(r) != verlund::ServiceStore::Change::Done)
                    failed.fetchAndAddRelaxed(1);
            }
        }));
    }
    for (QThread *t : writers)
        t->start();
    for (QThread *t : writers)
        QVERIFY(t->wait(60000));
    qDeleteAll(writers);
    QCOMPARE(failed.loadRelaxed(), 0);
    QCOMPARE(svc.store.records(*svc.store.subscriber(QStringLiteral("acme"))).size(),
             4 + 2 * kEach);
}

void TestService::ipv4Form_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.0.2.1" << true;
    QTest::newRow("zeros") << "0.0.0.0" << true;
    QTest::newRow("top") << "255.255.255.255" << true;
    QTest::newRow("256") << "256.1.1.1" << false;
    QTest::newRow("leading zero") << "1.02.3.4" << false;
    QTest::newRow("short") << "1.2.3" << false;
    QTest::newRow("trailing dot") << "1.2.3.4." << false;
    QTest::newRow("IPv6") << "::1" << false;
    QTest::newRow("single number") << "16909060" << false;
    // What a misbehaving service may say where an address belongs.
    QTest::newRow("word") << "SUCCESS" << false;
    QTest::newRow("markup") << "<b>unknown</b>" << false;
    QTest::newRow("300") << "203.0.113.300" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("spaces around") << " 1.2.3.4 " << false;
    QTest::newRow("four digits") << "1234.1.1.1" << false;
    QTest::newRow("empty part") << "1..3.4" << false;
    QTest::newRow("sign") << "+1.2.3.4" << false;
    QTest::newRow("other digits") << "\u0661.2.3.4" << false;
}

void TestService::ipv4Form() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(verlund::IsIPv4Address(text), valid);
}

QTEST_GUILESS_MAIN(TestService)
#include "tst_service.moc"

void TestService::subscribersPasswordsStayPrivate_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("oldReadableFile");
    QTest::addColumn<QString>("stored"); // empty: the command fails, nothing is stored
    const QStringList none;
    QTest::newRow("standard input") << QByteArray("s3cret pw\n") << none << false << "s3cret pw";
    QTest::newRow("a file") << QByteArray() << QStringList{"--password-file", "pw.txt"} << false
                            << "from the file";
    QTest::newRow("an older database readable by all")
        << QByteArray("s3cret\r\n") << none << true << "s3cret";
    QTest::newRow("on the command line")
        << QByteArray("s3cret\n") << QStringList{"--password", "s3cret"} << false << "";
    QTest::newRow("nothing given") << QByteArray() << none << false << "";
    QTest::newRow("a missing file")
        << QByteArray("s3cret\n") << QStringList{"--password-file", "none.txt"} << false << "";
}

void TestService::subscribersPasswordsStayPrivate() {
    QFETCH(QByteArray, input);
    QFETCH(QStringList, arguments);
    QFETCH(bool, oldReadableFile);
    QFETCH(QString, stored);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("service.db"));
    QFile file(dir.filePath(QStringLiteral("pw.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("from the file\nsecond line\n");
    file.close();
    if (oldReadableFile) {
        verlund::ServiceStore old(db);
        QVERIFY(old.open());
        QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::ReadOther));
    }

    QProcess service;
    service.setWorkingDirectory(dir.path());
    service.start(QStringLiteral(VERLUND_SERVICE_PROGRAM),
                  QStringList{"add-subscriber", "--db", db, "--user", "ann"} + arguments);
    QVERIFY(service.waitForStarted());
    service.write(input);
    service.closeWriteChannel();
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitCode() == 0, !stored.isEmpty());

    // Readable by its owner only, and so are the files SQLite keeps beside it while it is open.
    verlund::ServiceStore store(db);
    QVERIFY(store.open());
    QVERIFY(store.putSubscriber({"bob", "pw", {}, {}, {}, {}, {}, {}}));
    for (const char *suffix : {"", "-wal", "-shm"}) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(db + QLatin1String(suffix)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }
    const auto ann = store.subscriber(QStringLiteral("ann"));
    QCOMPARE(ann ? ann->password : QString(), stored);
}
