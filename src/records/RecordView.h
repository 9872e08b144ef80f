#pragma once

#include "protocol/DnsClient.h"
#include "protocol/RecordList.h"
#include "records/ChangeJournal.h"
#include "records/RecordTableModel.h"
#include "session/Services.h"

#include <QObject>

#include <optional>

class QComboBox;
class QWidget;

namespace pellmarch::session {
class MainWindow;
}

namespace pellmarch::records {

class frameGrid;
class frameOtherDomain;

// The record chosen in the table, as the editor and the record commands work on it. An empty
// `sSelDomain` means no stored record is chosen.
struct SelectedRecord {
    QString sSelDomain;
    QString sSelRecordType;
    QString sSelCName; // "@" for the domain itself, never "Root"
    QString sSelServerIP;
    bool bSelAutoIP = false;
};

// Record-table mode of the main window: the table and the editor frames, and the routines that
// fill, show and read them.
class RecordView final : public QObject {
    Q_OBJECT
public:
    static inline const QString kSelectRow = QStringLiteral("Please select a row");
    static inline const QString kNoRowsToEdit =
        QStringLiteral("There are no rows to edit. Please click on 'Add' button add more entries.");
    static inline const QString kDomainMissing = QStringLiteral("Domain must be filled in");
    static inline const QString kRecordTypeMissing =
        QStringLiteral("Record Type must be filled in");
    static inline const QString kAddressMissing = QStringLiteral("IP Address must be filled in");

    RecordView(session::Services &services, session::MainWindow &mainWindow,
               protocol::DnsClient &client, QWidget *frameParent);

    frameGrid *gridFrame() const { return m_frameGrid; }
    frameOtherDomain *editorFrame() const { return m_frameOtherDomain; }

    // Rebuilds the table from the user record's record list and the automatic-resolution list;
    // afterwards no record is chosen.
    void LoadRecordTable();
    // Switches the window to the table and chooses no record. Does not reload.
    void ShowRecordTable();
    // Copies the chosen row into the selected record.
    void ReadSelectedRecord();
    // Set-up after a login in record-table mode: table shown, editor choices filled, table
    // loaded. Sends nothing.
    void SetUpRecordTable();

    // The editor: a new record, the chosen one, back to the table without sending.
    void cmdAddGrid_Click();
    void cmdEditGrid_Click();
    void gridDomainUser_DblClick();
    void EditSelectedRecord();
    void cmdCancel_Click();
    // True when the editor's record may be sent; else its message has been shown.
    bool ValidateRecordFields();
    void chkDomainAutoIP_Click();

    // Sends the editor's record (a change is a delete of the old record and an add of the new).
    void cmdServerIP_Click();
    // Deletes the chosen record.
    void cmdDeleteGrid_Click();
    // Moves every row marked for automatic resolution that is an address record not at
    // `address` there, reloads the table and chooses the same position again. Changes left
    // unsettled before are settled first, by the record list the refresh's address query
    // brought, also while the editor is open; the moves wait while it is open.
    void RefreshAutoRecords(const QString &address);
    // Settles the subscriber's changes written down in the journal by `list`, the service's own
    // record list (nullopt: none came, so nothing can be settled): a change whose new record is
    // listed is done, one whose old record is listed never happened (or was put back); with both
    // listed the old copy is deleted, with neither the new record is added, or else the old one
    // put back, each in its turn of waiting. The list follows what the repairs did. True when
    // anything was sent or a record's mark set right: the table is out of date.
    bool FinishPendingChanges(std::optional<QString> &list);

    const SelectedRecord &selectedRecord() const { return m_selected; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // A refresh has moved the records with these host names to `address`.
    void moved(const QStringList &hostNames, const QString &address);

private:
    // A change: deletes `old` without a message (when there is one), then adds `fresh`. The
    // change is written down before anything is sent and crossed out once the service shows the
    // record standing exactly once. When the delete went through and the add was refused, `old`
    // is added back at once, before any message; an add whose outcome is unknown gets no
    // put-back: the service's list is looked at first (a fresh one at once for the subscriber's
    // own Update, the next refresh's otherwise). An empty name goes out as "@" and stays so in
    // the records given. The add's outcome, as far as it is known now.
    protocol::Outcome changeRecord(protocol::DnsRecord *old, bool oldAutoIP,
                                   protocol::DnsRecord &fresh, bool freshAutoIP, bool addMessages);
    // Settles one written-down change by `list` (see FinishPendingChanges); true when crossed
    // out. `freshRefused`: its add has just been refused, so listed neither way it is put back
    // at once. `missing` is set when the record is known to be gone and could not be put back.
    bool settle(int entry, const PendingChange &change, QString &list, bool freshRefused,
                bool &sent, bool &missing);
    // Gives `record` the automatic-resolution mark, or takes it away.
    void mark(const protocol::DnsRecord &record, bool marked);
    // Where the reloaded table shows the record of `chosen` (a marked one possibly at the address
    // the refresh has just moved it to), or -1.
    int positionOf(const RecordTableModel::Row &chosen) const;
    // Where the table shows `record`, in the very form given or as the service may list it
    // (protocol::SameRecord), or -1.
    int positionOfSame(const protocol::DnsRecord &record) const;
    void sendRecord(protocol::DnsRecord &record, const char *command, bool showMessages,
                    bool autoIP);
    protocol::DnsClient::CommandResult runRecord(protocol::DnsRecord &record, const char *command,
                                                 bool autoIP);
    // The editor offers "Automatic IP Resolution" for address records only.
    void cboRecordType_Change();
    // Shows `text` as the choice of `box`; a value the box does not offer is offered for this
    // editing, rather than the record being changed silently.
    static void showChoice(QComboBox *box, const QString &text);

    session::Services &m_services;
    session::MainWindow &m_mainWindow;
    protocol::DnsClient &m_client;
    ChangeJournal m_journal;
    // The refresh's moves that the service refused wait before they are tried again; a new
    // address or a new login tries everything at once.
    session::RetryWaits m_moveWaits;
    QString m_lastRefreshAddress;
    bool m_bUpdateBusy = false;
    // Counts the openings and closings of the editor: a deferred Update belongs to one editing.
    int m_editing = 0;
    bool m_bDeleteBusy = false;
    frameGrid *m_frameGrid = nullptr;
    frameOtherDomain *m_frameOtherDomain = nullptr;
    SelectedRecord m_selected;
};

} // namespace pellmarch::records
