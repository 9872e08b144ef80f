// What starting the program costs: the time from starting the process to the login window shown,
// the resident memory at that moment, and the resident memory once a remembered login with 1,000
// records has set the main window up; beside the same figures for a bare Qt Widgets dialog with
// one button built in the same tree. Medians of several runs, offscreen.
//
//     build/bench/bench_startup [--runs N]
//
// The remembered login goes to the stand-in service, started here on the port the program was
// built to reach.
#include "BuildConfig.h"
#include "ServiceStore.h"
#include "VerlundService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

const QString kUser = QStringLiteral("bench");
const QString kPassword = QStringLiteral("bench-pw");

qint64 residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

struct Figures {
    double shownMs = -1;
    qint64 shownKiB = -1;
    qint64 settledKiB = -1; // after the window named `settleOn` showed and the work settled
};

// Starts `program`, waits for "shown <window>" on its standard error, reads its memory then.
Figures runOnce(const QString &program, const QString &firstWindow, const QString &settleOn,
                const QProcessEnvironment &environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    Figures figures;
    QElapsedTimer clock;
    QByteArray said;
    clock.start();
    process.start(program, {});
    if (!process.waitForStarted(10000))
        return figures;
    const auto waitFor = [&](const QString &window) {
        const QByteArray line = "shown " + window.toUtf8() + '\n';
        QElapsedTimer limit;
        limit.start();
        while (!said.contains(line) && limit.elapsed() < 20000) {
            // Short waits for the child, and the stand-in's requests served in between.
            process.waitForReadyRead(2);
            said += process.readAllStandardError();
            QCoreApplication::processEvents();
            if (process.state() != QProcess::Running)
                return false;
        }
        return said.contains(line);
    };
    // The window is painted after it shows (and the table filled right after the main window
    // shows): memory is read once it holds still.
    const auto settledKiB = [&] {
        qint64 last = -1;
        for (int i = 0; i < 40; ++i) {
            QTest::qWait(100);
            const qint64 now = residentKiB(process.processId());
            if (now == last)
                break;
            last = now;
        }
        return last;
    };
    if (waitFor(firstWindow)) {
        figures.shownMs = double(clock.nsecsElapsed()) / 1e6;
        figures.shownKiB = settledKiB();
    }
    if (!settleOn.isEmpty() && (settleOn == firstWindow || waitFor(settleOn)))
        figures.settledKiB = settledKiB();
    process.kill();
    process.waitForFinished(5000);
    return figures;
}

template <typename T> T median(QList<T> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? T{} : values.at(values.size() / 2);
}

QProcessEnvironment environmentIn(const QTemporaryDir &dir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PELLMARCH_REPORT_SHOWN"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    return environment;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    int runs = 7;
    const QStringList args = QCoreApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::max(1, args.at(at + 1).toInt());

    const QString program = QStringLiteral(PELLMARCH_PROGRAM);
    const QString bare = QStringLiteral(BARE_DIALOG_PROGRAM);

    // The login window: no saved login.
    QList<double> programMs, bareMs;
    QList<qint64> programKiB, bareKiB, loggedInKiB;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("run")));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);
        const Figures p =
            runOnce(program, QStringLiteral("frmLogin"), QString(), environmentIn(dir));
        const Figures b = runOnce(bare, QStringLiteral("dialog"), QString(), environmentIn(dir));
        programMs.append(p.shownMs);
        programKiB.append(p.shownKiB);
        bareMs.append(b.shownMs);
        bareKiB.append(b.shownKiB);
    }

    // A remembered login with 1,000 records, at the stand-in on the built port.
    QTemporaryDir serviceDir;
    verlund::ServiceStore store(serviceDir.filePath(QStringLiteral("service.db")));
    if (!store.open() || !store.putSubscriber({kUser, kPassword, QStringLiteral("Bench"),
                                               QStringLiteral("Mark"), QStringLiteral("bench.test"),
                                               QStringLiteral("A"), QString(), QString()})) {
        std::fprintf(stderr, "cannot prepare the service database\n");
        return 1;
    }
    for (int i = 0; i < 1000; ++i)
        store.addRecord({QStringLiteral("bench.test"), QStringLiteral("A"),
                         QStringLiteral("host%1").arg(i),
                         QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1)});
    verlund::VerlundService service(store);
    service.setLogger([](const QString &) {});
    const QString host = QString::fromLatin1(pellmarch::build::kServiceHost);
    const quint16 port = host.mid(host.lastIndexOf(QLatin1Char(':')) + 1).toUShort();
    if (service.listen(QHostAddress::LocalHost, port) == 0) {
        std::fprintf(stderr, "port %u is taken: stop what listens there and run again\n", port);
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("config")));
        QDir().mkpath(dir.filePath(QStringLiteral("run")));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);
        QFile ini(dir.filePath(QStringLiteral("config/PELLMARCH.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        ini.write(QStringLiteral("[Init]\nbSaveLogin=1\nUsername=%1\nPassword=%2\n")
                      .arg(kUser, kPassword)
                      .toUtf8());
        ini.close();
        // The service answers from this thread's event loop, which runOnce keeps turning.
        const Figures p = runOnce(program, QStringLiteral("frmMain"), QStringLiteral("frmMain"),
                                  environmentIn(dir));
        loggedInKiB.append(p.settledKiB);
    }

    const double pMs = median(programMs), bMs = median(bareMs);
    const qint64 pKiB = median(programKiB), bKiB = median(bareKiB), lKiB = median(loggedInKiB);
    std::printf("start-up, median of %d runs (offscreen)\n", runs);
    std::printf("%-34s %12s %12s %8s\n", "", "Pellmarch", "bare dialog", "ratio");
    std::printf("%-34s %9.1f ms %9.1f ms %8.2f\n", "process start to window shown", pMs, bMs,
                pMs / bMs);
    std::printf("%-34s %8lld KiB %8lld KiB %8.2f\n", "resident memory, window shown",
                static_cast<long long>(pKiB), static_cast<long long>(bKiB),
                double(pKiB) / double(bKiB));
    std::printf("%-34s %8lld KiB %8lld KiB %8.2f\n", "after a login with 1,000 records",
                static_cast<long long>(lKiB), static_cast<long long>(bKiB),
                double(lKiB) / double(bKiB));
    std::printf("goals: start-up and memory at the login window at most 1.10, after the login "
                "at most 1.20\n");
    return 0;
}
