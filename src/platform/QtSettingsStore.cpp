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
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QLatin1String(QtSettingsStore::kApplication) + QLatin1String(".ini");
}

// Creates the file empty and private before anything is written into it, so the password never
// sits in a file that others can read, not even for a moment.
void createPrivateFile(const QString &path) {
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

} // namespace

QtSettingsStore::QtSettingsStore(QString filePath)
    : m_filePath(filePath.isEmpty() ? defaultFilePath() : std::move(filePath)) {}

QString QtSettingsStore::read(const QString &section, const QString &key, const QString &fallback) {
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    return value.isValid() ? value.toString() : fallback;
}

void QtSettingsStore::write(const QString &section, const QString &key, const QString &value) {
    createPrivateFile(m_filePath);
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(section + QLatin1Char('/') + key, value);
        settings.sync();
    }
    // QSettings replaces the file on sync; make sure the replacement is private too.
    QFile::setPermissions(m_filePath, kOwnerOnly);
}

} // namespace pellmarch::platform
