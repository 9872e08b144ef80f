// The tray icon as a desktop's panel sees it: the real program on a virtual X screen, with a
// private session bus on which this test plays the panel (the StatusNotifierWatcher that tray
// icons register with), started after the program as it often is at a session's start. What
// the item says and its menu are read over the bus, as the panel reads them.
#include "ServiceStore.h"
#include "VerlundService.h"
#include "support/FakeTrayWatcher.h"
#include "support/HelperProgram.h"
#include "support/ProgramHome.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace pellmarch;

namespace {

// What the panel is told of an item: each time to fetch its icon or its tooltip again.
class ItemNews final : public QObject {
    Q_OBJECT
public:
    int icons = 0;
    int toolTips = 0;
public Q_SLOTS:
    void NewIcon() { ++icons; }
    void NewToolTip() { ++toolTips; }
};

// The labels of a dbusmenu layout's children, in order.
QStringList labelsOf(const QDBusArgument &layout) {
    QStringList labels;
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        const QDBusArgument item = child.variant().value<QDBusArgument>();
        int childId = 0;
        QVariantMap childProperties;
        item.beginStructure();
        item >> childId >> childProperties;
        labels.append(childProperties.value(QStringLiteral("label")).toString());
        item.beginArray(); // its own children, none here
        while (!item.atEnd()) {
            QDBusVariant grandchild;
            item >> grandchild;
        }
        item.endArray();
        item.endStructure();
    }
    layout.endArray();
    layout.endStructure();
    return labels;
}

} // namespace

class TestTrayHost : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelSeesTheIconAndItsMenu();
};

