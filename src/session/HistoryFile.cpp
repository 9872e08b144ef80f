#include "session/HistoryFile.h"

#include "platform/PrivateFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellmarch::session {

namespace {

using protocol::Exchange;

// The first line says whose file this is.
const QByteArray kHeader = QByteArrayLiteral("{\"pellmarch-history\":1}\n");
const QString kFileName = QStringLiteral("history.jsonl");
constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

struct Named {
    Exchange::Kind kind;
    const char *name;
};
constexpr std::array kKindNames{
    Named{Exchange::Kind::Login, "login"}, Named{Exchange::Kind::RecordAdd, "add"},
    Named{Exchange::Kind::RecordDelete, "delete"}, Named{Exchange::Kind::AddressQuery, "query"},
    Named{Exchange::Kind::Wait, "wait"}};
struct NamedResult {
    Exchange::Result result;
    const char *name;
};
constexpr std::array kResultNames{NamedResult{Exchange::Result::Success, "success"},
                                  NamedResult{Exchange::Result::Refused, "refused"},
                                  NamedResult{Exchange::Result::NoAnswer, "none"}};

QByteArray toLine(const Exchange &exchange) {
    QJsonObject object{{"t", exchange.time.toUTC().toString(Qt::ISODateWithMs)}};
    for (const Named &named : kKindNames)
        if (named.kind == exchange.kind)
            object.insert(QLatin1String("k"), QLatin1String(named.name));
    for (const NamedResult &named : kResultNames)
        if (named.result == exchange.result)
            object.insert(QLatin1String("o"), QLatin1String(named.name));
    const auto text = [&object](const char *key, const QString &value) {
        if (!value.isEmpty())
            object.insert(QLatin1String(key), value);
    };
    text("d", exchange.domain);
    text("y", exchange.recordType);
    text("n", exchange.name);
    text("a", exchange.address);
    text("r", exchange.reason);
    if (exchange.waitTicks != 0)
        object.insert(QLatin1String("w"), exchange.waitTicks);
    if (exchange.automatic)
        object.insert(QLatin1String("auto"), true);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// An entry, or nothing when the line is not one the program wrote.
std::optional<Exchange> fromLine(const QByteArray &line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Exchange exchange;
    exchange.time =
        QDateTime::fromString(object.value(QLatin1String("t")).toString(), Qt::ISODateWithMs);
    if (!exchange.time.isValid())
        return std::nullopt;
    const QString kind = object.value(QLatin1String("k")).toString();
    const QString result = object.value(QLatin1String("o")).toString();
    bool kindKnown = false;
    bool resultKnown = false;
    for (const Named &named : kKindNames)
        if (kind == QLatin1String(named.name)) {
            exchange.kind = named.kind;
            kindKnown = true;
        }
    for (const NamedResult &named : kResultNames)
        if (result == QLatin1String(named.name)) {
            exchange.result = named.result;
            resultKnown = true;
        }
    if (!kindKnown || !resultKnown)
        return std::nullopt;
    exchange.domain = object.value(QLatin1String("d")).toString();
    exchange.recordType = object.value(QLatin1String("y")).toString();
    exchange.name = object.value(QLatin1String("n")).toString();
    exchange.address = object.value(QLatin1String("a")).toString();
    exchange.reason = object.value(QLatin1String("r")).toString();
    exchange.waitTicks = object.value(QLatin1String("w")).toInt();
    exchange.automatic = object.value(QLatin1String("auto")).toBool();
    return exchange;
}

// Writes all of `data` to `fd`.
bool writeAll(int fd, const QByteArray &data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

HistoryFile::HistoryFile(QString path, QObject *parent)
    : QObject(parent), m_path(std::move(path)) {}

QString HistoryFile::standardPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QLatin1Char('/') + kFileName;
}

bool HistoryFile::check(QList<Exchange> *into) {
    m_checked = true;
    m_count = 0;
    const QByteArray path = QFile::encodeName(m_path);
    platform::PrivateFileRead read = platform::ReadPrivateFile(m_path, kLargestFile);
    if (read.state == platform::PrivateFileRead::State::Missing)
        return true; // none yet: it is started with the first entry
    if (read.state == platform::PrivateFileRead::State::NotOwn) {
        putAside(read.why);
        return false;
    }
    QByteArray &content = read.content;
    if (content.isEmpty())
        return true;
    if (!content.startsWith(kHeader)) {
        putAside(QStringLiteral("is damaged"));
        return false;
    }
    // An entry cut short (a write that failed midway, a crash) is dropped, not the history.
    if (const qsizetype whole = content.lastIndexOf('\n') + 1; whole < content.size()) {
        content.truncate(whole);
        if (::truncate(path.constData(), whole) != 0) {
            putAside(QStringLiteral("is damaged"));
            return false;
        }
    }
    const auto parse = [&content](qsizetype start) {
        return fromLine(content.sliced(start, content.indexOf('\n', start) - start));
    };
    if (into == nullptr) {
        // Before the first write only the end is read; every entry is read when they are shown.
        m_count = int(content.count('\n')) - 1;
        const qsizetype last = content.lastIndexOf('\n', content.size() - 2) + 1;
        if (m_count > 0 && !parse(last)) {
            putAside(QStringLiteral("is damaged"));
            return false;
        }
        return true;
    }
    for (qsizetype start = kHeader.size(); start < content.size();
         start = content.indexOf('\n', start) + 1) {
        const std::optional<Exchange> entry = parse(start);
        if (!entry) {
            into->clear();
            putAside(QStringLiteral("is damaged"));
            return false;
        }
        into->append(*entry);
        ++m_count;
    }
    return true;
}

void HistoryFile::putAside(const QString &why) {
    QString message;
    if (platform::SetFileAsideSaying(m_path, QStringLiteral("The history file"), why,
                                     QStringLiteral("and a new history started."),
                                     QStringLiteral("No history is kept in this run."), &message)) {
        m_count = 0;
        ++m_setAside;
    } else {
        m_off = true;
    }
    Q_EMIT setAside(message);
}

void HistoryFile::record(const Exchange &exchange) {
    Q_EMIT exchanged(exchange);
    if (!m_checked)
        check(nullptr);
    if (m_off)
        return;
    const QByteArray line = toLine(exchange);
    const int setAsideBefore = m_setAside;
    bool written = append(line);
    // Something put in the way since the file was checked has been set aside: into a new one.
    if (!written && m_setAside != setAsideBefore && !m_off)
        written = append(line);
    if (!written)
        return;
    if (m_count > kKeptEntries + kSlackEntries)
        cutBack();
    Q_EMIT recorded(exchange);
}

bool HistoryFile::append(const QByteArray &line) {
    const QByteArray path = QFile::encodeName(m_path);
    // Never through a link, never waiting on a pipe; the owner's alone before anything is
    // written, even when the owner had closed it to writing. The folder is made the first time.
    const auto open = [&path] {
        return platform::OpenNoFollow(path, O_WRONLY | O_APPEND | O_CREAT, kOwnerOnly);
    };
    int fd = open();
    if (fd < 0 && errno == ENOENT && QDir().mkpath(QFileInfo(m_path).absolutePath()))
        fd = open();
    if (fd < 0 && errno == EACCES && platform::OwnFileAt(path) &&
        ::chmod(path.constData(), kOwnerOnly) == 0)
        fd = open();
    if (fd < 0) {
        if (errno == ELOOP)
            putAside(QStringLiteral("is a link to another file"));
        else if (errno == ENXIO) // a pipe with nobody reading
            putAside(QStringLiteral("is not a regular file"));
        return false;
    }
    struct stat status {};
    bool written = false;
    if (::fstat(fd, &status) != 0) {
    } else if (const QString why = platform::NotOwnFile(status, kLargestFile); !why.isEmpty()) {
        putAside(why);
    } else if ((status.st_mode & 07777) == kOwnerOnly || ::fchmod(fd, kOwnerOnly) == 0) {
        written = writeAll(fd, status.st_size == 0 ? kHeader + line : line);
        // Half a line would spoil the entries written after it.
        if (!written && ::ftruncate(fd, status.st_size) != 0)
            m_checked = false;
        if (written)
            ++m_count;
    }
    ::close(fd);
    return written;
}

void HistoryFile::cutBack() {
    QList<Exchange> kept;
    if (!check(&kept))
        return;
    QByteArray content = kHeader;
    const qsizetype from = std::max<qsizetype>(0, kept.size() - kKeptEntries);
    for (qsizetype i = from; i < kept.size(); ++i)
        content += toLine(kept.at(i));
    if (platform::WritePrivateFile(m_path, content))
        m_count = int(kept.size() - from);
}

QList<Exchange> HistoryFile::entries() {
    QList<Exchange> oldestFirst;
    if (m_off || !check(&oldestFirst))
        return {};
    QList<Exchange> newestFirst;
    const qsizetype kept = std::min<qsizetype>(oldestFirst.size(), kKeptEntries);
    newestFirst.reserve(kept);
    for (qsizetype i = oldestFirst.size() - 1; i >= oldestFirst.size() - kept; --i)
        newestFirst.append(oldestFirst.at(i));
    return newestFirst;
}

void RecordWait(HistoryFile *history, const protocol::DnsRecord &change, int ticks) {
    if (history == nullptr)
        return;
    history->record(Exchange{.time = QDateTime::currentDateTimeUtc(),
                             .kind = Exchange::Kind::Wait,
                             .domain = change.domain,
                             .recordType = change.recordType,
                             .name = change.name,
                             .address = change.address,
                             .result = Exchange::Result::Refused,
                             .waitTicks = ticks,
                             .automatic = true});
}

} // namespace pellmarch::session
