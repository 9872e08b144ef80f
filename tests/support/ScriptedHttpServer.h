#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

namespace pellmarch::testing {

// An HTTP server on an ephemeral loopback port whose every answer is scripted, down to the ways
// a real service fails: any status and body, a body longer than anyone should take, a body that
// never ends, a connection cut in the middle of the body or before any answer, a redirect that
// leads back to itself. A script may hand a request on to a real service first, and then lose
// its answer.
// It writes raw HTTP, so nothing keeps it from misbehaving. It records every request it
// receives, with the query split at "&" and "=" and each piece percent-decoded, exactly as it
// came (a "+" stays a "+").
class ScriptedHttpServer final : public QTcpServer {
public:
    struct Request {
        QByteArray target; // path and query, as on the request line
        QString path;
        QList<QPair<QString, QString>> items; // decoded keys and values, in order

        // The first value of `key` (exact case); a null text when the key is absent.
        QString value(const QString &key) const;
        // The service function asked for: the value of "fxn" or "FXN".
        QString function() const;
    };

    struct Reply {
        enum class Kind {
            Answer,       // status, headers and body, then the connection closes
            Endless,      // a body announced long, sent one byte at a time, never finished
            Cut,          // part of the body, then the connection closes
            RedirectLoop, // a redirect to a place that redirects to itself, forever
            Closed,       // no answer at all: the connection closes (Qt then sends it again once)
        };
        Kind kind = Kind::Answer;
        QByteArray status = "200 OK";
        QByteArray body;
        bool announceLength = true; // else the body ends when the connection closes

        static Reply answer(const QByteArray &body, const QByteArray &status = "200 OK");
        // `bytes` of noise without an announced length.
        static Reply garbage(qsizetype bytes);
        static Reply endless(const QByteArray &start = {});
        static Reply cut(const QByteArray &partialBody);
        static Reply redirectLoop();
        static Reply closed();
    };

    // Decides the reply to each request; unset, every request gets an empty 200 answer.
    std::function<Reply(const Request &)> script;
    // Every request received, redirected ones included, in order.
    QList<Request> requests;

    ScriptedHttpServer();

    // "127.0.0.1:<port>", the service host to configure.
    QString host() const;
    // The requests for one service function ("login", "DNSTickler", "GetIPAddress"), by
    // `fxn`/`FXN` value, case-insensitively.
    QList<Request> calls(const QString &function) const;

private:
    void serve(QTcpSocket *socket, const Request &request);
};

} // namespace pellmarch::testing
