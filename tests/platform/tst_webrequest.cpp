// The real web request over loopback against a scripted HTTP server, and the settings file.
#include "platform/QtSettingsStore.h"
#include "platform/QtWebRequest.h"

#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
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
    void errorStatusStillCarriesTheAnswer_data();
    void errorStatusStillCarriesTheAnswer();
    void compressedBodies_data();
    void compressedBodies();
    void deadlineDoesNotFireEarly();
    void answerUnderAWindowIsNoTimeOut();
    void requestSentTwiceIsSaid_data();
    void requestSentTwiceIsSaid();
    void refusedConnectionFails();
    void silentServiceTimesOut();
    void slowBodyWithinTheLimitArrives();
    void tricklingBeyondTheLimitFails();
    void bodyOverTheCapFails_data();
    void bodyOverTheCapFails();
    void malformedUrlFails();
    void cutAnswerIsNeverPartOfTheAnswer();
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

void TestWebRequest::errorStatusStillCarriesTheAnswer_data() {
    QTest::addColumn<QByteArray>("status");
    // Qt reports each of these as an error of its own; the service's body is still the answer.
    QTest::newRow("400") << QByteArray("400 Bad Request");
    QTest::newRow("401") << QByteArray("401 Unauthorized");
    QTest::newRow("404") << QByteArray("404 Not Found");
    QTest::newRow("407") << QByteArray("407 Proxy Authentication Required");
    QTest::newRow("418") << QByteArray("418 I'm a teapot");
    QTest::newRow("422") << QByteArray("422 Unprocessable Content");
    QTest::newRow("500") << QByteArray("500 Internal Server Error");
}

void TestWebRequest::errorStatusStillCarriesTheAnswer() {
    QFETCH(QByteArray, status);
    ScriptedServer server;
    server.respond = [&](QTcpSocket *s) {
        reply(s, status, "<p>Error: oops</p>");
    };
    QtWebRequest web(5s);
    const auto answer = web.fetch(server.url());
    QVERIFY(!answer.failed);
    QCOMPARE(answer.body, QStringLiteral("<p>Error: oops</p>"));
}

namespace {

quint32 crc32(const QByteArray &data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray littleEndian32(quint32 value) {
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xffu);
    return out;
}

// `data` in the gzip format: qCompress's zlib stream, rewrapped.
QByteArray gzip(const QByteArray &data) {
    const QByteArray zlib = qCompress(data, 9).mid(4);        // drop Qt's length prefix
    const QByteArray deflated = zlib.mid(2, zlib.size() - 6); // drop zlib's header and checksum
    return QByteArray::fromHex("1f8b0800000000000203") + deflated + littleEndian32(crc32(data)) +
           littleEndian32(static_cast<quint32>(data.size()));
}

} // namespace

void TestWebRequest::compressedBodies_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("body");
    const QByteArray text = "<p>DNS LOGIN: SUCCESS</p>";
    QByteArray corrupt = gzip(text);
    corrupt.replace(10, 8, QByteArray(8, '\xff')); // a deflate block of a reserved type
    // Small on the wire, 12 MiB once unpacked: under the size cap, but an archive bomb.
    const QByteArray bomb = gzip(QByteArray(12 << 20, '\0'));
    const QByteArray ok = "200 OK", notFound = "404 Not Found", unnamed = "422 Unprocessable";
    QTest::newRow("gzip") << ok << gzip(text) << false << QString::fromUtf8(text);
    QTest::newRow("gzip, 404") << notFound << gzip(text) << false << QString::fromUtf8(text);
    // Qt reports a 4xx status it has no name for as it reports an undecodable body.
    QTest::newRow("gzip, 422") << unnamed << gzip(text) << false << QString::fromUtf8(text);
    QTest::newRow("corrupt") << ok << corrupt << true << QString();
    QTest::newRow("corrupt, 404") << notFound << corrupt << true << QString();
    QTest::newRow("corrupt, 422") << unnamed << corrupt << true << QString();
    QTest::newRow("not gzip at all") << ok << QByteArray("<p>plain</p>") << true << QString();
    QTest::newRow("bomb") << ok << bomb << true << QString();
    QTest::newRow("bomb, 422") << unnamed << bomb << true << QString();
}

void TestWebRequest::compressedBodies() {
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, encoded);
    QFETCH(bool, failed);
    QFETCH(QString, body);
    ScriptedServer server;
    server.respond = [&](QTcpSocket *s) {
        s->write("HTTP/1.1 " + status +
                 "\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: " +
                 QByteArray::number(encoded.size()) + "\r\nConnection: close\r\n\r\n" + encoded);
        s->disconnectFromHost();
    };
    QtWebRequest web(10s);
    const auto answer = web.fetch(server.url());
    QCOMPARE(answer.failed, failed);
    QCOMPARE(answer.body, body);
}

