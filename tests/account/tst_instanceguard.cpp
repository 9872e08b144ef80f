// One run of the program at a time for each user.
#include "account/InstanceGuard.h"

#include <QCoreApplication>
#include <QFile>
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

QTEST_MAIN(TestInstanceGuard)
#include "tst_instanceguard.moc"
