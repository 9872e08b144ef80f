// The record editor and the record commit on the real main window, driven with clicks, against
// doubles of the platform.
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/WebRequest.h"
#include "records/RecordView.h"
#include "session/MarkFile.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace pellmarch;

namespace {

const QString kRecords = QStringLiteral("a.test;;A;;@;;10.0.0.1~~a.test;;A;;mail;;10.0.0.2~~"
                                        "old.test;;TXT;;note;;10.0.0.3");
const QString kShown = QStringLiteral("198.51.100.7");

QString command(const QString &verb, const QString &domain, const QString &name,
                const QString &type, const QString &address) {
    return QStringLiteral("http://dns.example/dnslogin.asp?FXN=DNSTickler&Usr=acme&Pwd=pw"
                          "&Cname=%1&Domain=%2&DNSCommand=%3&RecordType=%4&IPAddress=%5")
        .arg(name, domain, verb, type, address);
}

QString success(const QString &records) {
    return QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: %1</p>").arg(records);
}

// A record-table subscriber "acme" with the three records above, the window on screen.
struct EditorFixture {
    testing::FakeServices fakes;
    app::frmMain main{fakes.services};
    QTableView *grid = main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));

    explicit EditorFixture(const QString &records = kRecords) {
        fakes.user.sUsername = QStringLiteral("acme");
        fakes.user.sPassword = QStringLiteral("pw");
        fakes.user.sIPAddress = kShown;
        fakes.user.sDomainList = QStringLiteral("a.test,b.test");
        fakes.user.sRecordTypeList = QStringLiteral("A,MX");
        fakes.user.sDomainUserRecords = records;
        main.show();
        main.SetUpMainWindow();
        main.ownAddress().tmrAuto.stop(); // refreshes run when a test runs them
        (void)QTest::qWaitForWindowExposed(&main);
    }
    // A refresh whose address query lists `records` (no list at all: null text).
    void tick(const QString &records) {
        fakes.web.script.prepend(platform::WebAnswer{
            false,
            QStringLiteral("<p>SUCCESS</p><p>IPAddress: %1</p>").arg(kShown) +
                (records.isNull() ? QString()
                                  : QStringLiteral("<p>DomainUserRecords: %1</p>").arg(records))});
        main.ownAddress().tmrAuto_Timer();
    }
    template <typename W> W *find(const char *name) const {
        return main.findChild<W *>(QLatin1String(name));
    }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void chooseRow(int position, bool twice = false) {
        // The table shows positions from 1: its row r is position r + 1.
        const QRect cell = grid->visualRect(grid->model()->index(position - 1, 1));
        // A double-click arrives as a click and then the double-click itself.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        if (twice)
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    bool editorShown() const { return find<QWidget>("frameOtherDomain")->isVisible(); }
    // Domain, type, name, address and tick of the editor, joined by "|".
    QString editor() const {
        return QStringList{find<QComboBox>("cboDomain")->currentText(),
                           find<QComboBox>("cboRecordType")->currentText(),
                           find<QLineEdit>("txtCName")->text(),
                           find<QLineEdit>("txtServerIP")->text(),
                           find<QCheckBox>("chkDomainAutoIP")->isChecked() ? "1" : "0"}
            .join(QLatin1Char('|'));
    }
    void tickBox() {
        QCheckBox *box = find<QCheckBox>("chkDomainAutoIP");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
};

} // namespace

class TestRecordEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opening_data();
    void opening();
    void addTwiceAndCancel();
    void validation_data();
    void validation();
    void update_data();
    void update();
    void secondUpdateWhileTheFirstWaitsDoesNothing();
    void deleting_data();
    void deleting();
    void lostRecordIsPutBackFirstAndFinishedLater();
    void changeCutOffIsFinishedAtTheNextStart_data();
    void changeCutOffIsFinishedAtTheNextStart();
    void refusedFinishingWaitsLongerEachTime();
    void marksAreKeptForTheNextRun();
    void keyboardOnly();
    void underASort_data();
    void underASort();
    void changedRecordStaysChosen_data();
    void changedRecordStaysChosen();
};

