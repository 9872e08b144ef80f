// The history file and the file of marked records: what they keep and read back, the history's
// bound, that they stay the owner's alone, and that a file in their place that is not the
// program's own is set aside, never followed or written over.
#include "session/HistoryFile.h"
#include "session/MarkFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

using pellmarch::protocol::Exchange;
using pellmarch::protocol::RecordsDigest;
using pellmarch::session::HistoryFile;
using pellmarch::session::MarkFile;

namespace {

Exchange entry(int n) {
    return Exchange{.time = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC).addSecs(n),
                    .kind = Exchange::Kind::RecordAdd,
                    .domain = QStringLiteral("example.com"),
                    .recordType = QStringLiteral("A"),
                    .name = QStringLiteral("host%1").arg(n),
                    .address = QStringLiteral("203.0.113.7")};
}

mode_t modeOf(const QString &path) {
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The one file beside `path` that was set aside, or empty text.
QString asideOf(const QString &path) {
    const QFileInfo info(path);
    const QStringList aside = info.dir().entryList(
        {info.fileName() + QStringLiteral(".set-aside-*")},
        QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    return aside.size() == 1 ? info.dir().filePath(aside.first()) : QString();
}

const QDateTime kStart(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);

// The exchanges of a compact script, one every 30 s from kStart: "q:<address>:<list>" an
// answered address query ("-" for an answer without a list), "none" and "refused" queries
// without success, "add" a record command, "login"; "<step>*<n>" the step n times.
QList<Exchange> scripted(const QStringList &script) {
    QList<Exchange> exchanges;
    for (const QString &step : script) {
        const QStringList repeated = step.split(QLatin1Char('*'));
        const QStringList parts = repeated.first().split(QLatin1Char(':'));
        Exchange exchange{.kind = Exchange::Kind::AddressQuery, .name = QStringLiteral("ann")};
        if (parts.first() == QLatin1String("q")) {
            exchange.address = parts.at(1);
            exchange.recordsDigest = RecordsDigest(parts.at(2) == QLatin1String("-")
                                                       ? std::nullopt
                                                       : std::optional<QString>(parts.at(2)));
        } else if (parts.first() == QLatin1String("none")) {
            exchange.result = Exchange::Result::NoAnswer;
        } else if (parts.first() == QLatin1String("refused")) {
            exchange.result = Exchange::Result::Refused;
        } else if (parts.first() == QLatin1String("add")) {
            exchange = entry(0);
        } else {
            exchange.kind = Exchange::Kind::Login;
        }
        for (int n = repeated.size() > 1 ? repeated.at(1).toInt() : 1; n > 0; --n) {
            exchange.time = kStart.addSecs(30 * exchanges.size());
            exchanges.append(exchange);
        }
    }
    return exchanges;
}

// An entry as the tests write it: "<kind> <address>", with " x<checks> <first>-<last>" (the
// exchanges' numbers in the script) for routine checks.
QString described(const Exchange &entry) {
    static const QHash<Exchange::Kind, QString> kinds{
        {Exchange::Kind::AddressQuery, QStringLiteral("query")},
        {Exchange::Kind::RecordAdd, QStringLiteral("add")},
        {Exchange::Kind::Login, QStringLiteral("login")}};
    QString text = kinds.value(entry.kind);
    if (entry.result == Exchange::Result::NoAnswer)
        text += QStringLiteral(" none");
    else if (entry.result == Exchange::Result::Refused)
        text += QStringLiteral(" refused");
    if (!entry.address.isEmpty() && entry.kind == Exchange::Kind::AddressQuery)
        text += QLatin1Char(' ') + entry.address;
    if (entry.checks > 0)
        text += QStringLiteral(" x%1 %2-%3")
                    .arg(entry.checks)
                    .arg(kStart.secsTo(entry.since) / 30)
                    .arg(kStart.secsTo(entry.time) / 30);
    return text;
}

// While it lives, the process can open no further file: it holds every descriptor its limit
// allows.
class NoFileLeft {
public:
    NoFileLeft() {
        ::getrlimit(RLIMIT_NOFILE, &m_limit);
        const int first = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        m_held.push_back(first);
        rlimit low = m_limit;
        low.rlim_cur = rlim_t(first) + 16; // a handful left, then none
        ::setrlimit(RLIMIT_NOFILE, &low);
        for (int fd = ::dup(first); fd >= 0; fd = ::dup(first))
            m_held.push_back(fd);
    }
    ~NoFileLeft() {
        for (const int fd : m_held)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &m_limit);
    }
    NoFileLeft(const NoFileLeft &) = delete;
    NoFileLeft &operator=(const NoFileLeft &) = delete;

private:
    rlimit m_limit{};
    std::vector<int> m_held;
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsWhatWasWrittenNewestFirst();
    void keepsTheLastTenThousandOwnerOnly();
    void routineChecksMakeOneEntry_data();
    void routineChecksMakeOneEntry();
    void earlierVersionsFileIsReadAsItStands();
    void passingFailureKeepsTheHistory();
    void countCutShortByAKillKeepsTheHistory();
    void fileNotItsOwnIsSetAside_data();
    void fileNotItsOwnIsSetAside();
    void marksAreEachSubscribersOwn_data();
    void marksAreEachSubscribersOwn();
    void marksWaitForAFileThatCannotBeReadNow();
};

void TestHistory::keepsWhatWasWrittenNewestFirst() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/Pellmarch/history.jsonl"));
    QList<Exchange> written;
    {
        HistoryFile history(path);
        QSignalSpy recorded(&history, &HistoryFile::recorded);
        // Every kind and outcome, and texts that would break a line-per-entry file.
        written = {
            Exchange{.time = QDateTime::fromMSecsSinceEpoch(1765195200123, Qt::UTC),
                     .kind = Exchange::Kind::Login,
                     .name = QStringLiteral("ann"),
                     .address = QStringLiteral("203.0.113.5")},
            Exchange{.time = QDateTime::fromMSecsSinceEpoch(1765195201000, Qt::UTC),
                     .kind = Exchange::Kind::RecordDelete,
                     .domain = QStringLiteral("exämple.com"),
                     .recordType = QStringLiteral("TXT"),
                     .name = QStringLiteral("a\nb\tc\"d\\e\u2028f"),
                     .address = QStringLiteral("v=spf1 -all"),
                     .result = Exchange::Result::Refused,
                     .reason = QStringLiteral("Record \"a\" not found\r\n"),
                     .automatic = true},
            Exchange{.time = QDateTime::fromMSecsSinceEpoch(1765195202000, Qt::UTC),
                     .kind = Exchange::Kind::AddressQuery,
                     .name = QStringLiteral("ann"),
                     .result = Exchange::Result::NoAnswer},
            Exchange{.time = QDateTime::fromMSecsSinceEpoch(1765195203000, Qt::UTC),
                     .kind = Exchange::Kind::Wait,
                     .domain = QStringLiteral("example.com"),
                     .recordType = QStringLiteral("A"),
                     .name = QStringLiteral("@"),
                     .address = QStringLiteral("203.0.113.9"),
                     .result = Exchange::Result::Refused,
                     .waitTicks = 8,
                     .automatic = true},
        };
        for (const Exchange &exchange : written)
            history.record(exchange);
        QCOMPARE(recorded.size(), 4);
    }
    // An entry cut short (the disk full, the program killed) is dropped, not the history.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("{\"t\":\"2026-12-08T12:00:01.000Z\",\"k\":\"qu");
    }
    // Read back by the next run, newest first; written on after the last whole entry.
    HistoryFile again(path);
    QSignalSpy setAside(&again, &HistoryFile::setAside);
    again.record(entry(5));
    written.append(entry(5));
    const QList<Exchange> read = again.entries();
    QCOMPARE(read.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(read.at(i), written.at(4 - i));
    QCOMPARE(setAside.size(), 0);
    QCOMPARE(modeOf(path), mode_t(0600));
}

