// The whole main window, with the real web request, against a service that misbehaves in every
// way a real one can, at every moment the window talks to it: a refresh tick, a change the user
// commits, a login. In each case the window shows what it should, registers nothing that is
// not an address, loses no record, and goes on working once the service behaves again.
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/QtWebRequest.h"
#include "support/Fakes.h"
#include "support/ScriptedHttpServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

using namespace pellmarch;
using namespace std::chrono_literals;
using Server = testing::ScriptedHttpServer;

namespace {

enum class Misbehaviour {
    KeysInAnyOrder, // longer keys that end in a read key, keys in a strange order
    SuccessWithoutKeys,
    UnknownAddress,    // "<b>unknown</b>"
    OutOfRangeAddress, // "203.0.113.300"
    EmptyAddress,
    ServerErrorPage, // HTTP 500 with an HTML page
    Garbage,         // 20 MiB of noise
    EndlessBody,
    CutMidway,
    RedirectLoop,
};

enum class Moment {
    Tick,    // the automatic refresh
    Command, // "Update" in the record editor, "Set Alternate IP" for the own host name
    Login,
};

const QString kUser = QStringLiteral("dana");
const QString kOwnDomain = QStringLiteral("dyn.example");
const QString kPublic = QStringLiteral("198.51.100.7"); // the address the service sees
const QString kLearnt = QStringLiteral("203.0.113.99"); // the address behind the odd keys
const QString kParking = QStringLiteral("192.0.2.1");
const QString kEdited = QStringLiteral("198.51.100.8");     // typed in the record editor
const QString kAlternate = QStringLiteral("198.51.100.77"); // typed for "Set Alternate IP"
constexpr auto kDeadline = 2s;

const QString kRejected = QStringLiteral(
    "Invalid Username or Password. If you are a new user you must register using the First "
    "Time Here? Please Register With Us hyperlink on the login screen. Registration is free "
    "for basic Sub-Domain useage.");
const QString kUnreachable =
    QStringLiteral("Error contacting server.  Please check your internet connection if you are "
                   "behind a firewall, please insure that port 80 is opened for 2-way traffic.");
const QString kNotSet = QStringLiteral("Could not Set IP.  ");

bool isDottedIPv4(const QString &text) {
    static const QRegularExpression form(
        QStringLiteral("^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}"
                       "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$"));
    return form.match(text).hasMatch();
}

// A tiny service holding one subscriber's records (name -> address, one domain), answering
// well unless a misbehaviour is armed for the next request of one function.
struct Service {
    Server server;
    bool own = false;
    QMap<QString, QString> zone;
    QString armedFor; // the function whose next request misbehaves (after `skip` others)
    int skip = 0;
    Misbehaviour misbehaviour = Misbehaviour::KeysInAnyOrder;

    QByteArray list() const {
        QStringList records;
        const QString domain = own ? kOwnDomain : QStringLiteral("a.test");
        for (auto it = zone.cbegin(); it != zone.cend(); ++it)
            records.append(QStringList{domain, "A", it.key(), it.value()}.join(";;"));
        return records.join(QStringLiteral("~~")).toUtf8();
    }
    QByteArray profile(const QByteArray &address) const {
        return "<p>DNS LOGIN: SUCCESS</p><p>FirstName: Dana</p><p>LastName: Lee</p>"
               "<p>Domains: a.test</p><p>SubDomain: " +
               (own ? kOwnDomain.toUtf8() : QByteArray()) +
               "</p><p>RecordTypes: A</p><p>IPAddress: " + address +
               "</p><p>DomainUserRecords: " + list() + "</p>";
    }
    void apply(const Server::Request &r) {
        const QString name = r.value(QStringLiteral("Cname"));
        if (r.value(QStringLiteral("DNSCommand")) == QLatin1String("RECORDDELETE"))
            zone.remove(name);
        else
            zone.insert(name, r.value(QStringLiteral("IPAddress")));
    }

    Server::Reply good(const Server::Request &r) {
        const QString function = r.function();
        if (function == QLatin1String("login"))
            return Server::Reply::answer(profile(kPublic.toUtf8()));
        if (function == QLatin1String("GetIPAddress"))
            return Server::Reply::answer("<p>SUCCESS</p><p>IPAddress: " + kPublic.toUtf8() +
                                         "</p><p>DomainUserRecords: " + list() + "</p>");
        apply(r);
        return Server::Reply::answer("<p>SUCCESS</p><p>DomainUserRecords: " + list() + "</p>");
    }

