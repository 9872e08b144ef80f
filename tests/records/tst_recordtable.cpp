// The record table on the real main window: what a load shows, which row counts as chosen, and
// what reading a row back gives.
#include "app/frmMain.h"
#include "records/RecordView.h"
#include "support/Fakes.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTableView>
#include <QTest>
#include <QToolTip>

using namespace pellmarch;

namespace {

struct TableFixture {
    testing::FakeServices fakes;
    app::frmMain main{fakes.services};
    QTableView *grid = main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));

    void load(const QString &list) {
        fakes.user.sDomainUserRecords = list;
        main.recordView().LoadRecordTable();
    }

    // Every row of the table as it is shown (from position 1: the placeholder is none of them),
    // cells joined by "|".
    QStringList rows() const {
        QStringList out;
        const QAbstractItemModel *m = grid->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c)
                cells.append(m->index(r, c).data().toString());
            out.append(cells.join(QLatin1Char('|')));
        }
        return out;
    }

    void clickRow(int position) {
        grid->scrollTo(grid->model()->index(position - 1, 1));
        const QRect cell = grid->visualRect(grid->model()->index(position - 1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    const records::SelectedRecord &read() {
        main.recordView().ReadSelectedRecord();
        return main.recordView().selectedRecord();
    }
};

} // namespace

class TestRecordTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void headerAndPlaceholder();
    void readingRowsBack();
    void emptyRowIsNoRecord();
    void largeListLoads();
    void sorting_data();
    void sorting();
    void cutCellsShowTheirText_data();
    void cutCellsShowTheirText();
};

void TestRecordTable::load_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("marked");  // domain, type, name, address of one marked record
    QTest::addColumn<QStringList>("records"); // rows from position 1

    const QString longText(2000, QLatin1Char('x'));
    QTest::newRow("empty list: two empty rows")
        << QString() << QStringList() << QStringList{"||||"};
    QTest::newRow("the two-record example")
        << "d1;;A;;@;;10.0.0.1~~d1;;MX;;mail;;10.0.0.2" << QStringList()
        << QStringList{"d1|A|Root|10.0.0.1|No", "d1|MX|mail|10.0.0.2|No"};
    QTest::newRow("a host named Root shows as Root")
        << "d1;;A;;Root;;10.0.0.9" << QStringList() << QStringList{"d1|A|Root|10.0.0.9|No"};
    QTest::newRow("fields beyond the fourth are ignored")
        << "d1;;A;;www;;10.0.0.1;;extra;;more" << QStringList()
        << QStringList{"d1|A|www|10.0.0.1|No"};
    QTest::newRow("short and empty records are skipped")
        << "d1;;A~~~~d2;;A;;x;;10.0.0.5~~;;;;" << QStringList()
        << QStringList{"d2|A|x|10.0.0.5|No"};
    QTest::newRow("marked: found by key whatever the case and spaces; cells untrimmed")
        << " D1 ;;a;;WWW ;;10.0.0.1~~d1;;A;;ftp;;10.0.0.1"
        << QStringList{"d1", "A", "www", "10.0.0.1"}
        << QStringList{" D1 |a|WWW |10.0.0.1|Yes", "d1|A|ftp|10.0.0.1|No"};
    QTest::newRow("tabs, markup and long texts stay in their cells")
        << "a\tb.test;;TXT;;<b>&amp;</b>;;" + longText + "~~c.test;;A;;n;;10.0.0.3" << QStringList()
        << QStringList{"a\tb.test|TXT|<b>&amp;</b>|" + longText + "|No", "c.test|A|n|10.0.0.3|No"};
}

