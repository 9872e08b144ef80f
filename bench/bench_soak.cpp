// Runs the real main window's automatic refresh for many ticks against the stand-in service in
// this process, the way a machine left on for weeks would: record-table mode, a subscriber with
// 50 records marked for automatic resolution, a public address that changes every 10 ticks and
// one request in twenty failing. Prints resident memory, heap in use and open descriptors along
// the way, and at the end whether the service holds every marked record at the last address
// exactly once.
//
// The ticks are the real ones: tmrAuto with a 1 ms interval, inside the application's event
// loop. A tick is counted where it shows on the wire, by its one address query (a tick that fell
// due while the one before was still at work is held back and merged, so timer time-outs are
// not ticks).
//
// Failures are drawn at random (seeded, so a run can be repeated): by default the request is
// not sent at all and the client sees a failed request, as with a refused connection; with
// --drop-answers the request reaches the service, which acts on it, and its answer is lost on
// the way back, as with a connection reset after the service has answered.
#include "ServiceStore.h"
#include "VerlundService.h"
#include "address/OwnAddress.h"
#include "app/frmMain.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtWebRequest.h"
#include "protocol/AutoIPList.h"
#include "protocol/DnsClient.h"
#include "protocol/LoginExchange.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

using namespace pellmarch;
using namespace std::chrono_literals;

namespace {

constexpr int kMarkedRecords = 50;
constexpr int kTicksPerAddress = 10;
constexpr int kFailOneIn = 20;
constexpr int kFirstCheckpoint = 100;
constexpr int kCheckpointEvery = 1000;
const QString kUser = QStringLiteral("acme");
const QString kDomain = QStringLiteral("acme.test");

struct Options {
    int ticks = 10000;
    unsigned seed = 20261208;
    bool dropAnswers = false;
    QString trace; // a record name whose commands are printed as they go
};

// The public address for the n-th change (0 first): a new one each time, from the range kept
// for benchmarks, 198.18.0.0/15. Nothing is ever sent there: it is only data at the service.
QString addressNumber(int n) {
    return QStringLiteral("198.18.%1.%2").arg(n / 250).arg(n % 250 + 1);
}

long kibFromStatus(const char *key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, length, key) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1; // the listing's own
}

struct Sample {
    int ticks = 0;
    long rssKiB = 0;
    long heapKiB = 0;
    int fds = 0;
};

Sample sample(int ticks) {
    const struct mallinfo2 heap = mallinfo2();
    return {ticks, kibFromStatus("VmRSS:"), static_cast<long>(heap.uordblks / 1024),
            openDescriptors()};
}

// Sits between the client and the real web request: counts the ticks by their address query,
// changes the public address the service reports every kTicksPerAddress ticks, makes one
// request in kFailOneIn fail, and stops the refresh timer at each checkpoint.
class SoakWeb final : public platform::WebRequest {
public:
    SoakWeb(platform::WebRequest &real, verlund::ServiceStore &store, const Options &options)
        : m_real(real), m_store(store), m_options(options), m_random(options.seed) {}

    platform::WebAnswer fetch(const QString &url) override {
        if (url.contains(QLatin1String("FXN=GetIPAddress"))) {
            ++ticks;
            if ((ticks - 1) % kTicksPerAddress == 0 && ticks > 1) {
                address = addressNumber((ticks - 1) / kTicksPerAddress);
                m_store.setAddressOverride(kUser, address);
                ++addressChanges;
            }
            if (ticks == stopAt && timer != nullptr)
                timer->stop(); // this tick runs to its end; none after it until restarted
        }
        ++requests;
        const bool fail = failing && m_draw(m_random) == 0;
        if (!m_options.trace.isEmpty() &&
            url.contains(QStringLiteral("Cname=%1&").arg(m_options.trace)))
            std::printf("tick %5d %s%s\n", ticks,
                        qPrintable(url.mid(url.indexOf(QLatin1String("DNSCommand=")))),
                        fail ? (m_options.dropAnswers ? "  (answer lost)" : "  (not sent)") : "");
        if (!fail)
            return m_real.fetch(url);
        ++failures;
        if (!m_options.dropAnswers)
            return {true, {}};
        m_real.fetch(url); // the service acts; the answer never arrives
        return {true, {}};
    }

    int ticks = 0;
    int requests = 0;
    int failures = 0;
    int addressChanges = 0;
    int stopAt = 0;
    bool failing = false;
    QString address = addressNumber(0);
    QTimer *timer = nullptr;

private:
    platform::WebRequest &m_real;
    verlund::ServiceStore &m_store;
    const Options &m_options;
    std::mt19937 m_random;
    std::uniform_int_distribution<int> m_draw{0, kFailOneIn - 1};
};

