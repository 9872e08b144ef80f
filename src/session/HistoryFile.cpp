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
    // Routine checks: how many, and the first; the entry's time is the last. An entry without
    // them (all that earlier versions wrote) is an entry of its own.
    if (exchange.checks > 0) {
        object.insert(QLatin1String("c"), exchange.checks);
        object.insert(QLatin1String("s"), exchange.since.toUTC().toString(Qt::ISODateWithMs));
    }
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
    if (object.contains(QLatin1String("c"))) {
        exchange.checks = object.value(QLatin1String("c")).toInt();
        exchange.since =
            QDateTime::fromString(object.value(QLatin1String("s")).toString(), Qt::ISODateWithMs);
        if (exchange.checks <= 0 || !exchange.since.isValid())
            return std::nullopt;
    }
    return exchange;
}

// A kill -9 can stop a write where one of the file's pages ends (the kernel copies a page at a
// time), and a count's line written over in part would be neither the old nor the new entry.
// A count's line is kept on one page: where it would cross a page's end, blanks after its
// opening brace (which JSON allows, and every reader skips) put the rest on the next page,
// with room for the count to grow.
constexpr qint64 kPage = 4096;
constexpr qsizetype kCountGrowth = 8;

qsizetype blanksFor(qint64 at, qsizetype size) {
    const qint64 room = kPage - at % kPage;
    if (size + kCountGrowth <= room || size + kCountGrowth > kPage)
        return 0;
    return qsizetype(room);
}

