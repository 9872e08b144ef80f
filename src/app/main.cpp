#include "BuildConfig.h"
#include "about/Product.h"
#include "account/InstanceGuard.h"
#include "app/Application.h"
#include "app/frmMain.h"
#include "platform/CaretRest.h"
#include "platform/DesktopNotifications.h"
#include "platform/EndSignals.h"
#include "platform/KeychainSecretStore.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtShell.h"
#include "platform/QtWebRequest.h"
#include "protocol/AutoIPList.h"
#include "session/HistoryFile.h"
#include "session/MarkFile.h"
#include "session/Services.h"
#include "session/WorkGuard.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QSessionManager>
#include <QTextStream>

using namespace pellmarch;

namespace {

// The options a Qt program takes from its command line (QApplication reads and removes them);
// they are no mistake of the user's.
const char *const kToolkitOptions[][2] = {{"platform", "name"},
                                          {"platformpluginpath", "path"},
                                          {"platformtheme", "name"},
                                          {"plugin", "name"},
                                          {"qwindowgeometry", "geometry"},
                                          {"qwindowicon", "icon"},
                                          {"qwindowtitle", "title"},
                                          {"style", "style"},
                                          {"stylesheet", "file"},
                                          {"display", "display"},
                                          {"geometry", "geometry"},
                                          {"session", "id"},
                                          {"reverse", nullptr},
                                          {"widgetcount", nullptr},
                                          {"nograb", nullptr},
                                          {"dograb", nullptr},
                                          {"sync", nullptr}};

// Answers --help and --version, and refuses what it does not know, before anything else runs:
// no display is needed, no window opens, nothing is sent. -1 when the program is to run.
int answerCommandLine(int argc, char *argv[]) {
    const QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellmarch"));
    QCoreApplication::setApplicationVersion(about::VersionText());
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Pellmarch, the desktop client of Verlund Dynamic DNS: keeps your host name "
                       "pointed at this machine's public address, or manages the DNS records of "
                       "your own domains."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const auto &[name, value] : kToolkitOptions) {
        QCommandLineOption option{QString::fromLatin1(name)};
        if (value != nullptr)
            option.setValueName(QLatin1String(value));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        err << (parser.positionalArguments().isEmpty()
                    ? parser.errorText()
                    : QStringLiteral("Unexpected argument: %1")
                          .arg(parser.positionalArguments().constFirst()))
            << "\nTry 'pellmarch --help' for the options.\n";
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        out << "Pellmarch " << about::VersionText() << '\n';
        return 0;
    }
    return -1;
}

// For the start-up benchmark (PELLMARCH_REPORT_SHOWN set): says on standard error when each
// window first shows, so that time and memory can be read at that moment from outside.
class ShownReporter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow() && !m_seen.contains(watched)) {
            m_seen.append(watched);
            QTextStream(stderr) << "shown " << watched->objectName() << Qt::endl;
        }
        return false;
    }

private:
    QList<QObject *> m_seen;
};

} // namespace

int main(int argc, char *argv[]) {
    // Started without arguments (from the menu, at login) there is nothing to read.
    if (argc > 1)
        if (const int status = answerCommandLine(argc, argv); status >= 0)
            return status;

    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("PELLMARCH_REPORT_SHOWN"))
        app.installEventFilter(new ShownReporter(&app));
    app::SetUpApplication();

    // A second run for the same user would register and park the same host name: it brings
    // the running one to the front instead and ends, having sent nothing.
    account::InstanceGuard guard;
    if (!guard.becomeTheOnlyRun())
        return 0;
    // Left alone for days with the focus in a text box, the program would otherwise wake twice
    // a second just to blink the cursor.
    platform::CaretRest caretRest;

    // The run's single instances of everything the windows share.
    platform::QtWebRequest web;
    platform::QtMessageBoxes boxes;
    platform::QtShell shell;
    platform::QtSettingsStore settings;
    platform::QtSettingsStore journal(
        platform::QtSettingsStore::besideSettings(QStringLiteral("PELLMARCH-journal.ini")));
    protocol::clsUser user;
    protocol::LoginFlags flags;
    protocol::AutoIPList autoIP;
    session::WorkGuard work;
    // They touch their files and the bus only when first used.
    session::HistoryFile history(session::HistoryFile::standardPath());
    session::MarkFile marks(session::MarkFile::standardPath());
    // The remembered password's place, where the desktop has one.
    platform::KeychainSecretStore secrets(QStringLiteral("Pellmarch"));
    platform::DesktopNotifications notifications;
    session::Services services{web,
                               boxes,
                               shell,
                               settings,
                               journal,
                               protocol::Endpoints::fromBuild(),
                               user,
                               flags,
                               autoIP,
                               work,
                               QString::fromLatin1(build::kParkingAddress),
                               session::kRefreshInterval,
                               &history,
                               &notifications,
                               &marks,
                               &secrets};

    // The window's frames are made when a login first shows it: the login window needs none.
    // The panel's tray host is looked for on the session bus then too.
    app::frmMain window(services, nullptr, app::frmMain::Tray::Detect,
                        app::frmMain::Build::WhenShown,
                        [] { return QDBusConnection::sessionBus(); });
    // Also from the tray, where the window may be hidden.
    QObject::connect(&guard, &account::InstanceGuard::raiseRequested, &window,
                     &app::frmMain::bringToFront);
    // The desktop ends the program at logout and shutdown, rarely the subscriber by closing it:
    // then too the host name is parked and the settings kept.
    platform::EndSignals endSignals;
    QObject::connect(&endSignals, &platform::EndSignals::endRequested, &window,
                     &app::frmMain::endSession);
    // The session manager asks first (the user may still cancel), then ends the program by
    // closing its windows or by quitting it.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.sessionEnding(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &app::frmMain::endSession);
    window.Form_Load();
    return QApplication::exec();
}
