// Prints what the automatic-resolution list costs with 100 and with 10,000 records listed:
// one UpdateAutoIPList (an add of a marked record and its delete) and one lookup of a row's
// record, as the record table does for every row of every load. The ratios 10,000 : 100 show
// whether the cost grows with the list.
#include "protocol/AutoIPList.h"

#include <QString>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

using pellmarch::protocol::AutoIPList;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 7;
constexpr int kOperations = 200000;

QString host(int i) {
    return QStringLiteral("host%1").arg(i);
}

AutoIPList listOf(int size) {
    AutoIPList list;
    for (int i = 0; i < size; ++i)
        list.UpdateAutoIPList(QStringLiteral("example.test"), host(i), QStringLiteral("RECORDADD"),
                              QStringLiteral("A"), QStringLiteral("203.0.113.7"), true);
    return list;
}

// Median nanoseconds per call of `operation` over kRounds rounds of kOperations calls.
template <typename Operation> double nanosecondsPerCall(Operation operation) {
    std::array<double, kRounds> rounds{};
    for (double &round : rounds) {
        const auto start = Clock::now();
        for (int i = 0; i < kOperations; ++i)
            operation(i);
        round =
            std::chrono::duration<double, std::nano>(Clock::now() - start).count() / kOperations;
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[kRounds / 2];
}

struct Figures {
    double update;
    double lookup;
};

Figures measure(int size) {
    AutoIPList list = listOf(size);
    const QString domain = QStringLiteral("example.test");
    const QString type = QStringLiteral("A");
    const QString address = QStringLiteral("203.0.113.7");
    const QString fresh = QStringLiteral("fresh");
    qsizetype found = 0; // keeps the lookups from being optimised away
    const Figures f{
        nanosecondsPerCall([&](int) {
            list.UpdateAutoIPList(domain, fresh, QStringLiteral("RECORDADD"), type, address, true);
            list.UpdateAutoIPList(domain, fresh, QStringLiteral("RECORDDELETE"), type, address,
                                  false);
        }) / 2,
        // Rows of a table: half of them listed, half not.
        nanosecondsPerCall([&](int i) {
            found += list.isMarked(domain, type, host(i % (2 * size)), address) ? 1 : 0;
        }),
    };
    if (found != qsizetype(kRounds) * kOperations / 2 && size * 2 <= kOperations)
        std::fprintf(stderr, "unexpected lookups: %lld found\n", static_cast<long long>(found));
    if (list.size() != size)
        std::fprintf(stderr, "list size changed: %lld\n", static_cast<long long>(list.size()));
    return f;
}

} // namespace

int main() {
    const Figures small = measure(100);
    const Figures large = measure(10000);
    std::printf("automatic-resolution list, median of %d rounds of %d calls\n", kRounds,
                kOperations);
    std::printf("%-28s %12s %12s %8s\n", "operation", "100 keys", "10,000 keys", "ratio");
    std::printf("%-28s %9.1f ns %9.1f ns %8.2f\n", "UpdateAutoIPList (add/del)", small.update,
                large.update, large.update / small.update);
    std::printf("%-28s %9.1f ns %9.1f ns %8.2f\n", "lookup of a row's record", small.lookup,
                large.lookup, large.lookup / small.lookup);
    return 0;
}
