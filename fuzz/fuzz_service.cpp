// The stand-in service's request handling: VerlundService::answer for any query string.
//
// Input: the query string of a request to the endpoint ("fxn=login&usr=acme&pwd=acme"). The
// database holds the demo subscribers; every input starts from that same content.
#include "FuzzCheck.h"

#include "ServiceStore.h"
#include "VerlundService.h"
#include "protocol/AnswerText.h"
#include "protocol/RecordList.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace pellmarch::protocol;
using pellmarch::fuzz::textOf;

namespace {

struct Fixture {
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<verlund::ServiceStore> store;
    std::unique_ptr<verlund::VerlundService> service;
    QSqlDatabase raw; // a second connection: reads the whole table, puts the seed back
    QStringList seeded;
};

Fixture *g_fixture = nullptr;

// Every row of the record table, as "domain|type|name|address", in storage order.
QStringList allRows(QSqlDatabase &db) {
    QStringList rows;
    QSqlQuery q(db);
    if (!q.exec(
            QStringLiteral("SELECT domain, record_type, name, address FROM records ORDER BY id")))
        pellmarch::fuzz::broken("the record table can be read", q.lastQuery());
    while (q.next())
        rows.append(QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                q.value(3).toString()}
                        .join(u'|'));
    return rows;
}

// Letter case as the database compares it (ASCII letters only).
QString asciiLower(QString text) {
    for (QChar &c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return text;
}

QString queryValue(const QUrlQuery &query, const char *key) {
    for (const auto &[k, v] : query.queryItems(QUrl::FullyDecoded))
        if (k.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    auto *f = new Fixture;
    g_fixture = f;
    f->app = std::make_unique<QCoreApplication>(*argc, *argv);
    // A database in memory-backed storage when there is one: every input may write to it.
    const QString shm = QStringLiteral("/dev/shm");
    f->dir = std::make_unique<QTemporaryDir>(
        QFileInfo(shm).isWritable() ? shm + QStringLiteral("/pellmarch-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/pellmarch-fuzz-XXXXXX"));
    // The fixture lives until the process ends and is never destroyed; take the database's
    // folder away when libFuzzer ends the run.
    std::atexit([] { QDir(g_fixture->dir->path()).removeRecursively(); });
    const QString path = f->dir->filePath(QStringLiteral("service.db"));
    f->store = std::make_unique<verlund::ServiceStore>(path);
    QString error;
    if (!f->dir->isValid() || !f->store->open(&error) || !f->store->seedDemo())
        pellmarch::fuzz::broken("the demo database can be made", error);
    f->service = std::make_unique<verlund::VerlundService>(*f->store);
    f->service->setLogger([](const QString &) {});
    f->raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-raw"));
    f->raw.setDatabaseName(path);
    if (!f->raw.open())
        pellmarch::fuzz::broken("the database opens twice", path);
    f->seeded = allRows(f->raw);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Fixture &f = *g_fixture;
    const QUrlQuery query(textOf(data, size));
    const QString answer = f.service->answer(query, QHostAddress(QStringLiteral("198.51.100.7")));
    const QStringList rows = allRows(f.raw);
    const QString what = QStringLiteral("query [%1]\nanswer [%2]\nrows [%3]")
                             .arg(query.toString(QUrl::FullyDecoded), answer, rows.join(u' '));

    // The answer is a page of "<p>Key: value</p>" paragraphs; no value adds markup or a line.
    static const QRegularExpression shape(
        QStringLiteral("\\A<html><head><title>Verlund Dynamic DNS</title></head>\r\n<body>\r\n"
                       "(<p>[A-Za-z ]+: [^<>\\x00-\\x1f]*</p>\r\n)+</body></html>\r\n\\z"));
    FUZZ_REQUIRE(shape.match(answer).hasMatch(), what);

    // A failure never reads as a success, and changes nothing.
    const bool failed = answer.contains(QLatin1String("<p>Error: "));
    FUZZ_REQUIRE(!failed || !answer.contains(QLatin1String("SUCCESS")), what);
    FUZZ_REQUIRE(failed || IsSuccessAnswer(answer), what);
    const QString function = queryValue(query, "fxn");
    const bool recordCommand =
        function.compare(QLatin1String("DNSTickler"), Qt::CaseInsensitive) == 0;
    if (failed || !recordCommand)
        FUZZ_REQUIRE(rows == f.seeded, what);

    // The record list is whole: every record has its four fields and reads back as it was
    // written, so no stored value split a record or ran into the next one.
    const QString list = NullTrim(GetField(answer, QStringLiteral("DomainUserRecords:")));
    const QList<DnsRecord> records = SplitRecordList(list);
    FUZZ_REQUIRE(JoinRecordList(records) == list, what);
    FUZZ_REQUIRE(list.isEmpty() || records.size() == list.count(QLatin1String("~~")) + 1, what);

    if (recordCommand && !failed) {
        // What a success says it did is what the database holds, and what the answer lists.
        const QString command = queryValue(query, "DNSCommand").toUpper();
        const QString record = asciiLower(QStringList{
            queryValue(query, "Domain").trimmed(), queryValue(query, "RecordType").trimmed(),
            queryValue(query, "Cname").trimmed(), queryValue(query, "IPAddress").trimmed()}
                                              .join(u'|'));
        QStringList listed;
        for (const DnsRecord &r : records)
            listed.append(
                asciiLower(QStringList{r.domain, r.recordType, r.name, r.address}.join(u'|')));
        QStringList stored;
        for (const QString &row : rows)
            stored.append(asciiLower(row));
        const bool adding = command == QLatin1String("RECORDADD");
        FUZZ_REQUIRE(stored.contains(record) == adding, what);
        FUZZ_REQUIRE(listed.contains(record) == adding, what);
        // The own host name holds one address at a time.
        int ownAddresses = 0;
        for (const QString &row : stored)
            ownAddresses += row.startsWith(QLatin1String("dyn.verlund.test|a|demo|"));
        FUZZ_REQUIRE(ownAddresses <= 1, what);
        // Every stored record is one that a subscriber sees in his list (and can delete).
        QStringList visible;
        for (const char *user : {"demo", "acme"})
            for (const DnsRecord &r : f.store->records(*f.store->subscriber(QLatin1String(user))))
                visible.append(
                    asciiLower(QStringList{r.domain, r.recordType, r.name, r.address}.join(u'|')));
        for (const QString &row : stored)
            FUZZ_REQUIRE(visible.contains(row), what + QStringLiteral("\nunlisted [%1]").arg(row));
    }

    if (rows != f.seeded) {
        QSqlQuery clear(f.raw);
        if (!clear.exec(QStringLiteral("DELETE FROM records")) || !f.store->seedDemo() ||
            allRows(f.raw) != f.seeded)
            pellmarch::fuzz::broken("the demo records can be put back", what);
    }
    return 0;
}
