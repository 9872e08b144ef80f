// Answer conventions: field extraction, trimming, lists, success, queries, the indicator rule.
#include "protocol/AnswerText.h"
#include "protocol/ConnectionIndicator.h"
#include "protocol/Endpoints.h"
#include "protocol/Queries.h"
#include "protocol/RecordList.h"
#include "protocol/SplitList.h"
#include "support/Fakes.h"

#include <QComboBox>
#include <QTest>

using namespace pellmarch::protocol;

class TestAnswerText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void getField_data();
    void getField();
    void getFieldFailsWithoutParagraphEnd();
    void nullTrimDropsOnlySpaces();
    void splitList_data();
    void splitList();
    void success_data();
    void success();
    void recordList_data();
    void recordList();
    void queries();
    void encodingLeavesOrdinaryValuesAlone();
    void indicator_data();
    void indicator();
};

void TestAnswerText::getField_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "<p>IPAddress: 1.2.3.4</p>"
                           << "IPAddress:"
                           << "1.2.3.4";
    QTest::newRow("missing key") << "<p>Other: x</p>"
                                 << "IPAddress:"
                                 << "";
    QTest::newRow("key right before </p") << "<p>SubDomain:</p>"
                                          << "SubDomain:"
                                          << "";
    QTest::newRow("first occurrence wins") << "<p>Error: one</p><p>Error: two</p>"
                                           << "Error:"
                                           << "one";
    QTest::newRow("markup inside the value") << "<p>Error: <b>bad</b> name</p>"
                                             << "Error:"
                                             << "<b>bad</b> name";
    QTest::newRow("spaces trimmed") << "<p>FirstName:   Ada  </p>"
                                    << "FirstName:"
                                    << "Ada";
    QTest::newRow("line break kept") << "<p>FirstName: Ada\n</p>"
                                     << "FirstName:"
                                     << "Ada\n";
    QTest::newRow("tab kept") << "<p>FirstName:\tAda</p>"
                              << "FirstName:"
                              << "\tAda";
    QTest::newRow("keys are case-sensitive") << "<p>ipaddress: 1.2.3.4</p>"
                                             << "IPAddress:"
                                             << "";
    QTest::newRow("ends at </p without >") << "<p>X: a</pre> b</p>"
                                           << "X:"
                                           << "a";
    QTest::newRow("empty answer") << ""
                                  << "X:"
                                  << "";
    // Keys are read whole: never as the tail of a longer key.
    QTest::newRow("tail of a longer key skipped")
        << "<p>GetIPAddress: SUCCESS</p><p>IPAddress: 203.0.113.9</p>"
        << "IPAddress:"
        << "203.0.113.9";
    QTest::newRow("only inside a longer key") << "<p>GetIPAddress: SUCCESS</p>"
                                              << "IPAddress:"
                                              << "";
    QTest::newRow("after a digit") << "<p>2Error: x</p>"
                                   << "Error:"
                                   << "";
    QTest::newRow("after a letter beyond the basic plane")
        << QString::fromUtf8("<p>\U0001D400Error: x</p><p>Error: y</p>") << "Error:"
        << "y";
    QTest::newRow("at the very start") << "IPAddress: 1.2.3.4</p>"
                                       << "IPAddress:"
                                       << "1.2.3.4";
    QTest::newRow("login key inside a longer one")
        << "<p>XDNS LOGIN: SUCCESS</p><p>DNS LOGIN: FAILED</p>"
        << "DNS LOGIN:"
        << "FAILED";
}

void TestAnswerText::getField() {
    QFETCH(QString, answer);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const std::optional<QString> got = GetField(answer, key);
    QVERIFY(got.has_value());
    QCOMPARE(*got, value);
}

void TestAnswerText::getFieldFailsWithoutParagraphEnd() {
    QVERIFY(!GetField(QStringLiteral("<p>Error: cut off"), QStringLiteral("Error:")).has_value());
    // A "</p" before the key does not count.
    QVERIFY(!GetField(QStringLiteral("</p><p>Error: x"), QStringLiteral("Error:")).has_value());
}

void TestAnswerText::nullTrimDropsOnlySpaces() {
    QCOMPARE(NullTrim(std::nullopt), QString());
    QCOMPARE(NullTrim(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    QCOMPARE(NullTrim(QStringLiteral("\r\n a \t")), QStringLiteral("\r\n a \t"));
    QCOMPARE(NullTrim(QStringLiteral("    ")), QString());
}

void TestAnswerText::splitList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("empty gives none") << "" << QStringList();
    QTest::newRow("a,,b, gives four") << "a,,b," << QStringList{"a", "", "b", ""};
    QTest::newRow("pieces untrimmed") << " a , b" << QStringList{" a ", " b"};
    QTest::newRow("single") << "A" << QStringList{"A"};
}

void TestAnswerText::splitList() {
    QFETCH(QString, list);
    QFETCH(QStringList, entries);
    QComboBox box;
    box.addItems({QStringLiteral("stale"), QStringLiteral("entries")});
    box.setCurrentIndex(1);
    int reactions = 0;
    QObject::connect(&box, &QComboBox::currentIndexChanged, [&] { ++reactions; });
    QObject::connect(&box, &QComboBox::currentTextChanged, [&] { ++reactions; });
    SplitList(&box, list);
    QStringList got;
    for (int i = 0; i < box.count(); ++i)
        got.append(box.itemText(i));
    QCOMPARE(got, entries);
    // Filling chooses nothing and shows nothing, and no change reaction runs.
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.currentText(), QString());
    QCOMPARE(reactions, 0);
}

