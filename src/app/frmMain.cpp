#include "app/frmMain.h"

#include "about/frmAbout.h"
#include "account/Lifecycle.h"
#include "address/OwnAddress.h"
#include "address/frameVerlundDomain.h"
#include "app/StatusIndicator.h"
#include "app/frmHistory.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/TrayHost.h"
#include "platform/Twips.h"
#include "platform/Widgets.h"
#include "platform/XEmbedTray.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "records/RecordView.h"
#include "records/frameGrid.h"
#include "records/frameOtherDomain.h"
#include "session/HistoryFile.h"
#include "session/MarkFile.h"
#include "session/Notices.h"
#include "session/SavedSettings.h"
#include "session/WorkGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace pellmarch::app {

using platform::arial;
using platform::kAlignLeft;
using platform::named;
using platform::styled;
using platform::twips;
using platform::twipsRect;

namespace {

constexpr int kClientWidthTwips = 9015;
// How long the window's size must stay as the subscriber left it before it is kept: one write
// when the dragging is over, not one for every step of it.
constexpr int kTableSizeSaveMs = 1000;
// Room kept below the status frame, should the title bar and menu bar of this desktop take more
// than the layout rule leaves for them.
constexpr int kMinimumBottomGapTwips = 120;

// The tray icon's mark while the service is out of reach: a red dot over the logo's lower right
// corner, its diameter this share of the logo's width, ringed in white to stand out on any panel.
constexpr qreal kMarkShare = 0.5;
const QColor kMarkColour(192, 0, 0);

QIcon markedLogo() {
    QPixmap logo = platform::logoPixmap();
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal diameter = logo.width() * kMarkShare;
    const qreal ring = diameter / 8;
    painter.setPen(QPen(Qt::white, ring));
    painter.setBrush(kMarkColour);
    painter.drawEllipse(QRectF(logo.width() - diameter + ring / 2,
                               logo.height() - diameter + ring / 2, diameter - ring,
                               diameter - ring));
    painter.end();
    return QIcon(logo);
}

} // namespace