    Server::Reply withAddress(const Server::Request &r, const QByteArray &address) {
        const QString function = r.function();
        if (function == QLatin1String("login"))
            return Server::Reply::answer(profile(address));
        if (function == QLatin1String("DNSTickler"))
            apply(r); // the service says it was done
        return Server::Reply::answer("<p>SUCCESS</p><p>IPAddress: " + address +
                                     "</p><p>DomainUserRecords: " + list() + "</p>");
    }

    Server::Reply bad(const Server::Request &r) {
        const QString function = r.function();
        switch (misbehaviour) {
        case Misbehaviour::KeysInAnyOrder: {
            if (function == QLatin1String("DNSTickler"))
                apply(r);
            const QByteArray decoy = "a.test;;A;;evil;;203.0.113.66";
            QByteArray body =
                "<p>XDomainUserRecords: " + decoy + "</p><p>Get" +
                (function == QLatin1String("login") ? "DNS LOGIN: FAILED" : "IPAddress: SUCCESS") +
                "</p><p>IPAddress: " + kLearnt.toUtf8() + "</p>";
            if (function == QLatin1String("login"))
                body += profile(kLearnt.toUtf8());
            else
                body += "<p>DomainUserRecords: " + list() + "</p><p>SUCCESS</p>";
            return Server::Reply::answer(body);
        }
        case Misbehaviour::SuccessWithoutKeys:
            if (function == QLatin1String("DNSTickler"))
                apply(r);
            return Server::Reply::answer("SUCCESS");
        case Misbehaviour::UnknownAddress:
            return withAddress(r, "<b>unknown</b>");
        case Misbehaviour::OutOfRangeAddress:
            return withAddress(r, "203.0.113.300");
        case Misbehaviour::EmptyAddress:
            return withAddress(r, "");
        case Misbehaviour::ServerErrorPage:
            return Server::Reply::answer(
                "<html><head><title>500 Internal Server Error</title></head><body>"
                "<h1>Internal Server Error</h1><p>The server could not complete your request."
                "</p></body></html>",
                "500 Internal Server Error");
        case Misbehaviour::Garbage:
            return Server::Reply::garbage(20 << 20);
        case Misbehaviour::EndlessBody:
            return Server::Reply::endless("<p>SUCCESS</p><p>IPAddress: 203.0.113.66</p>");
        case Misbehaviour::CutMidway:
            return Server::Reply::cut(
                "<p>DNS LOGIN: SUCCESS</p><p>SUCCESS</p><p>IPAddress: 203.0.113.66</p><p>Dom");
        case Misbehaviour::RedirectLoop:
            return Server::Reply::redirectLoop();
        }
        return Server::Reply::answer({});
    }

    Service() {
        server.script = [this](const Server::Request &r) {
            if (!armedFor.isEmpty() && r.function() == armedFor && skip-- == 0) {
                armedFor.clear();
                return bad(r);
            }
            return good(r);
        };
    }
    void arm(const QString &function, int skipFirst = 0) {
        armedFor = function;
        skip = skipFirst;
    }

    // "RECORDDELETE name address" for every record command received so far.
    QStringList commands(qsizetype from = 0) const {
        QStringList out;
        const QList<Server::Request> sent = server.calls(QStringLiteral("DNSTickler"));
        for (qsizetype i = from; i < sent.size(); ++i)
            out.append(QStringList{sent.at(i).value(QStringLiteral("DNSCommand")),
                                   sent.at(i).value(QStringLiteral("Cname")),
                                   sent.at(i).value(QStringLiteral("IPAddress"))}
                           .join(QLatin1Char(' ')));
        return out;
    }
};

// The main window with the real web request against the service, doubles for the rest.
struct Window {
    testing::FakeServices fakes;
    platform::QtWebRequest web{kDeadline};
    session::Services services;
    app::frmMain main;

    explicit Window(const QString &host)
        : services{web, fakes.boxes, fakes.shell, fakes.settings, fakes.journal,
                   protocol::Endpoints::allAt(host), fakes.user, fakes.flags, fakes.autoIP,
                   fakes.work, kParking,
                   // Ticks run only when the test runs them.
                   std::chrono::hours(1)},
          main(services) {
        fakes.settings.values.insert(QStringLiteral("Init/AutoIP"), QStringLiteral("1"));
    }
    template <typename W> W *find(const char *name) const {
        return main.findChild<W *>(QLatin1String(name));
    }
    QString status() const { return find<QLabel>("lblStatus")->text(); }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    // Set up as after a login, without the login exchange.
    void setUp(bool own) {
        fakes.user.sUsername = kUser;
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sSubDomain = own ? kOwnDomain : QString();
        fakes.user.sIPAddress = kPublic;
        fakes.user.sDomainList = QStringLiteral("a.test");
        fakes.user.sRecordTypeList = QStringLiteral("A");
        fakes.user.sDomainUserRecords = QStringLiteral("a.test;;A;;www;;") + kPublic;
        if (!own) // the record follows the public address
            fakes.autoIP.UpdateAutoIPList(QStringLiteral("a.test"), QStringLiteral("www"),
                                          QStringLiteral("RECORDADD"), QStringLiteral("A"), kPublic,
                                          true);
        main.show();
        main.SetUpMainWindow();
        (void)QTest::qWaitForWindowExposed(&main);
    }

