// Record commands, the public-address query and the automatic-resolution list.
#include "platform/QtWebRequest.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "protocol/LoginExchange.h"
#include "service/ServiceFixture.h"
#include "support/Fakes.h"
#include "support/ScriptedHttpServer.h"

#include <QHash>
#include <QTest>

#include <optional>

using namespace pellmarch;
using namespace std::chrono_literals;
using protocol::AutoIPList;
using protocol::DnsClient;

namespace {

const QString kAdd = QStringLiteral("RECORDADD");
const QString kDelete = QStringLiteral("RECORDDELETE");

class RecordingLog final : public protocol::ExchangeLog {
public:
    void record(const protocol::Exchange &exchange) override { entries.append(exchange); }
    QList<protocol::Exchange> entries;
};

// An entry as "kind|domain|type|name|address|outcome|reason", "(refresh)" after the kind when
// the refresh sent it.
QString describe(const protocol::Exchange &e) {
    using protocol::Exchange;
    static const QHash<Exchange::Kind, QString> kinds{{Exchange::Kind::Login, "login"},
                                                      {Exchange::Kind::RecordAdd, "add"},
                                                      {Exchange::Kind::RecordDelete, "delete"},
                                                      {Exchange::Kind::AddressQuery, "query"},
                                                      {Exchange::Kind::Wait, "wait"}};
    static const QHash<Exchange::Result, QString> results{{Exchange::Result::Success, "success"},
                                                          {Exchange::Result::Refused, "refused"},
                                                          {Exchange::Result::NoAnswer, "none"}};
    return QStringList{kinds.value(e.kind) + (e.automatic ? "(refresh)" : ""),
                       e.domain,
                       e.recordType,
                       e.name,
                       e.address,
                       results.value(e.result),
                       e.reason}
        .join('|');
}

// A DnsClient over doubles, logged in as "ann" with password "pw".
struct ClientFixture {
    testing::FakeServices fakes;
    testing::FakeIndicator indicator;
    DnsClient client{fakes.web,    fakes.boxes,
                     indicator,    fakes.user,
                     fakes.autoIP, protocol::Endpoints::allAt(QStringLiteral("dns.example"))};

    ClientFixture() {
        fakes.user.sUsername = QStringLiteral("ann");
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sIPAddress = QStringLiteral("old-address");
        fakes.user.sDomainUserRecords = QStringLiteral("old-list");
    }

    bool send(QString name, const QString &command, bool messages = true, bool autoFlag = false,
              const QString &address = QStringLiteral("1.2.3.4")) {
        return client
            .SendRecordCommand(QStringLiteral("d.test"), name, command, QStringLiteral("A"),
                               address, messages, autoFlag)
            .done();
    }
};

} // namespace

class TestDnsClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandUrlAndRootName();
    void commandOutcomes_data();
    void commandOutcomes();
    void messagesOffShowNothing();
    void textsAreTakenWhenTheCommandStarts();
    void commandFeedsTheAutoList();
    void autoList_data();
    void autoList();
    void autoListWholeKeys();
    void addressQuery_data();
    void addressQuery();
    void reservedCharactersReachTheServiceIntact_data();
    void reservedCharactersReachTheServiceIntact();
    void roundTripAgainstTheService();
    void exchangesAreWrittenDown_data();
    void exchangesAreWrittenDown();
};

