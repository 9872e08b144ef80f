// Desktop notifications: when the subscriber is told what (the rules, with a fake notifier and a
// fake clock), and how a message reaches the desktop's notification service (a fake service on a
// private D-Bus).
#include "platform/DesktopNotifications.h"
#include "session/Notices.h"
#include "support/Fakes.h"
#include "support/HelperProgram.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using pellmarch::protocol::Exchange;
using pellmarch::session::Notices;

namespace {

class FakeNotifier final : public pellmarch::platform::Notifier {
public:
    void notify(const QString &topic, const QString &summary, const QString &body) override {
        told.append(topic + QLatin1Char('|') + summary + QLatin1Char('|') + body);
    }
    QStringList told;
};

// The desktop's notification service as a test plays it.
class FakeNotificationService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    QList<QVariantList> calls;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &appName, uint replacesId, const QString &icon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int timeout) {
        calls.append({appName, replacesId, icon, summary, body, actions,
                      hints.value(QStringLiteral("desktop-entry")), timeout});
        return replacesId != 0 ? replacesId : uint(100 + calls.size());
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
};

const QString kUnreachable = QStringLiteral(
    "reach|Verlund Dynamic DNS cannot be reached|Pellmarch keeps trying and will tell you when it "
    "is back.");
const QString kReachable = QStringLiteral(
    "reach|Verlund Dynamic DNS is reachable again|Pellmarch is connected with the service.");

} // namespace

class TestNotices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void whatIsTold_data();
    void whatIsTold();
    void reachesTheDesktopsService();
};

void TestNotices::whatIsTold_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("told");
    // Steps at minutes after the start.
    QTest::newRow("an outage is told once it lasted two ticks and a minute, and its end")
        << QStringList{"none@0", "none@0.5", "none@1", "none@2", "refused@3", "ok@4"}
        << QStringList{kUnreachable, kReachable};
    QTest::newRow("one lost answer, or two within a minute, say nothing")
        << QStringList{"ok@0", "none@5", "ok@5.5", "lost-add@5.5", "none@6", "none@6.5", "ok@7"}
        << QStringList{};
    QTest::newRow("at most one an hour, and the end only of a told outage")
        << QStringList{"none@0", "none@1",  "ok@2",    "none@30", "none@31",
                       "ok@32",  "none@60", "none@61", "ok@62"}
        << QStringList{kUnreachable, kReachable, kUnreachable, kReachable};
    QTest::newRow("the subscriber's own exchanges say nothing of the service")
        << QStringList{"login-none@0", "none-own@1", "none-own@2", "refused-add-own@2", "ok@3"}
        << QStringList{};
    QTest::newRow("a refresh's refused change, with the reason, once an hour for each")
        << QStringList{"ok@0",  "refused-add@0",  "ok@2",  "refused-delete@2",
                       "ok@30", "refused-add@30", "ok@61", "refused-add@61",
                       "end@61"}
        << QStringList{"refused+A www.example.com 203.0.113.9|Could not set www.example.com at "
                       "203.0.113.9|The service said: Record is locked",
                       "refused-A example.com 203.0.113.9|Could not remove example.com at "
                       "203.0.113.9|The service refused the change.",
                       "refused+A www.example.com 203.0.113.9|Could not set www.example.com at "
                       "203.0.113.9|The service said: Record is locked"};
    QTest::newRow("a refresh's refusals are one notice, told while one is new in the hour")
        << QStringList{"ok@0", "refused-add6@0", "end@0",
                       "ok@1", "refused-add6@1", "end@1",
                       "ok@2", "refused-add6@2", "refused-delete@2",
                       "end@2"}
        << QStringList{"refused|Could not move 6 host names to 203.0.113.9|The service said: "
                       "Record is locked",
                       "refused|Could not change 7 host names|The service said: Record is locked"};
    QTest::newRow("moves name the address and the host names")
        << QStringList{"moved1@0", "moved7@1"}
        << QStringList{"moved|Address changed to 203.0.113.9|ann.dyn.example.net now points there.",
                       "moved|Address changed to 203.0.113.9|h1.example.com, h2.example.com, "
                       "h3.example.com, h4.example.com, h5.example.com and 2 more now point "
                       "there."};
    QTest::newRow("turned off: nothing, and no end of an outage never told")
        << QStringList{"off@0",    "none@0", "none@1", "refused-add@1",
                       "moved1@2", "on@3",   "ok@4",   "moved1@5"}
        << QStringList{"moved|Address changed to 203.0.113.9|ann.dyn.example.net now points "
                       "there."};
    QTest::newRow("held while a message box is open; an outage over by then is not told")
        << QStringList{"box@0", "none@0", "none@1", "ok@2", "refused-add@2", "end@2", "closed@3"}
        << QStringList{"refused+A www.example.com 203.0.113.9|Could not set www.example.com at "
                       "203.0.113.9|The service said: Record is locked"};
    QTest::newRow("held while a message box is open; an outage still on is told")
        << QStringList{"box@0", "none@0", "none@1", "closed@3"} << QStringList{kUnreachable};
}

