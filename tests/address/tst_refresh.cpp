// The automatic refresh and "Set Alternate IP" on the real main window against doubles of the
// platform; ticks are run directly or by a short timer.
#include "account/frmLogin.h"
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/Notifier.h"
#include "records/RecordView.h"
#include "session/HistoryFile.h"
#include "support/Fakes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace pellmarch;

namespace {

const QString kQuery = QStringLiteral("http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=%1");

QString command(const QString &user, const QString &domain, const QString &name,
                const QString &verb, const QString &type, const QString &address) {
    return QStringLiteral("http://dns.example/dnslogin.asp?FXN=DNSTickler&Usr=%1&Pwd=pw"
                          "&Cname=%2&Domain=%3&DNSCommand=%4&RecordType=%5&IPAddress=%6")
        .arg(user, name, domain, verb, type, address);
}

QString queryAnswer(const QString &address, const QString &records = {}) {
    return QStringLiteral("<p>SUCCESS</p><p>IPAddress: %1</p><p>DomainUserRecords: %2</p>")
        .arg(address, records);
}

QString success(const QString &records = {}) {
    return QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: %1</p>").arg(records);
}

// A history in a folder of its own and a notifier that writes down what it is told.
struct Watching final : platform::Notifier {
    explicit Watching(testing::FakeServices &fakes) {
        fakes.services.history = &history;
        fakes.services.notifier = this;
    }
    void notify(const QString &topic, const QString &summary, const QString &body) override {
        told.append(topic + QLatin1Char('|') + summary + QLatin1Char('|') + body);
    }
    QTemporaryDir dir;
    session::HistoryFile history{dir.filePath(QStringLiteral("history.jsonl"))};
    QStringList told;
};

struct RefreshFixture {
    testing::FakeServices fakes;
    std::unique_ptr<Watching> watching;
    app::frmMain main;

    RefreshFixture(const QString &user, const QString &subDomain, const QString &records = {},
                   bool watched = false)
        // As the program makes it: the frames are made when the window first shows.
        : watching(watched ? std::make_unique<Watching>(fakes) : nullptr),
          main(fakes.services, nullptr, app::frmMain::Tray::Detect,
               app::frmMain::Build::WhenShown) {
        fakes.user.sUsername = user;
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sSubDomain = subDomain;
        fakes.user.sIPAddress = QStringLiteral("10.1.1.1");
        fakes.user.sDomainList = QStringLiteral("a.test");
        fakes.user.sRecordTypeList = QStringLiteral("A");
        fakes.user.sDomainUserRecords = records;
        if (!subDomain.isEmpty()) { // the set-up commands of the own host name
            fakes.web.answer(success());
            fakes.web.answer(success());
        }
        main.show();
        main.SetUpMainWindow();
        main.ownAddress().tmrAuto.stop(); // ticks are run by hand unless a test starts it
        (void)QTest::qWaitForWindowExposed(&main);
        fakes.web.urls.clear();
    }
    template <typename W> W *find(const char *name) const {
        return main.findChild<W *>(QLatin1String(name));
    }
    void tick() { main.ownAddress().tmrAuto_Timer(); }
    QString shown() const { return main.shownAddress(); }
};

} // namespace

class TestRefresh : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void markedRowsFollowTheAddress();
    void nothingWhileTheEditorIsOpen();
    void ownHostNameFollowsOneTickLate();
    void ownHostNameWaitsForAnAddress_data();
    void ownHostNameWaitsForAnAddress();
    void refusedMovesWait_data();
    void refusedMovesWait();
    void ownModeUntickedSendsNothing();
    void ticksWaitForWorkUnderWay();
    void noTickForThePreviousSubscriber();
    void clicksDuringAnExchangeWaitForIt_data();
    void clicksDuringAnExchangeWaitForIt();
    void setAlternateIP_data();
    void setAlternateIP();
    void ticksAreWrittenDownAndTold();
    void noticesWaitForTheAboutBox();
};

