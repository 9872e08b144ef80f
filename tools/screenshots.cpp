// Takes the pictures of the program's windows for the documentation and the software centres'
// listing: the real windows, the real web request against a running stand-in service, the real
// message boxes. Run by scripts/screenshots, which starts the service with its demo database.
//
//   pellmarch-screenshots --host 127.0.0.1:18080 --out docs/screenshots
//
// The pictures are the windows' contents as Qt paints them (no title bar: that belongs to the
// window manager). Under QT_SCALE_FACTOR=2 the names get "@2x".
#include "about/frmAbout.h"
#include "account/frmLogin.h"
#include "address/OwnAddress.h"
#include "app/Application.h"
#include "app/frmMain.h"
#include "platform/Notifier.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtWebRequest.h"
#include "platform/Shell.h"
#include "protocol/AutoIPList.h"
#include "session/HistoryFile.h"
#include "session/Services.h"
#include "session/WorkGuard.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

using namespace pellmarch;
using namespace std::chrono_literals;

namespace {

// How long a window may take to open before the run gives up.
constexpr auto kWindowDeadline = 15s;

// Ends the run at once, from wherever it stands (also from inside a window's event loop).
[[noreturn]] void fail(const QString &why) {
    std::fprintf(stderr, "screenshots: %s\n", qPrintable(why));
    std::fflush(nullptr);
    std::_Exit(1);
}

// Pages are not opened and the program is not ended: the pictures are all this run is for.
class QuietShell final : public platform::Shell {
public:
    bool openPage(const QString &) override { return true; }
    void endProgram() override {}
};

// Messages for the desktop are not shown: the pictures are of the program's own windows.
class QuietNotifier final : public platform::Notifier {
public:
    void notify(const QString &, const QString &, const QString &) override {}
};

// What one run of the program shares, with the real platform pieces and a settings file of
// its own in a temporary folder.
struct Run {
    QTemporaryDir config;
    platform::QtWebRequest web{20s};
    platform::QtMessageBoxes boxes;
    QuietShell shell;
    platform::QtSettingsStore settings{config.filePath(QStringLiteral("PELLMARCH.ini"))};
    platform::QtSettingsStore journal{config.filePath(QStringLiteral("PELLMARCH-journal.ini"))};
    protocol::clsUser user;
    protocol::LoginFlags flags;
    protocol::AutoIPList autoIP;
    session::WorkGuard work;
    session::HistoryFile history{config.filePath(QStringLiteral("history.jsonl"))};
    QuietNotifier notifier;
    session::Services services;

    explicit Run(const QString &host)
        : services{web,
                   boxes,
                   shell,
                   settings,
                   journal,
                   protocol::Endpoints::allAt(host),
                   user,
                   flags,
                   autoIP,
                   work,
                   QStringLiteral("192.0.2.1"),
                   session::kRefreshInterval,
                   &history,
                   &notifier} {}
};

class Shooter {
public:
    Shooter(QString folder, QString suffix) : m_folder(std::move(folder)), m_suffix(suffix) {}

    void save(QWidget &widget, const QString &name) {
        settle();
        const QString path = m_folder + QLatin1Char('/') + name + m_suffix + QStringLiteral(".png");
        if (!widget.grab().save(path))
            fail(QStringLiteral("cannot write ") + path);
        QTextStream(stdout) << path << '\n';
    }

    // Lets layouts, pending paints and deferred deletions happen before a picture.
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }

private:
    QString m_folder;
    QString m_suffix;
};

// Runs `action` on the next modal window that opens (a login window, a message box) while the
// caller is inside exec(). The action is expected to close it.
void whenModalOpens(std::function<void(QWidget *)> action) {
    auto *poll = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(kWindowDeadline);
    QObject::connect(poll, &QTimer::timeout, [poll, action, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            if (deadline->hasExpired())
                fail(QStringLiteral("no window opened in time"));
            return;
        }
        poll->stop();
        poll->deleteLater();
        action(modal);
    });
    poll->start(20);
}

template <typename W> W *child(QWidget &parent, const char *name) {
    auto *widget = parent.findChild<W *>(QLatin1String(name));
    if (widget == nullptr)
        fail(QStringLiteral("no control named ") + QLatin1String(name));
    return widget;
}

// Logs in through the login window that the main window's start-up opens.
void logInAs(const QString &user) {
    whenModalOpens([user](QWidget *login) {
        child<QLineEdit>(*login, "txtUsername")->setText(user);
        child<QLineEdit>(*login, "txtPassword")->setText(user);
        child<QPushButton>(*login, "cmdLogin")->click();
    });
}

