#pragma once

#include "protocol/Endpoints.h"
#include "protocol/ExchangeLog.h"
#include "protocol/Outcome.h"
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

    // What one record command came to.
    struct CommandResult {
        Outcome outcome = Outcome::Unknown;
        // What a message box says of it, when there is anything to say.
        std::optional<QString> message;
        // The reason the service gave for a refusal, as the user may read it (empty without one).
        QString reason;
        // The service's record list, as a done answer carried it (nullopt when it carried none).
        std::optional<QString> records;
        // Something came back, the service's answer or not (an unknown outcome may have none).
        bool answered = false;

        bool done() const { return outcome == Outcome::Done; }
    };

    // Adds ("RECORDADD") or deletes ("RECORDDELETE") one record. An empty `name` stands for the
    // domain itself and becomes "@", in the caller's variable too. When done, the user record
    // takes the answer's record list and `address`, and (outside own-sub-domain mode) the
    // automatic-resolution list follows; otherwise neither changes. With `showMessages` the
    // outcome is reported in a message box. The texts are taken by value, so the command sent
    // and recorded is the one asked for even when the caller's variables change while the
    // request runs.
    CommandResult SendRecordCommand(QString domain, QString &name, QString command,
                                    QString recordType, QString address, bool showMessages,
                                    bool autoResolution);
    // SendRecordCommand without the message box: the message is handed back instead, so that
    // the caller can first set right what a failure left wrong.
    CommandResult RunRecordCommand(QString domain, QString &name, QString command,
                                   QString recordType, QString address, bool autoResolution);
    // Shows the result's message, if it has one.
    void ReportOutcome(const CommandResult &result);

    // The address from which the service sees this machine, or empty text when there is none.
    // On success the answer's record list replaces the user record's. Sends no password.
    QString QueryPublicAddress();

    // The record list that the answer to the last exchange carried: the service's own word on
    // the records it holds now. Nullopt when that exchange brought none (no answer, a refusal,
    // an answer without the list), which says nothing about any record.
    const std::optional<QString> &freshRecordList() const { return m_freshList; }

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
    std::optional<QString> m_freshList;
};

} // namespace pellmarch::protocol
