// verlund-service: the local stand-in for the hosted Verlund Dynamic DNS service.
#include "ServiceStore.h"
#include "VerlundService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace verlund;

namespace {

int fail(const QString &message) {
    QTextStream(stderr) << "verlund-service: " << message << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("verlund-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Local stand-in for the Verlund Dynamic DNS service.\n\n"
        "Commands:\n"
        "  serve                 answer requests (needs --db; --port, --address)\n"
        "  seed-demo             create the demo subscribers and records\n"
        "  add-subscriber        create or replace a subscriber (--user, --password, ...)\n"
        "  set-address           report --address for --user instead of the caller's address\n"
        "  clear-address         report the caller's address for --user again"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("what to do"));
    const QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("SQLite database file"),
                                      QStringLiteral("file"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP port"),
                                        QStringLiteral("port"), QStringLiteral("18080"));
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("address to listen on"),
                                          QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("user name"),
                                        QStringLiteral("name"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("password"),
                                            QStringLiteral("password"));
    const QCommandLineOption firstOption(QStringLiteral("first-name"), QStringLiteral("first name"),
                                         QStringLiteral("name"));
    const QCommandLineOption lastOption(QStringLiteral("last-name"), QStringLiteral("last name"),
                                        QStringLiteral("name"));
    const QCommandLineOption domainsOption(QStringLiteral("domains"),
                                           QStringLiteral("comma-separated domains of his own"),
                                           QStringLiteral("list"));
    const QCommandLineOption typesOption(QStringLiteral("record-types"),
                                         QStringLiteral("comma-separated record types"),
                                         QStringLiteral("list"), QStringLiteral("A"));
    const QCommandLineOption subDomainOption(QStringLiteral("sub-domain"),
                                             QStringLiteral("service domain of his own host name"),
                                             QStringLiteral("domain"));
    const QCommandLineOption addressOption(
        QStringLiteral("address"), QStringLiteral("address to report"), QStringLiteral("ipv4"));
    parser.addOptions({dbOption, portOption, listenOption, userOption, passwordOption, firstOption,
                       lastOption, domainsOption, typesOption, subDomainOption, addressOption});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        parser.showHelp(1);
    if (!parser.isSet(dbOption))
        return fail(QStringLiteral("--db is required"));

    ServiceStore store(parser.value(dbOption));
    QString error;
    if (!store.open(&error))
        return fail(QStringLiteral("cannot open the database: ") + error);

    const QString command = args.first();
    if (command == QLatin1String("seed-demo"))
        return store.seedDemo() ? 0 : fail(QStringLiteral("seeding failed"));

    if (command == QLatin1String("add-subscriber")) {
        if (!parser.isSet(userOption) || !parser.isSet(passwordOption))
            return fail(QStringLiteral("--user and --password are required"));
        const Subscriber s{parser.value(userOption),      parser.value(passwordOption),
                           parser.value(firstOption),     parser.value(lastOption),
                           parser.value(domainsOption),   parser.value(typesOption),
                           parser.value(subDomainOption), QString()};
        return store.putSubscriber(s) ? 0 : fail(QStringLiteral("cannot store the subscriber"));
    }

    if (command == QLatin1String("set-address") || command == QLatin1String("clear-address")) {
        const QString address =
            command == QLatin1String("set-address") ? parser.value(addressOption) : QString();
        if (command == QLatin1String("set-address") && !IsIPv4Address(address))
            return fail(QStringLiteral("--address must be an IPv4 address"));
        return store.setAddressOverride(parser.value(userOption), address)
                   ? 0
                   : fail(QStringLiteral("no such subscriber"));
    }

    if (command == QLatin1String("serve")) {
        VerlundService service(store);
        const QHostAddress address(parser.value(listenOption));
        const quint16 port = service.listen(address, parser.value(portOption).toUShort());
        if (port == 0)
            return fail(QStringLiteral("cannot listen on %1:%2")
                            .arg(address.toString(), parser.value(portOption)));
        QTextStream(stderr) << "verlund-service: listening on http://" << address.toString() << ':'
                            << port << Qt::endl;
        return app.exec();
    }
    return fail(QStringLiteral("unknown command ") + command);
}