void TestRefresh::markedRowsFollowTheAddress() {
    // The mail exchanger is marked too (by an older version): only address records follow the
    // address, never an MX pointed at an IPv4 address.
    const QString records = QStringLiteral("a.test;;A;;www;;10.9.9.9~~a.test;;A;;ftp;;10.2.2.2~~"
                                           "a.test;;A;;@;;10.0.0.1~~a.test;;MX;;mx;;10.2.2.2");
    RefreshFixture f(QStringLiteral("acme"), QString(), records, true);
    for (const char *name : {"www", "ftp"})
        f.fakes.autoIP.UpdateAutoIPList("a.test", name, "RECORDADD", "A",
                                        name == QLatin1String("www") ? "10.9.9.9" : "10.2.2.2",
                                        true);
    f.fakes.autoIP.UpdateAutoIPList("a.test", "mx", "RECORDADD", "MX", "10.2.2.2", true);
    f.main.recordView().LoadRecordTable();
    auto *grid = f.find<QTableView>("gridDomainUser");
    QVERIFY(QTest::qWaitForWindowActive(&f.main));
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QWidget>("cmdAddGrid"));
    grid->selectRow(2); // position 3: the table's row r is position r + 1
    const QString moved = QStringLiteral("a.test;;A;;www;;10.9.9.9~~a.test;;A;;ftp;;10.9.9.9~~"
                                         "a.test;;A;;@;;10.0.0.1~~a.test;;MX;;mx;;10.2.2.2");
    f.fakes.web.answer(queryAnswer(QStringLiteral("10.9.9.9"), records));
    f.fakes.web.answer(success(QStringLiteral("a.test;;A;;www;;10.9.9.9~~a.test;;A;;@;;10.0.0.1")));
    f.fakes.web.answer(success(moved));
    f.tick();
    QCOMPARE(f.fakes.web.urls,
             (QStringList{kQuery.arg("acme"),
                          command("acme", "a.test", "ftp", "RECORDDELETE", "A", "10.2.2.2"),
                          command("acme", "a.test", "ftp", "RECORDADD", "A", "10.9.9.9")}));
    QCOMPARE(grid->model()->index(1, 3).data().toString(), QStringLiteral("10.9.9.9"));
    QCOMPARE(grid->model()->index(1, 4).data().toString(), QStringLiteral("Yes"));
    QCOMPARE(f.watching->told,
             QStringList{"moved|Address changed to 10.9.9.9|ftp.a.test now points there."});
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().first().row(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(grid));
    QCOMPARE(f.shown(), QStringLiteral("10.9.9.9"));
    QVERIFY(f.fakes.boxes.shown.isEmpty());

    // A refused add after an accepted delete puts the record back where it was; the first
    // position is chosen again as well.
    grid->selectRow(0);
    f.fakes.web.urls.clear();
    f.fakes.web.answer(queryAnswer(QStringLiteral("10.3.3.3"), moved));
    f.fakes.web.answer(success(QStringLiteral("a.test;;A;;ftp;;10.9.9.9")));
    f.fakes.web.answer(QStringLiteral("<p>Error: refused</p>"));
    f.fakes.web.answer(success(moved));
    f.fakes.web.fail(); // the same for the second row, with the service gone
    f.tick();
    QCOMPARE(f.fakes.web.urls.mid(1, 3),
             (QStringList{command("acme", "a.test", "www", "RECORDDELETE", "A", "10.9.9.9"),
                          command("acme", "a.test", "www", "RECORDADD", "A", "10.3.3.3"),
                          command("acme", "a.test", "www", "RECORDADD", "A", "10.9.9.9")}));
    QCOMPARE(f.fakes.user.sDomainUserRecords, moved);
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().first().row(), 0);
}

void TestRefresh::nothingWhileTheEditorIsOpen() {
    RefreshFixture f(QStringLiteral("acme"), QString(), QStringLiteral("a.test;;A;;www;;10.2.2.2"));
    f.fakes.autoIP.UpdateAutoIPList("a.test", "www", "RECORDADD", "A", "10.2.2.2", true);
    f.main.recordView().LoadRecordTable();
    QTest::mouseClick(f.find<QPushButton>("cmdAddGrid"), Qt::LeftButton);
    f.main.recordView().RefreshAutoRecords(QStringLiteral("10.9.9.9"));
    QVERIFY(f.fakes.web.urls.isEmpty());
    QTest::mouseClick(f.find<QPushButton>("cmdCancel"), Qt::LeftButton);
    f.fakes.web.answer(success());
    f.fakes.web.answer(success(QStringLiteral("a.test;;A;;www;;10.9.9.9")));
    f.main.recordView().RefreshAutoRecords(QStringLiteral("10.9.9.9"));
    QCOMPARE(f.fakes.web.urls.size(), 2);
    QCOMPARE(f.find<QTableView>("gridDomainUser")->model()->index(0, 3).data().toString(),
             QStringLiteral("10.9.9.9"));
    // No position was chosen: the reload leaves the focus on "Add".
    QVERIFY(QTest::qWaitForWindowActive(&f.main));
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QWidget>("cmdAddGrid"));
}