void TestDnsClient::commandUrlAndRootName() {
    ClientFixture f;
    f.fakes.web.answer(QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: x</p>"));
    QString name; // empty: the domain itself
    QVERIFY(f.client
                .SendRecordCommand(QStringLiteral("d.test"), name, kAdd, QStringLiteral("A"),
                                   QStringLiteral("1.2.3.4"), true, false)
                .done());
    QCOMPARE(name, QStringLiteral("@"));
    QCOMPARE(f.fakes.web.urls,
             QStringList{QStringLiteral("http://dns.example/dnslogin.asp?FXN=DNSTickler&Usr=ann"
                                        "&Pwd=pw&Cname=@&Domain=d.test&DNSCommand=RECORDADD"
                                        "&RecordType=A&IPAddress=1.2.3.4")});
    QCOMPARE(
        f.fakes.boxes.shown,
        QStringList{QStringLiteral("Transaction Complete:\nIP Set for Name:@ IPAddress:1.2.3.4")});
}

void TestDnsClient::textsAreTakenWhenTheCommandStarts() {
    // The caller hands over the user record's own address; a timer event changes it while the
    // request is on the wire. The command must finish with the address it was asked to send.
    ClientFixture f;
    f.fakes.user.sIPAddress = QStringLiteral("10.0.0.1");
    f.fakes.web.answer(QStringLiteral("<p>SUCCESS</p>"));
    f.fakes.web.duringFetch = [&] {
        f.fakes.user.sIPAddress = QStringLiteral("10.9.9.9");
    };
    QString name = QStringLiteral("www");
    QVERIFY(f.client
                .SendRecordCommand(QStringLiteral("d.test"), name, kAdd, QStringLiteral("A"),
                                   f.fakes.user.sIPAddress, true, true)
                .done());
    QCOMPARE(f.fakes.user.sIPAddress, QStringLiteral("10.0.0.1"));
    QCOMPARE(f.fakes.boxes.shown,
             QStringList{QStringLiteral("Transaction Complete:\nIP Set for Name:www "
                                        "IPAddress:10.0.0.1")});
    QVERIFY(f.fakes.autoIP.isMarked(QStringLiteral("d.test"), QStringLiteral("A"),
                                    QStringLiteral("www"), QStringLiteral("10.0.0.1")));
}

void TestDnsClient::commandOutcomes_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("redBefore");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("records"); // the user record's list afterwards
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<bool>("redAfter");

    const QString done =
        QStringLiteral("Transaction Complete:\nIP Set for Name:www IPAddress:1.2.3.4");
    QTest::newRow("add succeeds") << kAdd << "<p>SUCCESS</p><p>DomainUserRecords: new</p>" << false
                                  << true << "new" << done << false;
    QTest::newRow("SUCCESS inside a longer word")
        << kAdd << "<p>RECORDSUCCESSFUL</p><p>DomainUserRecords: new</p>" << false << true << "new"
        << done << false;
    QTest::newRow("delete succeeds")
        << kDelete << "<p>SUCCESS</p><p>DomainUserRecords: </p>" << false << true << ""
        << "Transaction Complete:\nIP Removed for Name:www IPAddress:1.2.3.4" << false;
    QTest::newRow("success without a list empties it")
        << kAdd << "<p>SUCCESS</p>" << false << true << "" << done << false;
    QTest::newRow("unreadable list keeps the former")
        << kAdd << "<p>SUCCESS</p><p>DomainUserRecords: cut" << false << true << "old-list" << done
        << false;
    QTest::newRow("red turns green on success")
        << kAdd << "<p>SUCCESS</p>" << true << true << "" << done << false;
    QTest::newRow("other command is worded Set")
        << "recorddelete"
        << "<p>SUCCESS</p>" << false << true << "" << done << false;
    QTest::newRow("UNSUCCESSFUL is a failure")
        << kAdd << "<p>UNSUCCESSFUL</p><p>Error: Invalid IP address</p>" << false << false
        << "old-list"
        << "Could not Set IP.  Invalid IP address" << false;
    QTest::newRow("delete fails") << kDelete << "<p>Error: No such record</p>" << false << false
                                  << "old-list"
                                  << "Could not Remove IP.  No such record" << false;
    QTest::newRow("red stays red on a non-empty failure")
        << kAdd << "<p>Error: x</p>" << true << false << "old-list"
        << "Could not Set IP.  x" << true;
    QTest::newRow("unreadable reason shows nothing")
        << kAdd << "<p>Error: cut off" << false << false << "old-list"
        << "" << false;
    QTest::newRow("empty answer turns red") << kAdd << "" << false << false << "old-list"
                                            << "Could not Set IP.  " << true;
    QTest::newRow("garbage") << kAdd << "\x01\x02<html>" << false << false << "old-list"
                             << "Could not Set IP.  " << false;
}