frmMain::frmMain(session::Services &services, QWidget *parent, Tray tray, Build build,
                 std::function<QDBusConnection()> panelBus)
    : QMainWindow(parent), m_services(services), m_trayChoice(tray),
      m_panelBus(std::move(panelBus)) {
    setObjectName(QStringLiteral("frmMain"));
    setFont(platform::dialogFont());
    buildMenus();
    buildControls();
    m_dnsClient = std::make_unique<protocol::DnsClient>(
        services.web, services.boxes, *lblStatus, services.user, services.autoIP,
        services.endpoints, session::LogOf(services.history));
    m_lifecycle = std::make_unique<account::Lifecycle>(services, *this, *m_dnsClient);
    // A click taken while an exchange runs waits for it; the pointer says so meanwhile.
    connect(&services.work, &session::WorkGuard::waitingChanged, this, [](bool waiting) {
        if (waiting)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    buildNotices();
    if (services.history != nullptr)
        // Found when the history is first written or read, said once no exchange is under way.
        connect(services.history, &session::HistoryFile::setAside, this, &frmMain::showLater);
    if (services.marks != nullptr) {
        connect(services.marks, &session::MarkFile::setAside, this, &frmMain::showLater);
        // Every change of the marks is kept for the subscriber they belong to.
        services.autoIP.changed = [&services] {
            services.marks->save(services.user.sUsername, services.autoIP.keys());
        };
    }
    // The record table view's size from the last run, where it fits the screen.
    m_tableSize = session::ReadWindowSize(services.settings, screen()->availableGeometry().size());
    m_tableSizeSave = new QTimer(this);
    m_tableSizeSave->setSingleShot(true);
    m_tableSizeSave->setInterval(kTableSizeSaveMs);
    connect(m_tableSizeSave, &QTimer::timeout, this, &frmMain::saveTableSize);
    // Until a login decides the mode, the window is laid out for the record table.
    showView(session::View::RecordTable);
    if (build == Build::Now)
        buildFrames();
}

void frmMain::buildFrames() {
    if (m_records != nullptr)
        return;
    lblIPAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_records = new records::RecordView(m_services, *this, *m_dnsClient, m_client);
    m_address = new address::OwnAddress(m_services, *this, *m_dnsClient, m_client);
    if (m_notices != nullptr) {
        connect(m_records, &records::RecordView::moved, m_notices, &session::Notices::moved);
        connect(m_address, &address::OwnAddress::moved, m_notices, &session::Notices::moved);
        connect(m_address, &address::OwnAddress::refreshEnded, m_notices,
                &session::Notices::refreshEnded);
    }
    showView(m_view);
    if (m_trayChoice == Tray::Available)
        buildTray();
    else if (m_trayChoice == Tray::Detect)
        followTrayHost();
}

void frmMain::followTrayHost() {
    // Asked only now: the question goes over the session bus, which the login window does not
    // need.
    if (m_panelBus)
        m_trayHost = new platform::TrayHost(m_panelBus(), this);
    if (m_trayHost != nullptr && m_trayHost->isThere()) {
        buildTray();
    } else if (platform::HasXEmbedTray()) {
        // Qt makes the icon for the X tray now, and keeps to that kind of icon for the run: a
        // panel's host that comes later could not take it.
        delete m_trayHost;
        m_trayHost = nullptr;
        buildTray();
    }
    if (m_trayHost == nullptr)
        return;
    connect(m_trayHost, &platform::TrayHost::arrived, this, &frmMain::trayHostArrived);
    connect(m_trayHost, &platform::TrayHost::left, this, &frmMain::trayHostLeft);
}

void frmMain::trayHostArrived() {
    // A new host knows nothing of an icon registered with the one before: the icon is made
    // anew, and registers with it as it shows.
    dropTray();
    buildTray();
    if (m_shownOnce)
        m_tray->show();
}

void frmMain::trayHostLeft() {
    dropTray();
    // Hidden into a tray that is no longer there, the window would have no way back.
    if (m_hiddenToTray)
        showNormal();
}

records::RecordView &frmMain::recordView() {
    buildFrames();
    return *m_records;
}

address::OwnAddress &frmMain::ownAddress() {
    buildFrames();
    return *m_address;
}

void frmMain::setVisible(bool visible) {
    // Made before the window first shows, so that they show with it.
    if (visible)
        buildFrames();
    QMainWindow::setVisible(visible);
}

frmMain::~frmMain() {
    if (m_services.marks != nullptr)
        m_services.autoIP.changed = nullptr;
}

void frmMain::buildMenus() {
    MnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), "MnuFile", QStringLiteral("File"));
    // The automatic refresh's check, at once rather than at the next tick.
    mnuCheckNow = MnuFile->addAction(QStringLiteral("Check now"));
    mnuCheckNow->setObjectName(QStringLiteral("mnuCheckNow"));
    mnuCheckNow->setShortcut(QKeySequence(Qt::Key_F5));
    mnuCheckNow->setWhatsThis(QStringLiteral(
        "Asks the DNS Server now for this computer's public address and updates what follows it."));
    MnuFile->addSeparator();
    // Whether the desktop starts the program with the session; the tick shows whether the
    // entry is there (looked at each time the menu opens: it may be removed from outside).
    mnuStartAtLogin = MnuFile->addAction(QStringLiteral("Start at Login"));
    mnuStartAtLogin->setObjectName(QStringLiteral("mnuStartAtLogin"));
    mnuStartAtLogin->setCheckable(true);
    mnuStartAtLogin->setChecked(m_autostart.isOn());
    connect(MnuFile, &QMenu::aboutToShow, this,
            [this] { mnuStartAtLogin->setChecked(m_autostart.isOn()); });
    mnuNotifications = MnuFile->addAction(QStringLiteral("Notifications"));
    mnuNotifications->setObjectName(QStringLiteral("mnuNotifications"));
    mnuNotifications->setCheckable(true);
    mnuNotifications->setEnabled(false);
    mnuHistory = MnuFile->addAction(QStringLiteral("History"));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    mnuHistory->setEnabled(m_services.history != nullptr);
    MnuFile->addSeparator();
    mnuLogin = MnuFile->addAction(QStringLiteral("Login as Different User"));
    mnuLogin->setObjectName(QStringLiteral("mnuLogin"));
    mnuLogout = MnuFile->addAction(QStringLiteral("Logout"));
    mnuLogout->setObjectName(QStringLiteral("mnuLogout"));
    mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), "mnuHelp", QStringLiteral("Help"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    mnuOnlineHelp = mnuHelp->addAction(QStringLiteral("Online Help"));
    mnuOnlineHelp->setObjectName(QStringLiteral("mnuOnlineHelp"));
    mnuOnlineHelp->setShortcut(QKeySequence::HelpContents);
    connect(mnuCheckNow, &QAction::triggered, this, &frmMain::mnuCheckNow_Click);
    connect(mnuStartAtLogin, &QAction::triggered, this, &frmMain::mnuStartAtLogin_Click);
    connect(mnuNotifications, &QAction::triggered, this, &frmMain::mnuNotifications_Click);
    connect(mnuHistory, &QAction::triggered, this, &frmMain::mnuHistory_Click);
    connect(mnuLogin, &QAction::triggered, this, &frmMain::mnuLogin_Click);
    connect(mnuLogout, &QAction::triggered, this, &frmMain::mnuLogout_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    connect(mnuOnlineHelp, &QAction::triggered, this, &frmMain::mnuOnlineHelp_Click);
}

void frmMain::buildControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_client);

    Image1 = named(new QLabel(m_client), "Image1", QStringLiteral("Verlund Dynamic DNS logo"));
    Image1->setGeometry(twipsRect(360, 120, 960, 960));
    Image1->setPixmap(platform::logoPixmap());
    Image1->setScaledContents(true);

    Label7 = named(new QLabel(QStringLiteral("Your IPAddress:"), m_client), "Label7",
                   QStringLiteral("Your IPAddress:"));
    styled(Label7, twipsRect(1560, 420, 1815, 375), arial(9.75, true), kAlignLeft);
    lblIPAddress = named(new QLabel(QStringLiteral("IPAddress"), m_client), "lblIPAddress",
                         QStringLiteral("IPAddress"));
    styled(lblIPAddress, twipsRect(3480, 420, 3975, 375), arial(9.75), kAlignLeft);
    // Made selectable with the frames: the text control that takes is costly, and of no use
    // before the window shows.

    Line1 = named(new QFrame(m_client), "Line1", QString());
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(twipsRect(360, 1110, 8295, 30));

    frameStatus = named(new QFrame(m_client), "frameStatus", QStringLiteral("Server Status"));
    frameStatus->setFrameShape(QFrame::StyledPanel);
    frameStatus->setGeometry(twipsRect(480, 0, 7935, session::kStatusHeightTwips));
    lblStatusH = named(new QLabel(QStringLiteral("Server Status:"), frameStatus), "lblStatusH",
                       QStringLiteral("Server Status:"));
    styled(lblStatusH, twipsRect(120, 90, 1455, 315), arial(8.25, true), kAlignLeft);
    lblStatus = new StatusIndicator(frameStatus);
    // A screen reader says each value with its heading.
    Label7->setBuddy(lblIPAddress);
    lblStatusH->setBuddy(lblStatus);
    styled(lblStatus, twipsRect(1680, 90, 6015, 315), arial(8.25, true), kAlignLeft);
}

