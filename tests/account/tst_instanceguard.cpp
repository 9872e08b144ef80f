// One run of the program at a time for each user.
#include "account/InstanceGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using pellmarch::account::InstanceGuard;

class TestInstanceGuard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondRunEndsAndRaisesTheFirst();
    void lockOfACrashedRunDoesNotBlock();
    void withoutRuntimeFolderTheLockStaysPrivate_data();
    void withoutRuntimeFolderTheLockStaysPrivate();
};

void TestInstanceGuard::secondRunEndsAndRaisesTheFirst() {
    QTemporaryDir runtime;
    InstanceGuard first(runtime.path());
    QVERIFY(first.becomeTheOnlyRun());
    QSignalSpy raised(&first, &InstanceGuard::raiseRequested);
    {
        InstanceGuard second(runtime.path());
        QVERIFY(!second.becomeTheOnlyRun());
        QTRY_COMPARE(raised.size(), 1);
    }
    // Another user's runtime folder is another user: no interference.
    QTemporaryDir otherUser;
    QVERIFY(InstanceGuard(otherUser.path()).becomeTheOnlyRun());
    QCOMPARE(raised.size(), 1);
}

void TestInstanceGuard::lockOfACrashedRunDoesNotBlock() {
    QTemporaryDir runtime;
    {
        // What a run that died without cleaning up leaves behind: a lock naming a process that
        // no longer exists, on this machine.
        QFile lock(runtime.filePath(QStringLiteral("pellmarch.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray("2147483646\n") + QCoreApplication::applicationName().toUtf8() +
                   '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
        QFile socket(runtime.filePath(QStringLiteral("pellmarch.socket")));
        QVERIFY(socket.open(QIODevice::WriteOnly));
    }
    InstanceGuard next(runtime.path());
    QVERIFY(next.becomeTheOnlyRun());
    // The run that took the lock over now holds it like any other.
    InstanceGuard other(runtime.path());
    QVERIFY(!other.becomeTheOnlyRun());
}

void TestInstanceGuard::withoutRuntimeFolderTheLockStaysPrivate_data() {
    QTest::addColumn<QString>("standing"); // what stands where the program's cache folder goes
    QTest::addColumn<bool>("used");
    QTest::newRow("nothing") << "" << true;
    QTest::newRow("a folder open to all") << "folder" << true;
    QTest::newRow("a link to another folder") << "link" << false;
}

void TestInstanceGuard::withoutRuntimeFolderTheLockStaysPrivate() {
    QFETCH(QString, standing);
    QFETCH(bool, used);
    QTemporaryDir shared, cache, elsewhere;
    const auto restore = qScopeGuard([kept = QProcessEnvironment::systemEnvironment()] {
        for (const char *name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"})
            kept.contains(name) ? qputenv(name, kept.value(name).toLocal8Bit()) : qunsetenv(name);
    });
    // No runtime folder: none is set, and the one Qt would make in the shared folder is taken.
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", shared.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QFile taken(shared.filePath(QStringLiteral("runtime-") + QFileInfo(shared.path()).owner()));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    // Another user's run holding the lock in the shared folder.
    QLockFile another(shared.filePath(QStringLiteral("pellmarch.lock")));
    QVERIFY(another.tryLock(0));

    const QString own = cache.filePath(QStringLiteral("pellmarch"));
    if (standing == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
    if (standing == QLatin1String("link"))
        QVERIFY(QFile::link(elsewhere.path(), own));
    InstanceGuard guard;
    QVERIFY(guard.becomeTheOnlyRun());
    QCOMPARE(QFileInfo::exists(own + QStringLiteral("/pellmarch.lock")), used);
    if (used)
        QCOMPARE(QFile::permissions(own), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

QTEST_MAIN(TestInstanceGuard)
#include "tst_instanceguard.moc"
