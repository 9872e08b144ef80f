#include "records/frameGrid.h"

#include "platform/Twips.h"
#include "platform/Widgets.h"
#include "records/RecordTableModel.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace pellmarch::records {

using platform::named;
using platform::twips;
using platform::twipsRect;

namespace {

// Column widths in twips, in column order.
constexpr int kColumnTwips[RecordTableModel::ColumnCount] = {2200, 1000, 1800, 2200, 800};
constexpr int kRowHeightTwips = 285;

QPushButton *gridButton(QWidget *parent, const char *name, const QString &caption, int left) {
    return platform::addButton(parent, name, caption, twipsRect(left, 3720, 1800, 400));
}

} // namespace

frameGrid::frameGrid(QWidget *parent) : QFrame(parent) {
    platform::placeContentFrame(this, "frameGrid", QStringLiteral("Records"),
                                twipsRect(360, 1200, 8295, kHeightTwips));

    m_model = new RecordTableModel(this);
    gridDomainUser = named(new QTableView(this), "gridDomainUser", QStringLiteral("Records"));
    gridDomainUser->setGeometry(twipsRect(0, 240, 8175, 3375));
    gridDomainUser->setModel(m_model);
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

    cmdAddGrid = gridButton(this, "cmdAddGrid", QStringLiteral("Add"), 120);
    cmdDeleteGrid = gridButton(this, "cmdDeleteGrid", QStringLiteral("Delete"), 2880);
    cmdEditGrid = gridButton(this, "cmdEditGrid", QStringLiteral("Edit"), 5520);

    setTabOrder(gridDomainUser, cmdAddGrid);
    setTabOrder(cmdAddGrid, cmdDeleteGrid);
    setTabOrder(cmdDeleteGrid, cmdEditGrid);
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