void TestHistory::keepsTheLastTenThousandOwnerOnly() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.jsonl"));
    HistoryFile history(path);
    history.record(entry(0));
    // Opened up by someone else between two writes: the owner's alone again before the next.
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther));
    history.record(entry(1));
    QCOMPARE(modeOf(path), mode_t(0600));
    // Closed to writing by its owner: opened up to the owner again, not lost.
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    history.record(entry(2));
    QCOMPARE(modeOf(path), mode_t(0600));
    QCOMPARE(HistoryFile(path).entries().first(), entry(2));

    const int total = 12345;
    for (int n = 3; n < total; ++n)
        history.record(entry(n));
    const QList<Exchange> kept = history.entries();
    QCOMPARE(kept.size(), 10000);
    QCOMPARE(kept.first(), entry(total - 1));
    QCOMPARE(kept.last(), entry(total - 10000));
    // Cut back on the way, never let grow without end; still the owner's alone.
    QVERIFY(contentOf(path).count('\n') <= 11002);
    QCOMPARE(modeOf(path), mode_t(0600));
    // The next run reads the same.
    QCOMPARE(HistoryFile(path).entries(), kept);

    // The file cut back just as routine checks begin to be counted: still one entry for them,
    // its count whole.
    const int last = total + HistoryFile::kKeptEntries + HistoryFile::kSlackEntries - 1 -
                     int(contentOf(path).count('\n'));
    for (int n = total; n <= last; ++n)
        history.record(entry(n));
    const QList<Exchange> checks = scripted({"q:10.0.0.1:L*1200"});
    for (const Exchange &check : checks)
        history.record(check);
    QVERIFY(contentOf(path).count('\n') < 10010);
    const QList<Exchange> read = HistoryFile(path).entries();
    QCOMPARE(described(read.first()), QStringLiteral("query 10.0.0.1 x1199 1-1199"));
    QCOMPARE(read.at(2), entry(last));
}

