#include "platform/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace pellmarch::platform {

namespace {

const char kEntry[] = "[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=Pellmarch\n"
                      "GenericName=Dynamic DNS Client\n"
                      "Comment=Keeps your host name pointed at this machine's public address\n"
                      "Exec=pellmarch\n"
                      "Icon=net.verlund.Pellmarch\n"
                      "Terminal=false\n"
                      "Categories=Network;\n"
                      "X-GNOME-Autostart-enabled=true\n";

} // namespace

AutostartEntry::AutostartEntry(QString folder)
    : m_folder(folder.isEmpty()
                   ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/autostart")
                   : std::move(folder)) {}

QString AutostartEntry::filePath() const {
    return m_folder + QLatin1Char('/') + QLatin1String(kFileName);
}

bool AutostartEntry::isOn() const {
    return QFileInfo(filePath()).isFile();
}

bool AutostartEntry::setOn(bool on, QString *error) {
    if (!on) {
        if (!QFileInfo::exists(filePath()) || QFile::remove(filePath()))
            return true;
        *error =
            QStringLiteral("%1 could not be removed.").arg(QDir::toNativeSeparators(filePath()));
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("The folder %1 could not be made.")
                     .arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(kEntry) < 0 || !file.commit()) {
        *error = QStringLiteral("%1 could not be written: %2")
                     .arg(QDir::toNativeSeparators(filePath()), file.errorString());
        return false;
    }
    return true;
}

} // namespace pellmarch::platform
