#include "account/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellmarch::account {

namespace {

constexpr int kAskTimeoutMs = 2000;
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

// The program's own folder in the user's cache folder, made private to the user: a folder of
// this user's, not a link, 0700. Empty when there is none such.
QString ownCacheFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return {};
    const QString folder = cache + QStringLiteral("/pellmarch");
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat status {};
    const bool own = ::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
                     ((status.st_mode & 07777) == 0700 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return own ? folder : QString();
}

// Where the lock lives: a folder only this user can reach, or none. In a shared folder (the
// temporary folder) another user could hold the lock and keep the program from ever starting.
QString privateFolder(const QString &folder) {
    if (!folder.isEmpty())
        return folder;
    // Qt hands out the runtime folder only when it is a folder of the user's, closed to others.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? ownCacheFolder() : runtime;
}

} // namespace

InstanceGuard::InstanceGuard(QString folder) : m_folder(std::move(folder)) {}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::becomeTheOnlyRun() {
    const QString folder = privateFolder(m_folder);
    if (folder.isEmpty())
        return true; // no private folder: better run unguarded than let others stop the program
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/pellmarch.lock"));
    // A lock is stale only when the run that holds it is gone; a live run keeps it however long
    // it runs.
    m_lock->setStaleLockTime(0);
    const QString socketPath = folder + QStringLiteral("/pellmarch.socket");
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
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
