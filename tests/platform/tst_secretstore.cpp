// The remembered password in the desktop's secret store: a real GNOME Keyring on a private
// session bus, a bus with no store on it, no bus at all, and the settings file as the fallback
// and the older versions' place.
#include "platform/KeychainSecretStore.h"
#include "session/RememberedLogin.h"
#include "support/Fakes.h"
#include "support/HelperProgram.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pellmarch;
using platform::KeychainSecretStore;
using platform::SecretStore;
using Result = SecretStore::Result;

namespace {

// A store whose writes can be made to fail, and which counts what it is asked.
class FakeSecretStore final : public SecretStore {
public:
    bool isThere() override { return there; }
    Result read(const QString &account, QString *secret) override {
        ++asked;
        if (!there)
            return Result::NoStore;
        if (!kept.contains(account))
            return Result::NoEntry;
        *secret = kept.value(account);
        return Result::Done;
    }
    Result write(const QString &account, const QString &secret) override {
        ++asked;
        if (refusing)
            return Result::Failed;
        kept.insert(account, secret);
        return Result::Done;
    }
    Result remove(const QString &account) override {
        ++asked;
        kept.remove(account);
        return Result::Done;
    }
    bool there = true;
    bool refusing = false;
    int asked = 0;
    QHash<QString, QString> kept;
};

} // namespace

class TestSecretStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void withoutAStoreTheFileKeepsIt_data();
    void withoutAStoreTheFileKeepsIt();
    void theKeyringKeepsIt();
    void storeThatFailsNeverCostsTheLogin();

private:
    std::unique_ptr<testing::HelperProgram> m_bus;
    QTemporaryDir m_home;
};

