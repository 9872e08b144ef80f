// The wake-up check: a fake logind on a private D-Bus says the machine goes to sleep and wakes.
#include "platform/WakeSignals.h"
#include "support/HelperProgram.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using pellmarch::platform::WakeSignals;

namespace {

// NetworkManager as far as the program asks it: its state, read at the start.
class FakeNetworkManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ state)
public:
    uint state() const { return initial; }
    uint initial = 20; // disconnected
};

} // namespace

class TestWakeSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wakingFromSleepIsSaid();
    void networkComingBackIsSaid();
    void cleanup();
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
    const auto settled = [&] {
        return pellmarch::testing::HeardAllFrom(watcherBus, logind);
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
}

void TestWakeSignals::networkComingBackIsSaid() {
    const pellmarch::testing::HelperProgram bus(QStringLiteral("dbus-daemon"),
                                                pellmarch::testing::HelperProgram::sessionBus());
    const QString address = bus.firstLine();
    QVERIFY2(!address.isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");
    QDBusConnection watcherBus = QDBusConnection::connectToBus(address, QStringLiteral("watcher"));
    QDBusConnection managerBus = QDBusConnection::connectToBus(address, QStringLiteral("nm"));
    FakeNetworkManager manager;
    QVERIFY(managerBus.registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager,
                                      QDBusConnection::ExportAllProperties));
    QVERIFY(managerBus.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

    WakeSignals wake(watcherBus, true);
    QSignalSpy woken(&wake, &WakeSignals::woken);
    const auto stateChanged = [&managerBus](uint state) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/NetworkManager"),
            QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("StateChanged"));
        signal << state;
        QVERIFY(managerBus.send(signal));
    };
    const auto settled = [&] {
        return pellmarch::testing::HeardAllFrom(watcherBus, managerBus);
    };
    // Offline at the start, as read from NetworkManager: connecting is coming back; connected
    // again while connected is not; the local network alone is not online.
    QVERIFY(settled());
    for (const uint state : {70u, 70u, 60u, 50u, 20u, 40u, 70u})
        stateChanged(state);
    QVERIFY(settled());
    QTRY_COMPARE_WITH_TIMEOUT(woken.size(), 2, 5000);
    QVERIFY(settled());
    QCOMPARE(woken.size(), 2);
}

void TestWakeSignals::cleanup() {
    // Also after a failure: the next test's connections of these names go to its own bus.
    for (const char *name : {"watcher", "logind", "nm"})
        QDBusConnection::disconnectFromBus(QLatin1String(name));
}

QTEST_GUILESS_MAIN(TestWakeSignals)
#include "tst_wakesignals.moc"
