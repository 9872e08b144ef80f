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
#include "session/MarkFile.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QScopeGuard>
#include <QSet>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
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
    connect(m_frameOtherDomain->cboRecordType, &QComboBox::currentTextChanged, this,
            &RecordView::cboRecordType_Change);
    cboRecordType_Change();
    // The table is sorted as the subscriber left it last time, and every new choice is kept.
    QHeaderView *header = m_frameGrid->gridDomainUser->horizontalHeader();
    const session::TableSort sort =
        session::ReadTableSort(services.settings, RecordTableModel::ColumnCount);
    header->setSortIndicator(sort.column, sort.order);
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                session::WriteTableSort(m_services.settings, {column, order});
            });
}

void RecordView::cboRecordType_Change() {
    // Only an address record can follow the public address: a mark on an MX, CNAME or TXT
    // record would point it at a bare IPv4 address.
    QCheckBox *box = m_frameOtherDomain->chkDomainAutoIP;
    const bool address = protocol::NullTrim(m_frameOtherDomain->cboRecordType->currentText())
                             .compare(QLatin1String("A"), Qt::CaseInsensitive) == 0;
    if (!address)
        box->setChecked(false);
    box->setEnabled(address);
    const QString why = address ? QString() : frameOtherDomain::kAddressRecordsOnly;
    box->setToolTip(why);
    box->setAccessibleDescription(why);
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
    // A change that an earlier run left unsettled (ended between a delete and its add, or with
    // an answer lost) is settled now by the login's list. An empty list may be an answer without
    // one, which says nothing: the first refresh's then.
    std::optional<QString> list;
    if (!m_services.user.sDomainUserRecords.isEmpty())
        list = m_services.user.sDomainUserRecords;
    bool changed = FinishPendingChanges(list);
    if (list) {
        // Marks of records the service no longer lists, and that no unfinished change names,
        // mark nothing any more.
        QSet<QString> named;
        for (const protocol::DnsRecord &r : protocol::SplitRecordList(*list))
            named.insert(protocol::RecordKey(r.domain, r.recordType, r.name, r.address));
        for (const ChangeJournal::Entry &entry : m_journal.pending(m_services.user.sUsername))
            for (const protocol::DnsRecord &r : {entry.change.old, entry.change.fresh})
                named.insert(protocol::RecordKey(r.domain, r.recordType, r.name, r.address));
        QStringList kept = m_services.autoIP.keys();
        if (kept.removeIf([&named](const QString &key) { return !named.contains(key); }) > 0) {
            m_services.autoIP.replaceWith(kept);
            if (m_services.marks != nullptr)
                m_services.marks->save(m_services.user.sUsername, kept);
            changed = true;
        }
    }
    if (changed)
        LoadRecordTable();
}

