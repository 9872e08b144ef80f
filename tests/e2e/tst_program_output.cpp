// The program itself, started as the user starts it with a remembered login: whatever it prints
// while it logs in and registers, with the service there or not, never holds the password.
#include "ServiceStore.h"
#include "VerlundService.h"
#include "protocol/Queries.h"
#include "support/ProgramHome.h"
#include "support/ScriptedHttpServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

#include <csignal>

using namespace pellmarch;

namespace {

const QString kPassword = QStringLiteral("s3cr&t pw+%26");

} // namespace

class TestProgramOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passwordIsNeverPrinted_data();
    void passwordIsNeverPrinted();
    void commandLine_data();
    void commandLine();
    void endedByTheDesktop_data();
    void endedByTheDesktop();
    void unattendedAcrossRestarts();
};

void TestProgramOutput::passwordIsNeverPrinted_data() {
    QTest::addColumn<bool>("serviceUp");
    QTest::newRow("service unreachable") << false;
    QTest::newRow("stand-in service") << true;
}

void TestProgramOutput::passwordIsNeverPrinted() {
    QFETCH(bool, serviceUp);
    testing::ProgramHome home(QStringLiteral("dana"), kPassword);
    QVERIFY(home.isReady());

    QStringList serviceLog;
    std::unique_ptr<verlund::ServiceStore> store;
    std::unique_ptr<verlund::VerlundService> service;
    if (serviceUp) {
        store = std::make_unique<verlund::ServiceStore>(home.filePath(QStringLiteral("svc.db")));
        QString error;
        QVERIFY2(store->open(&error) && store->seedDemo(), qPrintable(error));
        QVERIFY(store->putSubscriber({QStringLiteral("dana"),
                                      kPassword,
                                      QStringLiteral("Dana"),
                                      {},
                                      {},
                                      QStringLiteral("A"),
                                      QStringLiteral("dyn.verlund.test"),
                                      {}}));
        service = std::make_unique<verlund::VerlundService>(*store);
        service->setLogger([&](const QString &line) { serviceLog.append(line); });
        if (service->listen(QHostAddress::LocalHost, testing::ProgramHome::servicePort()) == 0)
            QSKIP("the service port the program was built for is taken on this machine");
    }

    QProcess program;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(PELLMARCH_PROGRAM), {});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

    if (serviceUp) {
        // Logged in and registered: the set-up's last command has arrived.
        QTRY_VERIFY_WITH_TIMEOUT(!serviceLog.isEmpty() &&
                                     serviceLog.last().contains(QStringLiteral("RECORDADD")),
                                 15000);
        QVERIFY2(serviceLog.first().contains(QStringLiteral("fxn=login&usr=dana&pwd=*** ")),
                 qPrintable(serviceLog.first()));
    }
    // A few seconds of the program at work: the login's outcome, its messages, the window.
    program.waitForFinished(3000);
    QCOMPARE(program.state(), QProcess::Running); // still running, not crashed
    program.kill();
    QVERIFY(program.waitForFinished(10000));

    const QString output = QString::fromUtf8(program.readAll());
    // Nor does the history the run wrote, whose login entry is there either way.
    QFile historyFile(home.filePath(QStringLiteral("data/Pellmarch/history.jsonl")));
    QVERIFY(historyFile.open(QIODevice::ReadOnly));
    const QString history = QString::fromUtf8(historyFile.readAll());
    QVERIFY2(history.contains(QStringLiteral("\"k\":\"login\"")), qPrintable(history));
    for (const QString &form :
         {kPassword, protocol::EncodeQueryValue(kPassword),
          QString::fromLatin1(QUrl::toPercentEncoding(kPassword)), QStringLiteral("s3cr")}) {
        QVERIFY2(!output.contains(form), qPrintable(output));
        QVERIFY2(!history.contains(form), qPrintable(history));
        for (const QString &line : serviceLog)
            QVERIFY2(!line.contains(form), qPrintable(line));
    }
}

