// The automatic-resolution list under any sequence of successful record commands.
//
// Input: a sequence of commands. Each takes a byte for the command word and the mark, then four
// fields, each either one of a few look-alike values (so that keys collide, differ only in
// case or spaces, or end with one another) or a short text from the input.
#include "FuzzCheck.h"

#include "protocol/AutoIPList.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>

#include <algorithm>
#include <vector>

using namespace pellmarch::protocol;

namespace {

const QStringList kLookAlikes{
    QStringLiteral("acme.test"),  QStringLiteral("ACME.test"),   QStringLiteral(" acme.test "),
    QStringLiteral("me.test"),    QStringLiteral("e.test"),      QStringLiteral(""),
    QStringLiteral("A"),          QStringLiteral("a"),           QStringLiteral("MX"),
    QStringLiteral("www"),        QStringLiteral("@"),           QStringLiteral("203.0.113.10"),
    QStringLiteral("3.0.113.10"), QStringLiteral("203.0.113.1"), QStringLiteral("ß"),
    QStringLiteral("ss"),
};

const QStringList kCommands{QStringLiteral("RECORDADD"),    QStringLiteral("recordadd"),
                            QStringLiteral("RECORDDELETE"), QStringLiteral("RecordDelete"),
                            QStringLiteral("RECORDADD "),   QStringLiteral("")};

QString field(FuzzedDataProvider &in) {
    const uint8_t pick = in.ConsumeIntegral<uint8_t>();
    if (pick < 200)
        return kLookAlikes.at(pick % kLookAlikes.size());
    const std::string text = in.ConsumeRandomLengthString(24);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    AutoIPList list;
    // What the list must hold: its keys in the order they were first marked.
    std::vector<QString> expected;
    bool keysSplittable = true; // no "~" in any field: the text splits back into its keys

    while (in.remaining_bytes() > 0) {
        const uint8_t op = in.ConsumeIntegral<uint8_t>();
        const QString command = kCommands.at((op >> 1) % kCommands.size());
        const bool mark = op & 1;
        const QString domain = field(in), type = field(in), name = field(in), address = field(in);
        for (const QString &f : {domain, type, name, address})
            keysSplittable = keysSplittable && !f.contains(QLatin1Char('~'));

        const QString key = RecordKey(domain, type, name, address);
        const auto at = std::find(expected.begin(), expected.end(), key);
        const QString verb = command.toUpper();
        if (verb == QLatin1String("RECORDADD") && mark && at == expected.end())
            expected.push_back(key);
        else if (verb == QLatin1String("RECORDDELETE") && at != expected.end())
            expected.erase(at);
        list.UpdateAutoIPList(domain, name, command, type, address, mark);

        const QString what = QStringLiteral("%1 %2 [%3|%4|%5|%6]")
                                 .arg(command, mark ? QStringLiteral("marked") : QString(), domain,
                                      type, name, address);
        FUZZ_REQUIRE(list.size() == qsizetype(expected.size()), what);
        QString text;
        for (const QString &k : expected) {
            FUZZ_REQUIRE(list.contains(k), what + QStringLiteral(" lost ") + k);
            text += k;
        }
        FUZZ_REQUIRE(list.sAutoIPRecords() == text, what + QStringLiteral(" -> ") + text);
        const bool listed = std::find(expected.begin(), expected.end(), key) != expected.end();
        FUZZ_REQUIRE(list.contains(key) == listed, what);
        FUZZ_REQUIRE(list.isMarked(domain, type, name, address) == listed, what);
        // The same record in other letter case and with spaces around is the same record.
        FUZZ_REQUIRE(list.isMarked(domain.toLower() + QLatin1Char(' '), type, name,
                                   QLatin1Char(' ') + address) == listed ||
                         domain.toLower().toUpper() != domain.toUpper(),
                     what);
        if (keysSplittable) {
            // The text holds as many keys as the list counts, each one the list contains.
            QStringList keys = list.sAutoIPRecords().split(QLatin1String("~~"));
            FUZZ_REQUIRE(keys.takeLast().isEmpty(), what);
            FUZZ_REQUIRE(keys.size() == list.size(), what);
            for (const QString &k : keys)
                FUZZ_REQUIRE(list.contains(k + QLatin1String("~~")), what);
        }
    }
    return 0;
}