void TestNotices::whatIsTold() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, told);
    FakeNotifier notifier;
    pellmarch::testing::MemorySettingsStore settings;
    Notices notices(notifier, settings);
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
    double minute = 0;
    bool boxOpen = false;
    notices.now = [&] {
        return start.addSecs(qRound64(60 * minute));
    };
    notices.boxOpen = [&] {
        return boxOpen;
    };
    const auto exchange = [&](Exchange::Kind kind, Exchange::Result result, bool automatic,
                              const QString &name, const QString &reason) {
        notices.exchanged(Exchange{.time = notices.now(),
                                   .kind = kind,
                                   .domain = QStringLiteral("example.com"),
                                   .recordType = QStringLiteral("A"),
                                   .name = name,
                                   .address = QStringLiteral("203.0.113.9"),
                                   .result = result,
                                   .reason = reason,
                                   .automatic = automatic});
    };
    for (const QString &step : steps) {
        const QString what = step.section(QLatin1Char('@'), 0, 0);
        minute = step.section(QLatin1Char('@'), 1).toDouble();
        if (what == QLatin1String("none"))
            exchange(Exchange::Kind::AddressQuery, Exchange::Result::NoAnswer, true, {}, {});
        else if (what == QLatin1String("ok"))
            exchange(Exchange::Kind::AddressQuery, Exchange::Result::Success, true, {}, {});
        else if (what == QLatin1String("none-own"))
            exchange(Exchange::Kind::AddressQuery, Exchange::Result::NoAnswer, false, {}, {});
        else if (what == QLatin1String("login-none"))
            exchange(Exchange::Kind::Login, Exchange::Result::NoAnswer, false, {}, {});
        else if (what == QLatin1String("refused"))
            exchange(Exchange::Kind::AddressQuery, Exchange::Result::Refused, true, {}, {});
        else if (what == QLatin1String("refused-add"))
            exchange(Exchange::Kind::RecordAdd, Exchange::Result::Refused, true,
                     QStringLiteral("www"), QStringLiteral("Record is locked"));
        else if (what == QLatin1String("lost-add"))
            exchange(Exchange::Kind::RecordAdd, Exchange::Result::NoAnswer, true,
                     QStringLiteral("www"), {});
        else if (what == QLatin1String("refused-add6"))
            for (int n = 1; n <= 6; ++n)
                exchange(Exchange::Kind::RecordAdd, Exchange::Result::Refused, true,
                         QStringLiteral("h%1").arg(n), QStringLiteral("Record is locked"));
        else if (what == QLatin1String("end"))
            notices.refreshEnded();
        else if (what == QLatin1String("refused-add-own"))
            exchange(Exchange::Kind::RecordAdd, Exchange::Result::Refused, false,
                     QStringLiteral("www"), QStringLiteral("Record is locked"));
        else if (what == QLatin1String("refused-delete"))
            exchange(Exchange::Kind::RecordDelete, Exchange::Result::Refused, true,
                     QStringLiteral("@"), {});
        else if (what == QLatin1String("moved1"))
            notices.moved({QStringLiteral("ann.dyn.example.net")}, QStringLiteral("203.0.113.9"));
        else if (what == QLatin1String("moved7")) {
            QStringList names;
            for (int n = 1; n <= 7; ++n)
                names.append(QStringLiteral("h%1.example.com").arg(n));
            notices.moved(names, QStringLiteral("203.0.113.9"));
        } else if (what == QLatin1String("off") || what == QLatin1String("on"))
            notices.setOn(what == QLatin1String("on"));
        else if (what == QLatin1String("box"))
            boxOpen = true;
        else if (what == QLatin1String("closed")) {
            QVERIFY(notifier.told.isEmpty());
            boxOpen = false;
            QTRY_COMPARE_WITH_TIMEOUT(notifier.told.size(), int(told.size()), 5000);
            notifier.told.sort(); // told once the box has closed, in no particular order
            told.sort();
        } else
            QFAIL(qPrintable(step));
    }
    QCOMPARE(notifier.told, told);
    if (steps.contains(QStringLiteral("off@0")))
        QCOMPARE(settings.writes, (QStringList{"Init/Notifications=0", "Init/Notifications=1"}));
}

