#include "records/RecordView.h"

#include "platform/MessageBoxes.h"
#include "protocol/AnswerText.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "protocol/SplitList.h"
#include "records/RecordTableModel.h"
#include "records/frameGrid.h"
#include "records/frameOtherDomain.h"
#include "session/HistoryFile.h"
#include "session/MainWindow.h"
#include "session/WorkGuard.h"

#include <QScopeGuard>
#include <QSet>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace pellmarch::records {

namespace {

// Marks an entry that a drop-down list offers only for the record being edited.
constexpr int kExtraChoiceRole = Qt::UserRole + 1;

} // namespace

RecordView::RecordView(session::Services &services, session::MainWindow &mainWindow,
                       protocol::DnsClient &client, QWidget *frameParent)
    : QObject(frameParent), m_services(services), m_mainWindow(mainWindow), m_client(client),
      m_journal(services.journal), m_frameGrid(new frameGrid(frameParent)),
      m_frameOtherDomain(new frameOtherDomain(frameParent)) {
    connect(m_frameGrid->cmdAddGrid, &QPushButton::clicked, this, &RecordView::cmdAddGrid_Click);
    connect(m_frameGrid->cmdEditGrid, &QPushButton::clicked, this, &RecordView::cmdEditGrid_Click);
    connect(m_frameGrid->cmdDeleteGrid, &QPushButton::clicked, this,
            &RecordView::cmdDeleteGrid_Click);
    // A double-click anywhere on the table, on a row or below the last one; Enter on a row.
    m_frameGrid->gridDomainUser->viewport()->installEventFilter(this);
    m_frameGrid->gridDomainUser->installEventFilter(this);
    connect(m_frameOtherDomain->cmdServerIP, &QPushButton::clicked, this,
            &RecordView::cmdServerIP_Click);
    connect(m_frameOtherDomain->cmdCancel, &QPushButton::clicked, this,
            &RecordView::cmdCancel_Click);
    // The box reacts to every change of its state, by the user or by Add and Edit, and only
    // then.
    connect(m_frameOtherDomain->chkDomainAutoIP, &QCheckBox::toggled, this,
            &RecordView::chkDomainAutoIP_Click);
}

void RecordView::LoadRecordTable() {
    m_frameGrid->model().load(m_services.user.sDomainUserRecords, m_services.autoIP);
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
    m_moveWaits.startOver();
    LoadRecordTable();
    // A change that an earlier run left unfinished (ended between a delete and its add) is
    // finished now that the service's list is in.
    if (FinishPendingChanges())
        LoadRecordTable();
}

void RecordView::cmdAddGrid_Click() {
    m_selected.sSelDomain.clear();
    m_selected.sSelRecordType.clear();
    m_selected.sSelServerIP.clear();
    m_selected.bSelAutoIP = false;
    frameOtherDomain &editor = *m_frameOtherDomain;
    protocol::SplitList(editor.cboDomain, m_services.user.sDomainList);
    protocol::SplitList(editor.cboRecordType, m_services.user.sRecordTypeList);
    editor.txtCName->clear();
    editor.txtServerIP->clear();
    editor.chkDomainAutoIP->setChecked(false);
    ++m_editing;
    m_mainWindow.showView(session::View::RecordEditor);
    editor.cboDomain->setFocus();
}

void RecordView::cmdEditGrid_Click() {
    EditSelectedRecord();
}

void RecordView::gridDomainUser_DblClick() {
    EditSelectedRecord();
}

