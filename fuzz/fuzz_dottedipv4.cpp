// The address check: IsDottedIPv4 accepts exactly the texts that are an IPv4 address written
// the one canonical way (four decimal numbers 0-255, no leading zeros, nothing else).
#include "FuzzCheck.h"

#include "protocol/AnswerText.h"

#include <QHostAddress>

using namespace pellmarch::protocol;
using pellmarch::fuzz::textOf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = textOf(data, size);
    const bool accepted = IsDottedIPv4(text);

    // Qt's own parser is the judge: it reads an IPv4 address (in any of its accepted spellings)
    // and writes it back canonically. The canonical spelling, and only it, is an address here.
    QHostAddress parsed;
    const bool parses =
        parsed.setAddress(text) && parsed.protocol() == QAbstractSocket::IPv4Protocol;
    const bool canonical = parses && parsed.toString() == text;
    FUZZ_REQUIRE(accepted == canonical,
                 QStringLiteral("[%1] accepted %2, Qt reads %3")
                     .arg(text, accepted ? QStringLiteral("yes") : QStringLiteral("no"),
                          parses ? parsed.toString() : QStringLiteral("nothing")));

    if (accepted) {
        // Four numbers, three dots, digits only, no number with a leading zero.
        const QStringList parts = text.split(QLatin1Char('.'));
        FUZZ_REQUIRE(parts.size() == 4, text);
        for (const QString &part : parts) {
            bool ok = false;
            const int n = part.toInt(&ok);
            FUZZ_REQUIRE(ok && n >= 0 && n <= 255 && QString::number(n) == part, text);
        }
    }
    // What the check sees is the whole text: anything around an address makes it none.
    if (accepted) {
        FUZZ_REQUIRE(!IsDottedIPv4(text + QLatin1Char(' ')), text);
        FUZZ_REQUIRE(!IsDottedIPv4(QLatin1Char('0') + text), text);
    }
    return 0;
}
