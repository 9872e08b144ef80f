#pragma once

#include <QString>

namespace pellmarch::protocol {

// A value as it travels in a query: percent-encoded, so that "&", "=", "#", "+", "%", spaces and
// non-ASCII characters arrive intact and can never start a key of their own. Letters, digits and
// "-._~@:/,!$'()*" stay literal.
QString EncodeQueryValue(const QString &value);

// The query strings of the three requests, keys in their fixed order and spelling.
QString LoginQuery(const QString &username, const QString &password);
QString RecordCommandQuery(const QString &username, const QString &password, const QString &name,
                           const QString &domain, const QString &command, const QString &recordType,
                           const QString &address);
QString AddressQuery(const QString &username);

} // namespace pellmarch::protocol
