#include "support/ProgramHome.h"

#include "BuildConfig.h"

#include <QDir>
#include <QFile>

namespace pellmarch::testing {

ProgramHome::ProgramHome(const QString &username, const QString &password) {
    const QDir dir(m_dir.path());
    for (const char *folder : {"config", "data", "runtime"})
        if (!dir.mkpath(QLatin1String(folder)))
            return;
    // The runtime folder is the user's alone, or Qt will not use it.
    if (!QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return;
    QFile ini(dir.filePath(QStringLiteral("config/PELLMARCH.ini")));
    m_ready = ini.open(QIODevice::WriteOnly) &&
              ini.write("[Init]\nbSaveLogin=1\nUsername=" + username.toUtf8() +
                        "\nPassword=" + password.toUtf8() + "\n") > 0;
}

QProcessEnvironment ProgramHome::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       m_dir.filePath(QStringLiteral("runtime")));
    return environment;
}

quint16 ProgramHome::servicePort() {
    const QString host = QString::fromLatin1(build::kServiceHost);
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? 80 : host.mid(colon + 1).toUShort();
}

} // namespace pellmarch::testing
