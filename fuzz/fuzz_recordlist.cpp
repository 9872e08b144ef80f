// The record list: SplitRecordList on any text, and the round trip through JoinRecordList.
//
// Input: any text. It is split as a record list; it is also read as records of its own, one
// per line with tab-separated fields, which are joined and split again.
#include "FuzzCheck.h"

#include "protocol/RecordList.h"

#include <QStringList>

using namespace pellmarch::protocol;
using pellmarch::fuzz::textOf;

namespace {

// A field that a record list can carry: no separator inside, and no "~" or ";" at either end,
// where it would run into the separator next to it.
bool wellFormed(const QString &field) {
    return !field.contains(QLatin1String("~~")) && !field.contains(QLatin1String(";;")) &&
           !field.startsWith(QLatin1Char('~')) && !field.endsWith(QLatin1Char('~')) &&
           !field.startsWith(QLatin1Char(';')) && !field.endsWith(QLatin1Char(';'));
}

QString show(const QList<DnsRecord> &records) {
    QStringList texts;
    for (const DnsRecord &r : records)
        texts.append(QStringList{r.domain, r.recordType, r.name, r.address}.join(u'|'));
    return texts.join(QLatin1String(" / "));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = textOf(data, size);

    // Any text: every record found holds fields free of separators, and there are never more
    // records than pieces between "~~".
    const QList<DnsRecord> split = SplitRecordList(text);
    const qsizetype pieces = text.isEmpty() ? 0 : text.count(QLatin1String("~~")) + 1;
    FUZZ_REQUIRE(split.size() <= pieces, text);
    for (const DnsRecord &r : split)
        for (const QString &field : {r.domain, r.recordType, r.name, r.address})
            FUZZ_REQUIRE(
                !field.contains(QLatin1String("~~")) && !field.contains(QLatin1String(";;")), text);
    // A list written from what was read reads back the same when its fields are well-formed
    // (what was skipped stays skipped; fields past the fourth stay dropped).
    bool allWellFormed = true;
    for (const DnsRecord &r : split)
        for (const QString &field : {r.domain, r.recordType, r.name, r.address})
            allWellFormed = allWellFormed && wellFormed(field);
    if (allWellFormed)
        FUZZ_REQUIRE(SplitRecordList(JoinRecordList(split)) == split, text);

    // Well-formed records survive the round trip exactly, in order, whatever they hold.
    QList<DnsRecord> records;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QStringList f = line.split(QLatin1Char('\t'));
        while (f.size() < 4)
            f.append(QString());
        const DnsRecord r{f.at(0), f.at(1), f.at(2), f.at(3)};
        if (wellFormed(r.domain) && wellFormed(r.recordType) && wellFormed(r.name) &&
            wellFormed(r.address))
            records.append(r);
    }
    const QString joined = JoinRecordList(records);
    const QList<DnsRecord> back = SplitRecordList(joined);
    FUZZ_REQUIRE(back == records,
                 QStringLiteral("[%1] -> [%2] -> [%3]").arg(show(records), joined, show(back)));
    FUZZ_REQUIRE(JoinRecordList(back) == joined, joined);
    return 0;
}
