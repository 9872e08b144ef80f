#include "protocol/ExchangeLog.h"

#include "protocol/Queries.h"

namespace pellmarch::protocol {

namespace {
class NoLog final : public ExchangeLog {
public:
    void record(const Exchange &) override {}
};
const QString kBlotted = QStringLiteral("********");
} // namespace

ExchangeLog &ExchangeLog::none() {
    static NoLog log;
    return log;
}

QString WithoutPassword(QString text, const QString &password) {
    if (password.isEmpty())
        return text;
    // The encoded form first: it may contain the plain one ("a b" travels as "a%20b").
    text.replace(EncodeQueryValue(password), kBlotted, Qt::CaseInsensitive);
    text.replace(password, kBlotted);
    return text;
}

} // namespace pellmarch::protocol