void TestRecordEdit::opening_data() {
    QTest::addColumn<QString>("records");
    QTest::addColumn<bool>("marked"); // a.test MX mail marked for automatic resolution
    QTest::addColumn<int>("row");     // -1: none chosen
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("editor"); // empty: the editor stays closed
    QTest::newRow("Edit with no row") << kRecords << false << -1 << false << "Please select a row"
                                      << "";
    QTest::newRow("Edit on the empty row of an empty list")
        << "" << false << 1 << false
        << "There are no rows to edit. Please click on 'Add' button add more entries."
        << "";
    QTest::newRow("double-click on the root record shows @") << kRecords << false << 1 << true << ""
                                                             << "a.test|A|@|10.0.0.1|0";
    QTest::newRow("double-click below the rows chooses nothing")
        << kRecords << false << 9 << true << "Please select a row"
        << "";
    QTest::newRow("a marked record opened with the box unticked: the shown address")
        << kRecords << true << 2 << false << ""
        << "a.test|A|mail|198.51.100.7|1";
    QTest::newRow("a domain and type not offered are shown as they are")
        << kRecords << false << 3 << false << ""
        << "old.test|TXT|note|10.0.0.3|0";
}

void TestRecordEdit::opening() {
    QFETCH(QString, records);
    QFETCH(bool, marked);
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(QString, message);
    QFETCH(QString, editor);
    EditorFixture f(records);
    if (marked) {
        f.fakes.autoIP.UpdateAutoIPList("a.test", "mail", "RECORDADD", "A", "10.0.0.2", true);
        f.main.recordView().LoadRecordTable();
    }
    if (row == 9) {
        const QRect last = f.grid->visualRect(f.grid->model()->index(2, 1));
        const QPoint below(last.center().x(), last.bottom() + 40);
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, below);
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {}, below);
    } else {
        if (row >= 0)
            f.chooseRow(row, doubleClick);
        if (!doubleClick)
            f.click("cmdEditGrid");
    }
    QCOMPARE(f.fakes.boxes.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.editorShown(), !editor.isEmpty());
    if (editor.isEmpty()) {
        QVERIFY(f.grid->selectionModel()->selectedRows().isEmpty());
        return;
    }
    QCOMPARE(f.editor(), editor);
    // Only an address record can follow the public address; the box says why it is off.
    auto *box = f.find<QCheckBox>("chkDomainAutoIP");
    const bool address = editor.contains(QLatin1String("|A|"));
    QCOMPARE(box->isEnabled(), address);
    QCOMPARE(box->accessibleDescription(),
             address ? QString()
                     : QStringLiteral("Only address records (type A) can follow this computer's "
                                      "public address."));
    QCOMPARE(f.main.windowHeightTwips(), 5580);
    QCOMPARE(f.main.statusTopTwips(), 4335);
    // A value offered only for one editing is gone at the next.
    f.click("cmdCancel");
    f.chooseRow(1);
    f.click("cmdEditGrid");
    QCOMPARE(f.find<QComboBox>("cboRecordType")->count(), 2);
    QVERIFY(f.fakes.web.urls.isEmpty());
}

void TestRecordEdit::addTwiceAndCancel() {
    EditorFixture f;
    f.chooseRow(2);
    for (int round = 0; round < 2; ++round) {
        f.click("cmdAddGrid");
        QVERIFY(f.editorShown());
        auto *domains = f.find<QComboBox>("cboDomain");
        QCOMPARE(domains->count(), 2);
        QCOMPARE(domains->currentIndex(), -1);
        QCOMPARE(f.find<QComboBox>("cboRecordType")->count(), 2);
        // A new record starts unticked, also after an editing that left the box ticked.
        QCOMPARE(f.editor(), QStringLiteral("||||0"));
        f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("typed"));
        if (round == 0)
            f.tickBox();
        f.click("cmdCancel");
        QVERIFY(!f.editorShown());
        QCOMPARE(f.main.windowHeightTwips(), 6780);
        QCOMPARE(f.grid->model()->rowCount(), 3);
        QVERIFY(f.grid->selectionModel()->selectedRows().isEmpty());
    }
    QVERIFY(f.fakes.web.urls.isEmpty());
}

void TestRecordEdit::validation_data() {
    QTest::addColumn<int>("domain"); // entry chosen, -1 none
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");
    QTest::newRow("domain and type blank: only the domain") << -1 << -1 << "1.2.3.4"
                                                            << "Domain must be filled in";
    QTest::newRow("type blank") << 0 << -1 << "1.2.3.4"
                                << "Record Type must be filled in";
    QTest::newRow("three spaces are no address") << 0 << 0 << "   "
                                                 << "IP Address must be filled in";
    QTest::newRow("an empty name passes") << 1 << 1 << "1.2.3.4"
                                          << "";
}

