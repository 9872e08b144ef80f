#include "protocol/RecordList.h"

#include <QStringList>

namespace pellmarch::protocol {

QString HostName(const QString &name, const QString &domain) {
    if (name.isEmpty() || name == QLatin1String(kRootName))
        return domain;
    if (domain.isEmpty())
        return name;
    return name + QLatin1Char('.') + domain;
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
