// The second yardstick of the start-up benchmark: what any networked desktop program that runs
// once per user must pay before its first window. A bare Qt Widgets dialog with one button, as
// bench_bare_dialog, that also links Qt Network and Qt D-Bus (a network access manager made at
// start, the session bus reached only when the button is pressed) and holds a local socket in the
// user's runtime folder as its one-run-per-user guard. Built in the same tree with the same
// compiler and flags; it says when it shows, as the program does.
#include "ShownDialog.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLocalServer>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // One run per user: a second run finds the socket answering and ends; a socket nobody
    // answers on is left from a run that is gone.
    const QString socketPath = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                               QStringLiteral("/bench_networked_dialog.socket");
    QLocalServer guard;
    guard.setSocketOptions(QLocalServer::UserAccessOption);
    if (!guard.listen(socketPath)) {
        QLocalSocket running;
        running.connectToServer(socketPath);
        if (running.waitForConnected(2000))
            return 0;
        QLocalServer::removeServer(socketPath);
        if (!guard.listen(socketPath))
            return 1;
    }
    QNetworkAccessManager network;
    ShownDialog dialog;
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog] {
        // A desktop program talks to the session bus once it is under way, not to show a window.
        if (QDBusConnection::sessionBus().isConnected())
            QTextStream(stderr) << "on the session bus" << Qt::endl;
        dialog.accept();
    });
    return dialog.exec();
}
