#pragma once

#include <QList>
#include <QString>

namespace pellmarch::protocol {

// One DNS record as the service lists it. Fields hold the list's text exactly, untrimmed.
struct DnsRecord {
    QString domain;
    QString recordType;
    QString name; // "@" stands for the domain itself
    QString address;

    bool operator==(const DnsRecord &) const = default;
};

inline constexpr char kRecordSeparator[] = "~~";
inline constexpr char kFieldSeparator[] = ";;";
inline constexpr char kRootName[] = "@";

// A record's host name as the subscriber knows it: "www.example.com", or "example.com" for "@".
QString HostName(const QString &name, const QString &domain);

// Whether two records are the same record as a DNS service holds it: domain, record type and
// name without regard to letter case (names are case-insensitive) or a final dot, the value
// exactly for text records ("p=abc" is not "p=AbC") and like a name for every other type (an
// address or a host name). Surrounding spaces do not count.
bool SameRecord(const DnsRecord &a, const DnsRecord &b);

// Whether `list` holds `record`.
bool ListHolds(const QString &list, const DnsRecord &record);

// The records of a record list ("~~" between records, ";;" between fields), in list order.
// A record with fewer than four fields cannot name a record and is skipped; fields beyond the
// fourth are ignored. Empty text is no records.
QList<DnsRecord> SplitRecordList(const QString &list);

// The list text for `records`, the inverse of SplitRecordList for well-formed records.
QString JoinRecordList(const QList<DnsRecord> &records);

} // namespace pellmarch::protocol