void TestRecordEdit::validation() {
    QFETCH(int, domain);
    QFETCH(int, type);
    QFETCH(QString, address);
    QFETCH(QString, message);
    EditorFixture f;
    f.click("cmdAddGrid");
    f.find<QComboBox>("cboDomain")->setCurrentIndex(domain);
    f.find<QComboBox>("cboRecordType")->setCurrentIndex(type);
    QTest::keyClicks(f.find<QLineEdit>("txtServerIP"), address);
    f.fakes.web.answer(success(kRecords));
    f.click("cmdServerIP");
    if (message.isEmpty()) {
        QCOMPARE(f.fakes.web.urls,
                 QStringList{command("RECORDADD", "b.test", "@", "MX", "1.2.3.4")});
        QVERIFY(!f.editorShown());
        return;
    }
    QCOMPARE(f.fakes.boxes.shown, QStringList{message});
    QVERIFY(f.fakes.web.urls.isEmpty());
    QVERIFY(f.editorShown());
    QCOMPARE(f.find<QLineEdit>("txtServerIP")->text(), address);
}

void TestRecordEdit::update_data() {
    QTest::addColumn<int>("row");             // record opened with Edit
    QTest::addColumn<bool>("leftTicked");     // mail marked, the box left ticked by an Add
    QTest::addColumn<QString>("name");        // typed over the name; "=" keeps it
    QTest::addColumn<QString>("address");     // typed over the address; "=" keeps it
    QTest::addColumn<bool>("tick");           // click the check box
    QTest::addColumn<QStringList>("answers"); // in order: "ok", "moved" (mail at the shown
                                              // address) or "refused"
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("autoCell"); // "AutoIP Res" of the row after the reload
    const QString mx = QStringLiteral("a.test;;A;;mail;;10.0.0.2");
    QTest::newRow("unchanged sends nothing")
        << 2 << false << "="
        << "=" << false << QStringList{} << QStringList() << 0 << "No";
    QTest::newRow("only the address: delete quietly, add with its message")
        << 2 << false << "="
        << "10.0.0.9" << false << QStringList{"ok", "ok"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.9")}
        << 1 << "No";
    QTest::newRow("only the box: moved to the shown address and marked")
        << 2 << false << "="
        << "=" << true << QStringList{"ok", "moved"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "198.51.100.7")}
        << 1 << "Yes";
    QTest::newRow("a change of letter case counts")
        << 2 << false << "Mail"
        << "=" << false << QStringList{"ok", "ok"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "Mail", "A", "10.0.0.2")}
        << 1 << "No";
    QTest::newRow("a refused add puts the old record back")
        << 2 << false << "="
        << "10.0.0.9" << false << QStringList{"ok", "refused", "ok"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.9"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.2")}
        << 1 << "No";
    QTest::newRow("a refused delete: the add still goes, nothing is put back")
        << 2 << false << "="
        << "10.0.0.9" << false << QStringList{"refused", "ok"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.9")}
        << 1 << "No";
    QTest::newRow("only unticking: the record stays at its stored address, unmarked")
        << 2 << true << "="
        << "=" << true << QStringList{"ok", "ok"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.2")}
        << 1 << "No";
    QTest::newRow("delete and add refused: nothing was lost, nothing is put back")
        << 2 << false << "="
        << "10.0.0.9" << false << QStringList{"refused", "refused"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.9")}
        << 1 << "No";
    QTest::newRow("add and put-back refused: the missing record is named")
        << 2 << false << "="
        << "10.0.0.9" << false << QStringList{"ok", "refused", "refused"}
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.9"),
                       command("RECORDADD", "a.test", "mail", "A", "10.0.0.2")}
        << 2 << "No";
}

void TestRecordEdit::update() {
    QFETCH(int, row);
    QFETCH(bool, leftTicked);
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(bool, tick);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, urls);
    QFETCH(int, messages);
    QFETCH(QString, autoCell);
    EditorFixture f;
    QString moved = kRecords;
    moved.replace(QStringLiteral("mail;;10.0.0.2"), QStringLiteral("mail;;198.51.100.7"));
    for (const QString &answer : answers)
        f.fakes.web.answer(answer == QLatin1String("refused") ? QStringLiteral("<p>Error: no</p>")
                           : answer == QLatin1String("moved") ? success(moved)
                                                              : success(kRecords));
    if (leftTicked) {
        f.fakes.autoIP.UpdateAutoIPList("a.test", "mail", "RECORDADD", "A", "10.0.0.2", true);
        f.main.recordView().LoadRecordTable();
        f.click("cmdAddGrid");
        f.find<QComboBox>("cboRecordType")->setCurrentIndex(0); // an address record
        f.tickBox();
        f.click("cmdCancel");
    }
    f.chooseRow(row);
    f.click("cmdEditGrid");
    if (name != QLatin1String("="))
        f.find<QLineEdit>("txtCName")->setText(name);
    if (address != QLatin1String("="))
        f.find<QLineEdit>("txtServerIP")->setText(address);
    if (tick)
        f.tickBox();
    f.click("cmdServerIP");

    QCOMPARE(f.fakes.web.urls, urls);
    QCOMPARE(f.fakes.boxes.shown.size(), messages);
    QVERIFY(!f.editorShown());
    // The record written (or, where that failed, as it stayed) is the chosen row.
    const QModelIndexList chosen = f.grid->selectionModel()->selectedRows(2);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().data().toString().toLower(), QStringLiteral("mail"));
    QCOMPARE(f.grid->model()->index(1, 4).data().toString(), autoCell);
}

