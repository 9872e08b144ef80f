#include "protocol/AnswerText.h"

namespace pellmarch::protocol {

namespace {
const QString kValueEnd = QStringLiteral("</p");
const QString kSuccess = QStringLiteral("SUCCESS");
const QString kFailurePrefix = QStringLiteral("UN");
// Whether `text` ends in a letter or digit, of any script (one outside the basic plane is a
// surrogate pair).
bool endsInLetterOrDigit(QStringView text) {
    const QChar last = text.back();
    if (last.isLowSurrogate() && text.size() >= 2 && text.at(text.size() - 2).isHighSurrogate())
        return QChar::isLetterOrNumber(QChar::surrogateToUcs4(text.at(text.size() - 2), last));
    return last.isLetterOrNumber();
}

// Where `key` stands whole in `answer`, or -1.
qsizetype findKey(const QString &answer, const QString &key) {
    qsizetype at = answer.indexOf(key, 0, Qt::CaseSensitive);
    // A key inside a longer key ("IPAddress:" in "GetIPAddress:") is not that key.
    while (at > 0 && endsInLetterOrDigit(QStringView(answer).first(at)))
        at = answer.indexOf(key, at + 1, Qt::CaseSensitive);
    return at;
}

} // namespace

std::optional<QString> GetField(const QString &answer, const QString &key) {
    if (key.isEmpty())
        return QString();
    const qsizetype at = findKey(answer, key);
    if (at < 0)
        return QString();
    const qsizetype start = at + key.size();
    // Record lists make answers long, and every record command's answer carries one: look for
    // the '<' of "</p" with the fast single-character search rather than the text search.
    const QStringView text(answer);
    qsizetype end = text.indexOf(QLatin1Char('<'), start);
    while (end >= 0 && !text.sliced(end).startsWith(kValueEnd))
        end = text.indexOf(QLatin1Char('<'), end + 1);
    if (end < 0)
        return std::nullopt;
    return NullTrim(answer.mid(start, end - start));
}

std::optional<QString> PresentField(const QString &answer, const QString &key) {
    if (key.isEmpty() || findKey(answer, key) < 0)
        return std::nullopt;
    return GetField(answer, key);
}

QString NullTrim(const std::optional<QString> &value) {
    if (!value)
        return {};
    const QString &text = *value;
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

bool IsSuccessAnswer(const QString &answer) {
    for (qsizetype at = answer.indexOf(kSuccess); at >= 0; at = answer.indexOf(kSuccess, at + 1)) {
        const bool negated = at >= kFailurePrefix.size() &&
                             QStringView(answer).sliced(at - kFailurePrefix.size(),
                                                        kFailurePrefix.size()) == kFailurePrefix;
        if (!negated)
            return true;
    }
    return false;
}

bool IsServiceAnswer(const QString &answer) {
    if (answer.contains(kFailurePrefix + kSuccess))
        return true;
    for (const char *key : {"Error:", "DNS LOGIN:", "IPAddress:", "DomainUserRecords:"}) {
        // Present whole, its value ended as the service ends values.
        if (PresentField(answer, QLatin1String(key)))
            return true;
    }
    return false;
}

bool IsDottedIPv4(QStringView text) {
    int parts = 0;
    qsizetype at = 0;
    while (parts < 4) {
        const qsizetype start = at;
        int number = 0;
        while (at < text.size() && at - start < 3 && text.at(at) >= QLatin1Char('0') &&
               text.at(at) <= QLatin1Char('9'))
            number = number * 10 + (text.at(at++).unicode() - '0');
        const qsizetype digits = at - start;
        if (digits == 0 || number > 255 || (digits > 1 && text.at(start) == QLatin1Char('0')))
            return false;
        if (++parts < 4) {
            if (at >= text.size() || text.at(at) != QLatin1Char('.'))
                return false;
            ++at;
        }
    }
    return at == text.size();
}

QStringList SplitListPieces(const QString &list) {
    if (list.isEmpty())
        return {};
    return list.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

} // namespace pellmarch::protocol