void TestSecretStore::initTestCase() {
    // This process's session bus is a private one, before anything has asked for it, and one
    // that starts no service by itself: no store is there until the test starts one.
    QFile standard(QStringLiteral("/usr/share/dbus-1/session.conf"));
    QVERIFY2(standard.open(QIODevice::ReadOnly),
             "dbus-daemon is needed (Debian package dbus-daemon)");
    QFile config(m_home.filePath(QStringLiteral("bus.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(standard.readAll().replace("<standard_session_servicedirs />", ""));
    config.close();
    m_bus = std::make_unique<testing::HelperProgram>(
        QStringLiteral("dbus-daemon"),
        QStringList{QStringLiteral("--config-file=") + config.fileName(),
                    QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QVERIFY2(!m_bus->firstLine().isEmpty(), "dbus-daemon is needed (Debian package dbus-daemon)");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->firstLine().toUtf8());
    // The store QtKeychain speaks is chosen by the desktop: the Secret Service outside KDE.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("KDE_FULL_SESSION");
}

void TestSecretStore::withoutAStoreTheFileKeepsIt_data() {
    QTest::addColumn<bool>("bus");
    QTest::newRow("no session bus at all") << false;
    QTest::newRow("a bus with no store on it, nor one it can start") << true;
}

void TestSecretStore::withoutAStoreTheFileKeepsIt() {
    QFETCH(bool, bus);
    KeychainSecretStore store(QStringLiteral("Pellmarch"),
                              bus ? QDBusConnection::sessionBus()
                                  : QDBusConnection(QStringLiteral("no bus")));
    QElapsedTimer clock;
    clock.start();
    QString password;
    QCOMPARE(store.read(QStringLiteral("dana"), &password), Result::NoStore);
    QCOMPARE(store.write(QStringLiteral("dana"), QStringLiteral("s3cret")), Result::NoStore);
    // At once, not after the half minute that asking the bus to start a store would take.
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

    testing::MemorySettingsStore settings;
    session::RememberedLogin remembered(settings, &store);
    remembered.keep(QStringLiteral("dana"), QStringLiteral("s3cret"), true);
    QCOMPARE(settings.values.value(QStringLiteral("Init/Password")), QStringLiteral("s3cret"));
    const session::RememberedLogin::Login login = remembered.read();
    QVERIFY(login.remembered);
    QCOMPARE(login.password, QStringLiteral("s3cret"));
    QCOMPARE(remembered.whereKept(), QStringLiteral("Your password is kept in Pellmarch's "
                                                    "settings file, readable by you only."));
}

void TestSecretStore::theKeyringKeepsIt() {
    // GNOME Keyring on the private bus, its login keyring made and unlocked with an empty
    // password, its files in a folder of the test's own.
    const QString start =
        QStringLiteral("printf '\\n' | HOME='%1' XDG_DATA_HOME='%1/data' XDG_RUNTIME_DIR='%1' "
                       "gnome-keyring-daemon --unlock --components=secrets --foreground & "
                       "echo $!; wait")
            .arg(m_home.path());
    const testing::HelperProgram keyring(QStringLiteral("sh"), {QStringLiteral("-c"), start});
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QTRY_VERIFY2_WITH_TIMEOUT(bus->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")),
                              "gnome-keyring-daemon is needed (Debian package gnome-keyring)",
                              10000);
    KeychainSecretStore store(QStringLiteral("Pellmarch"));
    QString password;
    QCOMPARE(store.read(QStringLiteral("nobody"), &password), Result::NoEntry);

    // An older version left the password in the settings file: it moves into the store, and
    // the file keeps none once the store has it.
    testing::MemorySettingsStore settings;
    for (const auto &[key, value] :
         {std::pair{"bSaveLogin", "1"}, {"Username", "dana"}, {"Password", "s3cr&t pw"}})
        settings.values.insert(QStringLiteral("Init/") + QLatin1String(key), QLatin1String(value));
    QCOMPARE(session::RememberedLogin(settings, &store).read().password,
             QStringLiteral("s3cr&t pw"));
    QCOMPARE(settings.values.value(QStringLiteral("Init/Password")), QString());
    QCOMPARE(store.read(QStringLiteral("dana"), &password), Result::Done);
    QCOMPARE(password, QStringLiteral("s3cr&t pw"));

    // The next start finds it there; a new one is kept there too.
    session::RememberedLogin next(settings, &store);
    QCOMPARE(next.read().password, QStringLiteral("s3cr&t pw"));
    next.keep(QStringLiteral("dana"), QStringLiteral("n3w"), true);
    QCOMPARE(settings.values.value(QStringLiteral("Init/Password")), QString());
    QCOMPARE(store.read(QStringLiteral("dana"), &password), Result::Done);
    QCOMPARE(password, QStringLiteral("n3w"));
    QCOMPARE(next.whereKept(),
             QStringLiteral("Your password is kept in the desktop's password store."));

    // A login without "Save Login" forgets it there as in the file; the user name stays.
    next.keep(QStringLiteral("dana"), QStringLiteral("n3w"), false);
    QCOMPARE(store.read(QStringLiteral("dana"), &password), Result::NoEntry);
    QCOMPARE(settings.values.value(QStringLiteral("Init/Username")), QStringLiteral("dana"));
    QCOMPARE(settings.values.value(QStringLiteral("Init/bSaveLogin")), QStringLiteral("0"));
}

void TestSecretStore::storeThatFailsNeverCostsTheLogin() {
    FakeSecretStore store;
    testing::MemorySettingsStore settings;
    const auto password = [&settings] {
        return settings.values.value(QStringLiteral("Init/Password"));
    };
    session::RememberedLogin remembered(settings, &store);
    remembered.keep(QStringLiteral("ann"), QStringLiteral("annpw"), true);
    QCOMPARE(password(), QString());
    // bob's password the store refuses: the file keeps it, and closing asks the store no more.
    store.refusing = true;
    remembered.keep(QStringLiteral("bob"), QStringLiteral("bobpw"), true);
    QCOMPARE(password(), QStringLiteral("bobpw"));
    const int asked = store.asked;
    remembered.keep(QStringLiteral("bob"), QStringLiteral("bobpw"), true);
    QCOMPARE(store.asked, asked);
    // ann again, as the store already holds her: bob's password does not stay beside her name,
    // and ann's is the one remembered.
    remembered.keep(QStringLiteral("ann"), QStringLiteral("annpw"), true);
    QCOMPARE(password(), QString());
    QCOMPARE(session::RememberedLogin(settings, &store).read().password, QStringLiteral("annpw"));
    // dana remembered in ann's place: ann's password goes from the store.
    store.refusing = false;
    remembered.keep(QStringLiteral("dana"), QStringLiteral("danapw"), true);
    QVERIFY(!store.kept.contains(QStringLiteral("ann")));
    // At the next start the store has not come up yet: no empty password is sent, the login
    // window asks.
    store.there = false;
    const session::RememberedLogin::Login login = session::RememberedLogin(settings, &store).read();
    QVERIFY(login.remembered && login.passwordUnavailable);
    QCOMPARE(login.username, QStringLiteral("dana"));
}

QTEST_GUILESS_MAIN(TestSecretStore)
#include "tst_secretstore.moc"