void frmMain::buildNotices() {
    if (m_services.notifier == nullptr)
        return;
    m_notices = new session::Notices(*m_services.notifier, m_services.settings, this);
    // The program's own message boxes, the login window and the closing question are modal.
    m_notices->boxOpen = [] {
        return QApplication::activeModalWidget() != nullptr;
    };
    if (m_services.history != nullptr)
        connect(m_services.history, &session::HistoryFile::exchanged, m_notices,
                &session::Notices::exchanged);
    // The frames' moves are connected when the frames are made.
    mnuNotifications->setEnabled(true);
    mnuNotifications->setChecked(m_notices->isOn());
}

void frmMain::showLater(const QString &message) {
    // Not inside the exchange that came upon it: once it, and whatever else runs, has ended.
    // Several messages in one exchange (the history and the marks, or the history twice) are
    // each shown; the same message twice is shown once.
    if (m_laterMessages.contains(message))
        return;
    m_laterMessages.append(message);
    if (m_laterMessages.size() > 1)
        return; // shown with the first
    QTimer::singleShot(0, this, [this] {
        const auto show = [this] {
            while (!m_laterMessages.isEmpty()) {
                const QString next = m_laterMessages.first();
                m_services.boxes.inform(next);
                m_laterMessages.removeFirst();
            }
        };
        if (!m_services.work.deferWhileHeld("Message", show))
            show();
    });
}