void TestRefresh::ownHostNameFollowsOneTickLate() {
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"));
    f.find<QCheckBox>("chkAutoIP")->setChecked(true);
    QCOMPARE(f.fakes.user.sIPAddress, QStringLiteral("10.1.1.1"));
    struct Tick {
        QString fetched; // empty: the query fails
        QStringList commands;
        QString shownAfter;
        QString records = {}; // the query's record list
    };
    const QList<Tick> ticks{
        {"10.1.1.1", {}, "10.1.1.1"},
        {"10.5.5.5", {}, "10.5.5.5"}, // shown first...
        {"", {}, "10.5.5.5"},         // an empty answer changes nothing
        {"10.5.5.5",
         {command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "10.1.1.1"),
          command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.5.5.5")},
         "10.5.5.5"}, // ...registered a tick later
        {"10.5.5.5", {}, "10.5.5.5"},
        // A new address every tick: each tick registers the address shown since the tick
        // before, not the one it has just fetched.
        {"10.6.6.6", {}, "10.6.6.6"},
        {"10.7.7.7",
         {command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "10.5.5.5"),
          command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.6.6.6")},
         "10.7.7.7"},
        {"10.8.8.8",
         {command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "10.6.6.6"),
          command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.7.7.7")},
         "10.8.8.8"},
        // The service's own list says where the host name points: where it names an address,
        // that is registered (nothing to move); anything else there is no address.
        {"10.9.9.9", {}, "10.9.9.9", "dyn.test;;A;;dana;;10.8.8.8"},
        {"10.9.9.9",
         {command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "10.8.8.8"),
          command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.9.9.9")},
         "10.9.9.9",
         "dyn.test;;A;;dana;;unknown"},
    };
    for (const Tick &t : ticks) {
        f.fakes.web.urls.clear();
        if (t.fetched.isEmpty())
            f.fakes.web.fail();
        else
            f.fakes.web.answer(queryAnswer(t.fetched, t.records));
        for (int i = 0; i < t.commands.size(); ++i)
            f.fakes.web.answer(success());
        f.tick();
        QCOMPARE(f.fakes.web.urls, QStringList{kQuery.arg("dana")} + t.commands);
        QCOMPARE(f.shown(), t.shownAfter);
    }
    QCOMPARE(f.fakes.user.sIPAddress, QStringLiteral("10.9.9.9"));
    QCOMPARE(f.find<QLineEdit>("txtVerlundIP")->text(), QStringLiteral("10.9.9.9"));
    // Kept as each move went through.
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/IPAddress")),
             QStringLiteral("10.9.9.9"));
}

void TestRefresh::ownHostNameWaitsForAnAddress_data() {
    QTest::addColumn<QString>("saved"); // the address saved for this subscriber
    QTest::addColumn<QStringList>("setUp");
    QTest::addColumn<QStringList>("move"); // sent once an address has been shown
    const QString add = command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.6.6.6");
    QTest::newRow("nothing saved: stays parked") << "" << QStringList() << QStringList{add};
    QTest::newRow("saved address registered, then moved")
        << "10.3.3.3"
        << QStringList{command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "192.0.2.1"),
                       command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.3.3.3")}
        << QStringList{command("dana", "dyn.test", "dana", "RECORDDELETE", "A", "10.3.3.3"), add};
}

void TestRefresh::ownHostNameWaitsForAnAddress() {
    // The login's answer named no address (or something that is not one): nothing is ever
    // registered at a non-address; the host name moves once a tick has learnt and shown one.
    QFETCH(QString, saved);
    QFETCH(QStringList, setUp);
    QFETCH(QStringList, move);
    testing::FakeServices fakes;
    fakes.user.sUsername = QStringLiteral("dana");
    fakes.user.sPassword = QStringLiteral("pw");
    fakes.user.sSubDomain = QStringLiteral("dyn.test");
    fakes.settings.values.insert(QStringLiteral("Init/AutoIP"), QStringLiteral("1"));
    fakes.settings.values.insert(QStringLiteral("Init/Username"), QStringLiteral("dana"));
    fakes.settings.values.insert(QStringLiteral("Init/IPAddress"), saved);
    app::frmMain main(fakes.services);
    fakes.web.answer(success());
    fakes.web.answer(success());
    main.SetUpMainWindow();
    main.ownAddress().tmrAuto.stop();
    QCOMPARE(fakes.web.urls, setUp);

    fakes.web.urls.clear();
    fakes.web.script.clear();
    for (const char *address : {"SUCCESS", "10.6.6.6", "10.6.6.6"})
        fakes.web.answer(queryAnswer(QLatin1String(address)));
    fakes.web.answer(success());
    fakes.web.answer(success());
    for (int tick = 0; tick < 2; ++tick)
        main.ownAddress().tmrAuto_Timer();
    QCOMPARE(main.shownAddress(), QStringLiteral("10.6.6.6"));
    QCOMPARE(fakes.web.urls, (QStringList{kQuery.arg("dana"), kQuery.arg("dana")}));
    main.ownAddress().tmrAuto_Timer();
    QCOMPARE(fakes.web.urls.mid(2), QStringList{kQuery.arg("dana")} + move);
}

void TestRefresh::refusedMovesWait_data() {
    QTest::addColumn<QString>("subDomain"); // empty: record-table mode
    QTest::addColumn<bool>("addsDone");     // the service refuses deletes only
    QTest::newRow("marked record") << "" << false;
    QTest::newRow("own host name") << "dyn.test" << false;
    // Each move adds the record at the new address and leaves the old copy: the old copy's
    // delete is tried again after its waits, and the old copy is never moved anew.
    QTest::newRow("marked record, its deletes refused") << "" << true;
}