void TestProgramOutput::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // what standard output holds ("=" and the exact text)
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "=Pellmarch 1.6\n"
                             << "";
    QTest::newRow("version, short") << QStringList{"-v"} << 0 << "=Pellmarch 1.6\n"
                                    << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "-v, --version"
                          << "";
    QTest::newRow("help, short") << QStringList{"-h"} << 0 << "Usage: "
                                 << "";
    QTest::newRow("a toolkit option is no mistake")
        << QStringList{"-platform", "offscreen", "--version"} << 0 << "=Pellmarch 1.6\n"
        << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "="
                                    << "Unknown option 'bogus'.\nTry 'pellmarch --help'";
    QTest::newRow("stray argument") << QStringList{"extra"} << 2 << "="
                                    << "Unexpected argument: extra\n";
}

void TestProgramOutput::commandLine() {
    // Answered before anything else: no display at all, no window, no request.
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PELLMARCH_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());
    const QString complaints = QString::fromUtf8(program.readAllStandardError());
    if (out.startsWith(QLatin1Char('=')))
        QCOMPARE(printed, out.mid(1));
    else
        QVERIFY2(printed.contains(out), qPrintable(printed));
    if (err.isEmpty())
        QCOMPARE(complaints, QString());
    else
        QVERIFY2(complaints.contains(err), qPrintable(complaints));
}

void TestProgramOutput::endedByTheDesktop_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("silent"); // the service stops answering before the signal
    QTest::newRow("SIGTERM (logout, shutdown)") << int(SIGTERM) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM, the service silent by then") << int(SIGTERM) << true;
}

void TestProgramOutput::endedByTheDesktop() {
    // A tray program is rarely closed by hand: the desktop ends it at logout. It then does what
    // closing does, without the question: the host name is parked (the desktop waits only
    // moments, so at most 5 s), and the settings are kept.
    QFETCH(int, signal);
    QFETCH(bool, silent);
    testing::ProgramHome home(QStringLiteral("dana"), QStringLiteral("pw"));
    QVERIFY(home.isReady());
    {
        // "Automatic IP Resolution" was ticked in an earlier run.
        QFile ini(home.filePath(QStringLiteral("config/PELLMARCH.ini")));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("AutoIP=1\nIPAddressUser=dana\n");
    }
    verlund::ServiceStore store(home.filePath(QStringLiteral("svc.db")));
    QVERIFY(store.open() && store.putSubscriber({QStringLiteral("dana"),
                                                 QStringLiteral("pw"),
                                                 QStringLiteral("Dana"),
                                                 {},
                                                 {},
                                                 QStringLiteral("A"),
                                                 QStringLiteral("dyn.verlund.test"),
                                                 {}}));
    verlund::VerlundService service(store);
    service.setLogger([](const QString &) {});
    testing::ScriptedHttpServer front;
    bool silence = false;
    front.script = [&](const testing::ScriptedHttpServer::Request &r) {
        if (silence)
            return testing::ScriptedHttpServer::Reply::endless();
        const QUrlQuery query(QString::fromUtf8(r.target.mid(r.target.indexOf('?') + 1)));
        return testing::ScriptedHttpServer::Reply::answer(
            service.answer(query, QHostAddress::LocalHost).toUtf8());
    };
    front.close();
    if (!front.listen(QHostAddress::LocalHost, testing::ProgramHome::servicePort()))
        QSKIP("the service port the program was built for is taken on this machine");
    const auto parked = [&] {
        const QList<verlund::DnsRecord> held = store.records(*store.subscriber("dana"));
        return held.size() == 1 && held.first().address == QLatin1String("192.0.2.1");
    };

    QProcess program;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PELLMARCH_PROGRAM), {});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    // Logged in by itself and registered at the address the service sees.
    QTRY_VERIFY_WITH_TIMEOUT(
        !front.calls(QStringLiteral("DNSTickler")).isEmpty() &&
            front.calls(QStringLiteral("DNSTickler")).last().value("DNSCommand") ==
                QLatin1String("RECORDADD"),
        15000);
    QTRY_VERIFY(!store.records(*store.subscriber("dana")).isEmpty() && !parked());
    silence = silent;

    QElapsedTimer clock;
    clock.start();
    QVERIFY(::kill(static_cast<pid_t>(program.processId()), signal) == 0);
    // The service answers from this test's event loop: it runs while the program ends.
    QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 15000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    const QList<testing::ScriptedHttpServer::Request> commands =
        front.calls(QStringLiteral("DNSTickler"));
    QCOMPARE(commands.last().value("IPAddress"), QStringLiteral("192.0.2.1"));
    QCOMPARE(parked(), !silent);

    const QSettings settings(home.filePath(QStringLiteral("config/PELLMARCH.ini")),
                             QSettings::IniFormat);
    QStringList kept;
    for (const char *key :
         {"bSaveLogin", "Username", "Password", "AutoIP", "IPAddress", "IPAddressUser"})
        kept.append(settings.value(QStringLiteral("Init/") + QLatin1String(key)).toString());
    QCOMPARE(kept, (QStringList{"1", "dana", "pw", "1", "127.0.0.1", "dana"}));
}

