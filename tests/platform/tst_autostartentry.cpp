// The autostart entry: the command line the session starts the program with, and an entry the
// desktop has turned off read as off, and on again once written.
#include "platform/AutostartEntry.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using pellmarch::platform::AutostartEntry;

class TestAutostartEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsTheProgram_data();
    void startsTheProgram();
};

void TestAutostartEntry::startsTheProgram_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("found"); // the entry there before; empty: none
    QTest::addColumn<bool>("on");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("installed: by its name")
        << "/usr/bin/pellmarch" << QByteArray() << false << QByteArray("Exec=pellmarch");
    QTest::newRow("elsewhere: by its path")
        << "/opt/pellmarch/bin/pellmarch" << QByteArray("[Desktop Entry]\nExec=pellmarch\n") << true
        << QByteArray("Exec=/opt/pellmarch/bin/pellmarch");
    QTest::newRow("hidden; a space quoted")
        << "/home/ann/My Programs/pellmarch"
        << QByteArray("[Desktop Entry]\nExec=pellmarch\nHidden=true\n") << false
        << QByteArray(R"(Exec="/home/ann/My Programs/pellmarch")");
    QTest::newRow("turned off in GNOME; reserved characters escaped")
        << R"(/home/ann/$5 `a` "b" \ 100%/pellmarch)"
        << QByteArray("[Desktop Entry]\nExec=pellmarch\nX-GNOME-Autostart-enabled = false\n")
        << false << QByteArray(R"(Exec="/home/ann/\\$5 \\`a\\` \\"b\\" \\\\ 100%%/pellmarch")");
}

void TestAutostartEntry::startsTheProgram() {
    QFETCH(QString, program);
    QFETCH(QByteArray, found);
    QFETCH(bool, on);
    QFETCH(QByteArray, exec);
    const QTemporaryDir folder;
    AutostartEntry entry(folder.path(), program);
    QFile file(entry.filePath());
    QVERIFY(found.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(found) > 0));
    file.close();
    QCOMPARE(entry.isOn(), on);
    QString error;
    QVERIFY(entry.setOn(true, &error));
    QVERIFY(entry.isOn());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().split('\n').contains(exec));
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry.filePath()});
    QVERIFY2(validate.waitForFinished(), "desktop-file-validate is needed (desktop-file-utils)");
    QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
}

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "tst_autostartentry.moc"
