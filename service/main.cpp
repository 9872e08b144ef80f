// verlund-service: the local stand-in for the hosted Verlund Dynamic DNS service.
#include "ServiceStore.h"
#include "VerlundService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <optional>

#include <termios.h>
#include <unistd.h>

using namespace verlund;

namespace {

int fail(const QString &message) {
    QTextStream(stderr) << "verlund-service: " << message << Qt::endl;
    return 1;
}

// The password of add-subscriber: the first line of a file or of standard input, never the
// command line (which `ps` and the shell's history show). Typed at a terminal, it is not echoed.
std::optional<QString> readPassword(const QString &file) {
    QFile in;
    if (file.isEmpty() || file == QLatin1String("-")) {
        if (!in.open(stdin, QIODevice::ReadOnly))
            return std::nullopt;
    } else {
        in.setFileName(file);
        if (!in.open(QIODevice::ReadOnly))
            return std::nullopt;
    }
    termios saved{};
    const bool terminal = in.handle() == STDIN_FILENO && ::isatty(STDIN_FILENO) &&
                          ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        QTextStream(stderr) << "Password: " << Qt::flush;
    }
    QByteArray line = in.readLine();
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        QTextStream(stderr) << '\n';
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
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
        "  add-subscriber        create or replace a subscriber (--user, --domains, ...); the\n"
        "                        password is the first line of standard input, or of\n"
        "                        --password-file\n"
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
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("file whose first line is the password (default: standard input)"),
        QStringLiteral("file"));
    // Taken only to refuse it with a reason: a password on the command line is seen by everyone.
    QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("password"),
                                      QStringLiteral("password"));
    passwordOption.setFlags(QCommandLineOption::HiddenFromHelp);
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
    parser.addOptions({dbOption, portOption, listenOption, userOption, passwordFileOption,
                       passwordOption, firstOption, lastOption, domainsOption, typesOption,
                       subDomainOption, addressOption});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        parser.showHelp(1);
    if (parser.isSet(passwordOption))
        return fail(QStringLiteral("--password is not taken: the command line is visible to every "
                                   "user (ps) and kept in the shell's history; give the password "
                                   "on standard input or with --password-file"));
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
        if (!parser.isSet(userOption))
            return fail(QStringLiteral("--user is required"));
        const std::optional<QString> password = readPassword(parser.value(passwordFileOption));
        if (!password)
            return fail(QStringLiteral("cannot read the password from ") +
                        (parser.isSet(passwordFileOption) ? parser.value(passwordFileOption)
                                                          : QStringLiteral("standard input")));
        if (password->isEmpty())
            return fail(QStringLiteral("the password is empty"));
        const Subscriber s{parser.value(userOption),      *password,
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