void TestRecordEdit::secondUpdateWhileTheFirstWaitsDoesNothing() {
    EditorFixture f;
    f.click("cmdAddGrid");
    f.find<QComboBox>("cboDomain")->setCurrentIndex(0);
    f.find<QComboBox>("cboRecordType")->setCurrentIndex(0);
    f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("10.0.0.5"));
    f.fakes.web.answer(success(kRecords));
    f.fakes.web.duringFetch = [&] {
        f.fakes.web.duringFetch = nullptr;
        f.click("cmdServerIP");
    };
    f.click("cmdServerIP");
    QCOMPARE(f.fakes.web.urls, QStringList{command("RECORDADD", "a.test", "@", "A", "10.0.0.5")});
}

void TestRecordEdit::deleting_data() {
    QTest::addColumn<QString>("records");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("urls");
    QTest::newRow("no row chosen") << kRecords << -1 << QStringList();
    QTest::newRow("the empty row of an empty list") << "" << 1 << QStringList();
    QTest::newRow("the root record goes out as @")
        << kRecords << 1 << QStringList{command("RECORDDELETE", "a.test", "@", "A", "10.0.0.1")};
}

void TestRecordEdit::deleting() {
    QFETCH(QString, records);
    QFETCH(int, row);
    QFETCH(QStringList, urls);
    EditorFixture f(records);
    f.fakes.web.answer(success(QStringLiteral("a.test;;A;;mail;;10.0.0.2")));
    if (row >= 0)
        f.chooseRow(row);
    f.click("cmdDeleteGrid");
    QCOMPARE(f.fakes.web.urls, urls);
    QCOMPARE(f.fakes.boxes.shown.size(), urls.size());
    QVERIFY(!f.editorShown());
    if (!urls.isEmpty()) // reloaded from the answer
        QCOMPARE(f.grid->model()->rowCount(), 1);
}

