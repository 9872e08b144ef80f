#pragma once

#include "protocol/RecordList.h"

#include <QAbstractTableModel>
#include <QList>

namespace pellmarch::protocol {
class AutoIPList;
}

namespace pellmarch::records {

// The rows of the record table, by position. Position 0 is always the placeholder that stands
// for "no record chosen"; the records follow at positions 1 to N in list order. With no records
// a second empty row follows the placeholder. Each row remembers its record's list fields, so
// reading a row back never depends on what the cells show (a host literally named "Root" stays
// "Root").
//
// The placeholder is no row of the table that is shown (nor of the one a screen reader reads):
// the view's row r is position r + 1.
//
// The model sorts itself (a click on a column header): positions then follow the shown order,
// so the view's row r is still position r + 1 and every row still carries its record. A sort is
// kept for every later load. Texts sort without regard to letter case and with runs of digits
// taken as numbers ("10.0.0.9" before "10.0.0.10"); equal cells keep the list's order.
class RecordTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColDomain, ColRecordType, ColName, ColServerAddress, ColAutoIP, ColumnCount };

    struct Row {
        protocol::DnsRecord record;
        bool autoIP = false;
        bool empty = true; // the placeholder and the second empty row of an empty list
        int listOrder = 0; // where the record stands in the list
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Rebuilds every row from the record list and the automatic-resolution list.
    void load(const QString &recordList, const protocol::AutoIPList &autoIP);

    const Row &row(int position) const { return m_rows.at(position); }
    // Positions, the placeholder included.
    int positionCount() const { return static_cast<int>(m_rows.size()); }
    // The view's index of the cell at `position` (invalid for the placeholder), and back.
    QModelIndex indexAt(int position, int column = 0) const { return index(position - 1, column); }
    static int positionOf(const QModelIndex &index) {
        return index.isValid() ? index.row() + 1 : 0;
    }
    // The position of the row that holds `record` (the same fields, letter case included), or
    // -1 when none does.
    int find(const protocol::DnsRecord &record) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Sorts the records by `column` (-1: back to the list's order) and keeps doing so at every
    // load. What the view has chosen stays with its record.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

private:
    // Puts the records (positions 1 to N) in the order of the sort; the placeholder stays first.
    void sortRows();

    QList<Row> m_rows{Row{}, Row{}};
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace pellmarch::records