void frmMain::buildTray() {
    // Once for the run: the icons, and what keeps whichever icon there is up to date.
    if (m_icon.isNull()) {
        m_icon = QIcon(platform::logoPixmap());
        m_disconnectedIcon = markedLogo();
        connect(lblStatus, &StatusIndicator::changed, this, &frmMain::updateTray);
        m_dayTurn = new QTimer(this);
        m_dayTurn->setObjectName(QStringLiteral("tmrDayTurn"));
        m_dayTurn->setSingleShot(true);
        m_dayTurn->setTimerType(Qt::VeryCoarseTimer);
        connect(m_dayTurn, &QTimer::timeout, this, &frmMain::updateTray);
    }
    // The same commands as the File menu, with the same question and parking. A menu of its
    // own for each icon: the icon keeps what it made of the menu for the panel.
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("mnuTray"));
    mnuShow = m_trayMenu->addAction(QStringLiteral("Show"));
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    m_trayMenu->addAction(mnuLogin);
    m_trayMenu->addAction(mnuLogout);
    connect(mnuShow, &QAction::triggered, this, &frmMain::bringToFront);

    m_tray = new QSystemTrayIcon(this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    bringToFront();
            });
    updateTray();
}

void frmMain::dropTray() {
    delete m_tray;
    m_tray = nullptr;
    delete m_trayMenu; // with "Show"; the File menu's commands stay
    m_trayMenu = nullptr;
    mnuShow = nullptr;
}

void frmMain::updateTray() {
    if (m_tray == nullptr)
        return;
    // Whatever is set goes to the panel over the bus, the icon as pixels of every size: only a
    // change is set, not the same again after every exchange.
    const QIcon &icon = lblStatus->isDisconnected() ? m_disconnectedIcon : m_icon;
    if (m_tray->icon().cacheKey() != icon.cacheKey())
        m_tray->setIcon(icon);
    QString tip = QStringLiteral("Pellmarch\nYour IPAddress: ") + shownAddress() +
                  QLatin1Char('\n') + lblStatus->text();
    const QDateTime now = QDateTime::currentDateTime();
    if (const QString last = lblStatus->lastSuccessText(now); !last.isEmpty()) {
        tip += QStringLiteral("\nLast exchange: ") + last;
        // Today's time of day reads as another day's after midnight: then with its date.
        if (lblStatus->lastSuccess().date() == now.date())
            m_dayTurn->start(
                std::chrono::milliseconds(now.msecsTo(now.date().addDays(1).startOfDay())));
    }
    if (m_tray->toolTip() != tip)
        m_tray->setToolTip(tip);
}

void frmMain::bringToFront() {
    // The login window, while it is open, stands for the program.
    QWidget *front = QApplication::activeModalWidget();
    if (front == nullptr) {
        // Before the first login has shown the window there is nothing to bring up (a
        // remembered login is still waiting for its answer).
        if (!m_shownOnce)
            return;
        front = this;
    }
    front->showNormal();
    front->raise();
    front->activateWindow();
}

