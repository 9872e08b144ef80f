#include "protocol/LoginExchange.h"

#include "platform/WebRequest.h"
#include "protocol/AnswerText.h"
#include "protocol/Queries.h"

namespace pellmarch::protocol {

namespace {

void fillUserRecord(clsUser &user, const QString &username, const QString &password,
                    const QString &answer) {
    const auto field = [&answer](const char *key) {
        return NullTrim(GetField(answer, QLatin1String(key)));
    };
    user.sUsername = username;
    user.sFirstName = field("FirstName:");
    user.sLastName = field("LastName:");
    user.sDomainList = field("Domains:");
    user.sSubDomain = field("SubDomain:");
    user.sRecordTypeList = field("RecordTypes:");
    user.sPassword = password;
    // Only an address counts as the address; anything else the answer says there is none.
    const QString address = field("IPAddress:");
    user.sIPAddress = IsDottedIPv4(address) ? address : QString();
    user.sDomainUserRecords = field("DomainUserRecords:");
}

} // namespace

LoginOutcome RunLoginExchange(platform::WebRequest &web, const Endpoints &endpoints, clsUser &user,
                              const QString &username, const QString &password, ExchangeLog &log) {
    const platform::WebAnswer answer =
        web.fetch(endpoints.serviceUrl(LoginQuery(username, password)));
    Exchange exchange{
        .time = QDateTime::currentDateTimeUtc(), .kind = Exchange::Kind::Login, .name = username};
    if (answer.failed || answer.body.isEmpty()) {
        exchange.result = Exchange::Result::NoAnswer;
        log.record(exchange);
        return LoginOutcome::Unreachable;
    }

    const std::optional<QString> outcome = GetField(answer.body, QStringLiteral("DNS LOGIN:"));
    if (!outcome || *outcome != QLatin1String("SUCCESS")) {
        exchange.result = Exchange::Result::Refused;
        exchange.reason = ServiceReason(
            GetField(answer.body, QStringLiteral("Error:")).value_or(QString()), password);
        log.record(exchange);
        return LoginOutcome::Rejected;
    }

    fillUserRecord(user, username, password, answer.body);
    exchange.address = user.sIPAddress;
    log.record(exchange);
    return LoginOutcome::Accepted;
}

} // namespace pellmarch::protocol