void TestWebRequest::deadlineDoesNotFireEarly() {
    // A coarse timer may fire up to 5 % early: Qt moves its expiry to a nearby boundary of the
    // clock (for 4 s, a multiple of 500 ms within 200 ms). Starting the exchange 190 ms past such
    // a boundary would make a coarse 4 s deadline fire at 3.81 s. The deadline is precise, so an
    // answer sent 3.85 s after the exchange began is still taken. The answer is timed from the
    // start of the exchange, not from the request's arrival, which a loaded machine delays.
    constexpr std::chrono::milliseconds limit = 4000ms;
    constexpr qint64 answerAfterMs = 3850;
    QElapsedTimer clock;
    ScriptedServer server;
    server.respond = [&](QTcpSocket *s) {
        QTimer::singleShot(std::max<qint64>(0, answerAfterMs - clock.elapsed()), Qt::PreciseTimer,
                           s, [s] { reply(s, "200 OK", "<p>Result: SUCCESS</p>"); });
    };
    const auto phase = [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() % 500;
    };
    while (phase() < 185 || phase() >= 200)
        QThread::usleep(200);
    QtWebRequest web(limit);
    clock.start();
    const auto answer = web.fetch(server.url());
    QVERIFY2(!answer.failed, qPrintable(QStringLiteral("failed after %1 ms").arg(clock.elapsed())));
    QCOMPARE(answer.body, QStringLiteral("<p>Result: SUCCESS</p>"));
}

void TestWebRequest::answerUnderAWindowIsNoTimeOut() {
    // A window opened on top of a request (a message box, the about box) runs its own event
    // loop; the answer that arrives meanwhile is the answer, however long the window stays open.
    ScriptedServer server;
    server.respond = [](QTcpSocket *s) {
        reply(s, "200 OK", "<p>Result: SUCCESS</p>");
    };
    QTimer::singleShot(0, [] {
        QEventLoop window;
        QTimer::singleShot(600ms, &window, &QEventLoop::quit);
        window.exec();
    });
    QtWebRequest web(300ms);
    const auto answer = web.fetch(server.url());
    QVERIFY(!answer.failed);
    QCOMPARE(answer.body, QStringLiteral("<p>Result: SUCCESS</p>"));
}

void TestWebRequest::requestSentTwiceIsSaid_data() {
    QTest::addColumn<QStringList>("first"); // what the first connections get: closed, moved
    QTest::addColumn<bool>("resent");
    QTest::addColumn<bool>("failed");
    QTest::newRow("answered at once") << QStringList{} << false << false;
    QTest::newRow("closed, sent again, answered") << QStringList{"closed"} << true << false;
    QTest::newRow("closed, sent again, closed") << QStringList{"closed", "closed"} << true << true;
    // A redirect's next hop is a request of its own, not the same one sent again.
    QTest::newRow("redirected, answered") << QStringList{"moved"} << false << false;
}

void TestWebRequest::requestSentTwiceIsSaid() {
    // A connection that closes before any answer makes Qt send the request again by itself: the
    // service may have carried out the first one, so what the answer says is the second's.
    QFETCH(QStringList, first);
    QFETCH(bool, resent);
    QFETCH(bool, failed);
    ScriptedServer server;
    int requests = 0;
    server.respond = [&](QTcpSocket *s) {
        const QString what = first.value(requests++);
        if (what == QLatin1String("closed")) {
            s->disconnectFromHost();
        } else if (what == QLatin1String("moved")) {
            s->write("HTTP/1.1 301 Moved Permanently\r\nLocation: /moved.asp?fxn=login\r\n"
                     "Content-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
        } else {
            reply(s, "200 OK", "<p>Error: No such record</p>");
        }
    };
    QtWebRequest web(5s);
    const auto answer = web.fetch(server.url());
    QCOMPARE(requests, failed ? 2 : int(first.size()) + 1);
    QCOMPARE(answer.resent, resent);
    QCOMPARE(answer.failed, failed);
    QCOMPARE(web.requestsUnderWay(), 0);
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

    // When the session ends, the request under way and every later one give up soon.
    QtWebRequest ending(60s);
    QTimer::singleShot(100ms, [&ending] { ending.limitTo(300ms); });
    clock.restart();
    QVERIFY(ending.fetch(server.url()).failed);
    QVERIFY(ending.fetch(server.url()).failed);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
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

void TestWebRequest::cutAnswerIsNeverPartOfTheAnswer() {
    // The first answer breaks off after its beginning: the connection closes long before the
    // announced length. Qt then fails the request, sends it again on its own, or (depending on
    // when it notices the close, about every other time here) reports the beginning as the
    // whole answer. The beginning is never taken for the answer.
    ScriptedServer server;
    int connections = 0;
    server.respond = [&](QTcpSocket *s) {
        if (++connections > 1) {
            reply(s, "200 OK", "<p>SUCCESS</p><p>IPAddress: 198.51.100.7</p>");
            return;
        }
        s->write("HTTP/1.1 200 OK\r\nContent-Length: 4096\r\nConnection: close\r\n\r\n"
                 "<p>SUCCESS</p><p>IPAddress: 203.0.113.66</p><p>Dom");
        s->flush();
        QTimer::singleShot(20, s, [s] { s->abort(); });
    };
    for (int attempt = 0; attempt < 40; ++attempt) {
        connections = 0;
        QtWebRequest web(5s);
        const auto answer = web.fetch(server.url());
        if (!answer.failed)
            QCOMPARE(answer.body, QStringLiteral("<p>SUCCESS</p><p>IPAddress: 198.51.100.7</p>"));
    }
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