void TestDnsClient::commandOutcomes() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(bool, redBefore);
    QFETCH(bool, success);
    QFETCH(QString, records);
    QFETCH(QString, message);
    QFETCH(bool, redAfter);
    ClientFixture f;
    f.indicator.disconnected = redBefore;
    f.fakes.web.answer(answer);
    QCOMPARE(f.send(QStringLiteral("www"), command), success);
    QCOMPARE(f.fakes.user.sDomainUserRecords, records);
    // A successful delete, too, leaves the command's address as the registered one.
    QCOMPARE(f.fakes.user.sIPAddress,
             success ? QStringLiteral("1.2.3.4") : QStringLiteral("old-address"));
    QCOMPARE(f.fakes.boxes.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.indicator.disconnected, redAfter);
}

void TestDnsClient::messagesOffShowNothing() {
    ClientFixture f;
    f.fakes.web.answer(QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: new</p>"));
    f.fakes.web.answer(QString());
    QVERIFY(f.send(QStringLiteral("www"), kAdd, false));
    QVERIFY(!f.send(QStringLiteral("www"), kAdd, false));
    QVERIFY(f.fakes.boxes.shown.isEmpty());
    QCOMPARE(f.fakes.user.sDomainUserRecords, QStringLiteral("new"));
    QVERIFY(f.indicator.disconnected);
}

void TestDnsClient::commandFeedsTheAutoList() {
    ClientFixture f;
    const QString ok = QStringLiteral("<p>SUCCESS</p>");
    f.fakes.web.answer(ok);
    QVERIFY(f.send(QString(), kAdd, false, true)); // empty name reaches the list as "@"
    QCOMPARE(f.fakes.autoIP.sAutoIPRecords(), QStringLiteral("D.TEST;;A;;@;;1.2.3.4~~"));

    // A failed command never touches the list.
    f.fakes.web.answer(QStringLiteral("<p>Error: no</p>"));
    QVERIFY(!f.send(QStringLiteral("@"), kDelete, false));
    QCOMPARE(f.fakes.autoIP.size(), 1);

    // Nor does a command in own-sub-domain mode.
    f.fakes.user.bVerlundOnly = true;
    f.fakes.web.answer(ok);
    f.fakes.web.answer(ok);
    QVERIFY(f.send(QStringLiteral("@"), kDelete, false));
    QVERIFY(f.send(QStringLiteral("ann"), kAdd, false, true));
    QCOMPARE(f.fakes.autoIP.sAutoIPRecords(), QStringLiteral("D.TEST;;A;;@;;1.2.3.4~~"));

    f.fakes.user.bVerlundOnly = false;
    f.fakes.web.answer(ok);
    QVERIFY(f.send(QStringLiteral("@"), kDelete, false, false));
    QCOMPARE(f.fakes.autoIP.sAutoIPRecords(), QString());
}

struct Command {
    const char *name;
    const char *command;
    const char *address;
    bool autoFlag;
};

void TestDnsClient::autoList_data() {
    QTest::addColumn<QList<Command>>("commands");
    QTest::addColumn<QString>("list");
    QTest::newRow("same record twice leaves one key")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", true},
                          {"www", "RECORDADD", "1.1.1.1", true}}
        << "D.TEST;;A;;WWW;;1.1.1.1~~";
    QTest::newRow("delete removes whatever the flag")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", true},
                          {"www", "RECORDDELETE", "1.1.1.1", false}}
        << "";
    QTest::newRow("add with the flag off keeps the key")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", true},
                          {"www", "RECORDADD", "1.1.1.1", false}}
        << "D.TEST;;A;;WWW;;1.1.1.1~~";
    QTest::newRow("add with the flag off lists nothing")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", false}} << "";
    QTest::newRow("an edit that moves a marked record replaces the key")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", true},
                          {"ftp", "RECORDADD", "1.1.1.1", true},
                          {"www", "RECORDDELETE", "1.1.1.1", true},
                          {"www", "RECORDADD", "2.2.2.2", true}}
        << "D.TEST;;A;;FTP;;1.1.1.1~~D.TEST;;A;;WWW;;2.2.2.2~~";
    QTest::newRow("letter case and spaces make no difference")
        << QList<Command>{{"WWW ", "recordadd", " 1.1.1.1", true},
                          {"www", "RecordDelete", "1.1.1.1", false}}
        << "";
    QTest::newRow("other commands change nothing")
        << QList<Command>{{"www", "RECORDADD", "1.1.1.1", true},
                          {"www", "RECORDMOVE", "1.1.1.1", true}}
        << "D.TEST;;A;;WWW;;1.1.1.1~~";
}