void frmMain::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    // Minimised, the window goes to the tray, where its icon brings it back; without a tray
    // (also once it has gone) it stays on the taskbar as any window. Hidden once the desktop has
    // finished minimising it.
    if (event->type() == QEvent::WindowStateChange && m_tray != nullptr && isMinimized())
        QMetaObject::invokeMethod(
            this,
            [this] {
                // The tray may have gone meanwhile.
                if (m_tray != nullptr && isMinimized()) {
                    hide();
                    m_hiddenToTray = true;
                }
            },
            Qt::QueuedConnection);
}

QString frmMain::shownAddress() const {
    return lblIPAddress->text();
}

void frmMain::setShownAddress(const QString &address) {
    platform::showValue(lblIPAddress, address);
    updateTray();
}

void frmMain::showView(session::View view) {
    m_view = view;
    int heightTwips = records::frameGrid::kHeightTwips;
    if (view == session::View::RecordEditor)
        heightTwips = records::frameOtherDomain::kHeightTwips;
    else if (view == session::View::OwnSubDomain)
        heightTwips = address::frameVerlundDomain::kHeightTwips;
    if (m_records != nullptr) {
        QFrame *const grid = m_records->gridFrame();
        QFrame *const editor = m_records->editorFrame();
        QFrame *const own = m_address->ownFrame();
        QFrame *const shown = view == session::View::RecordEditor   ? editor
                              : view == session::View::OwnSubDomain ? own
                                                                    : grid;
        for (QFrame *frame : {grid, editor, own})
            frame->setVisible(frame == shown);
        shown->move(shown->x(), twips(session::kFrameTopTwips));
    }
    m_heights = session::LayoutFor(heightTwips);
    applyHeight();
}

void frmMain::applyHeight() {
    // The rule gives the outer height; what the title bar, borders and menu bar take of it is
    // the desktop's. Where they take more than the rule leaves, the window grows just enough
    // that the status frame is not cut off.
    const int decoration = std::max(0, frameGeometry().height() - geometry().height());
    const int menu = menuBar()->sizeHint().height();
    const int needed =
        twips(m_heights.statusTop + session::kStatusHeightTwips + kMinimumBottomGapTwips);
    const int client = std::max(twips(m_heights.window) - decoration - menu, needed);
    m_ruleSize = QSize(twips(kClientWidthTwips), menu + client);
    {
        const QScopedValueRollback<bool> sizing(m_sizing, true);
        if (isMaximized() || isFullScreen()) {
            // The desktop's size for the window stays; the view is laid out in it.
        } else if (m_view == session::View::RecordTable) {
            // The table may be given more room, never less than the rule's.
            setMinimumSize(m_ruleSize);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            resize(m_tableSize.expandedTo(m_ruleSize));
        } else {
            setFixedSize(m_ruleSize);
        }
    }
    layoutFrames();
}

void frmMain::layoutFrames() {
    const QSize extra = (size() - m_ruleSize).expandedTo(QSize(0, 0));
    frameStatus->move(frameStatus->x(), twips(m_heights.statusTop) + extra.height());
    Line1->resize(twips(records::frameGrid::kWidthTwips) + extra.width(), Line1->height());
    // The table's frame takes the room even while another view is shown, ready for its turn.
    if (m_records != nullptr)
        m_records->gridFrame()->resize(
            QSize(twips(records::frameGrid::kWidthTwips), twips(records::frameGrid::kHeightTwips)) +
            extra);
}

void frmMain::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (m_ruleSize.isEmpty())
        return; // not laid out yet
    layoutFrames();
    // A size of the subscriber's: kept for the table view, in the settings once the sizing
    // has stopped. A maximised window keeps the size it had before.
    if (!m_sizing && m_view == session::View::RecordTable && !isMaximized() && !isFullScreen() &&
        size() != m_tableSize.expandedTo(m_ruleSize)) {
        m_tableSize = size();
        m_tableSizeSave->start();
    }
}