void TestRecordTable::load() {
    QFETCH(QString, list);
    QFETCH(QStringList, marked);
    QFETCH(QStringList, records);
    TableFixture f;
    if (!marked.isEmpty())
        f.fakes.autoIP.UpdateAutoIPList(marked[0], marked[2], QStringLiteral("RECORDADD"),
                                        marked[1], marked[3], true);
    for (int round = 0; round < 2; ++round) { // loading twice gives the same table
        f.grid->selectRow(0); // a record chosen before: none is chosen after the load
        f.load(list);
        QCOMPARE(f.rows(), records);
        // A screen reader finds exactly these rows, the placeholder being none of them.
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(f.grid);
        QCOMPARE(table->tableInterface()->rowCount(), records.size());
        QVERIFY(f.grid->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(f.read().sSelDomain, QString());
    }
}

void TestRecordTable::headerAndPlaceholder() {
    TableFixture f;
    f.load(QStringLiteral("d1;;A;;@;;10.0.0.1"));
    QStringList captions;
    QList<int> widths;
    for (int c = 0; c < f.grid->model()->columnCount(); ++c)
        captions.append(f.grid->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(captions,
             (QStringList{"Domain", "Record Type", "Name", "Server Address", "AutoIP Res"}));
    // Widths in twips at 15 twips to the pixel; the last column fills the rest of the grid.
    for (int c = 0; c < 4; ++c)
        widths.append(f.grid->columnWidth(c));
    QCOMPARE(widths, (QList<int>{147, 67, 120, 147}));
    QCOMPARE(f.grid->columnWidth(4), f.grid->viewport()->width() - (147 + 67 + 120 + 147));
    QCOMPARE(f.grid->selectionBehavior(), QAbstractItemView::SelectRows);
}

void TestRecordTable::readingRowsBack() {
    TableFixture f;
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.fakes.autoIP.UpdateAutoIPList(QStringLiteral("d1"), QStringLiteral("mail"),
                                    QStringLiteral("RECORDADD"), QStringLiteral("MX"),
                                    QStringLiteral("10.0.0.2"), true);
    // A load puts the keyboard focus on "Add", wherever it was.
    QVERIFY(QTest::qWaitForWindowActive(&f.main));
    f.grid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.grid));
    f.load(QStringLiteral("d1;;A;;@;;10.0.0.1~~d1;;MX;;mail;;10.0.0.2~~d1;;A;;Root;;10.0.0.3~~"
                          "d1;;A;;root;;10.0.0.4"));
    QTRY_COMPARE(QApplication::focusWidget(), f.main.findChild<QWidget *>("cmdAddGrid"));
    struct Case {
        int row;
        QString name;
        QString address;
        bool autoIP;
    };
    for (const Case &c : {Case{1, "@", "10.0.0.1", false}, Case{2, "mail", "10.0.0.2", true},
                          Case{3, "Root", "10.0.0.3", false}, Case{4, "root", "10.0.0.4", false}}) {
        f.clickRow(c.row);
        const records::SelectedRecord &s = f.read();
        QCOMPARE(s.sSelDomain, QStringLiteral("d1"));
        QCOMPARE(s.sSelCName, c.name);
        QCOMPARE(s.sSelServerIP, c.address);
        QCOMPARE(s.bSelAutoIP, c.autoIP);
    }
    // Showing the table again chooses nothing: reading back then empties the record but keeps
    // the name.
    f.main.recordView().ShowRecordTable();
    const records::SelectedRecord &none = f.read();
    QCOMPARE(none.sSelDomain, QString());
    QCOMPARE(none.sSelServerIP, QString());
    QCOMPARE(none.sSelCName, QStringLiteral("root"));
    QVERIFY(!none.bSelAutoIP);
}

void TestRecordTable::emptyRowIsNoRecord() {
    TableFixture f;
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.load(QString());
    f.clickRow(1);
    QCOMPARE(f.grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(f.read().sSelDomain, QString());
    // The choice went back to the placeholder: nothing is chosen any more.
    QVERIFY(f.grid->selectionModel()->selectedRows().isEmpty());
    QVERIFY(!f.grid->currentIndex().isValid());
}

void TestRecordTable::largeListLoads() {
    TableFixture f;
    QStringList list;
    for (int i = 0; i < 50000; ++i)
        list.append(
            QStringLiteral("d%1.test;;A;;h%1;;10.0.%2.%3").arg(i).arg(i / 256).arg(i % 256));
    f.load(list.join(QStringLiteral("~~")));
    QCOMPARE(f.grid->model()->rowCount(), 50000);
    QCOMPARE(f.grid->model()->index(49999, 2).data().toString(), QStringLiteral("h49999"));
}

namespace {

QStringList names(const QTableView *grid) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out.append(grid->model()->index(r, 2).data().toString());
    return out;
}

} // namespace

