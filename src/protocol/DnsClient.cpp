#include "protocol/DnsClient.h"

#include "platform/MessageBoxes.h"
#include "platform/WebRequest.h"
#include "protocol/AnswerText.h"
#include "protocol/AutoIPList.h"
#include "protocol/ConnectionIndicator.h"
#include "protocol/Queries.h"
#include "protocol/RecordList.h"

namespace pellmarch::protocol {

namespace {
const QString kRecordListKey = QStringLiteral("DomainUserRecords:");
const QString kErrorKey = QStringLiteral("Error:");
const QString kAddressKey = QStringLiteral("IPAddress:");
constexpr qsizetype kLongestReason = 500;
} // namespace

DnsClient::DnsClient(platform::WebRequest &web, platform::MessageBoxes &boxes,
                     ConnectionIndicator &indicator, protocol::clsUser &user, AutoIPList &autoIP,
                     Endpoints endpoints, ExchangeLog &log)
    : m_web(web), m_boxes(boxes), m_indicator(indicator), m_user(user), m_autoIP(autoIP),
      m_endpoints(std::move(endpoints)), m_log(log) {}

void DnsClient::log(Exchange exchange) {
    exchange.time = QDateTime::currentDateTimeUtc();
    exchange.automatic = m_automatic;
    // A reason is a line of text; a service that answers with pages of it is cut short.
    exchange.reason = WithoutPassword(exchange.reason, m_user.sPassword).left(kLongestReason);
    m_log.record(exchange);
}

bool DnsClient::SendRecordCommand(QString domain, QString &nameVariable, QString command,
                                  QString recordType, QString address, bool showMessages,
                                  bool autoResolution) {
    const Outcome outcome =
        RunRecordCommand(std::move(domain), nameVariable, std::move(command), std::move(recordType),
                         std::move(address), autoResolution);
    if (showMessages)
        ReportOutcome(outcome);
    return outcome.succeeded;
}

void DnsClient::ReportOutcome(const Outcome &outcome) {
    if (outcome.message)
        m_boxes.inform(*outcome.message);
}

DnsClient::Outcome DnsClient::RunRecordCommand(QString domain, QString &nameVariable,
                                               QString command, QString recordType, QString address,
                                               bool autoResolution) {
    // The texts are copies: while the request runs, timer events may change the caller's
    // variables (the user record's address among them), and the command must not follow.
    if (nameVariable.isEmpty())
        nameVariable = QLatin1String(kRootName);
    const QString name = nameVariable;

    // A failed fetch leaves the answer empty.
    const QString answer =
        m_web
            .fetch(m_endpoints.serviceUrl(RecordCommandQuery(
                m_user.sUsername, m_user.sPassword, name, domain, command, recordType, address)))
            .body;
    const bool removing = command == QLatin1String(kRecordDelete);
    Outcome outcome;
    outcome.answered = !answer.isEmpty();
    Exchange exchange{.kind = removing ? Exchange::Kind::RecordDelete : Exchange::Kind::RecordAdd,
                      .domain = domain,
                      .recordType = recordType,
                      .name = name,
                      .address = address};

    if (!IsSuccessAnswer(answer)) {
        exchange.result = outcome.answered ? Exchange::Result::Refused : Exchange::Result::NoAnswer;
        // An error reason that cannot be read means no message at all.
        if (const std::optional<QString> reason = GetField(answer, kErrorKey)) {
            outcome.message = QStringLiteral("Could not ") +
                              (removing ? QStringLiteral("Remove") : QStringLiteral("Set")) +
                              QStringLiteral(" IP.  ") + *reason;
            exchange.reason = *reason;
        }
        log(exchange);
        UpdateIndicator(m_indicator, answer);
        return outcome;
    }

    log(exchange);
    outcome.succeeded = true;
    UpdateIndicator(m_indicator, answer);
    m_user.sIPAddress = address;
    if (const std::optional<QString> records = GetField(answer, kRecordListKey))
        m_user.sDomainUserRecords = *records;
    if (!m_user.bVerlundOnly)
        m_autoIP.UpdateAutoIPList(domain, name, command, recordType, address, autoResolution);
    outcome.message = QStringLiteral("Transaction Complete:\nIP ") +
                      (removing ? QStringLiteral("Removed") : QStringLiteral("Set")) +
                      QStringLiteral(" for Name:") + name + QStringLiteral(" IPAddress:") + address;
    return outcome;
}

QString DnsClient::QueryPublicAddress() {
    const QString answer = m_web.fetch(m_endpoints.serviceUrl(AddressQuery(m_user.sUsername))).body;
    Exchange exchange{.kind = Exchange::Kind::AddressQuery, .name = m_user.sUsername};
    if (!IsSuccessAnswer(answer)) {
        exchange.result = answer.isEmpty() ? Exchange::Result::NoAnswer : Exchange::Result::Refused;
        exchange.reason = GetField(answer, kErrorKey).value_or(QString());
        log(exchange);
        UpdateIndicator(m_indicator, answer);
        return {};
    }
    // An address that cannot be read, or that is no dotted IPv4 address, is no address: the
    // caller moves nothing and keeps showing the address it had.
    QString address = GetField(answer, kAddressKey).value_or(QString());
    if (!IsDottedIPv4(address))
        address.clear();
    exchange.address = address;
    log(exchange);
    UpdateIndicator(m_indicator, answer);
    if (const std::optional<QString> records = GetField(answer, kRecordListKey))
        m_user.sDomainUserRecords = *records;
    return address;
}

} // namespace pellmarch::protocol
