#pragma once

#include "protocol/ExchangeLog.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
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
    // Whether a row counts routine checks.
    static constexpr int kRoutineRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(QList<protocol::Exchange> newestFirst);
    // A new entry goes on top; the oldest beyond the history's bound leaves.
    void prepend(const protocol::Exchange &exchange);
    // The newest entry, a count of routine checks, counts more now; a new one goes on top.
    void recount(const protocol::Exchange &entry);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<protocol::Exchange> m_entries;
};

class HistoryFilter;

// "History": every exchange with the service, newest first, with a search over all of it. Kept
// up to date while open. The routine checks (address queries that brought nothing new) are
// shown only when asked for. The window fits the screen it opens on, at any scale, and keeps
// the size the user gives it.
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
    // Sizes the window for the screen it opens on, the first time only: afterwards it keeps
    // the size the user gave it.
    void place();
    // Moves and, where needed, shrinks the shown window so that its frame lies on its screen.
    void keepOnScreen();

    session::HistoryFile &m_history;
    HistoryModel *m_model = nullptr;
    HistoryFilter *m_filter = nullptr;
    bool m_placed = false;
    QLabel *lblSearch = nullptr;
    QLineEdit *txtSearch = nullptr;
    QTableView *gridHistory = nullptr;
    QCheckBox *chkRoutineChecks = nullptr;
    QLabel *lblCount = nullptr;
    QPushButton *cmdClose = nullptr;
};

} // namespace pellmarch::app
