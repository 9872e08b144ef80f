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
} // namespace

DnsClient::DnsClient(platform::WebRequest &web, platform::MessageBoxes &boxes,
                     ConnectionIndicator &indicator, protocol::clsUser &user, AutoIPList &autoIP,
                     Endpoints endpoints, ExchangeLog &log)
    : m_web(web), m_boxes(boxes), m_indicator(indicator), m_user(user), m_autoIP(autoIP),
      m_endpoints(std::move(endpoints)), m_log(log) {}

void DnsClient::log(Exchange exchange) {
    exchange.time = QDateTime::currentDateTimeUtc();
    exchange.automatic = m_automatic;
    exchange.reason = ServiceReason(exchange.reason, m_user.sPassword);
    m_log.record(exchange);
}

DnsClient::CommandResult DnsClient::SendRecordCommand(QString domain, QString &nameVariable,
                                                      QString command, QString recordType,
                                                      QString address, bool showMessages,
                                                      bool autoResolution) {
    CommandResult result =
        RunRecordCommand(std::move(domain), nameVariable, std::move(command), std::move(recordType),
                         std::move(address), autoResolution);
    if (showMessages)
        ReportOutcome(result);
    return result;
}

void DnsClient::ReportOutcome(const CommandResult &result) {
    if (result.message)
        m_boxes.inform(*result.message);
}

DnsClient::CommandResult DnsClient::RunRecordCommand(QString domain, QString &nameVariable,
                                                     QString command, QString recordType,
                                                     QString address, bool autoResolution) {
    // The texts are copies: while the request runs, timer events may change the caller's
    // variables (the user record's address among them), and the command must not follow.
    if (nameVariable.isEmpty())
        nameVariable = QLatin1String(kRootName);
    const QString name = nameVariable;

    m_freshList.reset();
    const platform::WebAnswer fetched = m_web.fetch(m_endpoints.serviceUrl(RecordCommandQuery(
        m_user.sUsername, m_user.sPassword, name, domain, command, recordType, address)));
    // A failed fetch leaves the answer empty.
    const QString &answer = fetched.body;
    const bool removing = command == QLatin1String(kRecordDelete);
    CommandResult result;
    result.outcome = OutcomeOf(fetched, IsSuccessAnswer(answer));
    result.answered = !answer.isEmpty();
    Exchange exchange{.kind = removing ? Exchange::Kind::RecordDelete : Exchange::Kind::RecordAdd,
                      .domain = domain,
                      .recordType = recordType,
                      .name = name,
                      .address = address};

    if (!result.done()) {
        exchange.result = result.outcome == Outcome::Refused ? Exchange::Result::Refused
                                                             : Exchange::Result::NoAnswer;
        // An error reason that cannot be read means no message at all.
        if (const std::optional<QString> reason = GetField(answer, kErrorKey)) {
            result.reason = ServiceReason(*reason, m_user.sPassword);
            result.message = QStringLiteral("Could not ") +
                             (removing ? QStringLiteral("Remove") : QStringLiteral("Set")) +
                             QStringLiteral(" IP.  ") + result.reason;
            exchange.reason = *reason;
        }
        log(exchange);
        UpdateIndicator(m_indicator, answer);
        return result;
    }

    log(exchange);
    UpdateIndicator(m_indicator, answer);
    m_user.sIPAddress = address;
    // An answer without the list leaves the user record's list empty, as it always has; only
    // the list actually carried counts as the service's word.
    result.records = PresentField(answer, kRecordListKey);
    m_freshList = result.records;
    if (const std::optional<QString> records = GetField(answer, kRecordListKey))
        m_user.sDomainUserRecords = *records;
    if (!m_user.bVerlundOnly)
        m_autoIP.UpdateAutoIPList(domain, name, command, recordType, address, autoResolution);
    result.message = QStringLiteral("Transaction Complete:\nIP ") +
                     (removing ? QStringLiteral("Removed") : QStringLiteral("Set")) +
                     QStringLiteral(" for Name:") + name + QStringLiteral(" IPAddress:") + address;
    return result;
}

QString DnsClient::QueryPublicAddress() {
    m_freshList.reset();
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
    const std::optional<QString> list = PresentField(answer, kRecordListKey);
    exchange.recordsDigest = RecordsDigest(list);
    log(exchange);
    UpdateIndicator(m_indicator, answer);
    m_freshList = list;
    if (const std::optional<QString> records = GetField(answer, kRecordListKey))
        m_user.sDomainUserRecords = *records;
    return address;
}

} // namespace pellmarch::protocol
