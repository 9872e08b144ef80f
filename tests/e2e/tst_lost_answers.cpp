// The whole main window, with the real web request, against the stand-in service behind a
// network that loses answers: at one chosen command the service acts and its answer never
// arrives (the connection closes, and Qt's own second sending is answered or lost too), or a
// gateway answers for it. Whatever step loses its answer, once the next refreshes have run the
// service holds every record exactly once, at the address it should have, and after closing
// nothing but the parked own host name at the parking address.
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/QtWebRequest.h"
#include "protocol/LoginExchange.h"
#include "service/ServiceFixture.h"
#include "support/Fakes.h"
#include "support/ScriptedHttpServer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUrlQuery>

using namespace pellmarch;
using namespace std::chrono_literals;
using Server = testing::ScriptedHttpServer;

namespace {

enum class Loss {
    ResendAnswered, // closed without an answer; Qt's second sending is answered
    ResendLost,     // closed, and the second sending too
    GatewayPage,    // a gateway's 504 page in place of the answer
};

const QString kParking = QStringLiteral("192.0.2.1");
const QString kPublic = QStringLiteral("198.51.100.10");  // the address the service sees
const QString kMovedTo = QStringLiteral("198.51.100.11"); // ... after it changed
const QString kWww = QStringLiteral("203.0.113.10");      // where acme's www stands at first
// acme's mail exchanger, as it stands at first, as typed in the record editor, and a value the
// service refuses.
const QString kMail = QStringLiteral("203.0.113.25");
const QString kTyped = QStringLiteral("mx2.acme.test");
const QString kRefused = QStringLiteral("mx<2");
const QString kOwnDomain = QStringLiteral("dyn.verlund.test");

// "COMMAND name address": the record command a rule looks for.
QString commandOf(const Server::Request &r) {
    return QStringList{r.value(QStringLiteral("DNSCommand")), r.value(QStringLiteral("Cname")),
                       r.value(QStringLiteral("IPAddress"))}
        .join(QLatin1Char(' '));
}

// The stand-in behind a network that misbehaves at the commands it is told to.
struct LossyNetwork {
    testing::ServiceFixture service;
    Server server;
    struct Rule {
        QString command;
        bool refuse; // answer a refusal without acting, else act and lose the answer
    };
    QList<Rule> rules;
    Loss loss = Loss::ResendAnswered;
    QByteArray resendOf; // the request whose second sending is expected next

    LossyNetwork() {
        server.script = [this](const Server::Request &r) {
            const QUrlQuery query(QString::fromUtf8(r.target.mid(r.target.indexOf('?') + 1)));
            const bool resent = r.target == std::exchange(resendOf, QByteArray());
            if (!resent && r.function() == QLatin1String("DNSTickler") && !rules.isEmpty() &&
                commandOf(r) == rules.first().command) {
                const Rule rule = rules.takeFirst();
                if (rule.refuse)
                    return Server::Reply::answer("<p>Error: Busy, try again later</p>");
                service.service->answer(query, QHostAddress::LocalHost);
                if (loss == Loss::GatewayPage)
                    return Server::Reply::answer("<html><body><h1>504 Gateway Time-out</h1>"
                                                 "</body></html>",
                                                 "504 Gateway Time-out");
                resendOf = r.target;
                return Server::Reply::closed();
            }
            const QString body = service.service->answer(query, QHostAddress::LocalHost);
            if (resent && loss == Loss::ResendLost)
                return Server::Reply::closed();
            return Server::Reply::answer(body.toUtf8());
        };
    }
    void lose(const QString &command) { rules.append({command, false}); }
    void refuse(const QString &command) { rules.append({command, true}); }

    // The subscriber's records as the service holds them, "domain type name address".
    QStringList held(const QString &user) {
        QStringList out;
        for (const verlund::DnsRecord &r : service.store.records(*service.store.subscriber(user)))
            out.append(QStringList{r.domain, r.recordType, r.name, r.address}.join(' '));
        out.sort();
        return out;
    }
};

} // namespace

class TestLostAnswers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordsStandOnce_data();
    void recordsStandOnce();
};

void TestLostAnswers::recordsStandOnce_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QStringList>("lost"); // "!" before a command: refused without acting
    QTest::addColumn<int>("loss");
    const QStringList steps[] = {
        {"Update, its delete", "RECORDDELETE mail " + kMail},
        {"Update, its delete; the add refused", "RECORDDELETE mail " + kMail},
        {"Update, its add", "RECORDADD mail " + kTyped},
        {"Update, the put-back", "RECORDADD mail " + kMail},
        {"Update, the journal's finishing add", "!RECORDADD mail " + kMail,
         "RECORDADD mail " + kMail},
        {"refresh, the move's delete", "RECORDDELETE www " + kWww},
        {"refresh, the move's add", "RECORDADD www " + kPublic},
        {"own: set-up, its delete", "RECORDDELETE demo " + kParking},
        {"own: set-up, its add", "RECORDADD demo " + kPublic},
        {"own: refresh, the move's delete", "RECORDDELETE demo " + kPublic},
        {"own: refresh, the move's add", "RECORDADD demo " + kMovedTo},
        {"own: closing, the parking", "RECORDADD demo " + kParking},
    };
    const std::pair<Loss, const char *> losses[] = {
        {Loss::ResendAnswered, "closed, sent again and answered"},
        {Loss::ResendLost, "closed, sent again and lost"},
        {Loss::GatewayPage, "a gateway's 504 page"}};
    for (const QStringList &step : steps)
        for (const auto &[loss, how] : losses)
            QTest::addRow("%s: %s", qPrintable(step.first()), how)
                << step.first() << step.mid(1) << static_cast<int>(loss);
}

