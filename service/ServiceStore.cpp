#include "ServiceStore.h"

#include <QAtomicInteger>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verlund {

namespace {

QAtomicInteger<int> g_connections;

constexpr int kBusyTimeoutMs = 10000;

Subscriber subscriberFrom(const QSqlQuery &q) {
    return {q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
            q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
            q.value(6).toString(), q.value(7).toString()};
}

// Every column holds text, never NULL: a null QString binds as empty text.
QString text(const QString &value) {
    return value.isNull() ? QStringLiteral("") : value;
}

void bindRecord(QSqlQuery &q, const DnsRecord &r) {
    for (const QString &v : {r.domain, r.recordType, r.name, r.address})
        q.addBindValue(text(v));
}

// Names (domain, record type, host name) ignore letter case, as DNS names do; the value is kept
// and matched exactly as sent: "p=AbC" and "p=abc" are two TXT records, and the client repairs
// its records by trusting the list, so the list must hold each value as it was added.
const char kRecordColumns[] =
    "id INTEGER PRIMARY KEY, domain TEXT NOT NULL COLLATE NOCASE,"
    " record_type TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
    " address TEXT NOT NULL COLLATE BINARY, UNIQUE (domain, record_type, name, address)";

const char kSubscriberColumns[] = "username, password, first_name, last_name, domains, "
                                  "record_types, sub_domain, address_override";

// The database holds the subscribers' passwords: it is readable by its owner only. SQLite creates
// a missing file with the process's umask (0644, as a rule) and gives its -wal and -shm files the
// database's own mode, so the file is made first, 0600; a file an earlier version left readable
// by others is narrowed, with the files beside it.
bool keepPrivate(const QString &path, QString *error) {
    if (path.isEmpty() || path.startsWith(QLatin1Char(':')) ||
        path.startsWith(QLatin1String("file:")))
        return true;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat st {};
    const bool narrowed =
        ::fstat(fd, &st) == 0 && ((st.st_mode & 077) == 0 || ::fchmod(fd, 0600) == 0);
    ::close(fd);
    for (const char *beside : {"-wal", "-shm", "-journal"})
        ::chmod((name + beside).constData(), 0600); // absent as a rule
    if (!narrowed && error)
        *error = QStringLiteral("%1 cannot be made private: %2")
                     .arg(path, QString::fromLocal8Bit(strerror(errno)));
    return narrowed;
}

} // namespace

ServiceStore::ServiceStore(const QString &databasePath)
    : m_connectionName(QStringLiteral("verlund-%1").arg(g_connections.fetchAndAddRelaxed(1))) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(databasePath);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
}

ServiceStore::~ServiceStore() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool ServiceStore::exec(const QString &statement) {
    QSqlQuery q(m_db);
    return q.exec(statement);
}

bool ServiceStore::open(QString *error) {
    if (!keepPrivate(m_db.databaseName(), error))
        return false;
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        return false;
    }
    const bool ok = exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
                    exec(QStringLiteral(
                        "CREATE TABLE IF NOT EXISTS subscribers ("
                        " username TEXT PRIMARY KEY, password TEXT NOT NULL,"
                        " first_name TEXT NOT NULL DEFAULT '', last_name TEXT NOT NULL DEFAULT '',"
                        " domains TEXT NOT NULL DEFAULT '', record_types TEXT NOT NULL DEFAULT '',"
                        " sub_domain TEXT NOT NULL DEFAULT '',"
                        " address_override TEXT NOT NULL DEFAULT '')")) &&
                    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS records (%1)")
                             .arg(QLatin1String(kRecordColumns))) &&
                    caseExactValues();
    if (!ok && error)
        *error = m_db.lastError().text();
    return ok;
}

bool ServiceStore::caseExactValues() {
    // Earlier versions compared values ignoring letter case: such a table is rebuilt with its
    // rows and ids, in one transaction that a second service opening the file waits for.
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    QSqlQuery schema(m_db);
    const bool old =
        schema.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'records'")) &&
        schema.next() &&
        schema.value(0).toString().contains(QLatin1String("address TEXT NOT NULL COLLATE NOCASE"));
    schema.finish();
    const bool ok =
        !old || (exec(QStringLiteral("CREATE TABLE records_rebuilt (%1)")
                          .arg(QLatin1String(kRecordColumns))) &&
                 exec(QStringLiteral("INSERT INTO records_rebuilt SELECT id, domain, record_type, "
                                     "name, address FROM records")) &&
                 exec(QStringLiteral("DROP TABLE records")) &&
                 exec(QStringLiteral("ALTER TABLE records_rebuilt RENAME TO records")));
    if (ok && exec(QStringLiteral("COMMIT")))
        return true;
    exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool ServiceStore::putSubscriber(const Subscriber &s) {
    QSqlQuery q(m_db);
    q.prepare(
        QStringLiteral("INSERT OR REPLACE INTO subscribers (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
            .arg(QLatin1String(kSubscriberColumns)));
    for (const QString &v : {s.username, s.password, s.firstName, s.lastName, s.domains,
                             s.recordTypes, s.subDomain, s.addressOverride})
        q.addBindValue(text(v));
    return q.exec();
}

std::optional<Subscriber> ServiceStore::subscriber(const QString &username) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT %1 FROM subscribers WHERE username = ?")
                  .arg(QLatin1String(kSubscriberColumns)));
    q.addBindValue(username);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return subscriberFrom(q);
}