void TestRecordEdit::lostRecordIsPutBackFirstAndFinishedLater() {
    EditorFixture f;
    const QString withoutMail =
        QStringLiteral("a.test;;A;;@;;10.0.0.1~~old.test;;TXT;;note;;10.0.0.3");
    f.fakes.web.answer(success(withoutMail));                               // delete
    f.fakes.web.answer(QStringLiteral("<p>Error: Invalid IP address</p>")); // add
    f.fakes.web.answer(QStringLiteral("<p>Error: Busy</p>"));               // put-back
    QList<qsizetype> sentBeforeMessage;
    f.fakes.boxes.whileShown = [&] {
        sentBeforeMessage.append(f.fakes.web.urls.size());
    };
    f.chooseRow(2);
    f.click("cmdEditGrid");
    f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("10.0.0.9"));
    f.click("cmdServerIP");

    // The put-back went out before anything waited for the user.
    QCOMPARE(f.fakes.web.urls.size(), 3);
    QCOMPARE(sentBeforeMessage, (QList<qsizetype>{3, 3}));
    QCOMPARE(f.fakes.boxes.shown,
             (QStringList{QStringLiteral("Could not Set IP.  Invalid IP address"),
                          QStringLiteral("Could not put the record back.  It is missing from the "
                                         "DNS Server:\nName:mail Domain:a.test Record Type:A "
                                         "IPAddress:10.0.0.2\nPellmarch will try again to add it; "
                                         "you may also add it yourself.")}));
    QCOMPARE(f.grid->model()->rowCount(), 2); // the reloaded table lacks it

    // A refresh whose answer carries no record list says nothing of the record: nothing is sent.
    const QString query =
        QStringLiteral("http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=acme");
    f.fakes.web.urls.clear();
    f.tick(QString());
    QCOMPARE(f.fakes.web.urls, QStringList{query});
    // The next refresh's list lacks it: the change is finished, also while the editor is open.
    // The new record is refused again, the old one is put back, and the change is crossed out.
    f.click("cmdAddGrid");
    f.fakes.web.urls.clear();
    f.fakes.web.answer(QStringLiteral("<p>Error: Invalid IP address</p>"));
    f.fakes.web.answer(success(kRecords));
    f.tick(withoutMail);
    QCOMPARE(f.fakes.web.urls,
             (QStringList{query, command("RECORDADD", "a.test", "mail", "A", "10.0.0.9"),
                          command("RECORDADD", "a.test", "mail", "A", "10.0.0.2")}));
    f.click("cmdCancel");
    QCOMPARE(f.grid->model()->rowCount(), 3);
    f.fakes.web.urls.clear();
    f.tick(kRecords);
    QCOMPARE(f.fakes.web.urls, QStringList{query});
}

void TestRecordEdit::changeCutOffIsFinishedAtTheNextStart_data() {
    QTest::addColumn<QString>("listAtStart"); // the login's record list in the next run
    QTest::addColumn<QStringList>("urls");
    const QString others = QStringLiteral("a.test;;A;;@;;10.0.0.1~~old.test;;TXT;;note;;10.0.0.3");
    QTest::newRow("deleted, never added: added at the new address")
        << others << QStringList{command("RECORDADD", "a.test", "mail", "A", "198.51.100.9")};
    QTest::newRow("the delete never arrived: nothing to do") << kRecords << QStringList();
    QTest::newRow("the add arrived, its answer lost: marked, nothing sent")
        << others + QStringLiteral("~~A.TEST;;A;;mail;;198.51.100.9") << QStringList();
    QTest::newRow("the add arrived, listed fully qualified: marked, nothing sent")
        << others + QStringLiteral("~~a.test.;;A;;mail;;198.51.100.9") << QStringList();
    QTest::newRow("added and put back, both answers lost: the old copy goes")
        << kRecords + QStringLiteral("~~a.test;;A;;mail;;198.51.100.9")
        << QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2")};
}

