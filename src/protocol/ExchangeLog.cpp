#include "protocol/ExchangeLog.h"

#include "protocol/Queries.h"

#include <QCryptographicHash>
#include <QUrl>

namespace pellmarch::protocol {

namespace {
class NoLog final : public ExchangeLog {
public:
    void record(const Exchange &) override {}
};
const QString kBlotted = QStringLiteral("********");
constexpr qsizetype kLongestReason = 500;
} // namespace

ExchangeLog &ExchangeLog::none() {
    static NoLog log;
    return log;
}

QByteArray RecordsDigest(const std::optional<QString> &records) {
    // Compared within a run only, never kept: any digest that tells lists apart will do.
    return records ? QCryptographicHash::hash(records->toUtf8(), QCryptographicHash::Sha1)
                   : QByteArray();
}

QString WithoutPassword(QString text, const QString &password) {
    if (password.isEmpty())
        return text;
    // The longer forms first: they may contain the plain one ("a b" travels as "a%20b"). As it
    // was sent, as any encoder would send it, as a form sends a space, and as a web page
    // quotes it.
    QString formEncoded = QString::fromLatin1(QUrl::toPercentEncoding(password, " "));
    formEncoded.replace(QLatin1Char(' '), QLatin1Char('+'));
    for (const QString &form :
         {EncodeQueryValue(password), QString::fromLatin1(QUrl::toPercentEncoding(password)),
          formEncoded, password.toHtmlEscaped()})
        text.replace(form, kBlotted, Qt::CaseInsensitive);
    text.replace(password, kBlotted);
    return text;
}

QString ServiceReason(const QString &reason, const QString &password) {
    return WithoutPassword(reason, password).left(kLongestReason);
}

} // namespace pellmarch::protocol