void TestDnsClient::autoList() {
    QFETCH(QList<Command>, commands);
    QFETCH(QString, list);
    AutoIPList autoIP;
    for (const Command &c : commands)
        autoIP.UpdateAutoIPList(QStringLiteral("d.test"), QLatin1String(c.name),
                                QLatin1String(c.command), QStringLiteral("A"),
                                QLatin1String(c.address), c.autoFlag);
    QCOMPARE(autoIP.sAutoIPRecords(), list);
    QCOMPARE(autoIP.isMarked(QStringLiteral("d.test"), QStringLiteral("a"), QStringLiteral("www"),
                             QStringLiteral("1.1.1.1")),
             list.contains(QStringLiteral("WWW;;1.1.1.1")));
}

void TestDnsClient::autoListWholeKeys() {
    // "b.test"'s key stands inside "ab.test"'s; removing one must leave the other whole.
    AutoIPList autoIP;
    for (const char *domain : {"ab.test", "b.test"})
        autoIP.UpdateAutoIPList(QLatin1String(domain), QStringLiteral("www"), kAdd,
                                QStringLiteral("A"), QStringLiteral("1.1.1.1"), true);
    autoIP.UpdateAutoIPList(QStringLiteral("b.test"), QStringLiteral("www"), kDelete,
                            QStringLiteral("A"), QStringLiteral("1.1.1.1"), false);
    QCOMPARE(autoIP.sAutoIPRecords(), QStringLiteral("AB.TEST;;A;;WWW;;1.1.1.1~~"));
    QVERIFY(!autoIP.isMarked(QStringLiteral("b.test"), QStringLiteral("A"), QStringLiteral("www"),
                             QStringLiteral("1.1.1.1")));
    QVERIFY(autoIP.isMarked(QStringLiteral("ab.test"), QStringLiteral("A"), QStringLiteral("www"),
                            QStringLiteral("1.1.1.1")));
}

void TestDnsClient::addressQuery_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("records");
    QTest::addColumn<bool>("redAfter");
    QTest::newRow("success") << "<p>SUCCESS</p><p>IPAddress: 5.6.7.8</p><p>DomainUserRecords: r</p>"
                             << "5.6.7.8"
                             << "r" << false;
    QTest::newRow("success without IPAddress") << "<p>SUCCESS</p>"
                                               << ""
                                               << "" << false;
    QTest::newRow("unreadable address") << "<p>SUCCESS</p><p>DomainUserRecords: r</p>IPAddress: 1"
                                        << ""
                                        << "r" << false;
    QTest::newRow("unreadable list keeps the former")
        << "<p>SUCCESS</p><p>IPAddress: 5.6.7.8</p>DomainUserRecords: r"
        << "5.6.7.8"
        << "old-list" << false;
    QTest::newRow("no SUCCESS, address ignored") << "<p>Error: x</p><p>IPAddress: 5.6.7.8</p>"
                                                 << ""
                                                 << "old-list" << true;
    QTest::newRow("empty answer") << ""
                                  << ""
                                  << "old-list" << true;
    // A service that lays its answer out otherwise, or says something else where the address
    // belongs: nothing is taken for an address that is not one.
    QTest::newRow("longer key first")
        << "<p>GetIPAddress: SUCCESS</p><p>IPAddress: 203.0.113.99</p>"
        << "203.0.113.99"
        << "" << false;
    QTest::newRow("only the longer key")
        << "<p>GetIPAddress: SUCCESS</p><p>DomainUserRecords: r</p>"
        << ""
        << "r" << false;
    for (const char *word : {"<b>unknown</b>", "203.0.113.300", "SUCCESS", "1.2.3.4 5"})
        QTest::addRow("not an address: %s", word)
            << QStringLiteral("<p>SUCCESS</p><p>IPAddress: %1</p>").arg(QLatin1String(word)) << ""
            << "" << false;
}