Options parse(int argc, char *argv[]) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ticks" && i + 1 < argc) {
            options.ticks = std::atoi(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--trace" && i + 1 < argc) {
            options.trace = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--drop-answers") {
            options.dropAnswers = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--ticks N] [--seed S] [--drop-answers] [--trace NAME]\n"
                         "  --ticks N        ticks to run (10000; at least %d)\n"
                         "  --seed S         seed of the failures drawn (%u)\n"
                         "  --drop-answers   a failed request reaches the service and only its\n"
                         "                   answer is lost (default: it is never sent)\n"
                         "  --trace NAME     print every command for the record NAME (host07)\n",
                         argv[0], kFirstCheckpoint, Options{}.seed);
            std::exit(2);
        }
    }
    if (options.ticks < kFirstCheckpoint) {
        std::fprintf(stderr, "--ticks must be at least %d\n", kFirstCheckpoint);
        std::exit(2);
    }
    return options;
}

void printSample(const Sample &s) {
    std::printf("after %5d ticks: VmRSS %7.2f MiB  heap in use %7.2f MiB  open fds %d\n", s.ticks,
                s.rssKiB / 1024.0, s.heapKiB / 1024.0, s.fds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    const Options options = parse(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);

    // The stand-in, on an ephemeral loopback port with a fresh demo database. Its request log
    // is only counted: kept, it would grow with the run and hide what the client does.
    QTemporaryDir dir;
    verlund::ServiceStore store(dir.filePath(QStringLiteral("service.db")));
    QString error;
    if (!store.open(&error) || !store.seedDemo()) {
        std::fprintf(stderr, "cannot prepare the service database: %s\n", qPrintable(error));
        return 1;
    }
    verlund::VerlundService service(store);
    long serviceRequests = 0;
    service.setLogger([&serviceRequests](const QString &) { ++serviceRequests; });
    const quint16 port = service.listen(QHostAddress::LocalHost, 0);
    if (port == 0) {
        std::fprintf(stderr, "the service cannot listen\n");
        return 1;
    }
    const QString host = QStringLiteral("127.0.0.1:%1").arg(port);
    store.setAddressOverride(kUser, addressNumber(0));

    platform::QtWebRequest real;
    SoakWeb web(real, store, options);
    testing::FakeServices fakes;
    // The journal of changes under way is a real file, as in the program: the in-memory double
    // keeps a log of every write, which would grow with the run.
    platform::QtSettingsStore journal(dir.filePath(QStringLiteral("PELLMARCH-journal.ini")));
    session::Services services{web,
                               fakes.boxes,
                               fakes.shell,
                               fakes.settings,
                               journal,
                               protocol::Endpoints::allAt(host),
                               fakes.user,
                               fakes.flags,
                               fakes.autoIP,
                               fakes.work,
                               fakes.services.parkingAddress,
                               1ms};

    // Logged in, and the 50 records added through the client with the automatic flag: the
    // mark lives only in this run's list.
    if (protocol::RunLoginExchange(web, services.endpoints, fakes.user, kUser, kUser) !=
        protocol::LoginOutcome::Accepted) {
        std::fprintf(stderr, "the login was not accepted\n");
        return 1;
    }
    fakes.flags.bLoggedIn = true;
    testing::FakeIndicator indicator;
    protocol::DnsClient client(web, fakes.boxes, indicator, fakes.user, fakes.autoIP,
                               services.endpoints);
    for (int i = 0; i < kMarkedRecords; ++i) {
        QString name = QStringLiteral("host%1").arg(i, 2, 10, QLatin1Char('0'));
        if (!client
                 .SendRecordCommand(kDomain, name, QStringLiteral("RECORDADD"), QStringLiteral("A"),
                                    addressNumber(0), false, true)
                 .done()) {
            std::fprintf(stderr, "adding %s failed\n", qPrintable(name));
            return 1;
        }
    }
    const QList<verlund::DnsRecord> others = [&] {
        QList<verlund::DnsRecord> out;
        for (const verlund::DnsRecord &r : store.records(*store.subscriber(kUser)))
            if (!r.name.startsWith(QLatin1String("host")))
                out.append(r);
        return out;
    }();

    app::frmMain main(services);
    main.show();
    QTimer &tmrAuto = main.ownAddress().tmrAuto;
    main.SetUpMainWindow(); // shows the table and starts the timer
    int timeouts = 0;
    QObject::connect(&tmrAuto, &QTimer::timeout, [&timeouts] { ++timeouts; });
    web.timer = &tmrAuto;
    web.failing = true;

    std::printf("soak: %d ticks of the real refresh timer (%lld ms), record-table mode, %d "
                "marked records,\n      a new public address every %d ticks, 1 request in %d "
                "failing (%s, seed %u)\n",
                options.ticks, static_cast<long long>(tmrAuto.interval()), kMarkedRecords,
                kTicksPerAddress, kFailOneIn,
                options.dropAnswers ? "answer lost after the service acted" : "never sent",
                options.seed);

    // Checkpoints: the timer is stopped at the tick that reaches one; once that tick has ended
    // (nothing holds the guard, so no request is waiting in a local loop) the figures are read
    // from the top of the event loop and the timer goes on.
    std::map<int, Sample> samples;
    const auto nextStop = [&](int after) {
        const int next = after < kFirstCheckpoint
                             ? kFirstCheckpoint
                             : (after / kCheckpointEvery + 1) * kCheckpointEvery;
        return std::min(next, options.ticks);
    };
    web.stopAt = nextStop(0);
    const auto started = std::chrono::steady_clock::now();
    QTimer checkpoint;
    checkpoint.setInterval(5ms);
    QObject::connect(&checkpoint, &QTimer::timeout, [&] {
        if (web.ticks < web.stopAt || fakes.work.isHeld() || fakes.work.hasHeldWork())
            return;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const Sample s = sample(web.ticks);
        samples[web.ticks] = s;
        printSample(s);
        if (web.ticks >= options.ticks) {
            QCoreApplication::quit();
            return;
        }
        web.stopAt = nextStop(web.ticks);
        tmrAuto.start();
    });
    checkpoint.start();
    QApplication::exec();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // What the service holds now.
    const QString last = web.address;
    QHash<QString, QStringList> held; // name -> addresses
    QStringList strangers;
    for (const verlund::DnsRecord &r : store.records(*store.subscriber(kUser))) {
        if (r.name.startsWith(QLatin1String("host")) && r.domain == kDomain &&
            r.recordType == QLatin1String("A"))
            held[r.name].append(r.address);
        else if (!others.contains(r))
            strangers.append(QStringList{r.domain, r.recordType, r.name, r.address}.join('|'));
    }
    int exact = 0;
    int stale = 0;
    int twice = 0;
    QStringList lost;
    QStringList wrong;
    for (int i = 0; i < kMarkedRecords; ++i) {
        const QString name = QStringLiteral("host%1").arg(i, 2, 10, QLatin1Char('0'));
        const QStringList at = held.value(name);
        if (at.isEmpty()) {
            lost.append(name);
        } else if (at.size() > 1) {
            ++twice;
            wrong.append(name + QLatin1Char('=') + at.join(QLatin1Char(',')));
        } else if (at.first() != last) {
            ++stale;
            wrong.append(name + QLatin1Char('=') + at.first());
        } else {
            ++exact;
        }
    }
    int othersKept = 0;
    for (const verlund::DnsRecord &r : store.records(*store.subscriber(kUser)))
        othersKept += others.contains(r) ? 1 : 0;
    int stillMarked = 0;
    for (const auto &[name, addresses] : held.asKeyValueRange())
        for (const QString &a : addresses)
            stillMarked += fakes.autoIP.isMarked(kDomain, QStringLiteral("A"), name, a) ? 1 : 0;

    std::printf("\nran %d ticks (%d timer time-outs) in %.1f s: %.2f ms a tick\n", web.ticks,
                timeouts, seconds, 1000.0 * seconds / web.ticks);
    std::printf("requests %d, failed on purpose %d, seen by the service %ld, address changes %d, "
                "last address %s\n",
                web.requests, web.failures, serviceRequests, web.addressChanges, qPrintable(last));
    std::printf("marked records at the last address exactly once: %d of %d\n", exact,
                kMarkedRecords);
    std::printf("  lost (not at the service at all): %lld%s%s\n",
                static_cast<long long>(lost.size()), lost.isEmpty() ? "" : "  ",
                qPrintable(lost.join(QLatin1Char(' '))));
    std::printf("  held more than once: %d, at another address: %d%s%s\n", twice, stale,
                wrong.isEmpty() ? "" : "  ", qPrintable(wrong.join(QLatin1Char(' '))));
    std::printf("  marks lost (records no longer following the address): %d\n",
                kMarkedRecords - stillMarked);
    std::printf("  other records kept: %d of %lld; records nobody asked for: %lld\n", othersKept,
                static_cast<long long>(others.size()), static_cast<long long>(strangers.size()));
    std::printf("  messages shown: %lld\n", static_cast<long long>(fakes.boxes.shown.size()));

    const Sample &first = samples.begin()->second;
    const Sample &end = samples.rbegin()->second;
    std::printf("growth from %d to %d ticks: VmRSS %+.2f MiB, heap in use %+.2f MiB, open fds "
                "%+d\n",
                first.ticks, end.ticks, (end.rssKiB - first.rssKiB) / 1024.0,
                (end.heapKiB - first.heapKiB) / 1024.0, end.fds - first.fds);
    const bool intact = lost.isEmpty() && twice == 0 && stale == 0 && strangers.isEmpty() &&
                        othersKept == others.size() && stillMarked == kMarkedRecords;
    const bool lean = end.rssKiB - first.rssKiB < 5 * 1024 && end.fds <= first.fds;
    std::printf("verdict: records %s; memory and descriptors %s\n",
                intact ? "intact" : "NOT intact", lean ? "steady" : "GROWING");
    return intact && lean ? 0 : 1;
}