    // The login window as the user sees it at start-up; a refused login is tried once more.
    void logIn() {
        testing::whenModalOpens([](QWidget *dialog) {
            const auto attempt = [dialog] {
                auto *user = dialog->findChild<QLineEdit *>(QStringLiteral("txtUsername"));
                auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
                user->clear();
                password->clear();
                QTest::keyClicks(user, kUser);
                QTest::keyClicks(password, QStringLiteral("pw"));
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdLogin")),
                                  Qt::LeftButton);
            };
            attempt();
            if (dialog->isVisible())
                attempt();
        });
        main.Form_Load();
    }
};

const char *name(Misbehaviour m) {
    switch (m) {
    case Misbehaviour::KeysInAnyOrder:
        return "keys in any order";
    case Misbehaviour::SuccessWithoutKeys:
        return "SUCCESS without keys";
    case Misbehaviour::UnknownAddress:
        return "<b>unknown</b> address";
    case Misbehaviour::OutOfRangeAddress:
        return "203.0.113.300";
    case Misbehaviour::EmptyAddress:
        return "empty address";
    case Misbehaviour::ServerErrorPage:
        return "HTTP 500 page";
    case Misbehaviour::Garbage:
        return "20 MiB of garbage";
    case Misbehaviour::EndlessBody:
        return "endless body";
    case Misbehaviour::CutMidway:
        return "cut midway";
    case Misbehaviour::RedirectLoop:
        return "redirect loop";
    }
    return "";
}

} // namespace

class TestMisbehavingService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowSurvives_data();
    void windowSurvives();
};

void TestMisbehavingService::windowSurvives_data() {
    QTest::addColumn<Misbehaviour>("misbehaviour");
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<bool>("own");
    QTest::addColumn<QStringList>("commands"); // record commands sent during the moment
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("shown"); // the shown address afterwards

    const QString connected = QStringLiteral("Connected");
    const QString disconnected = QStringLiteral("Not Connected with Server");
    const QString del = QStringLiteral("RECORDDELETE ");
    const QString add = QStringLiteral("RECORDADD ");
    for (int i = 0; i <= static_cast<int>(Misbehaviour::RedirectLoop); ++i) {
        const auto m = static_cast<Misbehaviour>(i);
        const bool learns = m == Misbehaviour::KeysInAnyOrder;
        const bool noAddress = m == Misbehaviour::UnknownAddress ||
                               m == Misbehaviour::OutOfRangeAddress ||
                               m == Misbehaviour::EmptyAddress;
        // The answer says "SUCCESS": the command was done.
        const bool success = learns || noAddress || m == Misbehaviour::SuccessWithoutKeys;
        const bool transport = !success && m != Misbehaviour::ServerErrorPage;
        const auto row = [&](const char *moment, bool own) -> QTestData & {
            return QTest::addRow("%s, %s, %s", name(m), moment, own ? "own host name" : "records");
        };

        for (const bool own : {true, false}) {
            const QStringList moved =
                own || !learns ? QStringList{}
                               : QStringList{del + "www " + kPublic, add + "www " + kLearnt};
            row("tick", own) << m << Moment::Tick << own << moved << QStringList{}
                             << (transport ? disconnected : connected)
                             << (learns ? kLearnt : kPublic);
        }

        // "Update" deletes, then adds. An add whose outcome is not known is never followed by a
        // put-back: the service's list, looked at at once, lacks the record (this service did
        // not carry the add out), so it is added as it was to become.
        QStringList update{del + "www " + kPublic, add + "www " + kEdited};
        if (!success)
            update.append(add + "www " + kEdited);
        row("Update", false) << m << Moment::Command << false << update
                             << QStringList{success ? QStringLiteral(
                                                          "Transaction Complete:\nIP Set for "
                                                          "Name:www IPAddress:") +
                                                          kEdited
                                                    : kNotSet}
                             << connected << kPublic;
        row("Set Alternate IP", true)
            << m << Moment::Command << true << QStringList{add + kUser + " " + kAlternate}
            << QStringList{success ? QStringLiteral("Transaction Complete:\nIP Set for Name:") +
                                         kUser + QStringLiteral(" IPAddress:") + kAlternate
                                   : kNotSet}
            << (transport ? disconnected : connected) << kPublic;

        // A refused or unreachable login is tried again with the service behaving.
        const bool accepted = learns || noAddress;
        const QStringList message = accepted    ? QStringList{}
                                    : transport ? QStringList{kUnreachable}
                                                : QStringList{kRejected};
        const QString shown = learns ? kLearnt : noAddress ? QString() : kPublic;
        for (const bool own : {true, false}) {
            // With no address learnt, the own host name stays parked.
            const QStringList setUp = !own || noAddress ? QStringList{}
                                                        : QStringList{del + kUser + " " + kParking,
                                                                      add + kUser + " " + shown};
            row("login", own) << m << Moment::Login << own << setUp << message << connected
                              << shown;
        }
    }
}