void TestDnsClient::addressQuery() {
    QFETCH(QString, answer);
    QFETCH(QString, address);
    QFETCH(QString, records);
    QFETCH(bool, redAfter);
    ClientFixture f;
    f.indicator.disconnected = true;
    f.fakes.web.answer(answer);
    QCOMPARE(f.client.QueryPublicAddress(), address);
    QCOMPARE(f.fakes.web.urls, QStringList{QStringLiteral(
                                   "http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=ann")});
    QCOMPARE(f.fakes.user.sDomainUserRecords, records);
    QCOMPARE(f.fakes.user.sIPAddress, QStringLiteral("old-address"));
    QCOMPARE(f.indicator.disconnected, redAfter);
    QVERIFY(f.fakes.boxes.shown.isEmpty());
}

void TestDnsClient::reservedCharactersReachTheServiceIntact_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("key injection") << "a&DNSCommand=RECORDDELETE";
    QTest::newRow("fragment") << "a#b";
    QTest::newRow("escape as text") << "%00";
    QTest::newRow("escaped ampersand as text") << "x%26y";
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("plus") << "a+b";
    QTest::newRow("spaces") << " a  b ";
    QTest::newRow("quotes") << "\"a'b\"";
    QTest::newRow("CR LF") << "a\r\nHost: evil\r\n\r\nGET /";
    QTest::newRow("mixed") << "p&w=d#1+%x y\u00e9";
    QTest::newRow("2,000 characters")
        << QStringLiteral("&DNSCommand=RECORDDELETE#%00%26+ \"'\r\n").repeated(60).left(2000);
}

void TestDnsClient::reservedCharactersReachTheServiceIntact() {
    // Every value reaches the service exactly as given, whatever it holds; the record command and
    // the login go through the real web request to a server that records what it received.
    QFETCH(QString, text);
    testing::ScriptedHttpServer server;
    server.script = [](const testing::ScriptedHttpServer::Request &) {
        return testing::ScriptedHttpServer::Reply::answer(
            "<p>DNS LOGIN: SUCCESS</p><p>SUCCESS</p>");
    };
    platform::QtWebRequest web(5s);
    testing::FakeServices fakes;
    testing::FakeIndicator indicator;
    fakes.user.sUsername = QStringLiteral("u") + text;
    fakes.user.sPassword = QStringLiteral("p") + text;
    const auto endpoints = protocol::Endpoints::allAt(server.host());
    DnsClient client(web, fakes.boxes, indicator, fakes.user, fakes.autoIP, endpoints);
    QString name = QStringLiteral("n") + text;
    QVERIFY(client
                .SendRecordCommand(QStringLiteral("d") + text, name, kAdd,
                                   QStringLiteral("t") + text, QStringLiteral("i") + text, false,
                                   false)
                .done());
    QCOMPARE(name, QStringLiteral("n") + text);
    QCOMPARE(protocol::RunLoginExchange(web, endpoints, fakes.user, QStringLiteral("U") + text,
                                        QStringLiteral("P") + text),
             protocol::LoginOutcome::Accepted);

    using Items = QList<QPair<QString, QString>>;
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(server.requests.at(0).items, (Items{{"FXN", "DNSTickler"},
                                                 {"Usr", "u" + text},
                                                 {"Pwd", "p" + text},
                                                 {"Cname", "n" + text},
                                                 {"Domain", "d" + text},
                                                 {"DNSCommand", "RECORDADD"},
                                                 {"RecordType", "t" + text},
                                                 {"IPAddress", "i" + text}}));
    QCOMPARE(server.requests.at(1).items,
             (Items{{"fxn", "login"}, {"usr", "U" + text}, {"pwd", "P" + text}}));
}

