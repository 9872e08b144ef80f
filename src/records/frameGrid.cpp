#include "records/frameGrid.h"

#include "platform/Twips.h"
#include "platform/Widgets.h"
#include "records/RecordTableModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>

#include <algorithm>
#include <array>

namespace pellmarch::records {

using platform::named;
using platform::twips;
using platform::twipsRect;

namespace {

// Column widths in twips, in column order.
constexpr int kColumnTwips[RecordTableModel::ColumnCount] = {2200, 1000, 1800, 2200, 800};
constexpr int kRowHeightTwips = 285;
// The frame, the table in it and the buttons below it, as designed.
constexpr QRect kFrameRect = twipsRect(360, 1200, frameGrid::kWidthTwips, frameGrid::kHeightTwips);
constexpr QRect kGridRect = twipsRect(0, 240, 8175, 3375);
constexpr int kButtonTopTwips = 3720;
constexpr std::array kButtonLeftTwips{120, 2880, 5520};
// The columns that take a wider table's room, and their shares of it: those that hold names and
// values, as their designed widths.
constexpr std::array kWideningColumns{RecordTableModel::ColDomain, RecordTableModel::ColName,
                                      RecordTableModel::ColServerAddress};

QPushButton *gridButton(QWidget *parent, const char *name, const QString &caption, int left) {
    return platform::addButton(parent, name, caption, twipsRect(left, kButtonTopTwips, 1800, 400));
}

// Shows a cell's whole text as its tooltip where the cell cuts it short; a cell that shows all
// of its text has nothing to add.
class CutCellTips final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override {
        if (event->type() == QEvent::ToolTip && index.isValid()) {
            QStyleOptionViewItem cell = option;
            initStyleOption(&cell, index);
            const QStyle *style = view->style();
            // The room the style gives the text, less the margin it keeps on either side.
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
            const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
            if (cell.fontMetrics.horizontalAdvance(cell.text) <= room.width() - 2 * margin) {
                QToolTip::hideText();
                return true;
            }
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
};

} // namespace

frameGrid::frameGrid(QWidget *parent) : QFrame(parent) {
    platform::placeContentFrame(this, "frameGrid", QStringLiteral("Records"), kFrameRect);

    m_model = new RecordTableModel(this);
    gridDomainUser = named(new QTableView(this), "gridDomainUser", QStringLiteral("Records"));
    gridDomainUser->setGeometry(kGridRect);
    gridDomainUser->setModel(m_model);
    gridDomainUser->setItemDelegate(new CutCellTips(gridDomainUser));
    gridDomainUser->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridDomainUser->setSelectionMode(QAbstractItemView::SingleSelection);
    gridDomainUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridDomainUser->setTabKeyNavigation(false);
    gridDomainUser->setWordWrap(false);
    gridDomainUser->setTextElideMode(Qt::ElideRight);
    gridDomainUser->setAlternatingRowColors(true);
    gridDomainUser->verticalHeader()->hide();
    // Fixed row heights: the view never measures a row's text, whatever the list's length.
    gridDomainUser->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    gridDomainUser->verticalHeader()->setDefaultSectionSize(twips(kRowHeightTwips));
    QHeaderView *header = gridDomainUser->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < RecordTableModel::ColumnCount; ++column)
        header->resizeSection(column, twips(kColumnTwips[column]));
    // The last column takes what room is left, so no empty strip stands beside it.
    header->setStretchLastSection(true);
    // In the list's order until a header is clicked; the model sorts itself, fast for any length.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    gridDomainUser->setSortingEnabled(true);
    // The chosen record, wherever the sort has put it, stays in sight.
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this] {
        const QModelIndex current = gridDomainUser->currentIndex();
        if (current.isValid())
            gridDomainUser->scrollTo(current);
    });
    header->installEventFilter(this);

    cmdAddGrid = gridButton(this, "cmdAddGrid", QStringLiteral("Add"), 120);
    cmdDeleteGrid = gridButton(this, "cmdDeleteGrid", QStringLiteral("Delete"), 2880);
    cmdEditGrid = gridButton(this, "cmdEditGrid", QStringLiteral("Edit"), 5520);

    setTabOrder(gridDomainUser, cmdAddGrid);
    setTabOrder(cmdAddGrid, cmdDeleteGrid);
    setTabOrder(cmdDeleteGrid, cmdEditGrid);
}

void frameGrid::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    const QSize extra = (size() - kFrameRect.size()).expandedTo(QSize(0, 0));
    gridDomainUser->setGeometry(QRect(kGridRect.topLeft(), kGridRect.size() + extra));
    const std::array buttons{cmdAddGrid, cmdDeleteGrid, cmdEditGrid};
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->move(twips(kButtonLeftTwips[i]), twips(kButtonTopTwips) + extra.height());
}

bool frameGrid::eventFilter(QObject *watched, QEvent *event) {
    // The header is as wide as the table's room for rows, which changes with the table's size
    // and with its scroll bar; the room its last caption needs changes with its font.
    if (watched == gridDomainUser->horizontalHeader() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange ||
         event->type() == QEvent::StyleChange || event->type() == QEvent::Polish))
        fitColumns();
    return QFrame::eventFilter(watched, event);
}

void frameGrid::fitColumns() {
    // As designed, the columns have their designed widths. Larger, they fill the table's width
    // (its scroll bar aside): the last column, which takes what is left, first room for its
    // whole caption, then the name and value columns the rest by their designed shares. A width
    // the user dragged keeps its difference.
    QHeaderView *header = gridDomainUser->horizontalHeader();
    int designed = 0;
    for (const int columnTwips : kColumnTwips)
        designed += twips(columnTwips);
    const int caption = std::max(0, header->sectionSizeHint(RecordTableModel::ColAutoIP) -
                                        twips(kColumnTwips[RecordTableModel::ColAutoIP]));
    const bool enlarged = gridDomainUser->width() > kGridRect.width();
    const int given = enlarged ? std::max(0, header->width() - designed - caption) : 0;
    int change = given - m_givenWidth;
    if (change == 0)
        return;
    m_givenWidth = given;
    int shares = 0;
    for (const int column : kWideningColumns)
        shares += kColumnTwips[column];
    for (const int column : kWideningColumns) {
        const int part = change * kColumnTwips[column] / shares;
        shares -= kColumnTwips[column];
        change -= part;
        header->resizeSection(
            column, std::max(header->minimumSectionSize(), header->sectionSize(column) + part));
    }
}

int frameGrid::chosenRow() const {
    const QModelIndex current = gridDomainUser->selectionModel()->currentIndex();
    if (!current.isValid() || !gridDomainUser->selectionModel()->isRowSelected(current.row()))
        return 0;
    return RecordTableModel::positionOf(current);
}

int frameGrid::currentRow() const {
    return RecordTableModel::positionOf(gridDomainUser->selectionModel()->currentIndex());
}

void frameGrid::chooseRow(int position) {
    QItemSelectionModel *selection = gridDomainUser->selectionModel();
    if (position <= 0 || position >= m_model->positionCount()) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex at = m_model->indexAt(position);
    selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    gridDomainUser->scrollTo(at);
}

} // namespace pellmarch::records
