// The program itself, started as the user starts it with a remembered login: whatever it prints
// while it logs in and registers, with the service there or not, never holds the password.
#include "ServiceStore.h"
#include "VerlundService.h"
#include "protocol/Queries.h"
#include "support/ProgramHome.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <memory>

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

QTEST_GUILESS_MAIN(TestProgramOutput)
#include "tst_program_output.moc"