void TestNotices::reachesTheDesktopsService() {
    const pellmarch::testing::HelperProgram bus(QStringLiteral("dbus-daemon"),
                                                pellmarch::testing::HelperProgram::sessionBus());
    const QString address = bus.firstLine();
    QVERIFY2(!address.isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");
    QDBusConnection serviceBus = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    QVERIFY(serviceBus.isConnected());

    for (const bool markup : {true, false}) {
        FakeNotificationService service;
        service.capabilities = markup ? QStringList{"body", "body-markup"} : QStringList{"body"};
        QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(serviceBus.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), &service,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        const QString name = markup ? QStringLiteral("markup") : QStringLiteral("plain");
        pellmarch::platform::DesktopNotifications notifications(
            [&] { return QDBusConnection::connectToBus(address, name); });
        notifications.notify(QStringLiteral("moved"), QStringLiteral("Address changed"),
                             QStringLiteral("a<b> & c"));
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 1, 5000);
        const auto heard = [&] {
            return pellmarch::testing::HeardAllFrom(QDBusConnection(name), serviceBus);
        };
        QVERIFY(heard());
        notifications.notify(QStringLiteral("moved"), QStringLiteral("Again"),
                             QStringLiteral("a<b> & c"));
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 2, 5000);
        notifications.notify(QStringLiteral("reach"), QStringLiteral("Other"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 3, 5000);
        // Once the subscriber has dismissed it, the topic's next message is a new one.
        QVERIFY(heard());
        emit service.NotificationClosed(101, 2);
        QVERIFY(heard());
        notifications.notify(QStringLiteral("moved"), QStringLiteral("Later"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 4, 5000);

        const QString body =
            markup ? QStringLiteral("a&lt;b&gt; &amp; c") : QStringLiteral("a<b> & c");
        const QVariantList first{"Pellmarch",
                                 0u,
                                 "net.verlund.Pellmarch",
                                 "Address changed",
                                 body,
                                 QStringList(),
                                 "net.verlund.Pellmarch",
                                 -1};
        QCOMPARE(service.calls.at(0), first);
        // The same topic takes the place of the message before; another has its own.
        QCOMPARE(service.calls.at(1).at(1).toUInt(), 101u);
        QCOMPARE(service.calls.at(1).at(4).toString(), body);
        QCOMPARE(service.calls.at(2).at(1).toUInt(), 0u);
        QCOMPARE(service.calls.at(3).at(1).toUInt(), 0u);
        serviceBus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QVERIFY(serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        QDBusConnection::disconnectFromBus(name);
    }
}

QTEST_GUILESS_MAIN(TestNotices)
#include "tst_notices.moc"
