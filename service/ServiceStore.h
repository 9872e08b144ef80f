#pragma once

#include "protocol/RecordList.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace verlund {

struct Subscriber {
    QString username;
    QString password;
    QString firstName;
    QString lastName;
    QString domains;         // comma-separated, the domains of his own
    QString recordTypes;     // comma-separated, the record types he may use
    QString subDomain;       // the service domain that holds his own host name; empty when none
    QString addressOverride; // the address to report instead of the caller's; empty when none
};

using pellmarch::protocol::DnsRecord;

// The stand-in service's SQLite database: subscribers and their DNS records. Each instance
// holds its own connection, so several processes (or tests) can share one file.
class ServiceStore {
public:
    explicit ServiceStore(const QString &databasePath);
    ~ServiceStore();
    ServiceStore(const ServiceStore &) = delete;
    ServiceStore &operator=(const ServiceStore &) = delete;

    // Opens the file and creates the tables when they are missing; false with `error` set
    // when the database cannot be used.
    bool open(QString *error = nullptr);

    // Creates the subscriber or replaces every field of an existing one.
    bool putSubscriber(const Subscriber &subscriber);
    std::optional<Subscriber> subscriber(const QString &username);
    // The subscriber when the password is his; nullopt otherwise.
    std::optional<Subscriber> authenticate(const QString &username, const QString &password);
    bool setAddressOverride(const QString &username, const QString &address);

    // The subscriber's records: those in his own domains, and his own host name.
    QList<DnsRecord> records(const Subscriber &subscriber);

    enum class Change { Done, AlreadyThere, Missing, Failed };
    Change addRecord(const DnsRecord &record);
    Change deleteRecord(const DnsRecord &record);
    // Makes `record` the only one of its domain, type and name, in one transaction: Done, or
    // AlreadyThere when it was already the only one.
    Change replaceRecord(const DnsRecord &record);

    // Two demo subscribers: "demo" with an own host name, "acme" with domains of his own.
    bool seedDemo();

private:
    bool exec(const QString &statement);
    // Makes a records table of an earlier version compare values exactly.
    bool caseExactValues();

    QString m_connectionName;
    QSqlDatabase m_db;
};

} // namespace verlund