QByteArray withBlanks(const QByteArray &line, qsizetype blanks) {
    return blanks == 0 ? line : line.left(1) + QByteArray(blanks, ' ') + line.mid(1);
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

HistoryFile::Checked HistoryFile::check(QList<Exchange> *into) {
    const QByteArray path = QFile::encodeName(m_path);
    platform::PrivateFileRead read = platform::ReadPrivateFile(m_path, kLargestFile);
    if (read.state == platform::PrivateFileRead::State::Unavailable)
        return Checked::Later; // checked again before the next write
    m_checked = true;
    m_count = 0;
    if (read.state == platform::PrivateFileRead::State::Missing)
        return Checked::Fine; // none yet: it is started with the first entry
    if (read.state == platform::PrivateFileRead::State::NotOwn) {
        putAside(read.why);
        return Checked::SetAside;
    }
    QByteArray &content = read.content;
    if (content.isEmpty())
        return Checked::Fine;
    if (!content.startsWith(kHeader)) {
        putAside(QStringLiteral("is damaged"));
        return Checked::SetAside;
    }
    // An entry cut short (a write that failed midway, a crash) is dropped, not the history.
    if (const qsizetype whole = content.lastIndexOf('\n') + 1; whole < content.size()) {
        content.truncate(whole);
        if (::truncate(path.constData(), whole) != 0) {
            putAside(QStringLiteral("is damaged"));
            return Checked::SetAside;
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
            return Checked::SetAside;
        }
        return Checked::Fine;
    }
    for (qsizetype start = kHeader.size(); start < content.size();
         start = content.indexOf('\n', start) + 1) {
        const std::optional<Exchange> entry = parse(start);
        if (!entry) {
            into->clear();
            putAside(QStringLiteral("is damaged"));
            return Checked::SetAside;
        }
        into->append(*entry);
        ++m_count;
    }
    return Checked::Fine;
}

void HistoryFile::putAside(const QString &why) {
    QString message;
    if (platform::SetFileAsideSaying(m_path, QStringLiteral("The history file"), why,
                                     QStringLiteral("and a new history started."),
                                     QStringLiteral("No history is kept in this run."), &message)) {
        m_count = 0;
        ++m_setAside;
        // The run's line went with the file: a further check starts a new count.
        m_run.reset();
        m_runLine = {};
        m_behind.reset();
    } else {
        m_off = true;
    }
    Q_EMIT setAside(message);
}

bool HistoryFile::routine(const Exchange &exchange) {
    if (exchange.kind == Exchange::Kind::Login) {
        m_lastFound.reset(); // a new login's first query is always an entry of its own
        return false;
    }
    if (exchange.kind != Exchange::Kind::AddressQuery ||
        exchange.result != Exchange::Result::Success)
        return false;
    std::pair<QString, QByteArray> found{exchange.address, exchange.recordsDigest};
    const bool same = m_lastFound == found;
    m_lastFound = std::move(found);
    return same;
}

void HistoryFile::record(const Exchange &exchange) {
    Q_EMIT exchanged(exchange);
    if (m_off)
        return;
    const bool isRoutine = routine(exchange);
    if (isRoutine && m_run) {
        ++m_run->checks;
        m_run->time = exchange.time;
        if (m_runLine.at < 0) // not written yet: the newest of the waiting entries
            m_unwritten.last() = *m_run;
        else
            m_behind.emplace(m_runLine, *m_run);
    } else {
        // Anything else ends the run, and stands on its own.
        Exchange entry = exchange;
        entry.recordsDigest.clear();
        if (isRoutine) {
            entry.checks = 1;
            entry.since = exchange.time;
        }
        m_run.reset();
        m_runLine = {};
        m_unwritten.append(entry);
        if (isRoutine)
            m_run = entry;
        // While the file cannot be written, the oldest waiting entries give way.
        if (m_unwritten.size() > kUnwrittenEntries)
            m_unwritten.removeFirst();
    }
    flush();
}

void HistoryFile::flush() {
    if (!m_checked && check(nullptr) == Checked::Later)
        return;
    if (m_off) {
        m_unwritten.clear();
        return;
    }
    if (m_behind) {
        auto [line, entry] = *m_behind;
        const QByteArray text = withBlanks(toLine(entry), line.blanks);
        switch (rewrite(line, text)) {
        case Written::Later:
            return;
        case Written::Done:
            if (m_run && m_runLine.at == line.at)
                m_runLine.text = text;
            m_behind.reset();
            Q_EMIT recounted(entry);
            break;
        case Written::SetAside:
        case Written::Gone:
            // No longer there as written: written anew, in its place among the waiting.
            m_behind.reset();
            m_unwritten.prepend(entry);
            if (m_run && m_runLine.at == line.at)
                m_runLine = {};
            break;
        }
    }
    if (m_unwritten.isEmpty() || m_off)
        return;
    QByteArray lines;
    for (const Exchange &entry : std::as_const(m_unwritten))
        lines += toLine(entry);
    qint64 at = 0;
    const int setAsideBefore = m_setAside;
    // The run, when it is waiting, is the newest entry: the last line.
    Line run;
    if (m_run && m_runLine.at < 0)
        run.text = toLine(*m_run);
    Written written = append(lines, &at, run.text.isEmpty() ? nullptr : &run);
    // Something put in the way since the file was checked has been set aside: into a new one.
    if (written == Written::SetAside && m_setAside != setAsideBefore && !m_off)
        written = append(lines, &at, run.text.isEmpty() ? nullptr : &run);
    if (written != Written::Done) {
        if (m_off)
            m_unwritten.clear();
        return;
    }
    const QList<Exchange> done = std::exchange(m_unwritten, {});
    m_count += int(done.size());
    if (m_run && m_runLine.at < 0)
        m_runLine = run;
    if (m_count > kKeptEntries + kSlackEntries)
        cutBack();
    for (const Exchange &entry : done)
        Q_EMIT recorded(entry);
}

HistoryFile::Written HistoryFile::append(const QByteArray &lines, qint64 *at, Line *run) {
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
        if (errno == ELOOP) {
            putAside(QStringLiteral("is a link to another file"));
            return Written::SetAside;
        }
        if (errno == ENXIO) { // a pipe with nobody reading
            putAside(QStringLiteral("is not a regular file"));
            return Written::SetAside;
        }
        return Written::Later;
    }
    struct stat status {};
    Written written = Written::Later;
    if (::fstat(fd, &status) != 0) {
    } else if (const QString why = platform::NotOwnFile(status, kLargestFile); !why.isEmpty()) {
        putAside(why);
        written = Written::SetAside;
    } else if ((status.st_mode & 07777) == kOwnerOnly || ::fchmod(fd, kOwnerOnly) == 0) {
        const QByteArray header = status.st_size == 0 ? kHeader : QByteArray();
        QByteArray data = header + lines;
        Line placed;
        if (run != nullptr) {
            placed.at = status.st_size + data.size() - run->text.size();
            placed.blanks = blanksFor(placed.at, run->text.size());
            placed.text = withBlanks(run->text, placed.blanks);
            data = data.left(data.size() - run->text.size()) + placed.text;
        }
        if (writeAll(fd, data)) {
            written = Written::Done;
            *at = status.st_size + header.size();
            if (run != nullptr)
                *run = placed;
        } else if (::ftruncate(fd, status.st_size) != 0) {
            m_checked = false; // half a line would spoil the entries written after it
        }
    }
    ::close(fd);
    return written;
}