void TestTrayHost::panelSeesTheIconAndItsMenu() {
    const testing::HelperProgram screen(QStringLiteral("Xvfb"),
                                        {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                         QStringLiteral("-screen"), QStringLiteral("0"),
                                         QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                         QStringLiteral("tcp")});
    const QString display = screen.firstLine();
    QVERIFY2(!display.isEmpty(), "Xvfb is needed (Debian package xvfb)");
    const testing::HelperProgram bus(QStringLiteral("dbus-daemon"),
                                     testing::HelperProgram::sessionBus());
    const QString address = bus.firstLine();
    QVERIFY2(!address.isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");

    QDBusConnection panel = QDBusConnection::connectToBus(address, QStringLiteral("panel"));
    QVERIFY(panel.isConnected());
    testing::FakeTrayWatcher watcher;
    QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                 QDBusConnection::ExportAllSlots |
                                     QDBusConnection::ExportAllProperties));
    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    // The program's system bus too, where NetworkManager says when the network is back: the
    // address is then checked at once.
    QVERIFY(panel.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

    // A subscriber with an own host name, a remembered login and "Automatic IP Resolution"
    // ticked (each check asks the service), and the service to log in to.
    testing::ProgramHome home(QStringLiteral("demo"), QStringLiteral("demo"));
    QFile settings(home.filePath(QStringLiteral("config/PELLMARCH.ini")));
    QVERIFY(home.isReady() && settings.open(QIODevice::Append) &&
            settings.write("AutoIP=1\nIPAddressUser=demo\n") > 0);
    settings.close();
    verlund::ServiceStore store(home.filePath(QStringLiteral("svc.db")));
    QString error;
    QVERIFY2(store.open(&error) && store.seedDemo(), qPrintable(error));
    auto service = std::make_unique<verlund::VerlundService>(store);
    QStringList requests;
    service->setLogger([&requests](const QString &line) { requests.append(line); });
    if (service->listen(QHostAddress::LocalHost, testing::ProgramHome::servicePort()) == 0)
        QSKIP("the service port the program was built for is taken on this machine");

    QProcess program;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("PELLMARCH_REPORT_SHOWN"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    // Under the sanitizers: the X keyboard library copies a keymap name with strndup() out of a
    // buffer that ends without a NUL, which strict string checks take for an overflow.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS")))
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":strict_string_checks=0"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    program.start(QStringLiteral(PELLMARCH_PROGRAM), {});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    const auto end = qScopeGuard([&program] {
        program.kill();
        program.waitForFinished(10000);
    });

    // Logged in, the window shown and its host name registered; the panel only now: the icon
    // registers with it.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += program.readAllStandardError()).contains("shown frmMain") &&
                                 !requests.filter(QStringLiteral("RECORDADD")).isEmpty(),
                             20000);
    QVERIFY(panel.registerService(watcherName));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.registered.size(), 1, 20000);
    QString item = watcher.registered.first();
    const auto property = [&](const QString &name) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << name;
        const QDBusMessage reply = panel.call(get, QDBus::BlockWithGui, 5000);
        return reply.arguments().isEmpty()
                   ? QVariant()
                   : reply.arguments().first().value<QDBusVariant>().variant();
    };
    QCOMPARE(property(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    // The tooltip: the address the service sees and the connection's state.
    const auto toolTipText = [&] {
        const QDBusArgument toolTip = property(QStringLiteral("ToolTip")).value<QDBusArgument>();
        QString iconName;
        toolTip.beginStructure();
        toolTip >> iconName;
        toolTip.beginArray();
        while (!toolTip.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray pixels;
            toolTip.beginStructure();
            toolTip >> width >> height >> pixels;
            toolTip.endStructure();
        }
        toolTip.endArray();
        QString title;
        QString text;
        toolTip >> title >> text;
        toolTip.endStructure();
        return title + QLatin1Char('|') + text;
    };
    QString tip;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (tip = toolTipText()).contains(QStringLiteral("Your IPAddress: 127.0.0.1")) &&
            tip.contains(QStringLiteral("Last exchange: ")),
        qPrintable(tip), 10000);
    QVERIFY2(tip.contains(QStringLiteral("\nConnected")), qPrintable(tip));

    // Its menu, as the panel shows it.
    const auto menuLabels = [&] {
        QDBusMessage layout = QDBusMessage::createMethodCall(
            item, property(QStringLiteral("Menu")).value<QDBusObjectPath>().path(),
            QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
        layout << 0 << -1 << QStringList();
        const QDBusMessage reply = panel.call(layout, QDBus::BlockWithGui, 5000);
        return reply.type() == QDBusMessage::ReplyMessage
                   ? labelsOf(reply.arguments().at(1).value<QDBusArgument>())
                   : QStringList{reply.errorMessage()};
    };
    const QStringList menu{"Show", "Login as Different User", "Logout"};
    QCOMPARE(menuLabels(), menu);

    // Checks that change nothing tell the panel of no new icon, and of a new tooltip only for
    // the exchange's new time; the service out of reach, of both.
    ItemNews news;
    for (const QString &signal : {QStringLiteral("NewIcon"), QStringLiteral("NewToolTip")})
        QVERIFY(panel.connect(item, QStringLiteral("/StatusNotifierItem"),
                              QStringLiteral("org.kde.StatusNotifierItem"), signal, &news,
                              signal == QStringLiteral("NewIcon") ? SLOT(NewIcon())
                                                                  : SLOT(NewToolTip())));
    const auto networkBack = [&panel] {
        for (const uint state : {20u, 70u}) { // disconnected, then connected
            QDBusMessage changed = QDBusMessage::createSignal(
                QStringLiteral("/org/freedesktop/NetworkManager"),
                QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("StateChanged"));
            changed << state;
            QVERIFY(panel.send(changed));
        }
    };
    constexpr int kChecks = 3;
    for (int check = 0; check < kChecks; ++check) {
        const qsizetype asked = requests.filter(QStringLiteral("GetIPAddress")).size();
        networkBack();
        QTRY_COMPARE_WITH_TIMEOUT(requests.filter(QStringLiteral("GetIPAddress")).size(), asked + 1,
                                  10000);
    }
    service.reset();
    networkBack();
    QTRY_VERIFY2_WITH_TIMEOUT(
        (tip = toolTipText()).contains(QStringLiteral("\nNot Connected with Server")),
        qPrintable(tip), 10000);
    QCoreApplication::processEvents();
    QCOMPARE(news.icons, 1);
    // A tooltip at most for each check and the one out of reach, and one for the set-up's last
    // exchange, which the panel may yet have heard of.
    QVERIFY2(news.toolTips <= kChecks + 2, qPrintable(QString::number(news.toolTips)));

    // The panel restarts: the icon registers with its new watcher, with its menu.
    QVERIFY(panel.unregisterService(watcherName));
    QVERIFY(panel.registerService(watcherName));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.registered.size(), 2, 10000);
    item = watcher.registered.last();
    QCOMPARE(menuLabels(), menu);
    QCOMPARE(program.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestTrayHost)
#include "tst_tray_host.moc"
