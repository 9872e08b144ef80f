// The wake-up check: a fake logind on a private D-Bus says the machine goes to sleep and wakes.
#include "platform/WakeSignals.h"
#include "support/HelperProgram.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

using pellmarch::platform::WakeSignals;
using namespace std::chrono_literals;

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

// What logind says as the machine goes to sleep (true) and once it has woken (false).
bool sendPrepareForSleep(const QDBusConnection &logind, bool starting) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"));
    signal << starting;
    return logind.send(signal);
}

} // namespace

class TestWakeSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wakingFromSleepIsSaid();
    void networkComingBackIsSaid();
    void defaultRouteIsOnline_data();
    void defaultRouteIsOnline();
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

    // With no news of the network, the wake is said once the network has had its time.
    WakeSignals wake(watcherBus, false, 1s);
    QSignalSpy woken(&wake, &WakeSignals::woken);
    const auto prepareForSleep = [&logind](bool starting) {
        QVERIFY(sendPrepareForSleep(logind, starting));
    };
    const auto settled = [&] {
        return pellmarch::testing::HeardAllFrom(watcherBus, logind);
    };
    // Going to sleep says nothing; waking says so after the wait, once each time.
    prepareForSleep(true);
    QVERIFY(settled());
    QCOMPARE(woken.size(), 0);
    prepareForSleep(false);
    QVERIFY(settled());
    QCOMPARE(woken.size(), 0);
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
    QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
    QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    FakeNetworkManager manager;
    QVERIFY(managerBus.registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager,
                                      QDBusConnection::ExportAllProperties));
    QVERIFY(managerBus.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

    constexpr auto kNetworkWait = 3s;
    WakeSignals wake(watcherBus, true, kNetworkWait);
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

    // After a wake the network comes back some seconds later: the wake is said once it has
    // (asleep, the network counts as gone, whatever NetworkManager said), and only once.
    const QDeadlineTimer waitOver(kNetworkWait + 500ms);
    QVERIFY(sendPrepareForSleep(logind, true));
    QVERIFY(sendPrepareForSleep(logind, false));
    QVERIFY(pellmarch::testing::HeardAllFrom(watcherBus, logind));
    QCOMPARE(woken.size(), 2);
    stateChanged(70);
    QTRY_COMPARE_WITH_TIMEOUT(woken.size(), 3, 1500);
    QTRY_VERIFY_WITH_TIMEOUT(waitOver.hasExpired(), 5000);
    QCOMPARE(woken.size(), 3);
}

void TestWakeSignals::defaultRouteIsOnline_data() {
    // The kernel's tables as /proc/net/route and /proc/net/ipv6_route show them.
    const QByteArray heading = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask"
                               "\t\tMTU\tWindow\tIRTT\n";
    const QByteArray lan = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
    const QByteArray zeros(32, '0');
    const QByteArray linkLocal = "fe800000000000000000000000000000 40 " + zeros + " 00 " + zeros +
                                 " 00000100 00000001 00000000 00000001     eth0\n";
    const QByteArray ipv6Default = zeros + " 00 " + zeros +
                                   " 00 fd000000000000000000000000000001 " +
                                   "00000400 00000003 00000000 00000003     eth0\n";
    QTest::addColumn<QByteArray>("ipv4");
    QTest::addColumn<QByteArray>("ipv6");
    QTest::addColumn<bool>("online");
    QTest::newRow("IPv4 default route") << heading + lan +
                                               "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000"
                                               "\t0\t0\t0\n"
                                        << linkLocal << true;
    QTest::newRow("local network only") << heading + lan << linkLocal << false;
    QTest::newRow("nothing read") << QByteArray() << QByteArray() << false;
    QTest::newRow("IPv4 default route down")
        << heading + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
        << QByteArray() << false;
    QTest::newRow("a host route to nowhere is no default")
        << heading + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\tFFFFFFFF\t0\t0\t0\n"
        << QByteArray() << false;
    QTest::newRow("IPv6 default route") << heading + lan << linkLocal + ipv6Default << true;
    QTest::newRow("IPv6 unreachable default of the loopback")
        << heading
        << zeros + " 00 " + zeros + " 00 " + zeros +
               " ffffffff 00000001 00000000 00200200       lo\n"
        << false;
    QTest::newRow("IPv6 rejecting default") << heading
                                            << zeros + " 00 " + zeros + " 00 " + zeros +
                                                   " ffffffff 00000001 00000000 00000201     eth0\n"
                                            << false;
}

void TestWakeSignals::defaultRouteIsOnline() {
    QFETCH(QByteArray, ipv4);
    QFETCH(QByteArray, ipv6);
    QFETCH(bool, online);
    QCOMPARE(pellmarch::platform::HasDefaultRoute(ipv4, ipv6), online);
}

void TestWakeSignals::cleanup() {
    // Also after a failure: the next test's connections of these names go to its own bus.
    for (const char *name : {"watcher", "logind", "nm"})
        QDBusConnection::disconnectFromBus(QLatin1String(name));
}

QTEST_GUILESS_MAIN(TestWakeSignals)
#include "tst_wakesignals.moc"