void TestHistory::routineChecksMakeOneEntry_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("entries"); // oldest first
    QTest::newRow("a thousand unchanged checks")
        << QStringList{"login", "q:10.0.0.1:L*1001"}
        << QStringList{"login", "query 10.0.0.1", "query 10.0.0.1 x1000 2-1001"};
    QTest::newRow("a new address in the middle")
        << QStringList{"q:10.0.0.1:L*3", "q:10.0.0.2:L*3"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x2 1-2", "query 10.0.0.2",
                       "query 10.0.0.2 x2 4-5"};
    QTest::newRow("a changed record list")
        << QStringList{"q:10.0.0.1:L*3", "q:10.0.0.1:M*2"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x2 1-2", "query 10.0.0.1",
                       "query 10.0.0.1 x1 4-4"};
    QTest::newRow("a list and then none") << QStringList{"q:10.0.0.1:*2", "q:10.0.0.1:-*2"}
                                          << QStringList{"query 10.0.0.1", "query 10.0.0.1 x1 1-1",
                                                         "query 10.0.0.1", "query 10.0.0.1 x1 3-3"};
    QTest::newRow("no answer in the middle")
        << QStringList{"q:10.0.0.1:L*3", "none", "q:10.0.0.1:L*3"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x2 1-2", "query none",
                       "query 10.0.0.1 x3 4-6"};
    QTest::newRow("a refusal in the middle")
        << QStringList{"q:10.0.0.1:L*2", "refused", "q:10.0.0.1:L"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x1 1-1", "query refused",
                       "query 10.0.0.1 x1 3-3"};
    QTest::newRow("a record command in the middle")
        << QStringList{"q:10.0.0.1:L*3", "add", "q:10.0.0.1:L*2"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x2 1-2", "add", "query 10.0.0.1 x2 4-5"};
    QTest::newRow("a login in the middle")
        << QStringList{"q:10.0.0.1:L*3", "login", "q:10.0.0.1:L*3"}
        << QStringList{"query 10.0.0.1", "query 10.0.0.1 x2 1-2", "login", "query 10.0.0.1",
                       "query 10.0.0.1 x2 5-6"};
}

void TestHistory::routineChecksMakeOneEntry() {
    QFETCH(QStringList, script);
    QFETCH(QStringList, entries);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.jsonl"));
    HistoryFile history(path);
    QSignalSpy recorded(&history, &HistoryFile::recorded);
    QSignalSpy recounted(&history, &HistoryFile::recounted);
    QSignalSpy exchanged(&history, &HistoryFile::exchanged);
    const QList<Exchange> exchanges = scripted(script);
    ino_t inode = 0;
    for (const Exchange &exchange : exchanges) {
        history.record(exchange);
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        // A count goes into the entry's own line: the file is never written anew for it.
        if (inode != 0)
            QCOMPARE(status.st_ino, inode);
        inode = status.st_ino;
    }
    QCOMPARE(exchanged.size(), exchanges.size());
    QCOMPARE(recorded.size(), entries.size());
    QCOMPARE(recorded.size() + recounted.size(), exchanges.size());
    // On disk after every check (a program killed loses no count), read as such by the next
    // run: one line for each entry.
    QStringList read;
    const QList<Exchange> newestFirst = HistoryFile(path).entries();
    for (const Exchange &entry : newestFirst)
        read.prepend(described(entry));
    QCOMPARE(read, entries);
    QCOMPARE(contentOf(path).count('\n'), entries.size() + 1);
    QCOMPARE(history.entries(), newestFirst);
}

