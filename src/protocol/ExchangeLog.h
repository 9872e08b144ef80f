#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace pellmarch::protocol {

// One exchange with the service as the history keeps it: what was asked, about which record,
// and what came of it. Built from the request's parts, never from its address, which carries
// the password.
struct Exchange {
    enum class Kind {
        Login,
        RecordAdd,
        RecordDelete,
        AddressQuery,
        Wait, // a refused change set to wait before its next try; no request went out
    };
    enum class Result {
        Success,
        Refused,  // the service answered, but not with success; `reason` says why when it can
        NoAnswer, // nothing came back
    };

    QDateTime time{}; // UTC
    Kind kind = Kind::AddressQuery;
    QString domain{};
    QString recordType{};
    QString name{}; // the user name for a login
    QString address{};
    Result result = Result::Success;
    QString reason{};       // the service's "Error:" reason of a refusal
    int waitTicks = 0;      // for a wait: the refreshes let pass before the next try
    bool automatic = false; // sent by the refresh, not asked for by the subscriber
    // For an address query: a digest of the record list its answer carried (empty when it
    // carried none), to tell a query that brought nothing new without keeping the list.
    QByteArray recordsDigest{};
    // Routine checks: address queries in a row that brought nothing new, kept as one entry that
    // counts them (`time` the last of them, `since` the first). Zero for an entry of its own.
    int checks = 0;
    QDateTime since{};

    friend bool operator==(const Exchange &, const Exchange &) = default;
};

// Where every exchange with the service is written down as it ends.
class ExchangeLog {
public:
    virtual ~ExchangeLog() = default;
    virtual void record(const Exchange &exchange) = 0;

    // A log that keeps nothing, for runs and tests that want no history.
    static ExchangeLog &none();
};

// The digest of a record list as an answer carried it; empty when it carried none.
QByteArray RecordsDigest(const std::optional<QString> &records);

// `text` with every occurrence of `password` blotted out: as typed, as it travels in a query
// (encoded in any of the usual ways) and as a web page quotes it. The service may quote the
// request in its reasons.
QString WithoutPassword(QString text, const QString &password);

// What the service wrote as a reason, fit to be shown and kept: without the password, and cut
// to a line's length (a service that answers with pages of it is cut short).
QString ServiceReason(const QString &reason, const QString &password);

} // namespace pellmarch::protocol
