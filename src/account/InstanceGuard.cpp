#include "account/InstanceGuard.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace pellmarch::account {

namespace {

constexpr int kAskTimeoutMs = 2000;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

QString runtimeFolder(const QString &folder) {
    if (!folder.isEmpty())
        return folder;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

InstanceGuard::InstanceGuard(QString folder)
    : m_folder(runtimeFolder(folder)), m_lock(m_folder + QStringLiteral("/pellmarch.lock")) {
    // A lock is stale only when the run that holds it is gone; a live run keeps it however long
    // it runs.
    m_lock.setStaleLockTime(0);
}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::becomeTheOnlyRun() {
    QDir().mkpath(m_folder);
    const QString socketPath = m_folder + QStringLiteral("/pellmarch.socket");
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError)
            return true; // the folder cannot hold a lock: better run than refuse to start
        QLocalSocket running;
        running.connectToServer(socketPath);
        if (running.waitForConnected(kAskTimeoutMs)) {
            running.write(kRaiseRequest);
            running.waitForBytesWritten(kAskTimeoutMs);
            running.disconnectFromServer();
        }
        return false;
    }
    // Holding the lock, any socket left in the folder belongs to a run that is gone.
    QLocalServer::removeServer(socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            const auto read = [this, caller] {
                if (caller->readAll().contains(kRaiseRequest.trimmed()))
                    Q_EMIT raiseRequested();
            };
            connect(caller, &QLocalSocket::readyRead, this, read);
            if (caller->bytesAvailable() > 0)
                read();
        }
    });
    m_server->listen(socketPath);
    return true;
}

} // namespace pellmarch::account