bool RecordView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_frameGrid->gridDomainUser->viewport() &&
        event->type() == QEvent::MouseButtonDblClick) {
        // The press before it has chosen the row under the pointer; the table itself has no
        // use for the double-click (its cells are not edited in place).
        gridDomainUser_DblClick();
        return true;
    }
    if (watched == m_frameGrid->gridDomainUser && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // What a double-click on the current row does.
            gridDomainUser_DblClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void RecordView::EditSelectedRecord() {
    if (m_frameGrid->chosenRow() < 1) {
        m_services.boxes.inform(kSelectRow);
        return;
    }
    ReadSelectedRecord();
    if (m_selected.sSelDomain.isEmpty()) {
        m_services.boxes.inform(kNoRowsToEdit);
        m_frameGrid->chooseRow(0);
        return;
    }
    frameOtherDomain &editor = *m_frameOtherDomain;
    showChoice(editor.cboDomain, m_selected.sSelDomain);
    showChoice(editor.cboRecordType, m_selected.sSelRecordType);
    editor.txtCName->setText(m_selected.sSelCName);
    editor.txtServerIP->setText(m_selected.sSelServerIP);
    // Ticking puts the shown address in; a box ticked already keeps the stored address.
    editor.chkDomainAutoIP->setChecked(m_selected.bSelAutoIP);
    ++m_editing;
    m_mainWindow.showView(session::View::RecordEditor);
    editor.cboDomain->setFocus();
}

void RecordView::showChoice(QComboBox *box, const QString &text) {
    for (int i = box->count() - 1; i >= 0; --i)
        if (box->itemData(i, kExtraChoiceRole).toBool())
            box->removeItem(i);
    int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
        box->setItemData(index, true, kExtraChoiceRole);
    }
    box->setCurrentIndex(index);
}

void RecordView::cmdCancel_Click() {
    ++m_editing;
    ShowRecordTable();
}

bool RecordView::ValidateRecordFields() {
    const frameOtherDomain &editor = *m_frameOtherDomain;
    if (protocol::NullTrim(editor.cboDomain->currentText()).isEmpty()) {
        m_services.boxes.inform(kDomainMissing);
        return false;
    }
    if (protocol::NullTrim(editor.cboRecordType->currentText()).isEmpty()) {
        m_services.boxes.inform(kRecordTypeMissing);
        return false;
    }
    if (protocol::NullTrim(editor.txtServerIP->text()).isEmpty()) {
        m_services.boxes.inform(kAddressMissing);
        return false;
    }
    return true;
}

void RecordView::chkDomainAutoIP_Click() {
    if (m_frameOtherDomain->chkDomainAutoIP->isChecked())
        m_frameOtherDomain->txtServerIP->setText(m_mainWindow.shownAddress());
}

bool RecordView::sendRecord(protocol::DnsRecord &record, const char *command, bool showMessages,
                            bool autoIP) {
    return m_client.SendRecordCommand(record.domain, record.name, QLatin1String(command),
                                      record.recordType, record.address, showMessages, autoIP);
}

protocol::DnsClient::Outcome RecordView::runRecord(protocol::DnsRecord &record, const char *command,
                                                   bool autoIP) {
    return m_client.RunRecordCommand(record.domain, record.name, QLatin1String(command),
                                     record.recordType, record.address, autoIP);
}

bool RecordView::changeRecord(protocol::DnsRecord *old, bool oldAutoIP, protocol::DnsRecord &fresh,
                              bool freshAutoIP, bool addMessages) {
    if (old == nullptr)
        return sendRecord(fresh, protocol::kRecordAdd, addMessages, freshAutoIP);
    // Written down as the commands will send it: an empty name goes out as "@".
    for (protocol::DnsRecord *record : {old, &fresh})
        if (record->name.isEmpty())
            record->name = QLatin1String(protocol::kRootName);
    const int entry =
        m_journal.begin({m_services.user.sUsername, *old, oldAutoIP, fresh, freshAutoIP});

    const protocol::DnsClient::Outcome deleted =
        runRecord(*old, protocol::kRecordDelete, oldAutoIP);
    const protocol::DnsClient::Outcome added = runRecord(fresh, protocol::kRecordAdd, freshAutoIP);
    // The record stands when the new one was added, or when the service refused the delete
    // with its reason (the old one never left). A delete that got no answer, or an answer that
    // is no refusal (an error page), may or may not have gone through: the next refreshes look.
    bool standing = added.succeeded || (!deleted.succeeded && deleted.message.has_value());
    std::optional<protocol::DnsClient::Outcome> putBack;
    if (deleted.succeeded && !added.succeeded) {
        // Before any message: the user may end the program rather than answer it.
        putBack = runRecord(*old, protocol::kRecordAdd, oldAutoIP);
        standing = putBack->succeeded;
    }
    if (standing)
        m_journal.crossOut(entry);

    if (!addMessages)
        return added.succeeded;
    m_client.ReportOutcome(added);
    if (putBack && !putBack->succeeded)
        m_services.boxes.inform(
            QStringLiteral("Could not put the record back.  It is missing from the DNS Server:\n"
                           "Name:%1 Domain:%2 Record Type:%3 IPAddress:%4\n"
                           "Pellmarch will try again to add it; you may also add it yourself.")
                .arg(old->name, old->domain, old->recordType, old->address));
    return added.succeeded;
}

