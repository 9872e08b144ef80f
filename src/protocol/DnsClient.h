#pragma once

#include "protocol/Endpoints.h"
#include "protocol/ExchangeLog.h"
#include "protocol/clsUser.h"

#include <QString>

#include <optional>

namespace pellmarch::platform {
class WebRequest;
class MessageBoxes;
} // namespace pellmarch::platform

namespace pellmarch::protocol {

class AutoIPList;
class ConnectionIndicator;

// The service routines that change the subscriber's records and learn the public address.
// Both keep the user record current from the answers and drive the connection indicator.
class DnsClient {
public:
    DnsClient(platform::WebRequest &web, platform::MessageBoxes &boxes,
              ConnectionIndicator &indicator, protocol::clsUser &user, AutoIPList &autoIP,
              Endpoints endpoints, ExchangeLog &log = ExchangeLog::none());

    // While one lives, the exchanges are the refresh's own, not the subscriber's.
    class Automatic {
    public:
        explicit Automatic(DnsClient &client) : m_client(client), m_was(client.m_automatic) {
            client.m_automatic = true;
        }
        ~Automatic() { m_client.m_automatic = m_was; }
        Automatic(const Automatic &) = delete;
        Automatic &operator=(const Automatic &) = delete;

    private:
        DnsClient &m_client;
        bool m_was;
    };

    // Adds ("RECORDADD") or deletes ("RECORDDELETE") one record. An empty `name` stands for the
    // domain itself and becomes "@", in the caller's variable too. On success the user record
    // takes the answer's record list and `address`, and (outside own-sub-domain mode) the
    // automatic-resolution list follows; a failure changes neither. With `showMessages` the
    // outcome is reported in a message box. True when the service reported success. The texts
    // are taken by value, so the command sent and recorded is the one asked for even when the
    // caller's variables change while the request runs.
    bool SendRecordCommand(QString domain, QString &name, QString command, QString recordType,
                           QString address, bool showMessages, bool autoResolution);

    // What one record command came to, for a caller that reports it later (or not at all).
    struct Outcome {
        bool succeeded = false;
        bool answered = false;          // the service answered; without it the outcome is unknown
        std::optional<QString> message; // what a message box would say, when there is anything
    };
    // SendRecordCommand without the message box: the message is handed back instead, so that
    // the caller can first set right what a failure left wrong.
    Outcome RunRecordCommand(QString domain, QString &name, QString command, QString recordType,
                             QString address, bool autoResolution);
    // Shows the outcome's message, if it has one.
    void ReportOutcome(const Outcome &outcome);

    // The address from which the service sees this machine, or empty text when there is none.
    // On success the answer's record list replaces the user record's. Sends no password.
    QString QueryPublicAddress();

private:
    // Writes the exchange down, its reason without the password.
    void log(Exchange exchange);

    platform::WebRequest &m_web;
    platform::MessageBoxes &m_boxes;
    ConnectionIndicator &m_indicator;
    protocol::clsUser &m_user;
    AutoIPList &m_autoIP;
    Endpoints m_endpoints;
    ExchangeLog &m_log;
    bool m_automatic = false;
};

} // namespace pellmarch::protocol
