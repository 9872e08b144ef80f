#include "platform/PrivateFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace pellmarch::platform {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

// The new name of what stood at `path`, or empty text with `error` saying why not.
QString SetFileAside(const QString &path, QString *error) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".set-aside-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside =
            path + QStringLiteral(".set-aside-") + stamp + QLatin1Char('-') + QString::number(n);
    // rename() moves a link itself, never the file it points to.
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        if (error != nullptr)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    return aside;
}

} // namespace

QString NotOwnFile(const struct stat &status, qint64 largest) {
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("is a link to another file");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("is not a regular file");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("belongs to another user");
    if (status.st_size > largest)
        return QStringLiteral("is too large");
    return {};
}

int OpenNoFollow(const QByteArray &path, int flags, unsigned mode) {
    return ::open(path.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode_t(mode));
}

bool OwnFileAt(const QByteArray &path) {
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 &&
           NotOwnFile(status, std::numeric_limits<qint64>::max()).isEmpty();
}

bool PassingFailure(int error) {
    return error == EMFILE || error == ENFILE || error == EIO || error == EINTR ||
           error == ENOMEM || error == EAGAIN;
}

PrivateFileRead ReadPrivateFile(const QString &path, qint64 largest) {
    const PrivateFileRead unavailable{PrivateFileRead::State::Unavailable, {}, {}};
    const QByteArray name = QFile::encodeName(path);
    int fd = OpenNoFollow(name, O_RDONLY);
    if (fd < 0 && errno == EACCES && OwnFileAt(name) && ::chmod(name.constData(), kOwnerOnly) == 0)
        fd = OpenNoFollow(name, O_RDONLY); // the owner's own file, closed to its owner
    if (fd < 0) {
        if (errno == ENOENT)
            return {PrivateFileRead::State::Missing, {}, {}};
        if (PassingFailure(errno))
            return unavailable;
        return {PrivateFileRead::State::NotOwn,
                {},
                errno == ELOOP ? QStringLiteral("is a link to another file")
                               : QStringLiteral("cannot be read")};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return unavailable;
    }
    if (const QString why = NotOwnFile(status, largest); !why.isEmpty()) {
        ::close(fd);
        return {PrivateFileRead::State::NotOwn, {}, why};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return unavailable;
    }
    QByteArray content = file.readAll();
    // A read cut short by an I/O error is no damaged file: it is read again later.
    if (file.error() != QFileDevice::NoError)
        return unavailable;
    return {PrivateFileRead::State::Read, std::move(content), {}};
}

bool SetFileAsideSaying(const QString &path, const QString &what, const QString &why,
                        const QString &then, const QString &instead, QString *message) {
    const QString said = what + QLatin1Char('\n') + path + QLatin1Char('\n') + why;
    QString error;
    const QString aside = SetFileAside(path, &error);
    if (aside.isEmpty()) {
        *message = said + QStringLiteral(", and it could not be set aside: ") + error +
                   QStringLiteral(".\n") + instead;
        return false;
    }
    *message = said + QStringLiteral(".\nIt was set aside as\n") + aside + QLatin1Char('\n') + then;
    return true;
}

bool WritePrivateFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A new file, the owner's alone, written whole and then renamed into place.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return false;
    const bool written =
        file.write(content) == content.size() && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    if (written && ::rename(QFile::encodeName(file.fileName()).constData(),
                            QFile::encodeName(path).constData()) == 0)
        return true;
    QFile::remove(file.fileName());
    return false;
}

} // namespace pellmarch::platform