void TestRefresh::refusedMovesWait() {
    // A service that keeps refusing a move is asked again after 1, 2, 4, ... ticks, not on
    // every tick; a new address is tried at once.
    QFETCH(QString, subDomain);
    QFETCH(bool, addsDone);
    RefreshFixture f(QStringLiteral("dana"), subDomain, QStringLiteral("a.test;;A;;www;;10.2.2.2"));
    f.fakes.autoIP.UpdateAutoIPList("a.test", "www", "RECORDADD", "A", "10.2.2.2", true);
    f.main.recordView().LoadRecordTable();
    f.find<QCheckBox>("chkAutoIP")->setChecked(true);
    QString address = QStringLiteral("10.9.9.9");
    QStringList held{QStringLiteral("a.test;;A;;www;;10.2.2.2")};
    f.fakes.web.duringFetch = [&] {
        const QString &url = f.fakes.web.urls.last();
        if (url.contains(QLatin1String("GetIPAddress"))) {
            f.fakes.web.answer(queryAnswer(address, held.join(QLatin1String("~~"))));
        } else if (addsDone && url.contains(QLatin1String("RECORDADD"))) {
            held.append(QStringLiteral("a.test;;A;;www;;") + url.section(QLatin1Char('='), -1));
            f.fakes.web.answer(success(held.join(QLatin1String("~~"))));
        } else {
            f.fakes.web.answer(QStringLiteral("<p>Error: Busy</p>"));
        }
    };
    QList<int> movedAt;
    for (int tick = 1; tick <= 14; ++tick) {
        if (tick == 14)
            address = QStringLiteral("10.8.8.8");
        f.fakes.web.urls.clear();
        f.tick();
        if (f.fakes.web.urls.size() > 1)
            movedAt.append(tick);
    }
    // The own host name moves one tick after an address is first shown.
    const QList<int> expected =
        subDomain.isEmpty() ? QList<int>{1, 3, 6, 11, 14} : QList<int>{2, 4, 7, 12};
    QCOMPARE(movedAt, expected);
}

