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
class RecordTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColDomain, ColRecordType, ColName, ColServerAddress, ColAutoIP, ColumnCount };

    struct Row {
        protocol::DnsRecord record;
        bool autoIP = false;
        bool empty = true; // the placeholder and the second empty row of an empty list
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
    // else of the one row that holds it moved to another address; -1 when there is none.
    int find(const protocol::DnsRecord &record) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<Row> m_rows{Row{}, Row{}};
};

} // namespace pellmarch::records
