#pragma once

#include "protocol/ExchangeLog.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace pellmarch::session {
class HistoryFile;
}

namespace pellmarch::app {

// The history's entries as table rows, newest first.
class HistoryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Kind, Domain, Type, Name, Address, Outcome, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(QList<protocol::Exchange> newestFirst);
    // A new entry goes on top; the oldest beyond the history's bound leaves.
    void prepend(const protocol::Exchange &exchange);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<protocol::Exchange> m_entries;
};

// "History": every exchange with the service, newest first, with a search over all of it. Kept
// up to date while open.
class frmHistory final : public QDialog {
    Q_OBJECT
public:
    explicit frmHistory(session::HistoryFile &history, QWidget *parent = nullptr);

    // Reads the history afresh and shows the window in front.
    void showHistory();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showCount();

    session::HistoryFile &m_history;
    HistoryModel *m_model = nullptr;
    QSortFilterProxyModel *m_filter = nullptr;
    QLabel *lblSearch = nullptr;
    QLineEdit *txtSearch = nullptr;
    QTableView *gridHistory = nullptr;
    QLabel *lblCount = nullptr;
    QPushButton *cmdClose = nullptr;
};

} // namespace pellmarch::app
