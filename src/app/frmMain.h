#pragma once

#include "platform/AutostartEntry.h"
#include "session/MainWindow.h"
#include "session/Services.h"

#include <QDBusConnection>
#include <QIcon>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace pellmarch::platform {
class TrayHost;
}
namespace pellmarch::protocol {
class DnsClient;
}
namespace pellmarch::account {
class Lifecycle;
}
namespace pellmarch::records {
class RecordView;
}
namespace pellmarch::address {
class OwnAddress;
}
namespace pellmarch::session {
class Notices;
}

namespace pellmarch::app {

class StatusIndicator;
class frmHistory;

// The main window: menus, the public address, the three content frames (one shown at a time)
// and the status line. The frames' routines live with their subsystems; this window composes
// them and keeps the layout rule.
class frmMain final : public QMainWindow, public session::MainWindow {
    Q_OBJECT
public:
    // Whether the window puts an icon in the desktop's system tray: as told, or where the
    // desktop has one. The panel's tray host on `panelBus` is looked for when the window first
    // shows and followed from then on: it may come later (an autostarted program often runs
    // before the panel), go and come again. Without it an X tray there at that moment takes the
    // icon for the run.
    enum class Tray { Detect, Available, Unavailable };
    // When the window makes its content frames and its tray icon: at once, or only when it is
    // first shown (or a set-up needs them). The program takes the latter: nothing of them is
    // needed for the login window, and making them would cost start-up time and memory there.
    enum class Build { Now, WhenShown };

    // `panelBus`: where the panel's tray host is looked for (the session bus in the program);
    // none when not given.
    explicit frmMain(session::Services &services, QWidget *parent = nullptr,
                     Tray tray = Tray::Detect, Build build = Build::Now,
                     std::function<QDBusConnection()> panelBus = {});
    ~frmMain() override;

    // Start-up: the login, then the window shown and set up.
    void Form_Load();
    // The desktop ends the program: closing without the question, the parking bounded.
    void endSession();
    // The session manager says the session is about to end.
    void sessionEnding();
    // Shows and raises the window that stands for the program: the login window while it is
    // open, else this one (restored from the tray or from being minimised) once a login has
    // shown it.
    void bringToFront();

    // session::MainWindow
    QWidget *window() override { return this; }
    QString shownAddress() const override;
    void setShownAddress(const QString &address) override;
    void showView(session::View view) override;
    void repaintNow() override;
    void SetUpMainWindow() override;
    void SetUpRecordTable() override;
    void RefreshAutoRecords(const QString &address) override;
    bool isAutoIPTicked() const override;
    bool isOwnAddressRegistered() const override;

    // The outer height of the window by the layout rule, and the status frame's top, in twips.
    int windowHeightTwips() const { return m_heights.window; }
    int statusTopTwips() const { return m_heights.statusTop; }

    account::Lifecycle &lifecycle() { return *m_lifecycle; }
    records::RecordView &recordView();
    address::OwnAddress &ownAddress();

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenus();
    void buildControls();
    // Makes the content frames and, where wanted, the tray icon; once.
    void buildFrames();
    void followTrayHost();
    void trayHostArrived();
    void trayHostLeft();
    // Makes the icon with its menu, and takes them away again.
    void buildTray();
    void dropTray();
    void updateTray();
    void applyHeight();
    // Places the frames for the window's size: in the record table view the table takes what
    // the window has beyond the layout rule's size; the status frame stays at the bottom.
    void layoutFrames();
    // Keeps the size the subscriber gave the record table view, if it is not kept yet.
    void saveTableSize();

    void buildNotices();
    void showLater(const QString &message);

    void mnuCheckNow_Click();
    void mnuStartAtLogin_Click();
    void mnuNotifications_Click();
    void mnuHistory_Click();
    void mnuLogin_Click();
    void mnuLogout_Click();
    void mnuAbout_Click();
    void mnuOnlineHelp_Click();

    session::Services &m_services;
    session::WindowHeights m_heights{};
    // The window's size by the layout rule for the view shown: the least it may have.
    QSize m_ruleSize;
    // The size the subscriber gave the record table view (the only one that grows); empty: the
    // rule's. Kept in the settings once the subscriber has stopped sizing for a moment.
    QSize m_tableSize;
    QTimer *m_tableSizeSave = nullptr;
    // The window sizes itself: no size of the subscriber's.
    bool m_sizing = false;
    platform::AutostartEntry m_autostart;

    QMenu *MnuFile = nullptr;
    QAction *mnuCheckNow = nullptr;
    QAction *mnuStartAtLogin = nullptr;
    QAction *mnuNotifications = nullptr;
    QAction *mnuHistory = nullptr;
    QAction *mnuLogin = nullptr;
    QAction *mnuLogout = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *mnuOnlineHelp = nullptr;

    QWidget *m_client = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *lblIPAddress = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *frameStatus = nullptr;
    QLabel *lblStatusH = nullptr;
    StatusIndicator *lblStatus = nullptr;

    // Only while the desktop has a tray.
    Tray m_trayChoice = Tray::Detect;
    std::function<QDBusConnection()> m_panelBus;
    platform::TrayHost *m_trayHost = nullptr; // followed from the first showing on
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *mnuShow = nullptr;
    QIcon m_icon;
    QIcon m_disconnectedIcon;
    // At midnight the last exchange's time in the tooltip becomes one of another day.
    QTimer *m_dayTurn = nullptr;
    // Set once a login has shown the window: before that nothing brings it up.
    bool m_shownOnce = false;
    // Minimised into the tray; shown again should the tray go.
    bool m_hiddenToTray = false;

    std::unique_ptr<protocol::DnsClient> m_dnsClient;
    // Made by buildFrames(); until then the view is only remembered and the window laid out
    // for it.
    session::View m_view = session::View::RecordTable;
    records::RecordView *m_records = nullptr;
    address::OwnAddress *m_address = nullptr;
    std::unique_ptr<account::Lifecycle> m_lifecycle;
    // Where the run has a notifier and a history.
    session::Notices *m_notices = nullptr;
    // Messages about the program's files that wait for the exchange under way to end, in the
    // order they came, each once.
    QStringList m_laterMessages;
    frmHistory *m_historyWindow = nullptr;
};

} // namespace pellmarch::app
