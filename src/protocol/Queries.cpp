#include "protocol/Queries.h"

#include <QUrl>

#include <initializer_list>
#include <utility>

namespace pellmarch::protocol {

namespace {

using Pair = std::pair<const char *, const QString *>;

// "?" + first pair, then "&" + every further pair; keys as given, values encoded.
QString buildQuery(const char *function, std::initializer_list<Pair> pairs) {
    QString query = QLatin1String(function);
    for (const auto &[key, value] : pairs)
        query +=
            QLatin1Char('&') + QLatin1String(key) + QLatin1Char('=') + EncodeQueryValue(*value);
    return query;
}

} // namespace

QString EncodeQueryValue(const QString &value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value, "@:/,!$'()*"));
}

QString LoginQuery(const QString &username, const QString &password) {
    return buildQuery("?fxn=login", {{"usr", &username}, {"pwd", &password}});
}

QString RecordCommandQuery(const QString &username, const QString &password, const QString &name,
                           const QString &domain, const QString &command, const QString &recordType,
                           const QString &address) {
    return buildQuery("?FXN=DNSTickler", {{"Usr", &username},
                                          {"Pwd", &password},
                                          {"Cname", &name},
                                          {"Domain", &domain},
                                          {"DNSCommand", &command},
                                          {"RecordType", &recordType},
                                          {"IPAddress", &address}});
}

QString AddressQuery(const QString &username) {
    return buildQuery("?FXN=GetIPAddress", {{"Usr", &username}});
}

} // namespace pellmarch::protocol
