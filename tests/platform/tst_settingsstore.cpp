// The settings file keeps the remembered password from other users at every moment of a write.
#include "account/Lifecycle.h"
#include "app/frmMain.h"
#include "platform/QtSettingsStore.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

using pellmarch::platform::QtSettingsStore;

namespace {

// Every file moved into place, with the permission bits it had at that moment: the settings are
// written to a temporary file beside the real one, then renamed over it, and the temporary file
// is visible to others (under its own name, then the real one) with whatever bits it has.
struct Renamed {
    QString target;
    mode_t mode;
    QByteArray content;
};
QList<Renamed> g_renamed;

} // namespace

// Stands in for the C library's rename() for the whole process, Qt's file engine included, so
// the test sees each replacement file in the instant before it takes the real file's place.
extern "C" int rename(const char *from, const char *to) noexcept {
    struct stat status {};
    if (::stat(from, &status) == 0) {
        QFile file(QString::fromLocal8Bit(from));
        file.open(QIODevice::ReadOnly);
        g_renamed.append({QString::fromLocal8Bit(to), status.st_mode & 0777, file.readAll()});
    }
    return ::renameat(AT_FDCWD, from, AT_FDCWD, to);
}

class TestSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passwordIsNeverReadableByOthers_data();
    void passwordIsNeverReadableByOthers();
    void closingKeepsEveryWritePrivate();
};

void TestSettingsStore::passwordIsNeverReadableByOthers_data() {
    QTest::addColumn<int>("initialMode"); // -1: no file yet
    QTest::newRow("no file yet") << -1;
    QTest::newRow("existing 0644") << 0644;
    QTest::newRow("existing 0666") << 0666;
    QTest::newRow("existing 0600") << 0600;
}

void TestSettingsStore::passwordIsNeverReadableByOthers() {
    QFETCH(int, initialMode);
    const mode_t savedUmask = ::umask(022);
    const auto restoreUmask = qScopeGuard([savedUmask] { ::umask(savedUmask); });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PELLMARCH.ini"));
    if (initialMode >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Init]\nUsername=dana\n");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(initialMode)) ==
                0);
    }

    g_renamed.clear();
    {
        QtSettingsStore store(path);
        // Private from the start of the run, not only from its first write: a file left
        // readable by others would otherwise stay so for as long as nothing is saved.
        if (initialMode >= 0) {
            struct stat atStart {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &atStart), 0);
            QCOMPARE(QString::number(atStart.st_mode & 0777, 8), QStringLiteral("600"));
        }
        store.write(QStringLiteral("Init"), QStringLiteral("Password"), QStringLiteral("s3cret!"));
        store.write(QStringLiteral("Init"), QStringLiteral("bSaveLogin"), QStringLiteral("1"));
        store.write(QStringLiteral("Init"), QStringLiteral("Password"), QStringLiteral("n3w-one"));
    }

    // Each write replaced the file, and no replacement was ever open to group or others.
    const QList<Renamed> renamed = g_renamed;
    g_renamed.clear();
    QCOMPARE(renamed.size(), 3);
    for (const Renamed &r : renamed) {
        QCOMPARE(r.target, path);
        QVERIFY(r.content.contains("Password="));
        QCOMPARE(QString::number(r.mode, 8), QStringLiteral("600"));
    }
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(QString::number(status.st_mode & 0777, 8), QStringLiteral("600"));

    // Nothing else left in the folder holds the password where others can read it.
    for (const QFileInfo &info : QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (!file.readAll().contains("n3w-one"))
            continue;
        QCOMPARE(::stat(QFile::encodeName(info.filePath()).constData(), &status), 0);
        QVERIFY2((status.st_mode & 077) == 0, qPrintable(info.fileName()));
    }

    QtSettingsStore again(path);
    QCOMPARE(again.read(QStringLiteral("Init"), QStringLiteral("Password"), {}),
             QStringLiteral("n3w-one"));
    if (initialMode >= 0)
        QCOMPARE(again.read(QStringLiteral("Init"), QStringLiteral("Username"), {}),
                 QStringLiteral("dana"));
}

void TestSettingsStore::closingKeepsEveryWritePrivate() {
    // Closing in own-sub-domain mode with a remembered login writes six settings one after
    // another, the password among them: not one of those writes, nor anything else written in
    // the folder meanwhile, is ever open to others.
    const mode_t savedUmask = ::umask(022);
    const auto restoreUmask = qScopeGuard([savedUmask] { ::umask(savedUmask); });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PELLMARCH.ini"));
    QtSettingsStore settings(path);
    pellmarch::testing::FakeServices fakes;
    pellmarch::session::Services services{fakes.web,
                                          fakes.boxes,
                                          fakes.shell,
                                          settings,
                                          fakes.journal,
                                          fakes.services.endpoints,
                                          fakes.user,
                                          fakes.flags,
                                          fakes.autoIP,
                                          fakes.work,
                                          fakes.services.parkingAddress,
                                          fakes.services.refreshInterval};
    pellmarch::app::frmMain main(services);
    fakes.user.sUsername = QStringLiteral("dana");
    fakes.user.sPassword = QStringLiteral("s3cret&pw");
    fakes.user.sSubDomain = QStringLiteral("dyn.example");
    fakes.user.sIPAddress = QStringLiteral("198.51.100.7");
    fakes.web.answer(QStringLiteral("<p>SUCCESS</p>")); // the two set-up commands
    fakes.web.answer(QStringLiteral("<p>SUCCESS</p>"));
    main.SetUpMainWindow();
    fakes.flags.bRememberLogin = true;
    fakes.web.answer(QStringLiteral("<p>SUCCESS</p>")); // the parking

    g_renamed.clear();
    main.lifecycle().ParkAndSaveSettings();
    const QList<Renamed> renamed = g_renamed;
    g_renamed.clear();

    qsizetype settingsWrites = 0;
    for (const Renamed &r : renamed) {
        QVERIFY2((r.mode & 077) == 0,
                 qPrintable(r.target + QLatin1Char(' ') + QString::number(r.mode, 8)));
        settingsWrites += r.target == path ? 1 : 0;
    }
    QCOMPARE(settingsWrites, 6);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(QString::number(status.st_mode & 0777, 8), QStringLiteral("600"));
    QCOMPARE(settings.read(QStringLiteral("Init"), QStringLiteral("Password"), {}),
             QStringLiteral("s3cret&pw"));
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