void frmMain::saveTableSize() {
    m_tableSizeSave->stop();
    if (m_tableSize.isValid())
        session::WriteWindowSize(m_services.settings, m_tableSize);
}

void frmMain::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    // The tray icon appears with the window of the first login and stays while the tray does.
    m_shownOnce = true;
    m_hiddenToTray = false;
    if (m_tray != nullptr)
        m_tray->show();
    // The title bar's height is known once the desktop has framed the window.
    QTimer::singleShot(0, this, &frmMain::applyHeight);
}

void frmMain::repaintNow() {
    repaint();
    // Lets the desktop take the painted window before a request blocks the event loop; no
    // input is taken meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmMain::SetUpMainWindow() {
    ownAddress().SetUpMainWindow();
}

void frmMain::SetUpRecordTable() {
    recordView().SetUpRecordTable();
}

void frmMain::RefreshAutoRecords(const QString &address) {
    recordView().RefreshAutoRecords(address);
}

bool frmMain::isAutoIPTicked() const {
    // Before the frames are made the box is as it starts: not ticked.
    return m_address != nullptr && m_address->isAutoIPTicked();
}

bool frmMain::isOwnAddressRegistered() const {
    return m_address != nullptr && m_address->isRegistered();
}

void frmMain::Form_Load() {
    m_lifecycle->Form_Load();
}

void frmMain::endSession() {
    if (m_tableSizeSave->isActive())
        saveTableSize();
    m_lifecycle->EndSession();
}

void frmMain::sessionEnding() {
    m_lifecycle->SessionEnding();
}

void frmMain::closeEvent(QCloseEvent *event) {
    // While another exchange waits for the service, closing would end the program in the
    // middle of it (a change half done, a record lost): the window stays open until that
    // exchange has ended, and then closes as asked (question and parking included).
    if (m_services.work.deferWhileHeld("Close", [this] { close(); })) {
        event->ignore();
        return;
    }
    // Kept as the other settings are, before the program may end here.
    if (m_tableSizeSave->isActive())
        saveTableSize();
    if (m_lifecycle->Form_Unload())
        event->accept();
    else
        event->ignore();
}

void frmMain::mnuCheckNow_Click() {
    // As a wake from sleep does: one refresh at once, after the work under way.
    ownAddress().checkNow();
}

void frmMain::mnuStartAtLogin_Click() {
    const bool wanted = mnuStartAtLogin->isChecked();
    QString error;
    if (!m_autostart.setOn(wanted, &error))
        m_services.boxes.inform(
            (wanted ? QStringLiteral("Could not set Pellmarch to start at login.\n")
                    : QStringLiteral("Could not stop Pellmarch from starting at login.\n")) +
            error);
    mnuStartAtLogin->setChecked(m_autostart.isOn());
}

void frmMain::mnuNotifications_Click() {
    m_notices->setOn(mnuNotifications->isChecked());
}

void frmMain::mnuHistory_Click() {
    if (m_historyWindow == nullptr)
        m_historyWindow = new frmHistory(*m_services.history, this);
    m_historyWindow->showHistory();
}

void frmMain::mnuLogin_Click() {
    // Not in the middle of another exchange for the subscriber so far: after it.
    if (m_services.work.deferWhileHeld("Login as Different User", [this] { mnuLogin_Click(); }))
        return;
    m_lifecycle->mnuLogin_Click();
}

void frmMain::mnuLogout_Click() {
    // Exactly as the close box: the question, parking and saving, or nothing on No.
    close();
}

void frmMain::mnuAbout_Click() {
    about::ShowAboutBox(m_services.shell, m_services.boxes, m_services.endpoints.termsPage(), this);
}

void frmMain::mnuOnlineHelp_Click() {
    platform::OpenPage(m_services.shell, m_services.boxes, m_services.endpoints.helpPage());
}

} // namespace pellmarch::app
