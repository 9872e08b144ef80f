#include "platform/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace pellmarch::platform {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString defaultFilePath() {
    return QtSettingsStore::besideSettings(QLatin1String(QtSettingsStore::kApplication) +
                                           QLatin1String(".ini"));
}

// Makes the file private before anything is written into it, so the password never sits in a
// file that others can read, not even for a moment. QSettings writes through QSaveFile: a new
// file beside this one (created 0600, then given this file's permission bits), renamed over it
// once filled. So it is this file's bits, set here beforehand, that the replacement carries
// from its first byte; fixing them after the write left each new password readable by others
// until then. A umask around the write would not help: QSaveFile copies the bits explicitly,
// and the umask is the whole process's.
void makePrivateFile(const QString &path) {
    if (QFileInfo::exists(path)) {
        QFile::setPermissions(path, kOwnerOnly);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

} // namespace

QString QtSettingsStore::besideSettings(const QString &fileName) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + fileName;
}

QtSettingsStore::QtSettingsStore(QString filePath)
    : m_filePath(filePath.isEmpty() ? defaultFilePath() : std::move(filePath)) {
    // A file left readable by others (by an older run, a copy, an editor) holds the password:
    // it is made private at once, not only at the first write, which may be hours away.
    if (QFileInfo::exists(m_filePath))
        QFile::setPermissions(m_filePath, kOwnerOnly);
}

QString QtSettingsStore::read(const QString &section, const QString &key, const QString &fallback) {
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    return value.isValid() ? value.toString() : fallback;
}

void QtSettingsStore::write(const QString &section, const QString &key, const QString &value) {
    makePrivateFile(m_filePath);
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(section + QLatin1Char('/') + key, value);
        settings.sync();
    }
    // Should a replacement ever come out with other bits after all, it does not stay so.
    QFile::setPermissions(m_filePath, kOwnerOnly);
}

} // namespace pellmarch::platform