void RecordView::cmdAddGrid_Click() {
    // While an exchange is under way the editor opens once it has ended.
    if (m_services.work.deferWhileHeld("Add", [this] {
            if (!m_frameGrid->isHidden())
                cmdAddGrid_Click();
        }))
        return;
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
    // While an exchange is under way (a refresh moving this very record, say) the editor would
    // open on the record as it was, and Update would then add it once more beside its moved
    // self: it opens once the exchange has ended, on the record chosen last, as the table shows
    // it then.
    const int chosenPosition = m_frameGrid->chosenRow();
    const RecordTableModel::Row chosen =
        chosenPosition >= 1 ? m_frameGrid->model().row(chosenPosition) : RecordTableModel::Row{};
    if (m_services.work.deferWhileHeld("Edit", [this, chosenPosition, chosen] {
            if (m_frameGrid->isHidden())
                return;
            if (!chosen.empty) {
                const int position = positionOf(chosen);
                if (position < 1)
                    return; // gone meanwhile
                m_frameGrid->chooseRow(position);
            } else {
                const RecordTableModel &model = m_frameGrid->model();
                m_frameGrid->chooseRow(chosenPosition < model.positionCount() &&
                                               model.row(chosenPosition).empty
                                           ? chosenPosition
                                           : 0);
            }
            EditSelectedRecord();
        }))
        return;
    if (chosenPosition < 1) {
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

void RecordView::sendRecord(protocol::DnsRecord &record, const char *command, bool showMessages,
                            bool autoIP) {
    m_client.SendRecordCommand(record.domain, record.name, QLatin1String(command),
                               record.recordType, record.address, showMessages, autoIP);
}

protocol::DnsClient::CommandResult RecordView::runRecord(protocol::DnsRecord &record,
                                                         const char *command, bool autoIP) {
    return m_client.RunRecordCommand(record.domain, record.name, QLatin1String(command),
                                     record.recordType, record.address, autoIP);
}

void RecordView::mark(const protocol::DnsRecord &record, bool marked) {
    protocol::AutoIPList &list = m_services.autoIP;
    list.UpdateAutoIPList(record.domain, record.name, QLatin1String(protocol::kRecordDelete),
                          record.recordType, record.address, false);
    if (marked)
        list.UpdateAutoIPList(record.domain, record.name, QLatin1String(protocol::kRecordAdd),
                              record.recordType, record.address, true);
}

protocol::Outcome RecordView::changeRecord(protocol::DnsRecord *old, bool oldAutoIP,
                                           protocol::DnsRecord &fresh, bool freshAutoIP,
                                           bool addMessages) {
    using protocol::Outcome;
    // Written down as the commands will send it: an empty name goes out as "@".
    for (protocol::DnsRecord *record : {old, &fresh})
        if (record != nullptr && record->name.isEmpty())
            record->name = QLatin1String(protocol::kRootName);
    const PendingChange change{m_services.user.sUsername,
                               old != nullptr ? *old : protocol::DnsRecord{}, oldAutoIP, fresh,
                               freshAutoIP};
    const int entry = m_journal.begin(change);

    std::optional<protocol::DnsClient::CommandResult> deleted;
    if (old != nullptr)
        deleted = runRecord(*old, protocol::kRecordDelete, oldAutoIP);
    protocol::DnsClient::CommandResult added = runRecord(fresh, protocol::kRecordAdd, freshAutoIP);
    bool missing = false;
    std::optional<protocol::DnsClient::CommandResult> putBack;
    if (deleted && deleted->done() && added.outcome == Outcome::Refused) {
        // The old record is gone and the new one was refused: it goes back before anything
        // waits for the user, who may end the program rather than answer a message.
        putBack = runRecord(*old, protocol::kRecordAdd, oldAutoIP);
        missing = putBack->outcome == Outcome::Refused;
    }

    // Settled by what the service's answers say, when each came back; else by the list the
    // last answer carried, or, for an outcome not known, by a look at the service's list.
    const Outcome deleteOutcome = deleted ? deleted->outcome : Outcome::Done;
    const bool unknown = deleteOutcome == Outcome::Unknown || added.outcome == Outcome::Unknown ||
                         (putBack && putBack->outcome == Outcome::Unknown);
    bool settled = false;
    bool sent = false;
    std::optional<QString> list;
    const bool asSaid = added.done() ? deleteOutcome == Outcome::Done
                                     : !deleted || deleteOutcome == Outcome::Refused ||
                                           (putBack && putBack->done());
    if (!unknown && asSaid) {
        // The new record stands and the old one is gone, or nothing changed (or it was put
        // back): as the service said.
        m_journal.crossOut(entry);
        settled = true;
    } else {
        list = m_client.freshRecordList();
        bool freshRefused = false;
        const bool reached =
            added.answered || (deleted && deleted->answered) || (putBack && putBack->answered);
        if (!list && unknown && addMessages && reached) {
            // The subscriber waits for the outcome and the service was there: a look at its list
            // now tells what became of the change (and repairs it).
            m_client.QueryPublicAddress();
            list = m_client.freshRecordList();
            freshRefused = added.outcome == Outcome::Refused && !putBack;
        }
        if (list)
            settled = settle(entry, change, *list, freshRefused, sent, missing);
    }
    // An add whose answer was lost, found standing by the look: it was carried out. (The message
    // still says what the answer said.)
    Outcome outcome = added.outcome;
    if (settled && outcome == Outcome::Unknown && list && protocol::ListHolds(*list, fresh))
        outcome = Outcome::Done;

    if (!addMessages)
        return outcome;
    m_client.ReportOutcome(added);
    if (missing)
        m_services.boxes.inform(
            QStringLiteral("Could not put the record back.  It is missing from the DNS Server:\n"
                           "Name:%1 Domain:%2 Record Type:%3 IPAddress:%4\n"
                           "Pellmarch will try again to add it; you may also add it yourself.")
                .arg(old->name, old->domain, old->recordType, old->address));
    return outcome;
}

bool RecordView::settle(int entry, const PendingChange &change, QString &list, bool freshRefused,
                        bool &sent, bool &missing) {
    using protocol::Outcome;
    const bool same = change.hasOld() && protocol::SameRecord(change.old, change.fresh);
    // At most both commands of a repair and the put-back, each shown by its own answer.
    for (int round = 0; round < 3; ++round) {
        const bool freshListed = protocol::ListHolds(list, change.fresh);
        const bool oldListed = change.hasOld() && !same && protocol::ListHolds(list, change.old);
        // A mark goes on the record as the service lists it (it may write it in a form of its
        // own), so that the refresh finds it.
        const auto asListed = [&list](const protocol::DnsRecord &record) {
            for (const protocol::DnsRecord &r : protocol::SplitRecordList(list))
                if (protocol::SameRecord(r, record))
                    return r;
            return record;
        };
        if (freshListed && !oldListed) {
            // Done (an add whose answer was lost included): the record keeps the mark it was
            // given, so it goes on following the address.
            if (change.hasOld() && !same)
                mark(change.old, false);
            mark(asListed(change.fresh), change.freshAutoIP);
            m_journal.crossOut(entry);
            return true;
        }
        if (oldListed && !freshListed) {
            // Nothing happened, or the record was put back: it is as it was.
            mark(change.fresh, false);
            mark(asListed(change.old), change.oldAutoIP);
            m_journal.crossOut(entry);
            return true;
        }
        if (!freshListed && !change.hasOld()) {
            m_journal.crossOut(entry); // a new record that never arrived: nothing was lost
            return true;
        }
        if (!m_journal.isDue(entry))
            return false;
        sent = true;
        const auto after = [&list](const protocol::DnsClient::CommandResult &result,
                                   const protocol::DnsRecord &record, bool adding) {
            // The service's list when its answer carried one, else the list as it was; either
            // way with what the answer acknowledged (a service may list a record in a form of
            // its own, and must not make the repair go round again).
            QList<protocol::DnsRecord> records =
                protocol::SplitRecordList(result.records ? *result.records : list);
            records.removeIf(
                [&record](const protocol::DnsRecord &r) { return SameRecord(r, record); });
            if (adding)
                records.append(record);
            list = protocol::JoinRecordList(records);
        };
        protocol::DnsClient::CommandResult result;
        if (freshListed && oldListed) {
            // Both stand (the delete's answer was lost, it never arrived, or it was refused): the
            // old copy goes, as the change meant. The mark is the new one's at once, so the old
            // copy is never moved anew while its delete waits for another try.
            mark(change.old, false);
            mark(change.fresh, change.freshAutoIP);
            protocol::DnsRecord doomed = change.old;
            result = runRecord(doomed, protocol::kRecordDelete, change.oldAutoIP);
            if (result.done())
                after(result, doomed, false);
        } else {
            // Neither stands: the record as it was to become; should the service refuse that,
            // as it was before.
            protocol::DnsRecord record = change.fresh;
            bool freshAdd = !freshRefused;
            if (freshAdd)
                result = runRecord(record, protocol::kRecordAdd, change.freshAutoIP);
            if (!freshAdd || result.outcome == Outcome::Refused) {
                record = change.old;
                result = runRecord(record, protocol::kRecordAdd, change.oldAutoIP);
                missing = result.outcome == Outcome::Refused;
            }
            if (result.done())
                after(result, record, true);
            freshRefused = false;
        }
        if (!result.done()) {
            m_journal.tryFailed(entry);
            return false;
        }
    }
    m_journal.tryFailed(entry);
    return false;
}

bool RecordView::FinishPendingChanges(std::optional<QString> &list) {
    if (!list)
        return false; // no word of the service's: nothing to settle by
    bool changed = false;
    for (const ChangeJournal::Entry &entry : m_journal.pending(m_services.user.sUsername)) {
        bool sent = false;
        bool missing = false;
        // A change crossed out may have had its marks set right.
        changed =
            settle(entry.number, entry.change, *list, false, sent, missing) || sent || changed;
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
            // The editor's own state: the window may have gone to the tray meanwhile.
            if (!m_frameOtherDomain->isHidden() && m_editing == editing)
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
    // The record just written is the chosen row, wherever the list and the sort have put it: as
    // it became, or as it stayed where the change did not go through.
    int position = positionOfSame(fresh);
    if (position < 1 && !m_selected.sSelDomain.isEmpty())
        position = positionOfSame({m_selected.sSelDomain, m_selected.sSelRecordType,
                                   m_selected.sSelCName, m_selected.sSelServerIP});
    if (position >= 1)
        m_frameGrid->chooseRow(position);
}

void RecordView::cmdDeleteGrid_Click() {
    if (m_frameGrid->chosenRow() < 1 || m_bDeleteBusy)
        return;
    // During another exchange: once it has ended, the record chosen now is deleted, wherever
    // the reloaded table shows it then (a marked record at the address the refresh has just
    // moved it to); a record no longer there is not looked for further.
    const RecordTableModel::Row chosen = m_frameGrid->model().row(m_frameGrid->chosenRow());
    if (m_services.work.deferWhileHeld("Delete", [this, chosen] {
            const int position = positionOf(chosen);
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

int RecordView::positionOf(const RecordTableModel::Row &chosen) const {
    const RecordTableModel &model = m_frameGrid->model();
    int position = model.find(chosen.record);
    if (position < 1 && chosen.autoIP) {
        protocol::DnsRecord moved = chosen.record;
        moved.address = m_lastRefreshAddress;
        position = model.find(moved);
    }
    return position;
}

int RecordView::positionOfSame(const protocol::DnsRecord &record) const {
    const RecordTableModel &model = m_frameGrid->model();
    if (const int position = model.find(record); position >= 1)
        return position;
    for (int position = 1; position < model.positionCount(); ++position)
        if (!model.row(position).empty && protocol::SameRecord(model.row(position).record, record))
            return position;
    return -1;
}

void RecordView::RefreshAutoRecords(const QString &address) {
    const session::WorkGuard::Hold busy(m_services.work);
    // A new public address: whatever waited after a refusal is tried at once.
    if (address != m_lastRefreshAddress) {
        m_moveWaits.startOver();
        m_journal.startOver();
    }
    m_lastRefreshAddress = address;
    // What the service said it holds, just now.
    std::optional<QString> list = m_client.freshRecordList();
    const bool repaired = FinishPendingChanges(list);
    if (m_frameGrid->isHidden()) {
        // The editor is open: no record moves under it. The table behind it follows what the
        // repairs did, so it is right when the editor closes.
        if (repaired)
            m_frameGrid->model().load(m_services.user.sDomainUserRecords, m_services.autoIP);
        return;
    }
    QTableView *grid = m_frameGrid->gridDomainUser;
    // The row chosen now is chosen again after the reload: the same record wherever it then
    // stands (a marked one at the address it is moved to), never another one that has come to
    // stand at its place.
    const int remembered = m_frameGrid->currentRow();
    const std::optional<RecordTableModel::Row> chosen =
        remembered >= 1 ? std::optional(m_frameGrid->model().row(remembered)) : std::nullopt;
    // The records to move, as the service's list of this refresh shows them (the table may be
    // older than the repairs), else as the table shows them. Only address records follow the
    // address: a mark on an MX, CNAME or TXT record never points it at an IPv4 address.
    QList<protocol::DnsRecord> shown;
    QList<bool> marked;
    if (list) {
        for (const protocol::DnsRecord &r : protocol::SplitRecordList(*list)) {
            shown.append(r);
            marked.append(m_services.autoIP.isMarked(r.domain, r.recordType, r.name, r.address));
        }
    } else {
        const RecordTableModel &model = m_frameGrid->model();
        for (int position = 1; position < model.positionCount(); ++position) {
            if (model.row(position).empty)
                continue;
            shown.append(model.row(position).record);
            marked.append(model.row(position).autoIP);
        }
    }
    QList<protocol::DnsRecord> stale;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const protocol::DnsRecord &r = shown.at(i);
        if (marked.at(i) && r.address != address &&
            protocol::NullTrim(r.recordType).compare(QLatin1String("A"), Qt::CaseInsensitive) ==
                0 &&
            protocol::IsDottedIPv4(protocol::NullTrim(r.address)))
            stale.append(r);
    }
    QStringList movedNames;
    for (protocol::DnsRecord &old : stale) {
        const QString move =
            protocol::RecordKey(old.domain, old.recordType, old.name, old.address) + address;
        if (!m_moveWaits.isDue(move))
            continue;
        protocol::DnsRecord moved = old;
        moved.address = address;
        switch (changeRecord(&old, true, moved, true, false)) {
        case protocol::Outcome::Done:
            m_moveWaits.succeeded(move);
            movedNames.append(protocol::HostName(moved.name, moved.domain));
            break;
        case protocol::Outcome::Refused:
            session::RecordWait(m_services.history, moved, m_moveWaits.refused(move));
            break;
        case protocol::Outcome::Unknown:
            break; // written down: the next refresh's list tells
        }
    }
    LoadRecordTable();
    if (chosen) {
        // An empty row (of an empty list) has no record: its place is chosen again, if it is
        // still an empty one.
        const RecordTableModel &model = m_frameGrid->model();
        const int position = !chosen->empty ? positionOf(*chosen)
                             : remembered < model.positionCount() && model.row(remembered).empty
                                 ? remembered
                                 : -1;
        if (position >= 1) {
            grid->setFocus();
            m_frameGrid->chooseRow(position);
        }
    }
    if (!movedNames.isEmpty())
        Q_EMIT moved(movedNames, address);
}

} // namespace pellmarch::records