void TestProgramOutput::unattendedAcrossRestarts() {
    // Started with the session while the network is not up yet; ended with kill -9; started
    // again. Nobody touches the program: the remembered login goes through once the service is
    // there, and the marked record keeps following the address across the restart.
    testing::ProgramHome home(QStringLiteral("acme"), QStringLiteral("acme"));
    QVERIFY(home.isReady());
    {
        // An earlier run was ended while moving the marked www: its add went through, the
        // change is still written down.
        QFile journal(home.filePath(QStringLiteral("config/PELLMARCH-journal.ini")));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write("[Journal]\nPending=\"acme,acme.test,A,www,203.0.113.10,1,acme.test,A,www,"
                      "198.51.100.20,1\"\n");
    }
    verlund::ServiceStore store(home.filePath(QStringLiteral("svc.db")));
    QVERIFY(store.open() && store.seedDemo());
    const verlund::DnsRecord before{"acme.test", "A", "www", "203.0.113.10"};
    QVERIFY(store.deleteRecord(before) == verlund::ServiceStore::Change::Done);
    QVERIFY(store.addRecord({"acme.test", "A", "www", "198.51.100.20"}) ==
            verlund::ServiceStore::Change::Done);
    QVERIFY(store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.20")));
    verlund::VerlundService service(store);
    service.setLogger([](const QString &) {});
    const auto www = [&store] {
        QStringList at;
        for (const verlund::DnsRecord &r : store.records(*store.subscriber("acme")))
            if (r.name == QLatin1String("www"))
                at.append(r.address);
        return at;
    };
    const QString marks = home.filePath(QStringLiteral("config/PELLMARCH-marks.json"));

    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(PELLMARCH_PROGRAM), {});
    QVERIFY2(first.waitForStarted(10000), qPrintable(first.errorString()));
    // The service comes up after the program's first login found none (its history says so):
    // the login is tried again by itself.
    const auto noAnswerYet = [&home] {
        QFile history(home.filePath(QStringLiteral("data/Pellmarch/history.jsonl")));
        return history.open(QIODevice::ReadOnly) && history.readAll().contains("\"o\":\"none\"");
    };
    QTRY_VERIFY_WITH_TIMEOUT(noAnswerYet(), 15000);
    if (service.listen(QHostAddress::LocalHost, testing::ProgramHome::servicePort()) == 0)
        QSKIP("the service port the program was built for is taken on this machine");
    // Logged in, the change settled by the login's list: www keeps its mark, kept on disk.
    QTRY_VERIFY_WITH_TIMEOUT(QFile(marks).size() > 0, 60000);
    QFile kept(marks);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY2(kept.readAll().contains("ACME.TEST;;A;;WWW;;198.51.100.20~~"), "www is not marked");
    first.kill();
    QVERIFY(first.waitForFinished(10000));

    // The next start: the address has moved on, and so does www, by the marks kept.
    QVERIFY(store.setAddressOverride(QStringLiteral("acme"), QStringLiteral("198.51.100.30")));
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(PELLMARCH_PROGRAM), {});
    QVERIFY2(second.waitForStarted(10000), qPrintable(second.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(www(), QStringList{QStringLiteral("198.51.100.30")}, 60000);
    second.kill();
    QVERIFY(second.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestProgramOutput)
#include "tst_program_output.moc"
