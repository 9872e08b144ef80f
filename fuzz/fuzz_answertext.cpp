// Answer parsing: GetField, NullTrim and IsSuccessAnswer against any answer text.
//
// Input: an answer, optionally preceded by a key and a NUL byte ("Error:\0<p>Error: x</p>").
// Every input is also read with the keys the program reads from the service.
#include "FuzzCheck.h"

#include "protocol/AnswerText.h"

#include <QStringList>

using namespace pellmarch::protocol;
using pellmarch::fuzz::textOf;

namespace {

// Where `key` occurs whole in `answer` (at the start, or after a character that is neither a
// letter nor a digit), first such place; -1 when nowhere. Written position by position, apart
// from the code's search, so the two can be compared.
qsizetype wholeKeyAt(const QString &answer, const QString &key) {
    for (qsizetype at = 0; at + key.size() <= answer.size(); ++at) {
        if (QStringView(answer).sliced(at, key.size()) != key)
            continue;
        // The character before, as a code point: a letter beyond the basic plane is a pair.
        char32_t before = at == 0 ? U' ' : answer.at(at - 1).unicode();
        if (at >= 2 && answer.at(at - 1).isLowSurrogate() && answer.at(at - 2).isHighSurrogate())
            before = QChar::surrogateToUcs4(answer.at(at - 2), answer.at(at - 1));
        if (!QChar::isLetterOrNumber(before))
            return at;
    }
    return -1;
}

void checkGetField(const QString &answer, const QString &key) {
    const std::optional<QString> value = GetField(answer, key);
    const QString what = QStringLiteral("key [%1] answer [%2]").arg(key, answer);
    if (key.isEmpty()) {
        FUZZ_REQUIRE(value && value->isEmpty(), what);
        return;
    }
    const qsizetype at = wholeKeyAt(answer, key);
    if (at < 0) {
        // Absent: empty text, never "no value".
        FUZZ_REQUIRE(value && value->isEmpty(), what);
        return;
    }
    const qsizetype start = at + key.size();
    const qsizetype end = answer.indexOf(QLatin1String("</p"), start);
    if (end < 0) {
        FUZZ_REQUIRE(!value, what);
        return;
    }
    FUZZ_REQUIRE(value.has_value(), what);
    // The value is the text between the key and the first "</p" after it, spaces trimmed.
    const QString raw = answer.mid(start, end - start);
    FUZZ_REQUIRE(!value->contains(QLatin1String("</p")), what);
    FUZZ_REQUIRE(!value->startsWith(QLatin1Char(' ')) && !value->endsWith(QLatin1Char(' ')), what);
    FUZZ_REQUIRE(NullTrim(raw) == *value, what);
}

void checkNullTrim(const QString &text) {
    const QString trimmed = NullTrim(text);
    const QString what = QStringLiteral("[%1] -> [%2]").arg(text, trimmed);
    FUZZ_REQUIRE(!trimmed.startsWith(QLatin1Char(' ')) && !trimmed.endsWith(QLatin1Char(' ')),
                 what);
    // Only spaces go, and only at the ends: the text is spaces + result + spaces.
    const qsizetype lead = text.indexOf(trimmed);
    FUZZ_REQUIRE(lead >= 0, what);
    const QString before = text.left(lead);
    const QString after = text.mid(lead + trimmed.size());
    FUZZ_REQUIRE(before.count(QLatin1Char(' ')) == before.size(), what);
    FUZZ_REQUIRE(after.count(QLatin1Char(' ')) == after.size(), what);
    FUZZ_REQUIRE(!trimmed.isEmpty() || text.count(QLatin1Char(' ')) == text.size(), what);
    FUZZ_REQUIRE(NullTrim(trimmed) == trimmed, what);
    FUZZ_REQUIRE(NullTrim(std::nullopt).isEmpty(), what);
}

void checkSuccess(const QString &answer) {
    // "SUCCESS" somewhere not right after "UN".
    bool expected = false;
    for (qsizetype at = 0; at + 7 <= answer.size(); ++at)
        if (QStringView(answer).sliced(at, 7) == QLatin1String("SUCCESS") &&
            !(at >= 2 && QStringView(answer).sliced(at - 2, 2) == QLatin1String("UN")))
            expected = true;
    const QString what = QStringLiteral("answer [%1]").arg(answer);
    FUZZ_REQUIRE(IsSuccessAnswer(answer) == expected, what);
    // A success stays one whatever follows; a failure reason added never turns it around.
    FUZZ_REQUIRE(IsSuccessAnswer(answer + QStringLiteral("<p>Result: SUCCESS</p>")), what);
    FUZZ_REQUIRE(IsSuccessAnswer(answer + QStringLiteral("<p>Error: UNSUCCESSFUL</p>")) == expected,
                 what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString input = textOf(data, size);
    static const QStringList readKeys{QStringLiteral("IPAddress:"),
                                      QStringLiteral("DomainUserRecords:"),
                                      QStringLiteral("Error:"), QStringLiteral("DNS LOGIN:")};
    const qsizetype nul = input.indexOf(QChar(0));
    const QString answer = nul >= 0 ? input.mid(nul + 1) : input;
    if (nul >= 0)
        checkGetField(answer, input.left(nul));
    for (const QString &key : readKeys)
        checkGetField(answer, key);
    checkNullTrim(answer);
    checkSuccess(answer);
    return 0;
}
