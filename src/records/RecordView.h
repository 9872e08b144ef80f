#pragma once

#include "protocol/DnsClient.h"
#include "protocol/RecordList.h"
#include "records/ChangeJournal.h"
#include "session/Services.h"

#include <QObject>

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
    // Moves every row marked for automatic resolution that is not at `address` there, reloads
    // the table and chooses the same position again. Does nothing while the table is not shown.
    // Changes left unfinished before are finished first.
    void RefreshAutoRecords(const QString &address);
    // Finishes the subscriber's changes that lost a record on the way (deleted, then neither
    // added nor put back, or cut off between the two): the record the service lists neither
    // way is added as it was to become, or else put back, each in its turn of waiting.
    // True when anything was sent or a record's mark given back: the table is out of date.
    bool FinishPendingChanges();

    const SelectedRecord &selectedRecord() const { return m_selected; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // A refresh has moved the records with these host names to `address`.
    void moved(const QStringList &hostNames, const QString &address);

private:
    // A change: deletes `old` without a message (when there is one), then adds `fresh`. When
    // the delete went through and the add did not, `old` is added back without a message, so a
    // failed change never loses a record. An empty name goes out as "@" and stays so in the
    // records given.
    // The change is written down in the journal until the record stands at the service again,
    // and the put-back goes out before the add's message is shown.
    // True when the new record was added.
    bool changeRecord(protocol::DnsRecord *old, bool oldAutoIP, protocol::DnsRecord &fresh,
                      bool freshAutoIP, bool addMessages);
    bool sendRecord(protocol::DnsRecord &record, const char *command, bool showMessages,
                    bool autoIP);
    protocol::DnsClient::Outcome runRecord(protocol::DnsRecord &record, const char *command,
                                           bool autoIP);
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