void shootLoginAndAbout(Shooter &shooter, Run &run) {
    account::frmLogin login(run.services);
    login.show();
    child<QLineEdit>(login, "txtUsername")->setText(QStringLiteral("demo"));
    child<QLineEdit>(login, "txtPassword")->setText(QStringLiteral("demo"));
    shooter.save(login, QStringLiteral("login"));
    login.hide();

    about::frmAbout about(run.shell, run.boxes, run.services.endpoints.termsPage());
    about.show();
    shooter.save(about, QStringLiteral("about"));
    about.hide();
}

// The own host name (demo), its File menu, the tray icon's menu, and the question on closing,
// answered No.
void shootOwnHostName(Shooter &shooter, const QString &host) {
    Run run(host);
    app::frmMain main(run.services, nullptr, app::frmMain::Tray::Available);
    logInAs(QStringLiteral("demo"));
    main.Form_Load();
    if (!main.isVisible())
        fail(QStringLiteral("the main window did not open for demo"));
    shooter.save(main, QStringLiteral("main-own-host-name"));

    QMenu *file = main.menuBar()->actions().constFirst()->menu();
    file->popup(main.mapToGlobal(main.menuBar()->actionGeometry(file->menuAction()).bottomLeft()));
    shooter.save(*file, QStringLiteral("file-menu"));
    file->hide();

    auto *tray = child<QMenu>(main, "mnuTray");
    tray->popup(main.geometry().topRight());
    shooter.save(*tray, QStringLiteral("tray-menu"));
    tray->hide();

    bool asked = false;
    whenModalOpens([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box == nullptr)
            fail(QStringLiteral("closing opened no message box"));
        asked = true;
        shooter.save(*box, QStringLiteral("closing-question"));
        box->button(QMessageBox::No)->click();
    });
    main.close();
    if (!asked)
        fail(QStringLiteral("closing asked nothing"));
}

// The record table (acme) and the record editor on its first record.
void shootRecords(Shooter &shooter, const QString &host) {
    Run run(host);
    app::frmMain main(run.services);
    logInAs(QStringLiteral("acme"));
    main.Form_Load();
    if (!main.isVisible())
        fail(QStringLiteral("the main window did not open for acme"));
    auto *grid = child<QTableView>(main, "gridDomainUser");
    if (grid->model()->rowCount() < 2)
        fail(QStringLiteral("acme has no records to show"));
    shooter.save(main, QStringLiteral("main-record-table"));
    // Made larger, the table takes the room; sorted by server address, the other way.
    const QSize designed = main.size();
    main.resize(designed.width() * 4 / 3, designed.height() * 4 / 3);
    grid->horizontalHeader()->setSortIndicator(3, Qt::DescendingOrder);
    shooter.save(main, QStringLiteral("main-record-table-enlarged"));
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    main.resize(designed);

    grid->selectRow(1);
    child<QPushButton>(main, "cmdEditGrid")->click();
    shooter.save(main, QStringLiteral("record-editor"));
    // The record moved to the next address, and its message closed.
    child<QLineEdit>(main, "txtServerIP")->setText(QStringLiteral("198.51.100.43"));
    whenModalOpens([](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box == nullptr)
            fail(QStringLiteral("the change opened no message box"));
        box->button(QMessageBox::Ok)->click();
    });
    child<QPushButton>(main, "cmdServerIP")->click();

    // Half an hour of refreshes that find nothing new (counted in one entry), then the history
    // of the whole run with the routine checks shown.
    for (int tick = 0; tick < 60; ++tick)
        main.ownAddress().tmrAuto_Timer();
    for (QAction *action : main.menuBar()->actions().constFirst()->menu()->actions())
        if (action->objectName() == QLatin1String("mnuHistory"))
            action->trigger();
    auto *history = child<QWidget>(main, "frmHistory");
    child<QCheckBox>(*history, "chkRoutineChecks")->setChecked(true);
    Shooter::settle();
    shooter.save(*history, QStringLiteral("history"));
    history->close();
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    app::SetUpApplication();
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Saves pictures of Pellmarch's windows, run against the stand-in service."));
    parser.addHelpOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("host:port of the running stand-in service"),
                                        QStringLiteral("host"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("folder for the pictures"),
                                       QStringLiteral("folder"), QStringLiteral("."));
    parser.addOption(hostOption);
    parser.addOption(outOption);
    parser.process(app);
    if (!parser.isSet(hostOption)) {
        std::fputs("screenshots: --host is needed\n", stderr);
        return 2;
    }
    const QString host = parser.value(hostOption);
    const QString folder = parser.value(outOption);
    QDir().mkpath(folder);

    // At a scale factor other than 1 the pictures have more pixels; their names say so.
    const qreal ratio = app.devicePixelRatio();
    const QString suffix = ratio == 1.0 ? QString() : QStringLiteral("@%1x").arg(ratio, 0, 'g', 3);

    Shooter shooter(folder, suffix);
    {
        Run run(host);
        shootLoginAndAbout(shooter, run);
    }
    shootOwnHostName(shooter, host);
    shootRecords(shooter, host);
    return 0;
}
