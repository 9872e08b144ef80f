// What starting the program costs: the time from starting the process to the login window shown,
// the resident memory at that moment, and the resident memory once a remembered login with 1,000
// records has set the main window up; beside the same figures for two yardsticks built in the
// same tree: a bare Qt Widgets dialog with one button, and the networked floor, that dialog
// linking Qt Network and Qt D-Bus and holding a one-run-per-user local socket, as any networked
// single-instance desktop program must. Medians of several runs, offscreen; the runs of the
// program and of the yardsticks take turns, so that whatever else loads the machine meets them
// alike.
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

// The load of the machine over the last minute, five and fifteen minutes, as uptime gives it.
QByteArray loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "unknown";
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() < 3 ? QByteArray("unknown") : fields.mid(0, 3).join(", ");
}

// A fresh configuration and a private runtime folder for one run.
void prepare(const QTemporaryDir &dir) {
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    QDir().mkpath(dir.filePath(QStringLiteral("run")));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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
    int runs = 15;
    const QStringList args = QCoreApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::max(1, args.at(at + 1).toInt());

    const QString program = QStringLiteral(PELLMARCH_PROGRAM);
    const QString bare = QStringLiteral(BARE_DIALOG_PROGRAM);
    const QString floor = QStringLiteral(NETWORKED_DIALOG_PROGRAM);

    // The remembered login's service: the stand-in on the built port, with 1,000 records.
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

    const QByteArray loadBefore = loadAverage();
    QList<double> programMs, bareMs, floorMs;
    QList<qint64> programKiB, bareKiB, floorKiB, loggedInKiB;
    // The first window of each, in turn: the program's login window (no saved login), then the
    // two yardsticks' dialogs.
    struct FirstWindow {
        QString program, window;
        QList<double> &ms;
        QList<qint64> &kiB;
    };
    const FirstWindow firstWindows[] = {
        {program, QStringLiteral("frmLogin"), programMs, programKiB},
        {bare, QStringLiteral("dialog"), bareMs, bareKiB},
        {floor, QStringLiteral("dialog"), floorMs, floorKiB}};
    for (int i = 0; i < runs; ++i) {
        for (const FirstWindow &first : firstWindows) {
            QTemporaryDir dir;
            prepare(dir);
            const Figures figures =
                runOnce(first.program, first.window, QString(), environmentIn(dir));
            first.ms.append(figures.shownMs);
            first.kiB.append(figures.shownKiB);
        }
        // A remembered login. The service answers from this thread's event loop, which runOnce
        // keeps turning.
        {
            QTemporaryDir dir;
            prepare(dir);
            QFile ini(dir.filePath(QStringLiteral("config/PELLMARCH.ini")));
            if (!ini.open(QIODevice::WriteOnly))
                return 1;
            ini.write(QStringLiteral("[Init]\nbSaveLogin=1\nUsername=%1\nPassword=%2\n")
                          .arg(kUser, kPassword)
                          .toUtf8());
            ini.close();
            const Figures p = runOnce(program, QStringLiteral("frmMain"), QStringLiteral("frmMain"),
                                      environmentIn(dir));
            loggedInKiB.append(p.settledKiB);
        }
    }
    const QByteArray loadAfter = loadAverage();

    const double pMs = median(programMs), bMs = median(bareMs), fMs = median(floorMs);
    const qint64 pKiB = median(programKiB), bKiB = median(bareKiB), fKiB = median(floorKiB),
                 lKiB = median(loggedInKiB);
    const auto ratio = [](double a, double b) {
        return b > 0 ? a / b : 0.0;
    };
    std::printf("start-up, median of %d runs each (offscreen), program and yardsticks in turn\n",
                runs);
    std::printf("load average before: %s; after: %s\n", loadBefore.constData(),
                loadAfter.constData());
    std::printf("login window shown: program %.1f ms, bare dialog %.1f ms (%.2fx), networked "
                "floor %.1f ms (%.2fx)\n",
                pMs, bMs, ratio(pMs, bMs), fMs, ratio(pMs, fMs));
    std::printf("resident memory, login window shown: program %lld KiB, bare dialog %lld KiB "
                "(%.2fx), networked floor %lld KiB (%.2fx)\n",
                static_cast<long long>(pKiB), static_cast<long long>(bKiB),
                ratio(double(pKiB), double(bKiB)), static_cast<long long>(fKiB),
                ratio(double(pKiB), double(fKiB)));
    std::printf("resident memory, remembered login with 1,000 records: program %lld KiB, bare "
                "dialog %lld KiB (%.2fx), networked floor %lld KiB (%.2fx)\n",
                static_cast<long long>(lKiB), static_cast<long long>(bKiB),
                ratio(double(lKiB), double(bKiB)), static_cast<long long>(fKiB),
                ratio(double(lKiB), double(fKiB)));
    std::printf("goals, against the networked floor: login window shown and its memory at most "
                "1.10x, memory after the remembered login at most 1.30x\n");
    const bool failed = programMs.contains(-1) || bareMs.contains(-1) || floorMs.contains(-1) ||
                        loggedInKiB.contains(-1);
    if (failed)
        std::printf("some runs did not show their window: their figures are missing above\n");
    return failed ? 1 : 0;
}
