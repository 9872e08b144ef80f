// The History window: the routine checks hidden until asked for and counted in one row, kept up
// to date while open, and a window that fits the screen it opens on (this test also runs at
// 200 % on a 1280 x 900 screen) and keeps the size the user gives it.
#include "app/frmHistory.h"
#include "session/HistoryFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using pellmarch::app::frmHistory;
using pellmarch::app::HistoryModel;
using pellmarch::protocol::Exchange;
using pellmarch::session::HistoryFile;

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);

Exchange query(int n) {
    return Exchange{.time = kStart.addSecs(30 * n),
                    .name = QStringLiteral("ann"),
                    .address = QStringLiteral("203.0.113.5"),
                    .automatic = true,
                    .recordsDigest = pellmarch::protocol::RecordsDigest(QStringLiteral("L"))};
}

Exchange add(int n, const QString &type) {
    return Exchange{.time = kStart.addSecs(30 * n),
                    .kind = Exchange::Kind::RecordAdd,
                    .domain = QStringLiteral("example.com"),
                    .recordType = type,
                    .name = QStringLiteral("www"),
                    .address = QStringLiteral("host.example.com")};
}

} // namespace

class TestFrmHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsRoutineChecksCountedAndFitsTheScreen();
};

void TestFrmHistory::showsRoutineChecksCountedAndFitsTheScreen() {
    QTemporaryDir dir;
    HistoryFile history(dir.filePath(QStringLiteral("history.jsonl")));
    history.record(Exchange{.time = kStart, .kind = Exchange::Kind::Login});
    history.record(query(1));
    history.record(add(2, QStringLiteral("CNAME")));
    history.record(add(3, QStringLiteral("AAAA")));
    for (int n = 4; n < 1004; ++n)
        history.record(query(n));

    frmHistory window(history);
    window.showHistory();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *grid = window.findChild<QTableView *>(QStringLiteral("gridHistory"));
    auto *routine = window.findChild<QCheckBox *>(QStringLiteral("chkRoutineChecks"));
    auto *count = window.findChild<QLabel *>(QStringLiteral("lblCount"));
    auto *close = window.findChild<QPushButton *>(QStringLiteral("cmdClose"));
    const auto outcomes = [grid] {
        QStringList shown;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            shown.append(grid->model()->index(row, HistoryModel::Outcome).data().toString());
        return shown;
    };

    // The window and its Close button on the screen, whatever the scale.
    const QRect available = window.screen()->availableGeometry();
    QVERIFY(available.contains(window.frameGeometry()));
    QVERIFY(available.contains(QRect(close->mapToGlobal(QPoint(0, 0)), close->size())));
    // No record type cut short: each as wide as the table's own delegate asks, and the grid.
    int needed = grid->horizontalHeader()->sectionSizeHint(HistoryModel::Type);
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.font = grid->font(); // as the table gives its cells
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        const QModelIndex cell = grid->model()->index(row, HistoryModel::Type);
        needed = std::max(needed, grid->itemDelegate()->sizeHint(option, cell).width() + 1);
    }
    QCOMPARE_GE(grid->columnWidth(HistoryModel::Type), needed);
    QCOMPARE(grid->model()->index(1, HistoryModel::Type).data().toString(),
             QStringLiteral("CNAME"));

    // Off at first: the thousand unchanged checks are out of sight.
    QVERIFY(!routine->isChecked());
    QCOMPARE(routine->text(), QStringLiteral("Show &routine checks"));
    QCOMPARE(routine->accessibleName(), QStringLiteral("Show routine checks"));
    QCOMPARE(outcomes(), (QStringList{"Success", "Success", "Success", "Success"}));
    QCOMPARE(count->text(), QStringLiteral("4 of 5 entries"));
    routine->click();
    const QString since = kStart.addSecs(30 * 4).toLocalTime().toString("yyyy-MM-dd HH:mm:ss");
    QCOMPARE(outcomes().first(), QStringLiteral("Unchanged: 1000 checks since ") + since);
    QCOMPARE(grid->model()->index(0, HistoryModel::Time).data().toString(),
             kStart.addSecs(30 * 1003).toLocalTime().toString("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(count->text(), QStringLiteral("5 entries"));
    // Counted in the same row while open.
    history.record(query(1004));
    QCOMPARE(outcomes().first(), QStringLiteral("Unchanged: 1001 checks since ") + since);
    QCOMPARE(grid->model()->rowCount(), 5);

    // The size the user gives it is kept when it opens again.
    const QSize chosen = (window.size() * 3 / 4).expandedTo(window.minimumSizeHint());
    window.resize(chosen);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window.isVisible());
    window.showHistory();
    QCOMPARE(window.size(), chosen);
    QVERIFY(routine->isChecked());
}

QTEST_MAIN(TestFrmHistory)
#include "tst_frmhistory.moc"
