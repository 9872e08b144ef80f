#include "platform/AutostartEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>

namespace pellmarch::platform {

namespace {

// The entry, around its command line.
const char kEntryHead[] = "[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Pellmarch\n"
                          "GenericName=Dynamic DNS Client\n"
                          "Comment=Keeps your host name pointed at this machine's public address\n"
                          "Exec=";
const char kEntryTail[] = "\n"
                          "Icon=net.verlund.Pellmarch\n"
                          "Terminal=false\n"
                          "Categories=Network;\n"
                          "X-GNOME-Autostart-enabled=true\n";
// The name alone, for the session's PATH to find, where the path cannot be written.
const char kProgramName[] = "pellmarch";

// The folders every desktop session's PATH holds, however the session was started; a program
// in one of them is found by its name. The PATH the program itself was started with may hold
// more (~/.local/bin, a build folder) that the session starting it next time does not.
constexpr std::array kSessionPath{"/usr/local/sbin", "/usr/local/bin", "/usr/sbin",
                                  "/usr/bin",        "/sbin",          "/bin"};

// `program` as the first word of the entry's command line: quoted when it holds a character the
// command line reserves, then escaped as every value of the entry is, a literal "%" doubled (it
// would start a field code). Empty when the entry cannot name it: the command's path may not
// hold "=", and a value holds no control characters but the escaped ones.
QString CommandWord(const QString &program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    static const QString escapedInQuotes = QStringLiteral("\"`$\\");
    static const QString escapedInValues = QStringLiteral("\t\n\r");
    QString quoted;
    for (const QChar c : program) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        if (c == QLatin1Char('=') || (control && !escapedInValues.contains(c)))
            return {};
        if (escapedInQuotes.contains(c))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    const bool quote =
        std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); });
    QString word;
    for (const QChar c : quote ? QLatin1Char('"') + quoted + QLatin1Char('"') : program) {
        switch (c.unicode()) {
        case '\\':
            word += QLatin1String("\\\\");
            break;
        case '\t':
            word += QLatin1String("\\t");
            break;
        case '\n':
            word += QLatin1String("\\n");
            break;
        case '\r':
            word += QLatin1String("\\r");
            break;
        case '%':
            word += QLatin1String("%%");
            break;
        default:
            word += c;
        }
    }
    return word;
}

QString CommandLine(const QString &program) {
    const QFileInfo file(program);
    const QString folder = QDir::cleanPath(file.absolutePath());
    const bool onSessionPath =
        std::any_of(kSessionPath.begin(), kSessionPath.end(),
                    [&folder](const char *standard) { return folder == QLatin1String(standard); });
    const QString word = CommandWord(onSessionPath ? file.fileName() : file.absoluteFilePath());
    return word.isEmpty() ? QLatin1String(kProgramName) : word;
}

// Whether a boolean of the entry reads as `wanted`, as the desktops read it.
bool Reads(const QByteArray &value, bool wanted) {
    return wanted ? value == "true" || value == "1" : value == "false" || value == "0";
}

} // namespace

AutostartEntry::AutostartEntry(QString folder, QString program)
    : m_folder(folder.isEmpty()
                   ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/autostart")
                   : std::move(folder)),
      m_program(std::move(program)) {}

QString AutostartEntry::filePath() const {
    return m_folder + QLatin1Char('/') + QLatin1String(kFileName);
}

bool AutostartEntry::isOn() const {
    QFile file(filePath());
    // One the desktop cannot read does not start the program either.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    // The desktops' autostart settings turn an entry off by adding a key to it, not by removing
    // it: Hidden=true (the autostart rules), X-GNOME-Autostart-enabled=false (GNOME).
    bool inEntry = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inEntry || equals < 0)
            continue;
        const QByteArray key = line.first(equals).trimmed();
        const QByteArray value = line.sliced(equals + 1).trimmed();
        if ((key == "Hidden" && Reads(value, true)) ||
            (key == "X-GNOME-Autostart-enabled" && Reads(value, false)))
            return false;
    }
    return true;
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
    // Written whole: whatever turned the entry off is gone with the old text.
    const QString program =
        m_program.isEmpty() ? QCoreApplication::applicationFilePath() : m_program;
    const QByteArray entry = kEntryHead + CommandLine(program).toUtf8() + kEntryTail;
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) < 0 || !file.commit()) {
        *error = QStringLiteral("%1 could not be written: %2")
                     .arg(QDir::toNativeSeparators(filePath()), file.errorString());
        return false;
    }
    return true;
}

} // namespace pellmarch::platform
