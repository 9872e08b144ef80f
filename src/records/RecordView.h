#pragma once

#include "session/Services.h"

#include <QObject>

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
    RecordView(session::Services &services, session::MainWindow &mainWindow, QWidget *frameParent);

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

    const SelectedRecord &selectedRecord() const { return m_selected; }

private:
    session::Services &m_services;
    session::MainWindow &m_mainWindow;
    frameGrid *m_frameGrid = nullptr;
    frameOtherDomain *m_frameOtherDomain = nullptr;
    SelectedRecord m_selected;
};

} // namespace pellmarch::records