void TestDnsClient::roundTripAgainstTheService() {
    testing::ServiceFixture svc;
    platform::QtWebRequest web(5s);
    testing::FakeServices fakes;
    testing::FakeIndicator indicator;
    fakes.user.sUsername = QStringLiteral("acme");
    fakes.user.sPassword = QStringLiteral("acme");
    DnsClient client(web, fakes.boxes, indicator, fakes.user, fakes.autoIP,
                     protocol::Endpoints::allAt(svc.host()));
    QString name = QStringLiteral("ftp");
    QVERIFY(client
                .SendRecordCommand(QStringLiteral("acme.test"), name, kAdd, QStringLiteral("A"),
                                   QStringLiteral("203.0.113.77"), false, true)
                .done());
    QVERIFY(
        fakes.user.sDomainUserRecords.contains(QStringLiteral("acme.test;;A;;ftp;;203.0.113.77")));
    QVERIFY(fakes.autoIP.isMarked(QStringLiteral("acme.test"), QStringLiteral("A"), name,
                                  QStringLiteral("203.0.113.77")));

    svc.store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.99"));
    QCOMPARE(client.QueryPublicAddress(), QStringLiteral("198.51.100.99"));
    QVERIFY(!svc.log.last().contains(QStringLiteral("Pwd"), Qt::CaseInsensitive));

    QVERIFY(client
                .SendRecordCommand(QStringLiteral("acme.test"), name, kDelete, QStringLiteral("A"),
                                   QStringLiteral("203.0.113.77"), true, true)
                .done());
    QVERIFY(!fakes.user.sDomainUserRecords.contains(QStringLiteral(";;ftp;;")));
    QVERIFY(!client
                 .SendRecordCommand(QStringLiteral("acme.test"), name, kDelete, QStringLiteral("A"),
                                    QStringLiteral("203.0.113.77"), true, true)
                 .done());
    QCOMPARE(fakes.boxes.shown.last(), QStringLiteral("Could not Remove IP.  No such record"));
    QVERIFY(!indicator.disconnected);
}

