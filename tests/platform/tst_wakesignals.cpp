// The wake-up check: a fake logind on a private D-Bus says the machine goes to sleep and wakes.
#include "platform/WakeSignals.h"
#include "support/HelperProgram.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using pellmarch::platform::WakeSignals;

class TestWakeSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wakingFromSleepIsSaid();
};

void TestWakeSignals::wakingFromSleepIsSaid() {
    const pellmarch::testing::HelperProgram bus(QStringLiteral("dbus-daemon"),
                                                pellmarch::testing::HelperProgram::sessionBus());
    const QString address = bus.firstLine();
    QVERIFY2(!address.isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");

    QDBusConnection watcherBus = QDBusConnection::connectToBus(address, QStringLiteral("watcher"));
    QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
    QVERIFY(watcherBus.isConnected() && logind.isConnected());
    QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    WakeSignals wake(watcherBus, false);
    QSignalSpy woken(&wake, &WakeSignals::woken);
    const auto prepareForSleep = [&logind](bool starting) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << starting;
        QVERIFY(logind.send(signal));
    };
    // Every signal sent so far has reached the watcher once logind has answered a ping that
    // went out after them: the bus keeps the order.
    const auto settled = [&] {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            logind.baseService(), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
            QStringLiteral("Ping"));
        const bool answered =
            watcherBus.call(ping, QDBus::BlockWithGui, 5000).type() == QDBusMessage::ReplyMessage;
        QCoreApplication::processEvents();
        return answered;
    };
    // Going to sleep says nothing; waking says so, once each time.
    prepareForSleep(true);
    QVERIFY(settled());
    QCOMPARE(woken.size(), 0);
    prepareForSleep(false);
    QTRY_COMPARE_WITH_TIMEOUT(woken.size(), 1, 5000);
    prepareForSleep(true);
    prepareForSleep(false);
    QVERIFY(settled());
    QTRY_COMPARE_WITH_TIMEOUT(woken.size(), 2, 5000);
    QVERIFY(settled());
    QCOMPARE(woken.size(), 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
}

QTEST_GUILESS_MAIN(TestWakeSignals)
#include "tst_wakesignals.moc"
