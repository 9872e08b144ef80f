#include "BuildConfig.h"
#include "about/Product.h"
#include "account/InstanceGuard.h"
#include "app/frmMain.h"
#include "platform/CaretRest.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtShell.h"
#include "platform/QtWebRequest.h"
#include "protocol/AutoIPList.h"
#include "session/Services.h"
#include "session/WorkGuard.h"

#include <QApplication>
#include <QIcon>

using namespace pellmarch;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellmarch"));
    QApplication::setApplicationVersion(about::VersionText());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pellmarch/logo.png")));
    // The program ends where closing the main window or Exit in the login window ends it, not
    // when a window happens to be the last one shown (the login window, before the main one).
    QApplication::setQuitOnLastWindowClosed(false);

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
                               QString::fromLatin1(build::kParkingAddress)};

    app::frmMain window(services);
    QObject::connect(&guard, &account::InstanceGuard::raiseRequested, &window, [&window] {
        // The login window, while it is open, stands for the program; else the main window.
        QWidget *front = QApplication::activeModalWidget();
        if (front == nullptr)
            front = &window;
        if (front->isVisible()) {
            front->showNormal();
            front->raise();
            front->activateWindow();
        }
    });
    window.Form_Load();
    return QApplication::exec();
}