void TestRecordTable::sorting_data() {
    QTest::addColumn<QString>("remembered"); // the setting at start; null: none
    QTest::addColumn<QStringList>("names");  // the order of the first load
    const QStringList listOrder{"www", "mail", "Note"};
    QTest::newRow("nothing remembered: the list's order") << QString() << listOrder;
    QTest::newRow("Name A to Z, letter case aside")
        << "2 ascending" << QStringList{"mail", "Note", "www"};
    QTest::newRow("Server Address, numbers by value")
        << "3 ascending" << QStringList{"Note", "mail", "www"};
    QTest::newRow("a column that is not there") << "5 ascending" << listOrder;
    QTest::newRow("an order that is none") << "2 sideways" << listOrder;
    QTest::newRow("not a number") << "abc ascending" << listOrder;
}

void TestRecordTable::sorting() {
    QFETCH(QString, remembered);
    QFETCH(QStringList, names);
    const QString list = QStringLiteral(
        "b.test;;A;;www;;10.0.0.10~~a.test;;MX;;mail;;10.0.0.9~~c.test;;TXT;;Note;;10.0.0.2");
    testing::FakeServices fakes;
    if (!remembered.isNull())
        fakes.settings.values.insert(QStringLiteral("Init/RecordTableSort"), remembered);
    {
        app::frmMain main(fakes.services);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto *grid = main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));
        fakes.user.sDomainUserRecords = list;
        main.recordView().LoadRecordTable();
        QCOMPARE(::names(grid), names);
        QVERIFY(fakes.settings.writes.isEmpty()); // nothing new to keep yet
        // A click on a header sorts by it; the chosen record stays chosen wherever it goes.
        grid->selectRow(static_cast<int>(names.indexOf(QStringLiteral("www"))));
        QHeaderView *header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
        QCOMPARE(::names(grid), (QStringList{"mail", "www", "Note"}));
        QCOMPARE(grid->selectionModel()->selectedRows(2).value(0).data().toString(), "www");
        QCOMPARE(grid->currentIndex().row(), 1);
        main.recordView().ReadSelectedRecord();
        QCOMPARE(main.recordView().selectedRecord().sSelCName, QStringLiteral("www"));
        QCOMPARE(fakes.settings.values.value(QStringLiteral("Init/RecordTableSort")),
                 QStringLiteral("0 ascending"));
        // Again: the other way, and kept.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
        QCOMPARE(::names(grid), (QStringList{"Note", "www", "mail"}));
        QCOMPARE(fakes.settings.values.value(QStringLiteral("Init/RecordTableSort")),
                 QStringLiteral("0 descending"));
    }
    // The next run sorts as this one ended.
    app::frmMain again(fakes.services);
    fakes.user.sDomainUserRecords = list;
    again.recordView().LoadRecordTable();
    QCOMPARE(::names(again.findChild<QTableView *>(QStringLiteral("gridDomainUser"))),
             (QStringList{"Note", "www", "mail"}));
}

void TestRecordTable::cutCellsShowTheirText_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("tip"); // empty: none
    const QString longValue = QStringLiteral("v=spf1 include:") + QString(120, QLatin1Char('x'));
    QTest::newRow("a value cut short: its whole text") << 3 << longValue;
    QTest::newRow("a name cut short: its whole text")
        << 2 << QStringLiteral("a-rather-long-host-name-for-this-column");
    QTest::newRow("a cell shown whole: nothing to add") << 1 << QString();
}

void TestRecordTable::cutCellsShowTheirText() {
    QFETCH(int, column);
    QFETCH(QString, tip);
    TableFixture f;
    f.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.main));
    f.load(
        QStringLiteral("d1.test;;TXT;;a-rather-long-host-name-for-this-column;;v=spf1 include:") +
        QString(120, QLatin1Char('x')));
    QToolTip::hideText();
    const QRect cell = f.grid->visualRect(f.grid->model()->index(0, column));
    QHelpEvent help(QEvent::ToolTip, cell.center(), f.grid->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(f.grid->viewport(), &help);
    if (tip.isEmpty()) {
        QVERIFY(!QToolTip::isVisible());
    } else {
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
    }
    QToolTip::hideText();
}

QTEST_MAIN(TestRecordTable)
#include "tst_recordtable.moc"