void TestHistory::earlierVersionsFileIsReadAsItStands() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.jsonl"));
    // One entry for every query, as earlier versions wrote; and a count as this one writes it.
    const QByteArray earlier =
        "{\"pellmarch-history\":1}\n"
        "{\"a\":\"203.0.113.5\",\"auto\":true,\"k\":\"query\",\"n\":\"ann\",\"o\":\"success\","
        "\"t\":\"2026-12-08T12:00:00.000Z\"}\n"
        "{\"a\":\"203.0.113.5\",\"auto\":true,\"k\":\"query\",\"n\":\"ann\",\"o\":\"success\","
        "\"t\":\"2026-12-08T12:00:30.000Z\"}\n";
    const QByteArray counted =
        "{\"a\":\"203.0.113.5\",\"auto\":true,\"c\":2880,\"k\":\"query\",\"n\":\"ann\","
        "\"o\":\"success\",\"s\":\"2026-12-08T12:01:00.000Z\",\"t\":\"2026-12-09T12:00:30.000Z\"}"
        "\n";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier + counted);
    }
    HistoryFile history(path);
    QSignalSpy setAside(&history, &HistoryFile::setAside);
    const QList<Exchange> read = history.entries();
    QCOMPARE(read.size(), 3);
    const Exchange query{.time = QDateTime(QDate(2026, 12, 8), QTime(12, 0, 30), Qt::UTC),
                         .name = QStringLiteral("ann"),
                         .address = QStringLiteral("203.0.113.5"),
                         .automatic = true};
    QCOMPARE(read.at(1), query);
    QCOMPARE(read.at(2).time, QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC));
    QCOMPARE(read.at(2).checks, 0);
    QCOMPARE(read.at(0).checks, 2880);
    QCOMPARE(read.at(0).since, QDateTime(QDate(2026, 12, 8), QTime(12, 1), Qt::UTC));
    QCOMPARE(read.at(0).time, QDateTime(QDate(2026, 12, 9), QTime(12, 0, 30), Qt::UTC));
    // Written on after what was there, which stays as it was.
    history.record(entry(1));
    QCOMPARE(contentOf(path).first(earlier.size() + counted.size()), earlier + counted);
    QCOMPARE(history.entries().size(), 4);
    QCOMPARE(setAside.size(), 0);
}

void TestHistory::passingFailureKeepsTheHistory() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.jsonl"));
    HistoryFile(path).record(entry(0));
    const QByteArray before = contentOf(path);
    const QList<Exchange> exchanges = scripted({"q:10.0.0.1:L*2", "q:10.0.0.1:L*3", "add"});
    HistoryFile history(path);
    QSignalSpy setAside(&history, &HistoryFile::setAside);
    {
        // Too many open files: the next run's first look at the file and its first entries.
        NoFileLeft full;
        history.record(exchanges.at(0));
        history.record(exchanges.at(1));
        QCOMPARE(history.entries(), QList<Exchange>());
    }
    QCOMPARE(setAside.size(), 0);
    QCOMPARE(asideOf(path), QString());
    QCOMPARE(contentOf(path), before);
    // Written, nothing lost, once files can be opened again; so again for a count.
    history.record(exchanges.at(2));
    {
        NoFileLeft full;
        history.record(exchanges.at(3));
        history.record(exchanges.at(4));
    }
    history.record(exchanges.at(5));
    QStringList read;
    for (const Exchange &entry : HistoryFile(path).entries())
        read.prepend(described(entry));
    QCOMPARE(read, (QStringList{"add", "query 10.0.0.1", "query 10.0.0.1 x4 1-4", "add"}));
    QCOMPARE(setAside.size(), 0);
}

