#include "BuildConfig.h"
#include "about/Product.h"
#include "account/frmLogin.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtShell.h"
#include "platform/QtWebRequest.h"
#include "protocol/AutoIPList.h"
#include "session/Services.h"
#include "session/WorkGuard.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

using namespace pellmarch;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellmarch"));
    QApplication::setApplicationVersion(about::VersionText());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pellmarch/logo.png")));

    // The run's single instances of everything the windows share.
    platform::QtWebRequest web;
    platform::QtMessageBoxes boxes;
    platform::QtShell shell;
    platform::QtSettingsStore settings;
    protocol::clsUser user;
    protocol::LoginFlags flags;
    protocol::AutoIPList autoIP;
    session::WorkGuard work;
    session::Services services{
        web,  boxes, shell,  settings, protocol::Endpoints::fromBuild(),
        user, flags, autoIP, work,     QString::fromLatin1(build::kParkingAddress)};

    account::frmLogin login(services);
    login.setWindowTitle(about::LoginVersionCaption());
    login.exec();

    // The login window closes only on a successful login (Exit ends the program inside it).
    // The main window is not built yet: report who logged in and end.
    QTextStream out(stdout);
    out << "Logged in as " << user.sUsername << " (" << user.sFirstName << ' ' << user.sLastName
        << ")\n"
        << "  public address: " << user.sIPAddress << '\n'
        << "  mode: "
        << (user.sSubDomain.isEmpty() ? QStringLiteral("record table")
                                      : QStringLiteral("own sub-domain in ") + user.sSubDomain)
        << '\n'
        << "  domains: " << user.sDomainList << "  record types: " << user.sRecordTypeList << '\n'
        << "  records: " << user.sDomainUserRecords << '\n';
    return 0;
}
