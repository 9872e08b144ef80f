#include "VerlundService.h"

#include "protocol/AnswerText.h"
#include "protocol/RecordList.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace verlund {

namespace {

const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");

// Query keys are matched without regard to letter case, as the hosted service does.
QString value(const QUrlQuery &query, const char *key) {
    const auto items = query.queryItems(QUrl::FullyDecoded);
    for (const auto &[k, v] : items)
        if (k.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

QString paragraph(const char *key, const QString &text) {
    return QStringLiteral("<p>") + QLatin1String(key) + QStringLiteral(": ") + text +
           QStringLiteral("</p>\r\n");
}

QString page(const QString &title, const QString &body) {
    return QStringLiteral("<html><head><title>") + title +
           QStringLiteral("</title></head>\r\n<body>\r\n") + body +
           QStringLiteral("</body></html>\r\n");
}

QString failure(const QString &reason) {
    return page(QStringLiteral("Verlund Dynamic DNS"), paragraph("Error", reason));
}

QString webPage(const char *title, const char *text) {
    return page(QLatin1String(title), QStringLiteral("<h1>") + QLatin1String(title) +
                                          QStringLiteral("</h1>\r\n<p>") + QLatin1String(text) +
                                          QStringLiteral("</p>\r\n"));
}

} // namespace

VerlundService::VerlundService(ServiceStore &store, QObject *parent)
    : QObject(parent), m_store(store),
      m_log([](const QString &line) { QTextStream(stderr) << line << Qt::endl; }) {
    m_server.route(QStringLiteral("/dnslogin.asp"), [this](const QHttpServerRequest &request) {
        const QString body = answer(request.query(), request.remoteAddress());
        // One arg() call: a value holding "%00" or "%1" is text, never a placeholder.
        m_log(QStringLiteral("GET /dnslogin.asp?%1 from %2 -> %3 bytes")
                  .arg(maskedQuery(request.query()), request.remoteAddress().toString(),
                       QString::number(body.toUtf8().size())));
        return QHttpServerResponse(kHtml, body.toUtf8());
    });

    struct Page {
        const char *path;
        const char *title;
        const char *text;
    };
    static constexpr Page kPages[] = {
        {"/", "Sign up for Verlund Dynamic DNS",
         "Choose a user name and a password to get your own host name. Basic sub-domains are "
         "free."},
        {"/support.htm", "Verlund Dynamic DNS Help",
         "Log in with your user name and password. Pellmarch keeps your host name pointed at "
         "your machine's public address, or lets you manage the records of your own domains."},
        {"/tos.htm", "Verlund Terms of Service",
         "Use the service for lawful purposes only. Records that point at a parked address are "
         "unreachable by their name."},
        {"/pop_pword.asp", "Forgotten Password",
         "Enter the e-mail address of your account and we will send you a new password."},
    };
    for (const Page &p : kPages) {
        m_server.route(QLatin1String(p.path), [this, p](const QHttpServerRequest &request) {
            m_log(QStringLiteral("GET %1 from %2")
                      .arg(QLatin1String(p.path), request.remoteAddress().toString()));
            return QHttpServerResponse(kHtml, webPage(p.title, p.text).toUtf8());
        });
    }
}

quint16 VerlundService::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

QString VerlundService::maskedQuery(const QUrlQuery &query) {
    QUrlQuery masked;
    const auto items = query.queryItems(QUrl::FullyEncoded);
    for (const auto &[k, v] : items)
        masked.addQueryItem(k, k.compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0
                                   ? QStringLiteral("***")
                                   : v);
    return masked.toString(QUrl::FullyEncoded);
}

QString VerlundService::answer(const QUrlQuery &query, const QHostAddress &peer) {
    const QString function = value(query, "fxn");
    if (function.compare(QLatin1String("login"), Qt::CaseInsensitive) == 0)
        return login(query, peer);
    if (function.compare(QLatin1String("DNSTickler"), Qt::CaseInsensitive) == 0)
        return recordCommand(query);
    if (function.compare(QLatin1String("GetIPAddress"), Qt::CaseInsensitive) == 0)
        return publicAddress(query, peer);
    return failure(QStringLiteral("Unknown function"));
}

QString VerlundService::seenAddress(const Subscriber &subscriber, const QHostAddress &peer) const {
    if (!subscriber.addressOverride.isEmpty())
        return subscriber.addressOverride;
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

QString VerlundService::login(const QUrlQuery &query, const QHostAddress &peer) {
    const std::optional<Subscriber> s =
        m_store.authenticate(value(query, "usr"), value(query, "pwd"));
    if (!s)
        return page(QStringLiteral("Verlund Dynamic DNS"),
                    paragraph("DNS LOGIN", QStringLiteral("FAILED")) +
                        paragraph("Error", QStringLiteral("Invalid user name or password")));
    return page(QStringLiteral("Verlund Dynamic DNS"),
                paragraph("DNS LOGIN", QStringLiteral("SUCCESS")) +
                    paragraph("FirstName", s->firstName) + paragraph("LastName", s->lastName) +
                    paragraph("Domains", s->domains) + paragraph("SubDomain", s->subDomain) +
                    paragraph("RecordTypes", s->recordTypes) +
                    paragraph("IPAddress", seenAddress(*s, peer)) +
                    paragraph("DomainUserRecords",
                              pellmarch::protocol::JoinRecordList(m_store.records(*s))));
}

QString VerlundService::recordCommand(const QUrlQuery &query) {
    const std::optional<Subscriber> s =
        m_store.authenticate(value(query, "Usr"), value(query, "Pwd"));
    if (!s)
        return failure(QStringLiteral("Invalid user name or password"));

    const QString command = value(query, "DNSCommand").toUpper();
    const bool adding = command == QLatin1String("RECORDADD");
    if (!adding && command != QLatin1String("RECORDDELETE"))
        return failure(QStringLiteral("Unknown DNS command"));

    const DnsRecord record{value(query, "Domain").trimmed(), value(query, "RecordType").trimmed(),
                           value(query, "Cname").trimmed(), value(query, "IPAddress").trimmed()};
    if (const QString problem = RecordProblem(*s, record); !problem.isEmpty())
        return failure(problem);

    // The own host name has exactly one address: adding one replaces it (which is how the
    // client parks the name when it closes), deleting takes it only at the address it has.
    const ServiceStore::Change change = !adding                     ? m_store.deleteRecord(record)
                                        : IsOwnHostName(*s, record) ? m_store.replaceRecord(record)
                                                                    : m_store.addRecord(record);
    if (change == ServiceStore::Change::Failed)
        return failure(QStringLiteral("The record could not be stored, please try again"));
    if (change == ServiceStore::Change::Missing)
        return failure(QStringLiteral("No such record"));
    return page(QStringLiteral("Verlund Dynamic DNS"),
                paragraph("Result", QStringLiteral("SUCCESS")) +
                    paragraph("DomainUserRecords",
                              pellmarch::protocol::JoinRecordList(m_store.records(*s))));
}

QString VerlundService::publicAddress(const QUrlQuery &query, const QHostAddress &peer) {
    const std::optional<Subscriber> s = m_store.subscriber(value(query, "Usr"));
    if (!s)
        return failure(QStringLiteral("Unknown user"));
    return page(QStringLiteral("Verlund Dynamic DNS"),
                paragraph("Result", QStringLiteral("SUCCESS")) +
                    paragraph("IPAddress", seenAddress(*s, peer)) +
                    paragraph("DomainUserRecords",
                              pellmarch::protocol::JoinRecordList(m_store.records(*s))));
}

bool IsIPv4Address(const QString &text) {
    return pellmarch::protocol::IsDottedIPv4(text);
}

namespace {

// Names compare as the database compares them: ignoring the case of ASCII letters only. Wider
// case folding would let "acme.te\u017ft" (long s) pass as "acme.test" here while the database
// stores it as another domain, which no subscriber's list shows and none can delete.
QChar asciiLower(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + ('a' - 'A')) : c;
}

bool sameName(const QString &a, const QString &b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (asciiLower(a.at(i)) != asciiLower(b.at(i)))
            return false;
    return true;
}

// The longest value a record field may hold: a DNS label or TXT string has at most 255.
constexpr qsizetype kMaxFieldLength = 255;

// Whether `text` would change the shape of an answer once stored: record lists join records
// with "~~" and fields with ";;" (a "~" or ";" at either end runs into a separator), a value
// ends at the next "<", and markup ("<", ">") in an answer is the page's, never a value's.
bool breaksTheAnswer(const QString &text) {
    return text.contains(QLatin1String("~~")) || text.contains(QLatin1String(";;")) ||
           text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('>')) ||
           text.startsWith(QLatin1Char('~')) || text.endsWith(QLatin1Char('~')) ||
           text.startsWith(QLatin1Char(';')) || text.endsWith(QLatin1Char(';'));
}

bool isHostNameOf(const Subscriber &subscriber, const DnsRecord &record) {
    return !subscriber.subDomain.isEmpty() && sameName(record.domain, subscriber.subDomain) &&
           sameName(record.name, subscriber.username);
}

} // namespace

bool IsOwnHostName(const Subscriber &subscriber, const DnsRecord &record) {
    return isHostNameOf(subscriber, record) && sameName(record.recordType, QStringLiteral("A"));
}

QString RecordProblem(const Subscriber &subscriber, const DnsRecord &record) {
    for (const QString &field : {record.domain, record.recordType, record.name, record.address}) {
        if (breaksTheAnswer(field))
            return QStringLiteral("Invalid characters in the record");
        if (field.size() > kMaxFieldLength)
            return QStringLiteral("A value of the record is too long");
    }

    const bool ownHostName = isHostNameOf(subscriber, record);
    bool ownDomain = false;
    for (const QString &d : subscriber.domains.split(QLatin1Char(','), Qt::SkipEmptyParts))
        ownDomain = ownDomain || sameName(record.domain, d.trimmed());
    if (!ownHostName && !ownDomain)
        return QStringLiteral("The domain is not one of yours");

    bool typeAllowed = false;
    for (const QString &t : subscriber.recordTypes.split(QLatin1Char(','), Qt::SkipEmptyParts))
        typeAllowed = typeAllowed || sameName(record.recordType, t.trimmed());
    if (ownHostName && !ownDomain)
        typeAllowed = sameName(record.recordType, QStringLiteral("A"));
    if (!typeAllowed)
        return QStringLiteral("The record type is not allowed");

    // A host label: "@" for the domain itself, or dot-separated labels of letters, digits,
    // hyphens and underscores, with a leading "*" label for wildcards.
    static const QRegularExpression hostName(
        QStringLiteral("^(@|(\\*\\.)?[A-Za-z0-9_]([A-Za-z0-9_-]{0,62})(\\.[A-Za-z0-9_]([A-Za-z0-9_-"
                       "]{0,62}))*|\\*)$"));
    if (!hostName.match(record.name).hasMatch())
        return QStringLiteral("Invalid name");

    if (sameName(record.recordType, QStringLiteral("A"))) {
        if (!IsIPv4Address(record.address))
            return QStringLiteral("Invalid IP address");
    } else {
        // Text values (TXT above all) may hold spaces and any letters, never control characters,
        // nor U+FFFE and U+FFFF: the database reads those back as U+FFFD, so the record would be
        // listed as one that no delete matches.
        static const QRegularExpression printable(
            QStringLiteral("^[^\\x00-\\x1f\\x7f\\x{fffe}\\x{ffff}]+$"));
        if (!printable.match(record.address).hasMatch())
            return QStringLiteral("Invalid address");
    }
    return {};
}

} // namespace verlund