// A kill -9 stops a write between two of the file's 4096-byte pages (the kernel copies it a
// page at a time and gives up at a fatal signal): the count's line as it is left when the new
// line's first part stands over the old line's rest.
void TestHistory::countCutShortByAKillKeepsTheHistory() {
    const QList<Exchange> checks = scripted({"q:10.0.0.1:L*11"});
    int torn = 0;
    // Entries before the count of every length over a page's width: its line crosses a page's
    // end at each of its characters.
    for (int filler = 3650; filler < 3900; ++filler) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        Exchange first = entry(0);
        first.name = QString(filler, QLatin1Char('h'));
        HistoryFile history(path);
        history.record(first);
        for (qsizetype n = 0; n + 1 < checks.size(); ++n)
            history.record(checks.at(n));
        const QByteArray before = contentOf(path); // nine checks counted
        history.record(checks.last());
        const QByteArray after = contentOf(path);
        for (qsizetype page = 4096; page < after.size(); page += 4096) {
            if (page <= before.lastIndexOf('\n', before.size() - 2))
                continue; // before the count's line: written as it was
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(after.left(page) + before.mid(page));
            file.close();
            ++torn;
            HistoryFile next(path);
            QSignalSpy setAside(&next, &HistoryFile::setAside);
            const QList<Exchange> read = next.entries();
            QVERIFY2(setAside.isEmpty(), qPrintable(QStringLiteral("filler %1").arg(filler)));
            QCOMPARE(read.size(), 3);
            QVERIFY2(read.first().checks == 9 || read.first().checks == 10,
                     qPrintable(described(read.first())));
            QCOMPARE(read.last(), first);
        }
    }
    QVERIFY(torn > 100);
}

void TestHistory::fileNotItsOwnIsSetAside_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("a line that is no entry") << "damaged"
                                             << "is damaged";
    QTest::newRow("another program's file") << "foreign"
                                            << "is damaged";
    QTest::newRow("huge") << "huge"
                          << "is too large";
    QTest::newRow("a link to another file") << "link"
                                            << "is a link to another file";
    QTest::newRow("a folder") << "folder"
                              << "is not a regular file";
    QTest::newRow("a pipe") << "pipe"
                            << "is not a regular file";
    QTest::newRow("another user's") << "owner"
                                    << "belongs to another user";
}

void TestHistory::fileNotItsOwnIsSetAside() {
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.jsonl"));
    const QString other = dir.filePath(QStringLiteral("precious.txt"));
    const QByteArray good = QByteArrayLiteral("{\"pellmarch-history\":1}\n"
                                              "{\"t\":\"2026-12-08T12:00:00.000Z\",\"k\":\"query\","
                                              "\"o\":\"success\"}\n");
    const auto put = [](const QString &file, const QByteArray &content) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    };
    QByteArray before;
    if (kind == QLatin1String("damaged"))
        before = good + "{\"t\":\"2026-12-08T12:00:01.000Z\",\"k\":\"jump\",\"o\":\"success\"}\n";
    else if (kind == QLatin1String("foreign"))
        before = "[Init]\nPassword=secret\n";
    if (!before.isEmpty())
        put(path, before);
    if (kind == QLatin1String("huge")) {
        put(path, good);
        QVERIFY(QFile::resize(path, HistoryFile::kLargestFile + 1));
    } else if (kind == QLatin1String("link")) {
        put(other, "not to be touched\n");
        QVERIFY(QFile::link(other, path));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("owner")) {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        put(path, good);
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    }

    HistoryFile history(path);
    QSignalSpy setAside(&history, &HistoryFile::setAside);
    history.record(entry(1));
    QCOMPARE(setAside.size(), 1);
    const QString aside = asideOf(path);
    QVERIFY(!aside.isEmpty());
    QCOMPARE(setAside.first().first().toString(),
             QStringLiteral("The history file\n") + path + QLatin1Char('\n') + said +
                 QStringLiteral(".\nIt was set aside as\n") + aside +
                 QStringLiteral("\nand a new history started."));
    // What was there is kept as it was, under the other name; what a link pointed to is
    // untouched.
    if (!before.isEmpty())
        QCOMPARE(contentOf(aside), before);
    if (kind == QLatin1String("link")) {
        QCOMPARE(QFileInfo(aside).symLinkTarget(), other);
        QCOMPARE(contentOf(other), QByteArray("not to be touched\n"));
    }
    // A new history holds the new entry alone, the owner's alone.
    QCOMPARE(history.entries(), QList<Exchange>{entry(1)});
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(modeOf(path), mode_t(0600));
    QCOMPARE(setAside.size(), 1);
}