HistoryFile::Written HistoryFile::rewrite(const Line &line, const QByteArray &text) {
    const QByteArray path = QFile::encodeName(m_path);
    int fd = platform::OpenNoFollow(path, O_RDWR);
    if (fd < 0 && errno == EACCES && platform::OwnFileAt(path) &&
        ::chmod(path.constData(), kOwnerOnly) == 0)
        fd = platform::OpenNoFollow(path, O_RDWR);
    if (fd < 0)
        return platform::PassingFailure(errno) ? Written::Later : Written::Gone;
    // Only the line as it was written, at the end of the program's own file, is written over.
    struct stat status {};
    Written written = Written::Gone;
    QByteArray was(line.text.size(), '\0');
    if (::fstat(fd, &status) != 0) {
        written = Written::Later;
    } else if (!platform::NotOwnFile(status, kLargestFile).isEmpty() ||
               status.st_size != line.at + line.text.size()) {
    } else if (const ssize_t read = ::pread(fd, was.data(), size_t(was.size()), line.at);
               read < 0) {
        written = Written::Later;
    } else if (was != line.text) {
    } else if ((status.st_mode & 07777) != kOwnerOnly && ::fchmod(fd, kOwnerOnly) != 0) {
        written = Written::Later;
    } else if (::pwrite(fd, text.constData(), size_t(text.size()), line.at) == text.size() &&
               (text.size() >= was.size() || ::ftruncate(fd, line.at + text.size()) == 0)) {
        written = Written::Done;
    } else {
        // A line written over in part would spoil the file: the old one back.
        if (::pwrite(fd, was.constData(), size_t(was.size()), line.at) != was.size() ||
            ::ftruncate(fd, line.at + was.size()) != 0)
            m_checked = false;
        written = Written::Later;
    }
    ::close(fd);
    return written;
}

void HistoryFile::cutBack() {
    QList<Exchange> kept;
    if (check(&kept) != Checked::Fine)
        return;
    QByteArray content = kHeader;
    const qsizetype from = std::max<qsizetype>(0, kept.size() - kKeptEntries);
    // The run's entry is still the last line, kept on one page where it now stands.
    const bool run = m_runLine.at >= 0 && !kept.isEmpty();
    for (qsizetype i = from; i < kept.size() - (run ? 1 : 0); ++i)
        content += toLine(kept.at(i));
    Line moved;
    if (run) {
        const QByteArray text = toLine(kept.last());
        moved.at = content.size();
        moved.blanks = blanksFor(moved.at, text.size());
        moved.text = withBlanks(text, moved.blanks);
        content += moved.text;
    }
    if (!platform::WritePrivateFile(m_path, content))
        return;
    m_count = int(kept.size() - from);
    if (run)
        m_runLine = moved;
}

QList<Exchange> HistoryFile::entries() {
    if (!m_unwritten.isEmpty() || m_behind)
        flush();
    QList<Exchange> oldestFirst;
    if (m_off || check(&oldestFirst) != Checked::Fine)
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
