// The real web request over loopback against a scripted HTTP server, and the settings file.
#include "platform/QtSettingsStore.h"
#include "platform/QtWebRequest.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;
using pellmarch::platform::QtSettingsStore;
using pellmarch::platform::QtWebRequest;

namespace {

// Answers every connection, once its request head has arrived, with `respond`.
class ScriptedServer : public QTcpServer {
public:
    std::function<void(QTcpSocket *)> respond;
    QByteArray lastRequest;

    ScriptedServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                auto head = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                    *head += socket->readAll();
                    if (!head->contains("\r\n\r\n") || head->isEmpty())
                        return;
                    lastRequest = *head;
                    head->clear();
                    if (respond)
                        respond(socket);
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }

    QString url(const char *query = "?fxn=login&usr=a&pwd=b") const {
        return QStringLiteral("http://127.0.0.1:%1/dnslogin.asp").arg(serverPort()) +
               QLatin1String(query);
    }
};

void reply(QTcpSocket *socket, const QByteArray &status, const QByteArray &body) {
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

// Sends the body in `pieces` equal parts, one every `gap`.
void trickle(QTcpSocket *socket, const QByteArray &body, int pieces,
             std::chrono::milliseconds gap) {
    socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\n\r\n");
    const qsizetype size = body.size() / pieces;
    for (int i = 0; i < pieces; ++i) {
        const QByteArray part = i == pieces - 1 ? body.mid(i * size) : body.mid(i * size, size);
        QTimer::singleShot(gap * (i + 1), socket, [socket, part] { socket->write(part); });
    }
}

} // namespace

class TestWebRequest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bodyIsReturned();
    void errorStatusStillCarriesTheAnswer();
    void refusedConnectionFails();
    void silentServiceTimesOut();
    void slowBodyWithinTheLimitArrives();
    void tricklingBeyondTheLimitFails();
    void bodyOverTheCapFails_data();
    void bodyOverTheCapFails();
    void malformedUrlFails();
    void settingsRoundTripInAPrivateFile();
};

void TestWebRequest::bodyIsReturned() {
    ScriptedServer server;
    server.respond = [](QTcpSocket *s) {
        reply(s, "200 OK", "<p>DNS LOGIN: SUCCESS</p>");
    };
    QtWebRequest web(5s);
    const auto answer = web.fetch(server.url("?fxn=login&usr=a%26b&pwd=c%20d"));
    QVERIFY(!answer.failed);
    QCOMPARE(answer.body, QStringLiteral("<p>DNS LOGIN: SUCCESS</p>"));
    // The URL goes out as given: escapes are neither added nor undone.
    QVERIFY2(server.lastRequest.startsWith("GET /dnslogin.asp?fxn=login&usr=a%26b&pwd=c%20d "),
             server.lastRequest.constData());
}

void TestWebRequest::errorStatusStillCarriesTheAnswer() {
    ScriptedServer server;
    server.respond = [](QTcpSocket *s) {
        reply(s, "500 Internal Server Error", "<p>oops</p>");
    };
    QtWebRequest web(5s);
    const auto answer = web.fetch(server.url());
    QVERIFY(!answer.failed);
    QCOMPARE(answer.body, QStringLiteral("<p>oops</p>"));
}

void TestWebRequest::refusedConnectionFails() {
    quint16 port = 0;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    QtWebRequest web(5s);
    const auto answer =
        web.fetch(QStringLiteral("http://127.0.0.1:%1/dnslogin.asp?fxn=login").arg(port));
    QVERIFY(answer.failed);
    QVERIFY(answer.body.isEmpty());
}

void TestWebRequest::silentServiceTimesOut() {
    ScriptedServer server; // reads the request, never answers
    QtWebRequest web(300ms);
    QElapsedTimer clock;
    clock.start();
    const auto answer = web.fetch(server.url());
    QVERIFY(answer.failed);
    QVERIFY(answer.body.isEmpty());
    QVERIFY2(clock.elapsed() < 5000, "the time-out must end the request");
}

void TestWebRequest::slowBodyWithinTheLimitArrives() {
    ScriptedServer server;
    const QByteArray body = QByteArray("<p>IPAddress: 10.1.2.3</p>").repeated(40);
    server.respond = [&](QTcpSocket *s) {
        trickle(s, body, 4, 50ms);
    };
    QtWebRequest web(3s);
    const auto answer = web.fetch(server.url());
    QVERIFY(!answer.failed);
    QCOMPARE(answer.body.toUtf8(), body);
}

void TestWebRequest::tricklingBeyondTheLimitFails() {
    ScriptedServer server;
    server.respond = [](QTcpSocket *s) {
        trickle(s, QByteArray(100, 'x'), 10, 100ms);
    };
    QtWebRequest web(400ms);
    const auto answer = web.fetch(server.url());
    QVERIFY(answer.failed);
    QVERIFY(answer.body.isEmpty());
}

void TestWebRequest::bodyOverTheCapFails_data() {
    QTest::addColumn<bool>("announced");
    QTest::newRow("length announced") << true;
    QTest::newRow("length unknown") << false;
}

void TestWebRequest::bodyOverTheCapFails() {
    QFETCH(bool, announced);
    ScriptedServer server;
    const QByteArray huge(20 * 1024 * 1024, 'a');
    server.respond = [&](QTcpSocket *s) {
        if (announced) {
            reply(s, "200 OK", huge);
        } else {
            s->write("HTTP/1.0 200 OK\r\n\r\n" + huge);
            s->disconnectFromHost();
        }
    };
    QtWebRequest web(20s);
    const auto answer = web.fetch(server.url());
    QVERIFY(answer.failed);
    QVERIFY(answer.body.isEmpty());

    // Just under the cap is still an answer.
    QtWebRequest roomy(20s, huge.size() + 1);
    QVERIFY(!roomy.fetch(server.url()).failed);
}

void TestWebRequest::malformedUrlFails() {
    QtWebRequest web(1s);
    QVERIFY(web.fetch(QStringLiteral("http://127.0.0.1:1/dnslogin.asp?pwd=%zz")).failed);
    QVERIFY(web.fetch(QStringLiteral("file:///etc/passwd")).failed);
}

void TestWebRequest::settingsRoundTripInAPrivateFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("conf/PELLMARCH.ini"));
    {
        QtSettingsStore store(path);
        QCOMPARE(store.read(QStringLiteral("Init"), QStringLiteral("Username"), {}), QString());
        QCOMPARE(store.read(QStringLiteral("Init"), QStringLiteral("x"), QStringLiteral("fb")),
                 QStringLiteral("fb"));
        store.write(QStringLiteral("Init"), QStringLiteral("Password"), QStringLiteral("p&w=d #1"));
        store.write(QStringLiteral("Init"), QStringLiteral("bSaveLogin"), QStringLiteral("1"));
        store.write(QStringLiteral("Init"), QStringLiteral("bSaveLogin"), QStringLiteral("0"));
    }
    QtSettingsStore again(path);
    QCOMPARE(again.read(QStringLiteral("Init"), QStringLiteral("Password"), {}),
             QStringLiteral("p&w=d #1"));
    QCOMPARE(again.read(QStringLiteral("Init"), QStringLiteral("bSaveLogin"), {}),
             QStringLiteral("0"));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
    QVERIFY(QFile::permissions(path) & QFile::ReadOwner);
}

QTEST_GUILESS_MAIN(TestWebRequest)
#include "tst_webrequest.moc"