std::optional<Subscriber> ServiceStore::authenticate(const QString &username,
                                                     const QString &password) {
    std::optional<Subscriber> s = subscriber(username);
    if (!s || s->password != password)
        return std::nullopt;
    return s;
}

bool ServiceStore::setAddressOverride(const QString &username, const QString &address) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("UPDATE subscribers SET address_override = ? WHERE username = ?"));
    q.addBindValue(text(address));
    q.addBindValue(text(username));
    return q.exec() && q.numRowsAffected() == 1;
}

QList<DnsRecord> ServiceStore::records(const Subscriber &s) {
    QStringList conditions;
    QVariantList values;
    for (const QString &domain : s.domains.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        conditions.append(QStringLiteral("domain = ?"));
        values.append(domain.trimmed());
    }
    if (!s.subDomain.isEmpty()) {
        conditions.append(QStringLiteral("(domain = ? AND name = ?)"));
        values.append(s.subDomain);
        values.append(s.username);
    }
    QList<DnsRecord> result;
    if (conditions.isEmpty())
        return result;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT domain, record_type, name, address FROM records WHERE %1 "
                             "ORDER BY id")
                  .arg(conditions.join(QLatin1String(" OR "))));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return result;
    while (q.next())
        result.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                       q.value(3).toString()});
    return result;
}

ServiceStore::Change ServiceStore::addRecord(const DnsRecord &r) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO records (domain, record_type, name, address) "
                             "VALUES (?, ?, ?, ?)"));
    bindRecord(q, r);
    if (!q.exec())
        return Change::Failed;
    return q.numRowsAffected() == 1 ? Change::Done : Change::AlreadyThere;
}

ServiceStore::Change ServiceStore::deleteRecord(const DnsRecord &r) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("DELETE FROM records WHERE domain = ? AND record_type = ? AND "
                             "name = ? AND address = ?"));
    bindRecord(q, r);
    if (!q.exec())
        return Change::Failed;
    return q.numRowsAffected() >= 1 ? Change::Done : Change::Missing;
}

ServiceStore::Change ServiceStore::replaceRecord(const DnsRecord &r) {
    if (!m_db.transaction())
        return Change::Failed;
    QSqlQuery others(m_db);
    others.prepare(QStringLiteral("DELETE FROM records WHERE domain = ? AND record_type = ? AND "
                                  "name = ? AND address <> ?"));
    bindRecord(others, r);
    const bool removed = others.exec();
    const int removedCount = removed ? others.numRowsAffected() : 0;
    const Change added = removed ? addRecord(r) : Change::Failed;
    if (added == Change::Failed || !m_db.commit()) {
        m_db.rollback();
        return Change::Failed;
    }
    return added == Change::AlreadyThere && removedCount == 0 ? Change::AlreadyThere : Change::Done;
}

bool ServiceStore::seedDemo() {
    const Subscriber demo{QStringLiteral("demo"),
                          QStringLiteral("demo"),
                          QStringLiteral("Dana"),
                          QStringLiteral("Demo"),
                          QString(),
                          QStringLiteral("A"),
                          QStringLiteral("dyn.verlund.test"),
                          QString()};
    const Subscriber acme{QStringLiteral("acme"),
                          QStringLiteral("acme"),
                          QStringLiteral("Alex"),
                          QStringLiteral("Acme"),
                          QStringLiteral("acme.test,acme-shop.test"),
                          QStringLiteral("A,CNAME,MX,TXT"),
                          QString(),
                          QString()};
    bool ok = putSubscriber(demo) && putSubscriber(acme);
    const QList<DnsRecord> records{
        {QStringLiteral("acme.test"), QStringLiteral("A"), QStringLiteral("@"),
         QStringLiteral("203.0.113.10")},
        {QStringLiteral("acme.test"), QStringLiteral("A"), QStringLiteral("www"),
         QStringLiteral("203.0.113.10")},
        {QStringLiteral("acme.test"), QStringLiteral("MX"), QStringLiteral("mail"),
         QStringLiteral("203.0.113.25")},
        {QStringLiteral("acme-shop.test"), QStringLiteral("A"), QStringLiteral("shop"),
         QStringLiteral("203.0.113.40")},
    };
    for (const DnsRecord &r : records)
        ok = addRecord(r) != Change::Failed && ok;
    return ok;
}

} // namespace verlund