void TestRefresh::ownModeUntickedSendsNothing() {
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"));
    QSignalSpy ticks(&f.main.ownAddress().tmrAuto, &QTimer::timeout);
    f.main.ownAddress().tmrAuto.start();
    QTRY_VERIFY(ticks.size() >= 3);
    QVERIFY(f.fakes.web.urls.isEmpty());
    QCOMPARE(f.shown(), QStringLiteral("10.1.1.1"));
    f.main.ownAddress().tmrAuto.stop();

    // A set-up whose registration was refused, its delete having taken the host name from the
    // parking address, is finished by the next tick: a look at the service's list, then the add.
    f.fakes.web.answer(success());
    f.fakes.web.answer(QStringLiteral("<p>Error: Busy</p>"));
    f.main.SetUpMainWindow();
    f.main.ownAddress().tmrAuto.stop();
    f.fakes.web.urls.clear();
    f.fakes.web.answer(queryAnswer(QStringLiteral("10.1.1.1")));
    f.fakes.web.answer(success());
    f.tick();
    f.tick();
    QCOMPARE(f.fakes.web.urls,
             (QStringList{kQuery.arg("dana"),
                          command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.1.1.1")}));
}

void TestRefresh::ticksWaitForWorkUnderWay() {
    // A tick during Delete's message would re-add the deleted marked record from the table
    // that is not reloaded yet. It waits, and runs once, after the message is closed.
    const QString records = QStringLiteral("a.test;;A;;www;;10.2.2.2");
    RefreshFixture f(QStringLiteral("acme"), QString(), records);
    f.fakes.autoIP.UpdateAutoIPList("a.test", "www", "RECORDADD", "A", "10.2.2.2", true);
    f.main.recordView().LoadRecordTable();
    auto *grid = f.find<QTableView>("gridDomainUser");
    grid->selectRow(0);
    f.fakes.web.answer(success());                               // the delete
    f.fakes.web.answer(queryAnswer(QStringLiteral("10.9.9.9"))); // the one tick afterwards
    int queriesDuringMessage = -1;
    QSignalSpy ticks(&f.main.ownAddress().tmrAuto, &QTimer::timeout);
    f.fakes.boxes.whileShown = [&] {
        f.main.ownAddress().tmrAuto.start();
        if (QTest::qWaitFor([&] { return ticks.size() >= 3; }))
            queriesDuringMessage = int(f.fakes.web.urls.size()) - 1;
        f.main.ownAddress().tmrAuto.stop();
    };
    QTest::mouseClick(f.find<QPushButton>("cmdDeleteGrid"), Qt::LeftButton);
    QCOMPARE(queriesDuringMessage, 0);
    QTRY_COMPARE(f.fakes.web.urls.size(), 2);
    // The held ticks made one: no second query follows.
    QVERIFY(!QTest::qWaitFor([&] { return f.fakes.web.urls.size() > 2; }, 200));
    QCOMPARE(f.fakes.web.urls,
             (QStringList{command("acme", "a.test", "www", "RECORDDELETE", "A", "10.2.2.2"),
                          kQuery.arg("acme")}));
    QCOMPARE(grid->model()->rowCount(), 1); // the record stays deleted: the one empty row
}

void TestRefresh::noTickForThePreviousSubscriber() {
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"));
    f.find<QCheckBox>("chkAutoIP")->setChecked(true);
    f.main.ownAddress().tmrAuto.start();
    f.fakes.web.answer(success()); // parking
    QStringList whileOpen;
    QSignalSpy ticks(&f.main.ownAddress().tmrAuto, &QTimer::timeout);
    bool ticked = false;
    testing::whenModalOpens([&](QWidget *dialog) {
        const qsizetype before = ticks.size();
        ticked = QTest::qWaitFor([&] { return ticks.size() >= before + 3; });
        whileOpen = f.fakes.web.urls;
        static_cast<QDialog *>(dialog)->done(0); // as Exit would end the program
    });
    f.find<QAction>("mnuLogin")->trigger();
    QVERIFY(ticked);
    QCOMPARE(whileOpen,
             QStringList{command("dana", "dyn.test", "dana", "RECORDADD", "A", "192.0.2.1")});
}

void TestRefresh::clicksDuringAnExchangeWaitForIt_data() {
    QTest::addColumn<QString>("subDomain"); // empty: record-table mode
    QTest::addColumn<QString>("click");
    QTest::addColumn<QStringList>("afterwards"); // commands once the tick is over
    QTest::addColumn<int>("endings");
    const QStringList none;
    QTest::newRow("close, table") << ""
                                  << "close" << none << 1;
    QTest::newRow("close, own host name: asked, parked")
        << "dyn.test"
        << "close"
        << QStringList{command("dana", "dyn.test", "dana", "RECORDADD", "A", "192.0.2.1")} << 1;
    QTest::newRow("Login as Different User") << ""
                                             << "login" << none << 0;
    QTest::newRow("Delete, clicked twice: deleted once")
        << ""
        << "delete"
        << QStringList{command("dana", "a.test", "www", "RECORDDELETE", "A", "10.2.2.2")} << 0;
    QTest::newRow("Update") << ""
                            << "update"
                            << QStringList{command("dana", "a.test", "@", "RECORDADD", "A",
                                                   "10.4.4.4")}
                            << 0;
    QTest::newRow("Update, then Cancel: nothing") << ""
                                                  << "update-cancel" << none << 0;
    QTest::newRow("Update, the window gone to the tray meanwhile")
        << ""
        << "update-tray"
        << QStringList{command("dana", "a.test", "@", "RECORDADD", "A", "10.4.4.4")} << 0;
    QTest::newRow("Set Alternate IP")
        << "dyn.test"
        << "setip" << QStringList{command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.7.7.7")}
        << 0;
    // Of two clicks of a kind the last counts: the address corrected between them.
    QTest::newRow("Set Alternate IP, corrected and clicked again")
        << "dyn.test"
        << "setip-corrected"
        << QStringList{command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.7.7.8")} << 0;
    // The tick moves the marked record while its row is double-clicked: the editor opens once the
    // tick is over, on the record as it stands then (an Update of the old one would add it a
    // second time beside its moved self).
    QTest::newRow("double-click on a record the tick moves") << ""
                                                             << "edit" << none << 0;
}

void TestRefresh::clicksDuringAnExchangeWaitForIt() {
    // While a tick waits for the service, its event loop lets clicks through. Carried out at
    // once they would interleave with the tick; dropped, the user's click would be lost. They
    // wait for the tick, under a busy pointer, and then happen.
    QFETCH(QString, subDomain);
    QFETCH(QString, click);
    QFETCH(QStringList, afterwards);
    QFETCH(int, endings);
    RefreshFixture f(QStringLiteral("dana"), subDomain, QStringLiteral("a.test;;A;;www;;10.2.2.2"));
    if (!subDomain.isEmpty())
        f.find<QCheckBox>("chkAutoIP")->setChecked(true); // so that the tick asks the service
    f.find<QLineEdit>("txtVerlundIP")->setText(QStringLiteral("10.7.7.7"));
    auto *grid = f.find<QTableView>("gridDomainUser");
    grid->selectRow(0);
    const bool moving = click == QLatin1String("edit");
    if (moving) { // www follows the address, and the tick moves it
        f.fakes.autoIP.UpdateAutoIPList("a.test", "www", "RECORDADD", "A", "10.2.2.2", true);
        f.main.recordView().LoadRecordTable();
        grid->selectRow(0);
    }
    if (click.startsWith(QLatin1String("update"))) {
        QTest::mouseClick(f.find<QPushButton>("cmdAddGrid"), Qt::LeftButton);
        f.find<QComboBox>("cboDomain")->setCurrentIndex(0);
        f.find<QComboBox>("cboRecordType")->setCurrentIndex(0);
        f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("10.4.4.4"));
    }
    // Every login window that opens is counted and closed (as Exit would end the program).
    int loginsOpened = 0;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            ++loginsOpened;
            dialog->done(0);
        }
    });
    closer.start();
    qsizetype sentDuringTick = -1;
    bool busyPointer = false;
    f.fakes.web.duringFetch = [&] {
        if (sentDuringTick >= 0)
            return; // only during the tick's own request
        for (int i = 0; i < 2; ++i) {
            if (click == QLatin1String("close"))
                f.main.close();
            else if (click == QLatin1String("login"))
                f.find<QAction>("mnuLogin")->trigger();
            else if (click == QLatin1String("delete"))
                QTest::mouseClick(f.find<QPushButton>("cmdDeleteGrid"), Qt::LeftButton);
            else if (click == QLatin1String("update"))
                QTest::mouseClick(f.find<QPushButton>("cmdServerIP"), Qt::LeftButton);
            else if (click == QLatin1String("update-cancel")) {
                // The Update waits; the editing it belonged to is left, and opened anew.
                QTest::mouseClick(f.find<QPushButton>("cmdServerIP"), Qt::LeftButton);
                QTest::mouseClick(f.find<QPushButton>("cmdCancel"), Qt::LeftButton);
                QTest::mouseClick(f.find<QPushButton>("cmdAddGrid"), Qt::LeftButton);
                f.find<QComboBox>("cboDomain")->setCurrentIndex(0);
                f.find<QComboBox>("cboRecordType")->setCurrentIndex(0);
                f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("10.5.5.5"));
            } else if (click == QLatin1String("update-tray")) {
                QTest::mouseClick(f.find<QPushButton>("cmdServerIP"), Qt::LeftButton);
                f.main.hide();
            } else if (click == QLatin1String("edit")) {
                const QRect row = grid->visualRect(grid->model()->index(0, 1));
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row.center());
            } else {
                if (click == QLatin1String("setip-corrected"))
                    f.find<QLineEdit>("txtVerlundIP")
                        ->setText(i == 0 ? QStringLiteral("10.7.7.7") : QStringLiteral("10.7.7.8"));
                QTest::mouseClick(f.find<QPushButton>("cmdVerlundSetIP"), Qt::LeftButton);
            }
        }
        sentDuringTick = f.fakes.web.urls.size();
        busyPointer = QApplication::overrideCursor() != nullptr &&
                      QApplication::overrideCursor()->shape() == Qt::BusyCursor;
    };
    f.fakes.web.answer(
        queryAnswer(QStringLiteral("10.1.1.1"), QStringLiteral("a.test;;A;;www;;10.2.2.2")));
    const QStringList moves{command("dana", "a.test", "www", "RECORDDELETE", "A", "10.2.2.2"),
                            command("dana", "a.test", "www", "RECORDADD", "A", "10.1.1.1")};
    if (moving) {
        f.fakes.web.answer(success());
        f.fakes.web.answer(success(QStringLiteral("a.test;;A;;www;;10.1.1.1")));
    }
    for (int i = 0; i < afterwards.size(); ++i)
        f.fakes.web.answer(success(QStringLiteral("a.test;;A;;www;;10.2.2.2")));
    f.tick();
    QCOMPARE(sentDuringTick, 1);
    QVERIFY(busyPointer);
    QCOMPARE(f.fakes.web.urls, QStringList{kQuery.arg("dana")} + (moving ? moves : QStringList()));
    if (moving) {
        QTRY_VERIFY(f.find<QWidget>("frameOtherDomain")->isVisible());
        QCOMPARE(f.find<QLineEdit>("txtServerIP")->text(), QStringLiteral("10.1.1.1"));
        QVERIFY(f.find<QCheckBox>("chkDomainAutoIP")->isChecked());
        f.fakes.web.urls = f.fakes.web.urls.mid(0, 1);
    }

    QTRY_VERIFY(!f.fakes.work.hasDeferredActions()); // every waiting click has had its turn
    QTRY_COMPARE(f.fakes.web.urls, QStringList{kQuery.arg("dana")} + afterwards);
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(f.fakes.shell.endings, endings);
    QCOMPARE(f.fakes.boxes.asked.size(), click == QLatin1String("close") && !subDomain.isEmpty());
    if (click == QLatin1String("close") || click == QLatin1String("login"))
        QVERIFY(f.fakes.settings.writes.contains(QStringLiteral("Init/bSaveLogin=0")));
    QTRY_COMPARE(loginsOpened, click == QLatin1String("login") ? 1 : 0);
}

