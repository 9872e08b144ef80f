#include "protocol/RecordList.h"

#include "protocol/AnswerText.h"

#include <QStringList>

#include <algorithm>

namespace pellmarch::protocol {

QString HostName(const QString &name, const QString &domain) {
    if (name.isEmpty() || name == QLatin1String(kRootName))
        return domain;
    if (domain.isEmpty())
        return name;
    return name + QLatin1Char('.') + domain;
}

bool SameRecord(const DnsRecord &a, const DnsRecord &b) {
    // A name written fully qualified ("mail.example.com.") is the same name.
    const auto same = [](const QString &x, const QString &y, Qt::CaseSensitivity cs) {
        const auto bare = [](const QString &text) {
            const QString trimmed = NullTrim(text);
            return trimmed.endsWith(QLatin1Char('.')) ? trimmed.chopped(1) : trimmed;
        };
        return cs == Qt::CaseSensitive ? NullTrim(x) == NullTrim(y)
                                       : bare(x).compare(bare(y), Qt::CaseInsensitive) == 0;
    };
    const bool text =
        NullTrim(a.recordType).compare(QLatin1String("TXT"), Qt::CaseInsensitive) == 0;
    return same(a.domain, b.domain, Qt::CaseInsensitive) &&
           same(a.recordType, b.recordType, Qt::CaseInsensitive) &&
           same(a.name, b.name, Qt::CaseInsensitive) &&
           same(a.address, b.address, text ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

bool ListHolds(const QString &list, const DnsRecord &record) {
    const QList<DnsRecord> records = SplitRecordList(list);
    return std::any_of(records.cbegin(), records.cend(),
                       [&record](const DnsRecord &r) { return SameRecord(r, record); });
}

QList<DnsRecord> SplitRecordList(const QString &list) {
    QList<DnsRecord> records;
    if (list.isEmpty())
        return records;
    const QStringList texts = list.split(QLatin1String(kRecordSeparator), Qt::KeepEmptyParts);
    for (const QString &text : texts) {
        const QStringList fields = text.split(QLatin1String(kFieldSeparator), Qt::KeepEmptyParts);
        if (fields.size() < 4)
            continue;
        records.append({fields.at(0), fields.at(1), fields.at(2), fields.at(3)});
    }
    return records;
}

QString JoinRecordList(const QList<DnsRecord> &records) {
    QStringList texts;
    texts.reserve(records.size());
    for (const DnsRecord &r : records)
        texts.append(QStringList{r.domain, r.recordType, r.name, r.address}.join(
            QLatin1String(kFieldSeparator)));
    return texts.join(QLatin1String(kRecordSeparator));
}

} // namespace pellmarch::protocol