void TestAnswerText::success_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("success");
    QTest::newRow("plain") << "<p>SUCCESS</p>" << true;
    QTest::newRow("inside a longer word") << "<p>Status: RECORDSUCCESSFUL</p>" << true;
    QTest::newRow("UNSUCCESSFUL") << "<p>UNSUCCESSFUL</p>" << false;
    QTest::newRow("UNSUCCESSFUL then SUCCESS") << "UNSUCCESSFUL, then SUCCESS" << true;
    QTest::newRow("other case") << "<p>Success</p>" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("SUCCESS at the very start") << "SUCCESS" << true;
}

void TestAnswerText::success() {
    QFETCH(QString, answer);
    QFETCH(bool, success);
    QCOMPARE(IsSuccessAnswer(answer), success);
}

void TestAnswerText::recordList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstName");
    QTest::newRow("empty is no records") << "" << 0 << "";
    QTest::newRow("no ~~ is one record") << "d1;;A;;@;;10.0.0.1" << 1 << "@";
    QTest::newRow("two records") << "d1;;A;;@;;10.0.0.1~~d1;;MX;;mail;;10.0.0.2" << 2 << "@";
    QTest::newRow("extra fields ignored") << "d1;;A;;www;;10.0.0.1;;x" << 1 << "www";
    QTest::newRow("short records skipped") << "~~d1;;A;;www~~d1;;A;;ftp;;1.1.1.1~~" << 1 << "ftp";
    QTest::newRow("fields untrimmed") << " d1 ;;A;; www ;;1.1.1.1" << 1 << " www ";
}

void TestAnswerText::recordList() {
    QFETCH(QString, list);
    QFETCH(int, count);
    QFETCH(QString, firstName);
    const QList<DnsRecord> records = SplitRecordList(list);
    QCOMPARE(records.size(), count);
    if (count > 0)
        QCOMPARE(records.first().name, firstName);
}

void TestAnswerText::queries() {
    const Endpoints endpoints = Endpoints::allAt(QStringLiteral("dns.example:8080"));
    QCOMPARE(endpoints.serviceUrl(LoginQuery(QStringLiteral("ann"), QStringLiteral("pw"))),
             QStringLiteral("http://dns.example:8080/dnslogin.asp?fxn=login&usr=ann&pwd=pw"));
    QCOMPARE(RecordCommandQuery(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("www"),
                                QStringLiteral("d.test"), QStringLiteral("RECORDADD"),
                                QStringLiteral("A"), QStringLiteral("1.2.3.4")),
             QStringLiteral("?FXN=DNSTickler&Usr=u&Pwd=p&Cname=www&Domain=d.test"
                            "&DNSCommand=RECORDADD&RecordType=A&IPAddress=1.2.3.4"));
    QCOMPARE(AddressQuery(QStringLiteral("u")), QStringLiteral("?FXN=GetIPAddress&Usr=u"));

    // Reserved characters can never start a key of their own.
    QCOMPARE(LoginQuery(QStringLiteral("a&pwd=x"), QStringLiteral("p&w=d#1+%x y")),
             QStringLiteral("?fxn=login&usr=a%26pwd%3Dx&pwd=p%26w%3Dd%231%2B%25x%20y"));
    QCOMPARE(EncodeQueryValue(QStringLiteral("caf\u00e9")), QStringLiteral("caf%C3%A9"));

    QCOMPARE(endpoints.helpPage(), QStringLiteral("http://dns.example:8080/support.htm"));
    QCOMPARE(endpoints.termsPage(), QStringLiteral("http://dns.example:8080/tos.htm"));
    QCOMPARE(endpoints.forgottenPasswordPage(),
             QStringLiteral("http://dns.example:8080/pop_pword.asp"));
    QCOMPARE(endpoints.signupPage(), QStringLiteral("http://dns.example:8080/"));
}

void TestAnswerText::encodingLeavesOrdinaryValuesAlone() {
    for (const char *value : {"a.b-c@d", "Ann_99", "10.0.0.1", "RECORDDELETE", "~"})
        QCOMPARE(EncodeQueryValue(QLatin1String(value)), QLatin1String(value));
}

void TestAnswerText::indicator_data() {
    QTest::addColumn<bool>("disconnectedBefore");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("disconnectedAfter");
    QTest::addColumn<int>("successes");
    QTest::newRow("green stays green on success") << false << "SUCCESS" << false << 1;
    QTest::newRow("red turns green on success") << true << "SUCCESS" << false << 1;
    QTest::newRow("red stays red on a failure") << true << "<p>Error: x</p>" << true << 0;
    QTest::newRow("green stays green on a failure") << false << "<p>Error: x</p>" << false << 0;
    QTest::newRow("empty answer turns red") << false << "" << true << 0;
    QTest::newRow("UNSUCCESSFUL keeps red") << true << "UNSUCCESSFUL" << true << 0;
}

void TestAnswerText::indicator() {
    QFETCH(bool, disconnectedBefore);
    QFETCH(QString, answer);
    QFETCH(bool, disconnectedAfter);
    QFETCH(int, successes);
    pellmarch::testing::FakeIndicator indicator;
    indicator.disconnected = disconnectedBefore;
    UpdateIndicator(indicator, answer);
    QCOMPARE(indicator.disconnected, disconnectedAfter);
    QCOMPARE(indicator.successes, successes);
}

QTEST_MAIN(TestAnswerText)
#include "tst_answertext.moc"