void TestRefresh::setAlternateIP_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("spaces only") << "   " << QStringList()
                                 << QStringList{"IP Address must be filled in"};
    QTest::newRow("surrounding spaces are sent")
        << " 10.4.4.4 "
        << QStringList{command("dana", "dyn.test", "dana", "RECORDADD", "A", "%2010.4.4.4%20")}
        << QStringList{"Transaction Complete:\nIP Set for Name:dana IPAddress: 10.4.4.4 "};
}

void TestRefresh::setAlternateIP() {
    QFETCH(QString, typed);
    QFETCH(QStringList, urls);
    QFETCH(QStringList, messages);
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"));
    auto *box = f.find<QLineEdit>("txtVerlundIP");
    box->clear();
    QTest::keyClicks(box, typed);
    f.fakes.web.answer(success());
    // A second click while the first waits does nothing.
    f.fakes.web.duringFetch = [&] {
        f.fakes.web.duringFetch = nullptr;
        QTest::mouseClick(f.find<QPushButton>("cmdVerlundSetIP"), Qt::LeftButton);
    };
    QTest::mouseClick(f.find<QPushButton>("cmdVerlundSetIP"), Qt::LeftButton);
    QCOMPARE(f.fakes.web.urls, urls);
    QCOMPARE(f.fakes.boxes.shown, messages);
}

