#include "support/ScriptedHttpServer.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace pellmarch::testing {

namespace {

using namespace std::chrono_literals;

const QByteArray kLoopPath = "/loop";

QString decoded(const QByteArray &piece) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(piece));
}

ScriptedHttpServer::Request parse(const QByteArray &head) {
    ScriptedHttpServer::Request request;
    const QByteArray line = head.left(head.indexOf("\r\n"));
    request.target = line.split(' ').value(1);
    const qsizetype question = request.target.indexOf('?');
    if (question < 0) {
        request.path = QString::fromLatin1(request.target);
        return request;
    }
    request.path = QString::fromLatin1(request.target.left(question));
    for (const QByteArray &pair : request.target.mid(question + 1).split('&')) {
        const qsizetype equals = pair.indexOf('=');
        request.items.append(
            {decoded(pair.left(equals)), equals < 0 ? QString() : decoded(pair.mid(equals + 1))});
    }
    return request;
}

QByteArray head(const QByteArray &status, const QByteArray &fields) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nConnection: close\r\n" + fields +
           "\r\n";
}

} // namespace

QString ScriptedHttpServer::Request::value(const QString &key) const {
    for (const auto &[k, v] : items)
        if (k == key)
            return v.isNull() ? QLatin1String("") : v;
    return {};
}

QString ScriptedHttpServer::Request::function() const {
    const QString upper = value(QStringLiteral("FXN"));
    return upper.isNull() ? value(QStringLiteral("fxn")) : upper;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::answer(const QByteArray &body,
                                                            const QByteArray &status) {
    return {Kind::Answer, status, body, true};
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::garbage(qsizetype bytes) {
    QByteArray noise(bytes, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char &c : noise)
        c = static_cast<char>(generator.bounded(256));
    return {Kind::Answer, "200 OK", noise, false};
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::endless(const QByteArray &start) {
    return {Kind::Endless, "200 OK", start, true};
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::cut(const QByteArray &partialBody) {
    return {Kind::Cut, "200 OK", partialBody, true};
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::redirectLoop() {
    return {Kind::RedirectLoop, "302 Found", {}, true};
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::closed() {
    return {Kind::Closed, {}, {}, false};
}

ScriptedHttpServer::ScriptedHttpServer() {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto received = std::make_shared<QByteArray>();
            auto answered = std::make_shared<bool>(false);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received, answered] {
                *received += socket->readAll();
                // One request per connection.
                if (*answered || !received->contains("\r\n\r\n"))
                    return;
                *answered = true;
                const Request request = parse(*received);
                requests.append(request);
                serve(socket, request);
            });
        }
    });
    listen(QHostAddress::LocalHost);
}

QString ScriptedHttpServer::host() const {
    return QStringLiteral("127.0.0.1:%1").arg(serverPort());
}

QList<ScriptedHttpServer::Request> ScriptedHttpServer::calls(const QString &function) const {
    QList<Request> out;
    for (const Request &r : requests)
        if (r.function().compare(function, Qt::CaseInsensitive) == 0)
            out.append(r);
    return out;
}

void ScriptedHttpServer::serve(QTcpSocket *socket, const Request &request) {
    // The loop's far end answers by itself: it only ever sends the client back to itself.
    const Reply reply = request.path.toLatin1() == kLoopPath ? Reply::redirectLoop()
                        : script                             ? script(request)
                                                             : Reply::answer({});
    switch (reply.kind) {
    case Reply::Kind::Answer:
        socket->write(head(reply.status,
                           reply.announceLength
                               ? "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n"
                               : QByteArray()) +
                      reply.body);
        socket->disconnectFromHost();
        break;
    case Reply::Kind::RedirectLoop:
        socket->write(head(reply.status, "Location: " + kLoopPath + "\r\nContent-Length: 0\r\n"));
        socket->disconnectFromHost();
        break;
    case Reply::Kind::Endless: {
        // No length: the body would end with the connection, which never comes.
        socket->write(head(reply.status, {}) + reply.body);
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write("x"); });
        drip->start(20ms);
        break;
    }
    case Reply::Kind::Cut:
        socket->write(
            head(reply.status,
                 "Content-Length: " + QByteArray::number(reply.body.size() + 4096) + "\r\n") +
            reply.body);
        // The connection closes right behind the data: a close noticed later makes Qt 6.4 send
        // the request again by itself now and then, which would make the outcome a matter of
        // timing.
        socket->disconnectFromHost();
        break;
    case Reply::Kind::Closed:
        socket->disconnectFromHost();
        break;
    }
}

} // namespace pellmarch::testing
