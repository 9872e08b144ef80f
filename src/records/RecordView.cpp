#include "records/RecordView.h"

#include "protocol/SplitList.h"
#include "records/RecordTableModel.h"
#include "records/frameGrid.h"
#include "records/frameOtherDomain.h"
#include "session/MainWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace pellmarch::records {

RecordView::RecordView(session::Services &services, session::MainWindow &mainWindow,
                       QWidget *frameParent)
    : QObject(frameParent), m_services(services), m_mainWindow(mainWindow),
      m_frameGrid(new frameGrid(frameParent)),
      m_frameOtherDomain(new frameOtherDomain(frameParent)) {}

void RecordView::LoadRecordTable() {
    m_frameGrid->model().load(m_services.user.sDomainUserRecords, m_services.autoIP);
    m_frameGrid->hidePlaceholder();
    // Focus can only go to a button on a visible window; a hidden one simply keeps none.
    m_frameGrid->cmdAddGrid->setFocus();
    m_frameGrid->chooseRow(0);
}

void RecordView::ShowRecordTable() {
    m_mainWindow.showView(session::View::RecordTable);
    m_frameGrid->chooseRow(0);
}

void RecordView::ReadSelectedRecord() {
    m_selected.sSelDomain.clear();
    m_selected.sSelRecordType.clear();
    m_selected.sSelServerIP.clear();
    m_selected.bSelAutoIP = false;
    const int position = m_frameGrid->chosenRow();
    if (position < 1)
        return;
    // The row's own list fields, not the cells' texts: the name is already "@" for the
    // domain itself, and a host named "Root" stays itself.
    const RecordTableModel::Row &row = m_frameGrid->model().row(position);
    m_selected.sSelDomain = row.record.domain;
    m_selected.sSelRecordType = row.record.recordType;
    m_selected.sSelCName = row.record.name;
    m_selected.sSelServerIP = row.record.address;
    m_selected.bSelAutoIP = row.autoIP;
    if (m_selected.sSelDomain.isEmpty())
        m_frameGrid->chooseRow(0);
}

void RecordView::SetUpRecordTable() {
    ShowRecordTable();
    protocol::SplitList(m_frameOtherDomain->cboDomain, m_services.user.sDomainList);
    protocol::SplitList(m_frameOtherDomain->cboRecordType, m_services.user.sRecordTypeList);
    m_frameOtherDomain->txtCName->setText(m_services.user.sUsername);
    LoadRecordTable();
}

} // namespace pellmarch::records