bool RecordView::FinishPendingChanges() {
    const QList<ChangeJournal::Entry> entries = m_journal.pending(m_services.user.sUsername);
    bool changed = false; // anything sent, or a mark given back
    QSet<QString> listed;
    for (const protocol::DnsRecord &r :
         protocol::SplitRecordList(m_services.user.sDomainUserRecords))
        listed.insert(protocol::RecordKey(r.domain, r.recordType, r.name, r.address));
    const auto isListed = [&listed](const protocol::DnsRecord &r) {
        return listed.contains(protocol::RecordKey(r.domain, r.recordType, r.name, r.address));
    };
    for (const ChangeJournal::Entry &entry : entries) {
        PendingChange change = entry.change;
        const bool freshListed = isListed(change.fresh);
        const bool oldListed = isListed(change.old);
        if (freshListed) {
            // The add went through though its answer was lost: the record keeps the mark it
            // was given, so it goes on following the address.
            const protocol::DnsRecord &f = change.fresh;
            m_services.autoIP.UpdateAutoIPList(f.domain, f.name,
                                               QLatin1String(protocol::kRecordDelete), f.recordType,
                                               f.address, false);
            m_services.autoIP.UpdateAutoIPList(f.domain, f.name,
                                               QLatin1String(protocol::kRecordAdd), f.recordType,
                                               f.address, change.freshAutoIP);
            changed = true;
        }
        const bool twice = freshListed && oldListed &&
                           protocol::RecordKey(change.old.domain, change.old.recordType,
                                               change.old.name, change.old.address) !=
                               protocol::RecordKey(change.fresh.domain, change.fresh.recordType,
                                                   change.fresh.name, change.fresh.address);
        if ((freshListed || oldListed) && !twice) {
            m_journal.crossOut(entry.number);
            continue;
        }
        if (!m_journal.isDue(entry.number))
            continue;
        changed = true;
        if (twice) {
            // Both the add and the put-back went through, their answers lost: the old copy
            // goes, as the change meant.
            if (runRecord(change.old, protocol::kRecordDelete, change.oldAutoIP).succeeded)
                m_journal.crossOut(entry.number);
            else
                m_journal.tryFailed(entry.number);
            continue;
        }
        // The record as it was to become; should the service refuse that, as it was before.
        if (runRecord(change.fresh, protocol::kRecordAdd, change.freshAutoIP).succeeded ||
            runRecord(change.old, protocol::kRecordAdd, change.oldAutoIP).succeeded)
            m_journal.crossOut(entry.number);
        else
            m_journal.tryFailed(entry.number);
    }
    return changed;
}

void RecordView::cmdServerIP_Click() {
    if (m_bUpdateBusy)
        return;
    // Another exchange is waiting for the service (its local event loop let this click
    // through): this one would interleave with it, so it follows once that has ended, on the
    // editor as it stands then (and not at all should the editor have been left meanwhile).
    if (m_services.work.deferWhileHeld("Update", [this, editing = m_editing] {
            if (m_frameOtherDomain->isVisible() && m_editing == editing)
                cmdServerIP_Click();
        }))
        return;
    m_bUpdateBusy = true;
    const auto notBusy = qScopeGuard([this] { m_bUpdateBusy = false; });
    // The commands and their message wait in local event loops: no tick may run meanwhile.
    const session::WorkGuard::Hold busy(m_services.work);
    if (!ValidateRecordFields())
        return;

    // The record as the editor holds it now; typing while the commands run changes nothing.
    const frameOtherDomain &editor = *m_frameOtherDomain;
    protocol::DnsRecord fresh{editor.cboDomain->currentText(), editor.cboRecordType->currentText(),
                              editor.txtCName->text(), editor.txtServerIP->text()};
    const bool freshAutoIP = editor.chkDomainAutoIP->isChecked();
    const bool changed =
        fresh.address != m_selected.sSelServerIP || fresh.name != m_selected.sSelCName ||
        fresh.recordType != m_selected.sSelRecordType || fresh.domain != m_selected.sSelDomain ||
        freshAutoIP != m_selected.bSelAutoIP;
    if (changed) {
        if (m_selected.sSelDomain.isEmpty()) {
            changeRecord(nullptr, false, fresh, freshAutoIP, true);
        } else {
            protocol::DnsRecord old{m_selected.sSelDomain, m_selected.sSelRecordType,
                                    m_selected.sSelCName, m_selected.sSelServerIP};
            changeRecord(&old, m_selected.bSelAutoIP, fresh, freshAutoIP, true);
            m_selected.sSelCName = old.name;
        }
    }
    ShowRecordTable();
    LoadRecordTable();
}