void TestHistory::marksAreEachSubscribersOwn_data() {
    QTest::addColumn<QByteArray>("found"); // what stands at the file's place first
    QTest::addColumn<QString>("why");      // empty: the file is the program's own
    QTest::newRow("none yet") << QByteArray() << QString();
    QTest::newRow("damaged") << QByteArray("{\"pellmarch-marks\":1,\"subscribers\":[]}")
                             << "is damaged";
    QTest::newRow("another program's")
        << QByteArray("[\"ACME.TEST;;A;;WWW;;1.2.3.4~~\"]") << "is damaged";
    QTest::newRow("a link") << QByteArray("link") << "is a link to another file";
}

void TestHistory::marksAreEachSubscribersOwn() {
    QFETCH(QByteArray, found);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PELLMARCH-marks.json"));
    const QString other = dir.filePath(QStringLiteral("other"));
    if (found == "link") {
        QFile target(other);
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write("kept") == 4);
        target.close();
        QVERIFY(QFile::link(other, path));
    } else if (!found.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(found) == found.size());
    }
    const QStringList acme{QStringLiteral("ACME.TEST;;A;;WWW;;203.0.113.10~~"),
                           QStringLiteral("ACME.TEST;;A;;@;;203.0.113.10~~")};
    {
        MarkFile marks(path);
        QSignalSpy setAside(&marks, &MarkFile::setAside);
        QCOMPARE(marks.load(QStringLiteral("acme")), QStringList());
        const QString aside = asideOf(path);
        QCOMPARE(setAside.size(), why.isEmpty() ? 0 : 1);
        if (!why.isEmpty())
            QCOMPARE(setAside.first().first().toString(),
                     QStringLiteral("The file of the records marked for automatic IP "
                                    "resolution\n") +
                         path + QLatin1Char('\n') + why +
                         QStringLiteral(".\nIt was set aside as\n") + aside +
                         QStringLiteral("\nand no record is marked now."));
        marks.save(QStringLiteral("acme"), acme);
        marks.save(QStringLiteral("bob"), {QStringLiteral("B.TEST;;A;;@;;10.0.0.1~~")});
    } // written whole on the way out at the latest
    QCOMPARE(modeOf(path), mode_t(0600));
    if (found == "link")
        QCOMPARE(contentOf(other), QByteArray("kept"));
    // Another run: each subscriber finds his own marks, and only his.
    MarkFile next(path);
    QCOMPARE(next.load(QStringLiteral("acme")), acme);
    QCOMPARE(next.load(QStringLiteral("carol")), QStringList());
    next.save(QStringLiteral("bob"), {});
    next.flush();
    QCOMPARE(MarkFile(path).load(QStringLiteral("bob")), QStringList());
    QCOMPARE(MarkFile(path).load(QStringLiteral("acme")), acme);
}

void TestHistory::marksWaitForAFileThatCannotBeReadNow() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PELLMARCH-marks.json"));
    const QStringList acme{QStringLiteral("ACME.TEST;;A;;WWW;;203.0.113.10~~")};
    const QStringList bob{QStringLiteral("B.TEST;;A;;@;;10.0.0.1~~")};
    MarkFile(path).save(QStringLiteral("bob"), bob);
    MarkFile marks(path);
    QSignalSpy setAside(&marks, &MarkFile::setAside);
    marks.save(QStringLiteral("acme"), acme);
    {
        NoFileLeft full;
        marks.flush();
    }
    // Neither set aside nor written over with the new marks alone: written once it can be read.
    QCOMPARE(setAside.size(), 0);
    QCOMPARE(asideOf(path), QString());
    marks.flush();
    QCOMPARE(MarkFile(path).load(QStringLiteral("acme")), acme);
    QCOMPARE(MarkFile(path).load(QStringLiteral("bob")), bob);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
