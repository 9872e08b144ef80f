#pragma once

#include <QFrame>

class QPushButton;
class QTableView;

namespace pellmarch::records {

class RecordTableModel;

// The record table frame: the table of the subscriber's records with "Add", "Delete" and
// "Edit" below it. A click on a column header sorts the table by that column (again: the other
// way). Given more than its designed size, the frame gives all of it to the table: the buttons
// keep their size and stay below it; wider, the columns that hold names and values widen.
class frameGrid final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidthTwips = 8295;
    static constexpr int kHeightTwips = 4335;

    explicit frameGrid(QWidget *parent = nullptr);

    RecordTableModel &model() { return *m_model; }
    const RecordTableModel &model() const { return *m_model; }

    // The position the choice ends on, or 0 (the placeholder) when no record row is chosen.
    int chosenRow() const;
    // The position of the current row, or 0 when there is none.
    int currentRow() const;
    // Makes `position` the current row and the end of the choice; position 0 chooses nothing.
    void chooseRow(int position);

    QTableView *gridDomainUser = nullptr;
    QPushButton *cmdAddGrid = nullptr;
    QPushButton *cmdDeleteGrid = nullptr;
    QPushButton *cmdEditGrid = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitColumns();

    RecordTableModel *m_model = nullptr;
    // The width given to the columns beyond their designed widths.
    int m_givenWidth = 0;
};

} // namespace pellmarch::records