void TestRefresh::ticksAreWrittenDownAndTold() {
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"), {}, true);
    f.find<QCheckBox>("chkAutoIP")->setChecked(true);
    const auto tick = [&f](const QString &fetched, const QStringList &answers) {
        if (fetched.isEmpty())
            f.fakes.web.fail();
        else
            f.fakes.web.answer(queryAnswer(fetched));
        for (const QString &answer : answers)
            f.fakes.web.answer(answer);
        f.tick();
    };
    const QString refused = QStringLiteral("<p>FAILURE</p><p>Error: Address is blocked</p>");
    tick(QStringLiteral("10.5.5.5"), {});
    tick(QStringLiteral("10.5.5.5"), {success(), success()});
    tick(QStringLiteral("10.6.6.6"), {});
    tick(QStringLiteral("10.6.6.6"), {success(), refused});
    // Told as the tick ends; one lost answer is no outage.
    const QStringList told{
        "moved|Address changed to 10.5.5.5|dana.dyn.test now points there.",
        "refused+A dana.dyn.test 10.6.6.6|Could not set dana.dyn.test at 10.6.6.6|"
        "The service said: Address is blocked"};
    QCOMPARE(f.watching->told, told);
    tick(QString(), {});
    QCOMPARE(f.watching->told, told);

    // The whole of it in the history, newest first; the set-up's commands are the subscriber's.
    auto *history = f.main.findChild<QAction *>(QStringLiteral("mnuHistory"));
    QVERIFY(history->isEnabled());
    history->trigger();
    auto *window = f.main.findChild<QDialog *>(QStringLiteral("frmHistory"));
    QVERIFY(window != nullptr && window->isVisible());
    auto *grid = window->findChild<QTableView *>(QStringLiteral("gridHistory"));
    const auto rows = [grid] {
        QStringList shown;
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 1; column < grid->model()->columnCount(); ++column)
                cells.append(grid->model()->index(row, column).data().toString());
            shown.append(cells.join(QLatin1Char('|')));
        }
        return shown;
    };
    // A query that found what the one before found is a routine check: hidden until asked for.
    const QString routine = QStringLiteral("Address query|||dana|%1|Unchanged: %2 since ");
    const auto withoutSince = [&rows] {
        QStringList shown = rows();
        for (QString &row : shown)
            if (const qsizetype since = row.indexOf(QLatin1String(" since ")); since >= 0)
                row.truncate(since + 7);
        return shown;
    };
    QStringList expected{
        "Address query|||dana||No answer",
        "Wait|dyn.test|A|dana|10.6.6.6|Next try after 1 refresh",
        "Record add (refresh)|dyn.test|A|dana|10.6.6.6|Error: Address is blocked",
        "Record delete (refresh)|dyn.test|A|dana|10.5.5.5|Success",
        "Address query|||dana|10.6.6.6|Success",
        "Record add (refresh)|dyn.test|A|dana|10.5.5.5|Success",
        "Record delete (refresh)|dyn.test|A|dana|10.1.1.1|Success",
        "Address query|||dana|10.5.5.5|Success",
        "Record add|dyn.test|A|dana|10.1.1.1|Success",
        "Record delete|dyn.test|A|dana|192.0.2.1|Success",
    };
    QCOMPARE(rows(), expected);
    auto *count = window->findChild<QLabel *>(QStringLiteral("lblCount"));
    QCOMPARE(count->text(), QStringLiteral("10 of 12 entries"));
    auto *routineChecks = window->findChild<QCheckBox *>(QStringLiteral("chkRoutineChecks"));
    QVERIFY(!routineChecks->isChecked());
    QCOMPARE(routineChecks->accessibleName(), QStringLiteral("Show routine checks"));
    routineChecks->click();
    expected.insert(4, routine.arg("10.6.6.6", "1 check"));
    expected.insert(8, routine.arg("10.5.5.5", "1 check"));
    QCOMPARE(withoutSince(), expected);
    QCOMPARE(count->text(), QStringLiteral("12 entries"));
    // Searched, and kept up to date while open.
    auto *search = window->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    QTest::keyClicks(search, QStringLiteral("BLOCKED"));
    QCOMPARE(rows(), QStringList{expected.at(2)});
    QCOMPARE(count->text(), QStringLiteral("1 of 12 entries"));
    // Escape empties the search first; the window stays.
    QTest::keyClick(search, Qt::Key_Escape);
    QVERIFY(search->text().isEmpty() && window->isVisible());
    // After a query without an answer the same address starts a new count.
    tick(QStringLiteral("10.6.6.6"), {});
    QCOMPARE(rows().size(), 13);
    QCOMPARE(withoutSince().first(), routine.arg("10.6.6.6", "1 check"));
    QCOMPARE(count->text(), QStringLiteral("13 entries"));
    routineChecks->click();
    QCOMPARE(rows().first(), expected.first());
    QCOMPARE(count->text(), QStringLiteral("10 of 13 entries"));
    QCOMPARE(f.watching->told, told);

    // Turned off, and kept so: a move says nothing.
    auto *notifications = f.main.findChild<QAction *>(QStringLiteral("mnuNotifications"));
    QVERIFY(notifications->isChecked());
    notifications->trigger();
    QCOMPARE(f.fakes.settings.values.value(QStringLiteral("Init/Notifications")),
             QStringLiteral("0"));
    tick(QStringLiteral("10.7.7.7"), {});
    tick(QStringLiteral("10.7.7.7"), {success(), success()});
    QCOMPARE(f.fakes.web.urls.last(),
             command("dana", "dyn.test", "dana", "RECORDADD", "A", "10.7.7.7"));
    QCOMPARE(f.watching->told, told);

    // A link put in the history's place is set aside and said, once the tick has ended.
    const QString path = f.watching->history.path();
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::link(f.watching->dir.filePath(QStringLiteral("other")), path));
    f.fakes.boxes.whileShown = [&f] {
        QVERIFY(!f.fakes.work.isHeld());
    };
    tick(QStringLiteral("10.7.7.7"), {});
    QTRY_COMPARE(f.fakes.boxes.shown.size(), 1);
    QVERIFY2(f.fakes.boxes.shown.first().startsWith(
                 QStringLiteral("The history file\n") + path +
                 QStringLiteral("\nis a link to another file.\nIt was set aside as\n") + path +
                 QStringLiteral(".set-aside-")),
             qPrintable(f.fakes.boxes.shown.first()));
    QCOMPARE(f.watching->history.entries().size(), 1);

    // Two different messages in one exchange are both shown once it has ended; the same one
    // twice, once.
    f.fakes.web.duringFetch = [&f] {
        f.fakes.web.duringFetch = nullptr;
        Q_EMIT f.watching->history.setAside(QStringLiteral("The history file\nfirst"));
        Q_EMIT f.watching->history.setAside(QStringLiteral("The history file\nsecond"));
        Q_EMIT f.watching->history.setAside(QStringLiteral("The history file\nfirst"));
    };
    tick(QStringLiteral("10.7.7.7"), {});
    QTRY_COMPARE(f.fakes.boxes.shown.size(), 3);
    QCOMPARE(f.fakes.boxes.shown.mid(1),
             (QStringList{"The history file\nfirst", "The history file\nsecond"}));
}

void TestRefresh::noticesWaitForTheAboutBox() {
    RefreshFixture f(QStringLiteral("dana"), QStringLiteral("dyn.test"), {}, true);
    f.find<QCheckBox>("chkAutoIP")->setChecked(true);
    f.fakes.web.answer(queryAnswer(QStringLiteral("10.5.5.5")));
    f.tick();
    // A move made while the about box is open is told once it has closed.
    bool ran = false;
    testing::whenModalOpens([&](QWidget *about) {
        f.fakes.web.answer(queryAnswer(QStringLiteral("10.5.5.5")));
        f.fakes.web.answer(success());
        f.fakes.web.answer(success());
        f.tick();
        ran = true;
        QCOMPARE(f.watching->told.size(), 0);
        about->close();
    });
    f.find<QAction>("mnuAbout")->trigger();
    QVERIFY(ran);
    QTRY_COMPARE(f.watching->told,
                 QStringList{"moved|Address changed to 10.5.5.5|dana.dyn.test now points there."});
}

QTEST_MAIN(TestRefresh)
#include "tst_refresh.moc"