void RecordView::cmdDeleteGrid_Click() {
    if (m_frameGrid->chosenRow() < 1 || m_bDeleteBusy)
        return;
    // During another exchange: once it has ended, the record chosen now is deleted, wherever
    // the reloaded table shows it then (a marked record at the address the refresh has just
    // moved it to); a record no longer there is not looked for further.
    const RecordTableModel::Row chosen = m_frameGrid->model().row(m_frameGrid->chosenRow());
    if (m_services.work.deferWhileHeld("Delete", [this, chosen] {
            int position = m_frameGrid->model().find(chosen.record);
            if (position < 1 && chosen.autoIP) {
                protocol::DnsRecord moved = chosen.record;
                moved.address = m_lastRefreshAddress;
                position = m_frameGrid->model().find(moved);
            }
            if (position < 1 || m_frameGrid->isHidden())
                return;
            m_frameGrid->chooseRow(position);
            cmdDeleteGrid_Click();
        }))
        return;
    m_bDeleteBusy = true;
    const auto notBusy = qScopeGuard([this] { m_bDeleteBusy = false; });
    const session::WorkGuard::Hold busy(m_services.work);
    ReadSelectedRecord();
    if (m_selected.sSelDomain.isEmpty())
        return;
    protocol::DnsRecord doomed{m_selected.sSelDomain, m_selected.sSelRecordType,
                               m_selected.sSelCName, m_selected.sSelServerIP};
    sendRecord(doomed, protocol::kRecordDelete, true, m_selected.bSelAutoIP);
    LoadRecordTable();
}

void RecordView::RefreshAutoRecords(const QString &address) {
    if (m_frameGrid->isHidden())
        return;
    const session::WorkGuard::Hold busy(m_services.work);
    // A new public address: whatever waited after a refusal is tried at once.
    if (address != m_lastRefreshAddress) {
        m_moveWaits.startOver();
        m_journal.startOver();
    }
    m_lastRefreshAddress = address;
    FinishPendingChanges();
    QTableView *grid = m_frameGrid->gridDomainUser;
    const int remembered = m_frameGrid->currentRow();
    // The rows as they stand before any command; the table is rebuilt only afterwards.
    QList<protocol::DnsRecord> stale;
    const RecordTableModel &model = m_frameGrid->model();
    for (int position = 1; position < model.positionCount(); ++position) {
        const RecordTableModel::Row &row = model.row(position);
        if (!row.empty && row.autoIP && row.record.address != address)
            stale.append(row.record);
    }
    QStringList movedNames;
    for (protocol::DnsRecord &old : stale) {
        const QString move =
            protocol::RecordKey(old.domain, old.recordType, old.name, old.address) + address;
        if (!m_moveWaits.isDue(move))
            continue;
        protocol::DnsRecord moved = old;
        moved.address = address;
        if (changeRecord(&old, true, moved, true, false)) {
            m_moveWaits.succeeded(move);
            movedNames.append(protocol::HostName(moved.name, moved.domain));
        } else {
            session::RecordWait(m_services.history, moved, m_moveWaits.refused(move));
        }
    }
    LoadRecordTable();
    if (remembered >= 1 && remembered < model.positionCount()) {
        grid->setFocus();
        m_frameGrid->chooseRow(remembered);
    }
    if (!movedNames.isEmpty())
        Q_EMIT moved(movedNames, address);
}

} // namespace pellmarch::records