void TestRecordEdit::changeCutOffIsFinishedAtTheNextStart() {
    QFETCH(QString, listAtStart);
    QFETCH(QStringList, urls);
    // The program is ended (killed) while the delete of a marked record's move is on the wire:
    // what the journal holds at that moment is all the next run has.
    QHash<QString, QString> leftOnDisk;
    {
        EditorFixture f;
        f.fakes.autoIP.UpdateAutoIPList(QStringLiteral("a.test"), QStringLiteral("mail"),
                                        QStringLiteral("RECORDADD"), QStringLiteral("A"),
                                        QStringLiteral("10.0.0.2"), true);
        f.main.recordView().LoadRecordTable();
        f.fakes.web.duringFetch = [&] {
            if (leftOnDisk.isEmpty())
                leftOnDisk = f.fakes.journal.values;
        };
        f.main.recordView().RefreshAutoRecords(QStringLiteral("198.51.100.9"));
        QCOMPARE(f.fakes.web.urls.first(),
                 command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"));
    }
    QVERIFY(!leftOnDisk.isEmpty());

    testing::FakeServices next;
    next.journal.values = leftOnDisk;
    next.user.sUsername = QStringLiteral("acme");
    next.user.sPassword = QStringLiteral("pw");
    next.user.sDomainUserRecords = listAtStart;
    QString after = listAtStart; // the service's list once the change is finished
    after.remove(QStringLiteral("a.test;;A;;mail;;10.0.0.2~~"));
    if (!after.contains(QLatin1String("198.51.100.9")))
        after += QStringLiteral("~~a.test;;A;;mail;;198.51.100.9");
    next.web.answer(success(after));
    app::frmMain main(next.services);
    main.SetUpMainWindow();
    QCOMPARE(next.web.urls, urls);
    // Finished either way: nothing is sent again, and the record at its new address keeps its
    // mark, so it goes on following the address.
    next.web.urls.clear();
    std::optional<QString> list = next.user.sDomainUserRecords;
    main.recordView().FinishPendingChanges(list);
    QCOMPARE(next.web.urls, QStringList());
    const QAbstractItemModel *table =
        main.findChild<QTableView *>(QStringLiteral("gridDomainUser"))->model();
    const QModelIndexList moved = table->match(
        table->index(0, 3), Qt::DisplayRole, QStringLiteral("198.51.100.9"), -1, Qt::MatchExactly);
    QCOMPARE(int(moved.size()), listAtStart == kRecords ? 0 : 1);
    for (const QModelIndex &at : moved)
        QCOMPARE(table->index(at.row(), 4).data().toString(), QStringLiteral("Yes"));
    QCOMPARE(table
                 ->match(table->index(0, 3), Qt::DisplayRole, QStringLiteral("10.0.0.2"), -1,
                         Qt::MatchExactly)
                 .isEmpty(),
             listAtStart != kRecords);
}

void TestRecordEdit::refusedFinishingWaitsLongerEachTime() {
    EditorFixture f;
    f.fakes.web.answer(success(QStringLiteral("a.test;;A;;@;;10.0.0.1")));
    f.chooseRow(2);
    f.click("cmdEditGrid");
    f.find<QLineEdit>("txtServerIP")->setText(QStringLiteral("10.0.0.9"));
    // Deleted; the add's answer never comes. It may have been carried out: no put-back, which
    // would hold the record twice then, but a look at the service's list, which finds no
    // service either. The change stays written down.
    f.click("cmdServerIP");
    QCOMPARE(
        f.fakes.web.urls,
        (QStringList{command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2"),
                     command("RECORDADD", "a.test", "mail", "A", "10.0.0.9"),
                     QStringLiteral("http://dns.example/dnslogin.asp?FXN=GetIPAddress&Usr=acme")}));

    // Each refresh's list lacks the record both ways, and the service refuses it both ways: it
    // is asked at the 1st, 3rd, 6th and 11th refresh (waits of 1, 2 and 4 refreshes between),
    // two adds each time, not at every one.
    f.fakes.web.duringFetch = [&f] {
        if (!f.fakes.web.urls.last().contains(QLatin1String("GetIPAddress")))
            f.fakes.web.answer(QStringLiteral("<p>Error: Busy</p>"));
    };
    QList<int> triedAt;
    for (int refresh = 1; refresh <= 12; ++refresh) {
        f.fakes.web.urls.clear();
        f.tick(QStringLiteral("a.test;;A;;@;;10.0.0.1"));
        if (f.fakes.web.urls.size() > 1) {
            QCOMPARE(f.fakes.web.urls.size(), 3);
            triedAt.append(refresh);
        }
    }
    QCOMPARE(triedAt, (QList<int>{1, 3, 6, 11}));
}

void TestRecordEdit::marksAreKeptForTheNextRun() {
    // What an earlier run kept: acme's www, and a record the service no longer lists; bob's own.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PELLMARCH-marks.json"));
    const QString www = QStringLiteral("A.TEST;;A;;@;;10.0.0.1~~");
    const QStringList bob{QStringLiteral("B.TEST;;A;;@;;10.9.9.9~~")};
    {
        session::MarkFile earlier(path);
        earlier.save(QStringLiteral("acme"), {www, QStringLiteral("A.TEST;;A;;GONE;;10.0.0.7~~")});
        earlier.save(QStringLiteral("bob"), bob);
    }
    testing::FakeServices fakes;
    session::MarkFile marks(path);
    fakes.services.marks = &marks;
    fakes.user.sUsername = QStringLiteral("acme");
    fakes.user.sPassword = QStringLiteral("pw");
    fakes.user.sIPAddress = kShown;
    fakes.user.sDomainList = QStringLiteral("a.test");
    fakes.user.sRecordTypeList = QStringLiteral("A");
    fakes.user.sDomainUserRecords = kRecords;
    app::frmMain main(fakes.services);
    main.SetUpMainWindow();
    main.ownAddress().tmrAuto.stop();
    const QAbstractItemModel *table =
        main.findChild<QTableView *>(QStringLiteral("gridDomainUser"))->model();
    QCOMPARE(table->index(0, 4).data().toString(), QStringLiteral("Yes"));
    // mail is marked now: kept as it changed, the mark gone with its record dropped.
    fakes.web.answer(success(kRecords));
    fakes.web.answer(success(kRecords));
    main.findChild<QTableView *>(QStringLiteral("gridDomainUser"))->selectRow(1);
    main.recordView().EditSelectedRecord();
    main.findChild<QCheckBox *>(QStringLiteral("chkDomainAutoIP"))->setChecked(true);
    main.recordView().cmdServerIP_Click();
    // Closed at once (the desktop may end the program right after): the change is on disk.
    main.close();
    QCOMPARE(fakes.shell.endings, 1);
    QCOMPARE(session::MarkFile(path).load(QStringLiteral("acme")),
             (QStringList{www, QStringLiteral("A.TEST;;A;;MAIL;;198.51.100.7~~")}));
    QCOMPARE(session::MarkFile(path).load(QStringLiteral("bob")), bob);
}

void TestRecordEdit::keyboardOnly() {
    // Enter on a row opens it as a double-click does, Escape leaves the editor as "Cancel"
    // does, F1 opens the online help.
    EditorFixture f;
    f.main.ownAddress().tmrAuto.stop();
    f.grid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.grid));
    // The focus makes the first record current; Down chooses the second.
    QTest::keyClick(f.grid, Qt::Key_Down);
    QTest::keyClick(f.grid, Qt::Key_Return);
    QVERIFY(f.editorShown());
    QCOMPARE(f.editor(), QStringLiteral("a.test|A|mail|10.0.0.2|0"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!f.editorShown()); // the button shows itself pressed for a moment
    QCOMPARE(f.fakes.web.urls, QStringList());
    QTest::keyClick(&f.main, Qt::Key_F1);
    QCOMPARE(f.fakes.shell.pages, QStringList{QStringLiteral("http://dns.example/support.htm")});
    QVERIFY(f.fakes.boxes.shown.isEmpty());
}

