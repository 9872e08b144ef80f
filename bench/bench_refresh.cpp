// Prints what one tick of the automatic refresh costs in record-table mode on the real main
// window, with 10,000 records of which 100 are marked: once with the 100 at an old address (100
// deletes and 100 adds, each answer carrying the whole record list) and once with none stale.
// The service is a stub in the process that answers at once, so the figure is the tick's own
// work: answers parsed, the table walked, commands built, the table reloaded.
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/WebRequest.h"
#include "protocol/RecordList.h"
#include "support/Fakes.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace pellmarch;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRecords = 10000;
constexpr int kMarked = 100;
constexpr int kRounds = 5;
const QString kNewAddress = QStringLiteral("198.51.100.99");

// Answers every request at once: the address query with the new address, every command with
// success; both carry the whole record list, as the service's answers do.
class InstantService final : public platform::WebRequest {
public:
    explicit InstantService(const QString &records)
        : m_query(QStringLiteral("<p>SUCCESS</p><p>IPAddress: %1</p><p>DomainUserRecords: %2</p>")
                      .arg(kNewAddress, records)),
          m_command(QStringLiteral("<p>SUCCESS</p><p>DomainUserRecords: %1</p>").arg(records)) {}
    platform::WebAnswer fetch(const QString &url) override {
        ++requests;
        return {false, url.contains(QLatin1String("GetIPAddress")) ? m_query : m_command};
    }
    int requests = 0;

private:
    QString m_query;
    QString m_command;
};

struct Figures {
    double tickMs;
    int requests;
};

Figures measure(bool stale) {
    QList<protocol::DnsRecord> records;
    for (int i = 0; i < kRecords; ++i)
        records.append({QStringLiteral("domain%1.test").arg(i % 50), QStringLiteral("A"),
                        QStringLiteral("host%1").arg(i),
                        i < kMarked && !stale
                            ? kNewAddress
                            : QStringLiteral("10.0.%1.%2").arg(i >> 8).arg(i & 255)});
    const QString list = protocol::JoinRecordList(records);
    InstantService service(list);
    testing::FakeServices fakes;
    session::Services services = fakes.withWeb(service, QStringLiteral("dns.example"));
    fakes.user.sUsername = QStringLiteral("acme");
    fakes.user.sPassword = QStringLiteral("pw");
    fakes.user.sDomainUserRecords = list;
    for (int i = 0; i < kMarked; ++i)
        fakes.autoIP.UpdateAutoIPList(records[i].domain, records[i].name,
                                      QStringLiteral("RECORDADD"), records[i].recordType,
                                      records[i].address, true);
    app::frmMain main(services);
    main.show();
    main.SetUpMainWindow();
    main.ownAddress().tmrAuto.stop();
    QApplication::processEvents();

    std::vector<double> rounds;
    int requests = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Every round starts from the same table: marked rows as the list holds them.
        fakes.user.sDomainUserRecords = list;
        main.setShownAddress(QStringLiteral("10.0.0.1"));
        service.requests = 0;
        const auto start = Clock::now();
        main.ownAddress().tmrAuto_Timer();
        rounds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        requests = service.requests;
        // The stub's answers keep the stale addresses, so the marks go with the moved keys;
        // put them back for the next round.
        for (int i = 0; i < kMarked; ++i)
            fakes.autoIP.UpdateAutoIPList(records[i].domain, records[i].name,
                                          QStringLiteral("RECORDADD"), records[i].recordType,
                                          records[i].address, true);
    }
    std::sort(rounds.begin(), rounds.end());
    return {rounds[kRounds / 2], requests};
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("one refresh tick, record-table mode, %d records, %d marked, median of %d\n",
                kRecords, kMarked, kRounds);
    for (bool stale : {true, false}) {
        const Figures f = measure(stale);
        std::printf("%-28s %9.2f ms  (%d requests)\n",
                    stale ? "100 marked rows stale" : "no marked row stale", f.tickMs, f.requests);
    }
    return 0;
}