void TestDnsClient::exchangesAreWrittenDown_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("answer"); // "(none)": no answer at all
    QTest::addColumn<QString>("written");
    const QString secret = QStringLiteral("s3 cr%t");
    QTest::newRow("add") << "add"
                         << "pw"
                         << "<p>SUCCESS</p><p>DomainUserRecords: </p>"
                         << "add|d.test|A|www|1.2.3.4|success|";
    QTest::newRow("delete of the refresh, refused")
        << "delete(refresh)"
        << "pw"
        << "<p>FAILURE</p><p>Error: Record is locked</p>"
        << "delete(refresh)|d.test|A|www|1.2.3.4|refused|Record is locked";
    QTest::newRow("add, no answer") << "add"
                                    << "pw"
                                    << "(none)"
                                    << "add|d.test|A|www|1.2.3.4|none|";
    // A gateway's page is no refusal of the service's: the add may have been carried out.
    QTest::newRow("add, a gateway's page") << "add"
                                           << "pw"
                                           << "<html><h1>504 Gateway Time-out</h1></html>"
                                           << "add|d.test|A|www|1.2.3.4|none|";
    QTest::newRow("add, refused quoting the password")
        << "add" << secret << "<p>FAILURE</p><p>Error: Pwd=s3%20cr%25t (s3 cr%t) not allowed</p>"
        << "add|d.test|A|www|1.2.3.4|refused|Pwd=******** (********) not allowed";
    QTest::newRow("add, refused quoting the password as a page and a form would")
        << "add"
        << "a&b<c d"
        << "<p>FAILURE</p><p>Error: a&amp;b&lt;c d, a%26b%3Cc+d, a%26b%3cc%20d refused</p>"
        << "add|d.test|A|www|1.2.3.4|refused|********, ********, ******** refused";
    QTest::newRow("address query") << "query(refresh)"
                                   << "pw"
                                   << "<p>SUCCESS</p><p>IPAddress: 203.0.113.9</p>"
                                   << "query(refresh)|||ann|203.0.113.9|success|";
    QTest::newRow("address query, no address in it") << "query"
                                                     << "pw"
                                                     << "<p>SUCCESS</p><p>IPAddress: unknown</p>"
                                                     << "query|||ann||success|";
    QTest::newRow("login") << "login"
                           << "pw"
                           << "<p>DNS LOGIN: SUCCESS</p><p>IPAddress: 203.0.113.5</p>"
                           << "login|||ann|203.0.113.5|success|";
    QTest::newRow("login refused quoting the password")
        << "login" << secret << "<p>DNS LOGIN: FAILURE</p><p>Error: Wrong s3 cr%t</p>"
        << "login|||ann||refused|Wrong ********";
    QTest::newRow("login, no answer") << "login" << secret << "(none)"
                                      << "login|||ann||none|";
    // A service that answers with pages of a reason leaves one line of it in the history.
    QTest::newRow("login refused at length")
        << "login"
        << "pw"
        << "<p>DNS LOGIN: FAILURE</p><p>Error: " + QString(600, QLatin1Char('x')) + "</p>"
        << "login|||ann||refused|" + QString(500, QLatin1Char('x'));
}

void TestDnsClient::exchangesAreWrittenDown() {
    QFETCH(QString, request);
    QFETCH(QString, password);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    testing::FakeServices fakes;
    testing::FakeIndicator indicator;
    RecordingLog log;
    DnsClient client{fakes.web,    fakes.boxes,
                     indicator,    fakes.user,
                     fakes.autoIP, protocol::Endpoints::allAt(QStringLiteral("dns.example")),
                     log};
    fakes.user.sUsername = QStringLiteral("ann");
    fakes.user.sPassword = password;
    if (answer == QLatin1String("(none)"))
        fakes.web.fail();
    else
        fakes.web.answer(answer);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    {
        std::optional<DnsClient::Automatic> byTheRefresh;
        if (request.endsWith(QLatin1String("(refresh)")))
            byTheRefresh.emplace(client);
        QString name = QStringLiteral("www");
        if (request.startsWith(QLatin1String("add")) || request.startsWith(QLatin1String("delete")))
            client.SendRecordCommand(QStringLiteral("d.test"), name,
                                     request.startsWith(QLatin1String("add")) ? kAdd : kDelete,
                                     QStringLiteral("A"), QStringLiteral("1.2.3.4"), false, false);
        else if (request.startsWith(QLatin1String("query")))
            client.QueryPublicAddress();
        else
            protocol::RunLoginExchange(fakes.web,
                                       protocol::Endpoints::allAt(QStringLiteral("dns.example")),
                                       fakes.user, QStringLiteral("ann"), password, log);
    }
    QCOMPARE(log.entries.size(), 1);
    QCOMPARE(describe(log.entries.first()), written);
    QVERIFY(log.entries.first().time >= before.addSecs(-1) &&
            log.entries.first().time <= QDateTime::currentDateTimeUtc());
    // The refresh's mark ends with its scope.
    fakes.web.answer(QStringLiteral("<p>SUCCESS</p>"));
    client.QueryPublicAddress();
    QVERIFY(!log.entries.last().automatic);
}

QTEST_GUILESS_MAIN(TestDnsClient)
#include "tst_dnsclient.moc"