namespace {

// Four records whose orders differ by every column; www's address sorts last only by value.
const QString kFour = kRecords + QStringLiteral("~~b.test;;A;;www;;10.0.0.10");

// The names the table shows, from position 1.
QStringList shownNames(const QTableView *grid) {
    QStringList names;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        names.append(grid->model()->index(r, 2).data().toString());
    return names;
}

void clickHeader(QTableView *grid, int column) {
    QHeaderView *header = grid->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

void TestRecordEdit::underASort_data() {
    QTest::addColumn<QList<int>>("headerClicks");
    QTest::addColumn<QStringList>("names"); // as shown after the clicks
    QTest::addColumn<int>("row");           // position acted on
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected"); // the editor, or the delete sent
    QTest::newRow("Name A to Z: Delete takes the record shown first")
        << QList<int>{2} << QStringList{"mail", "note", "Root", "www"} << 1 << "Delete"
        << command("RECORDDELETE", "a.test", "mail", "A", "10.0.0.2");
    QTest::newRow("Name again, Z to A: Edit opens the record shown second")
        << QList<int>{2, 2} << QStringList{"www", "Root", "note", "mail"} << 2 << "Edit"
        << "a.test|A|@|10.0.0.1|0";
    QTest::newRow("Server Address by value: double-click on the last row")
        << QList<int>{3} << QStringList{"Root", "mail", "note", "www"} << 4 << "DoubleClick"
        << "b.test|A|www|10.0.0.10|0";
    QTest::newRow("Domain Z to A, equal domains in list order: Enter")
        << QList<int>{0, 0} << QStringList{"note", "www", "Root", "mail"} << 3 << "Enter"
        << "a.test|A|@|10.0.0.1|0";
    QTest::newRow("Record Type after Name: Delete on the third row")
        << QList<int>{2, 1} << QStringList{"Root", "mail", "www", "note"} << 3 << "Delete"
        << command("RECORDDELETE", "b.test", "www", "A", "10.0.0.10");
}

void TestRecordEdit::underASort() {
    // A row acts on the record it shows, wherever the sort has put it, never on the record the
    // list holds at that place.
    QFETCH(QList<int>, headerClicks);
    QFETCH(QStringList, names);
    QFETCH(int, row);
    QFETCH(QString, action);
    QFETCH(QString, expected);
    EditorFixture f(kFour);
    for (const int column : headerClicks)
        clickHeader(f.grid, column);
    QCOMPARE(shownNames(f.grid), names);
    // Kept by a reload.
    f.main.recordView().LoadRecordTable();
    QCOMPARE(shownNames(f.grid), names);
    f.fakes.web.answer(success(kRecords));
    f.chooseRow(row, action == QLatin1String("DoubleClick"));
    if (action == QLatin1String("Delete") || action == QLatin1String("Edit")) {
        f.click(action == QLatin1String("Delete") ? "cmdDeleteGrid" : "cmdEditGrid");
    } else if (action == QLatin1String("Enter")) {
        f.grid->setFocus();
        QTest::keyClick(f.grid, Qt::Key_Return);
    }
    if (action == QLatin1String("Delete")) {
        QCOMPARE(f.fakes.web.urls, QStringList{expected});
    } else {
        QVERIFY(f.editorShown());
        QCOMPARE(f.editor(), expected);
        QVERIFY(f.fakes.web.urls.isEmpty());
    }
}

void TestRecordEdit::changedRecordStaysChosen_data() {
    QTest::addColumn<int>("sortColumn"); // clicked once: A to Z
    QTest::addColumn<QString>("chosen"); // the name of the row chosen first
    QTest::addColumn<QString>("how");    // "rename": Update with the name typed; "refresh"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("names"); // shown afterwards
    QTest::addColumn<int>("position");      // chosen afterwards
    const QString withoutMail = QStringLiteral(
        "a.test;;A;;@;;10.0.0.1~~old.test;;TXT;;note;;10.0.0.3~~b.test;;A;;www;;10.0.0.10");
    // Opened marked, the record is written at the shown address.
    const QString zeta = withoutMail + QStringLiteral("~~a.test;;A;;zeta;;198.51.100.7");
    const QString mailMoved = withoutMail + QStringLiteral("~~a.test;;A;;mail;;198.51.100.7");
    const auto row = [](const char *name, int sortColumn, const char *chosen, const char *how,
                        const char *typed, const QStringList &answers, const QStringList &names,
                        int position) {
        QTest::newRow(name) << sortColumn << QString::fromLatin1(chosen) << QString::fromLatin1(how)
                            << QString::fromLatin1(typed) << answers << names << position;
    };
    const QStringList zetaLast{"note", "Root", "www", "zeta"};
    const QStringList mailLast{"Root", "note", "www", "mail"};
    row("Update moves the record to the end of the sort, chosen there", 2, "mail", "rename", "zeta",
        {withoutMail, zeta}, zetaLast, 4);
    row("Update refused: the record put back is chosen", 2, "mail", "rename", "zeta",
        {withoutMail, "<p>Error: no</p>", kFour}, {"mail", "note", "Root", "www"}, 1);
    row("the service lists it in a letter case of its own: still chosen", 2, "mail", "rename",
        "ZETA", {withoutMail, zeta}, zetaLast, 4);
    row("a refresh moves the chosen record: chosen at its new place", 3, "mail", "refresh", "",
        {withoutMail, mailMoved}, mailLast, 4);
    row("a refresh moves another record: the chosen one stays chosen", 3, "www", "refresh", "",
        {withoutMail, mailMoved}, mailLast, 3);
}

void TestRecordEdit::changedRecordStaysChosen() {
    QFETCH(int, sortColumn);
    QFETCH(QString, chosen);
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, names);
    QFETCH(int, position);
    EditorFixture f(kFour);
    f.fakes.autoIP.UpdateAutoIPList("a.test", "mail", "RECORDADD", "A", "10.0.0.2", true);
    f.main.recordView().LoadRecordTable();
    clickHeader(f.grid, sortColumn);
    f.chooseRow(static_cast<int>(shownNames(f.grid).indexOf(chosen)) + 1);
    for (const QString &answer : answers)
        f.fakes.web.answer(answer.startsWith(QLatin1Char('<')) ? answer : success(answer));
    if (how == QLatin1String("rename")) {
        f.click("cmdEditGrid");
        f.find<QLineEdit>("txtCName")->setText(typed);
        f.click("cmdServerIP");
    } else {
        f.tick(kFour);
    }
    QCOMPARE(shownNames(f.grid), names);
    const QModelIndexList rows = f.grid->selectionModel()->selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().row() + 1, position);
    QCOMPARE(f.grid->currentIndex().row() + 1, position);
}

QTEST_MAIN(TestRecordEdit)
#include "tst_recordedit.moc"
