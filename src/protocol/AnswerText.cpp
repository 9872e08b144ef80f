#include "protocol/AnswerText.h"

namespace pellmarch::protocol {

namespace {
const QString kValueEnd = QStringLiteral("</p");
const QString kSuccess = QStringLiteral("SUCCESS");
const QString kFailurePrefix = QStringLiteral("UN");
} // namespace

std::optional<QString> GetField(const QString &answer, const QString &key) {
    const qsizetype at = answer.indexOf(key, 0, Qt::CaseSensitive);
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

QStringList SplitListPieces(const QString &list) {
    if (list.isEmpty())
        return {};
    return list.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

} // namespace pellmarch::protocol