void TestMisbehavingService::windowSurvives() {
    QFETCH(Misbehaviour, misbehaviour);
    QFETCH(Moment, moment);
    QFETCH(bool, own);
    QFETCH(QStringList, commands);
    QFETCH(QStringList, messages);
    QFETCH(QString, status);
    QFETCH(QString, shown);

    Service service;
    service.own = own;
    service.misbehaviour = misbehaviour;
    // The record that must never be lost: the subscriber's own host name (parked since the
    // last run) or his record.
    service.zone.insert(own ? kUser : QStringLiteral("www"), own ? kParking : kPublic);
    Window w(service.server.host());
    qsizetype sentBefore = 0;
    // How many record commands had gone out when each message was shown.
    QList<qsizetype> sentAtMessage;
    w.fakes.boxes.whileShown = [&] {
        sentAtMessage.append(service.commands().size());
    };

    switch (moment) {
    case Moment::Tick:
        w.setUp(own);
        sentBefore = service.commands().size();
        service.arm(QStringLiteral("GetIPAddress"));
        w.main.ownAddress().tmrAuto_Timer();
        break;
    case Moment::Command:
        w.setUp(own);
        sentBefore = service.commands().size();
        if (own) {
            service.arm(QStringLiteral("DNSTickler"));
            w.find<QLineEdit>("txtVerlundIP")->setText(kAlternate);
            w.click("cmdVerlundSetIP");
        } else {
            service.arm(QStringLiteral("DNSTickler"), 1); // the delete goes through
            auto *grid = w.find<QTableView>("gridDomainUser");
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(0, 1)).center());
            w.click("cmdEditGrid");
            w.find<QLineEdit>("txtServerIP")->setText(kEdited);
            w.click("cmdServerIP");
        }
        break;
    case Moment::Login:
        service.arm(QStringLiteral("login"));
        w.logIn();
        break;
    }

    QVERIFY(w.main.isVisible());
    QCOMPARE(w.fakes.boxes.shown, messages);
    QCOMPARE(service.commands(sentBefore), commands);
    QCOMPARE(w.status(), status);
    QCOMPARE(w.main.shownAddress(), shown);
    // No record is lost: the service still holds it, whatever became of the change.
    QVERIFY2(service.zone.contains(own ? kUser : QStringLiteral("www")),
             service.list().constData());
    if (moment == Moment::Command && !own && messages.first() == kNotSet) {
        // The record is back before the user reads that the change failed.
        QCOMPARE(sentAtMessage, QList<qsizetype>{sentBefore + 3});
    }

    // The service behaves again: the window works on, and the next tick learns the address.
    service.arm(QString());
    const qsizetype queries = service.server.calls(QStringLiteral("GetIPAddress")).size();
    w.main.ownAddress().tmrAuto_Timer();
    QCOMPARE(service.server.calls(QStringLiteral("GetIPAddress")).size(), queries + 1);
    QCOMPARE(w.status(), QStringLiteral("Connected"));
    QCOMPARE(w.main.shownAddress(), kPublic);
    QVERIFY(w.main.isVisible());

    // Nothing was ever registered at anything but an address.
    for (const Server::Request &r : service.server.calls(QStringLiteral("DNSTickler")))
        QVERIFY2(isDottedIPv4(r.value(QStringLiteral("IPAddress"))), r.target.constData());
}

QTEST_MAIN(TestMisbehavingService)
#include "tst_misbehaving_service.moc"