void TestLostAnswers::recordsStandOnce() {
    QFETCH(QString, step);
    QFETCH(QStringList, lost);
    QFETCH(int, loss);
    const bool own = step.startsWith(QLatin1String("own"));
    const QString user = own ? QStringLiteral("demo") : QStringLiteral("acme");

    LossyNetwork network;
    network.loss = static_cast<Loss>(loss);
    verlund::ServiceStore &store = network.service.store;
    // The own host name parked by the run before; the public address the service reports.
    QVERIFY(store.addRecord({kOwnDomain, "A", "demo", kParking}) ==
            verlund::ServiceStore::Change::Done);
    QVERIFY(store.setAddressOverride(user, kPublic));
    const QStringList before = network.held(user);

    testing::FakeServices fakes;
    platform::QtWebRequest web(2s);
    session::Services services{web,           fakes.boxes,
                               fakes.shell,   fakes.settings,
                               fakes.journal, protocol::Endpoints::allAt(network.server.host()),
                               fakes.user,    fakes.flags,
                               fakes.autoIP,  fakes.work,
                               kParking,      std::chrono::hours(1)};
    QCOMPARE(protocol::RunLoginExchange(web, services.endpoints, fakes.user, user, user),
             protocol::LoginOutcome::Accepted);
    // acme's www follows the address.
    fakes.autoIP.UpdateAutoIPList("acme.test", "www", "RECORDADD", "A", kWww, true);
    app::frmMain main(services);
    main.show();
    const auto arm = [&](const QString &on) {
        for (const QString &command : lost)
            if (command.contains(on)) {
                if (command.startsWith(QLatin1Char('!')))
                    network.refuse(command.mid(1));
                else
                    network.lose(command);
            }
    };
    const auto tick = [&main] {
        main.ownAddress().tmrAuto_Timer();
    };

    // Where acme's mail exchanger is to be: typed, unless the service refuses the change.
    QString mailAfter = step.endsWith(QLatin1String("its delete")) ||
                                step.endsWith(QLatin1String("its add")) ||
                                !step.startsWith("Update")
                            ? kTyped
                            : kRefused;
    if (!step.startsWith(QLatin1String("Update")))
        mailAfter = kMail;
    if (step.contains(QLatin1String("set-up")))
        arm(QStringLiteral("demo"));
    main.SetUpMainWindow();
    if (own) {
        main.findChild<QCheckBox *>(QStringLiteral("chkAutoIP"))->setChecked(true);
        if (step.contains(QLatin1String("refresh"))) {
            QVERIFY(store.setAddressOverride(user, kMovedTo));
            tick(); // shows the new address
            arm(QStringLiteral("demo"));
            tick(); // moves the host name to it
        }
    } else if (step.startsWith(QLatin1String("Update"))) {
        // acme changes his mail exchanger, a record that follows nothing.
        arm(QStringLiteral("mail"));
        auto *grid = main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));
        const QModelIndexList rows = grid->model()->match(grid->model()->index(0, 2),
                                                          Qt::DisplayRole, QStringLiteral("mail"));
        QCOMPARE(rows.size(), 1);
        grid->selectRow(rows.first().row());
        QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("cmdEditGrid")),
                          Qt::LeftButton);
        main.findChild<QLineEdit *>(QStringLiteral("txtServerIP"))->setText(mailAfter);
        QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("cmdServerIP")),
                          Qt::LeftButton);
        mailAfter = mailAfter == kRefused ? kMail : mailAfter;
    } else {
        arm(QStringLiteral("www"));
    }
    // The next refreshes settle whatever was left open, and the marked record follows.
    for (int i = 0; i < 3; ++i)
        tick();
    QVERIFY2(network.rules.isEmpty(), "the step to lose never came");

    const QString address =
        own ? (step.contains(QLatin1String("refresh")) ? kMovedTo : kPublic) : kPublic;
    QStringList expected = before;
    if (own) {
        expected.replaceInStrings(kOwnDomain + " A demo " + kParking,
                                  kOwnDomain + " A demo " + address);
    } else {
        expected.replaceInStrings("acme.test A www " + kWww, "acme.test A www " + address);
        expected.replaceInStrings("acme.test MX mail " + kMail, "acme.test MX mail " + mailAfter);
    }
    expected.sort();
    QCOMPARE(network.held(user), expected);
    if (!own) // and it keeps its mark, so it goes on following the address
        QVERIFY(fakes.autoIP.isMarked("acme.test", "A", "www", address));

    // Closing parks the own host name: then it alone stands at the parking address.
    if (step.endsWith(QLatin1String("the parking")))
        arm(QStringLiteral("demo"));
    main.close();
    QCOMPARE(fakes.shell.endings, 1);
    QCOMPARE(network.held(user), own ? before : expected);
    for (const QString &other : {QStringLiteral("acme"), QStringLiteral("demo")})
        for (const QString &record : network.held(other))
            QVERIFY2(!record.endsWith(kParking) || record.contains(QLatin1String(" demo ")),
                     qPrintable(record));
}

QTEST_MAIN(TestLostAnswers)
#include "tst_lost_answers.moc"
