#pragma once

#include "ServiceStore.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QUrlQuery>

#include <functional>

namespace verlund {

// A dotted-quad IPv4 address, four decimal numbers 0-255 without leading zeros.
bool IsIPv4Address(const QString &text);

// Why `subscriber` may not hold `record`, or empty text when he may: the domain must be one of
// his own (or his own host name in the service's sub-domain, an "A" record), the record type
// one he may use, the name a host name, and the address of an "A" record an IPv4 address.
// Refused as well: a field that would break the record list or the answer around it.
QString RecordProblem(const Subscriber &subscriber, const DnsRecord &record);

// Whether `record` is the subscriber's own host name: his user name in the service's
// sub-domain, an "A" record. It has one address at a time.
bool IsOwnHostName(const Subscriber &subscriber, const DnsRecord &record);

// The local stand-in for the hosted Verlund Dynamic DNS service: answers GET /dnslogin.asp
// the way the hosted endpoint does, and serves the web pages the client links to.
class VerlundService final : public QObject {
    Q_OBJECT
public:
    using Logger = std::function<void(const QString &line)>;

    explicit VerlundService(ServiceStore &store, QObject *parent = nullptr);

    // Starts listening; the port in use (useful with 0 for an ephemeral one), or 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

    // Where the one line per request goes; standard error unless set.
    void setLogger(Logger logger) { m_log = std::move(logger); }

    // The answer text to one request of the endpoint, from a caller at `peer`.
    QString answer(const QUrlQuery &query, const QHostAddress &peer);

    // The query as it may be logged: every password value masked.
    static QString maskedQuery(const QUrlQuery &query);

private:
    QString login(const QUrlQuery &query, const QHostAddress &peer);
    QString recordCommand(const QUrlQuery &query);
    QString publicAddress(const QUrlQuery &query, const QHostAddress &peer);
    QString seenAddress(const Subscriber &subscriber, const QHostAddress &peer) const;

    ServiceStore &m_store;
    QHttpServer m_server;
    Logger m_log;
};

} // namespace verlund
