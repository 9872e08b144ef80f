#include "platform/QtWebRequest.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace pellmarch::platform {

namespace {

// Whether `reply`, which carries an HTTP status, is a complete answer: the service's answer is
// its body whatever the status, but Qt reports most 4xx and 5xx statuses as errors of its own
// (400 and 418 as ProtocolInvalidOperationError, 401 and 407 as authentication errors, 404 as
// ContentNotFoundError, 500 as InternalServerError, ...). Any other error broke the transfer:
// the connection closed early, the chunking was bad, or the body could not be decompressed.
bool isCompleteAnswer(const QNetworkReply &reply, QNetworkReply::NetworkError error) {
    if (error == QNetworkReply::NoError)
        return true;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 400)
        return false; // Qt names no status below 400, so the error is the transfer's own
    if (error == QNetworkReply::UnknownContentError) {
        // Qt reports both a 4xx status it has no name for (422, 429, ...) and a body it could not
        // decompress (corrupt, or an archive bomb) as UnknownContentError. Without a content
        // encoding there is nothing to decompress; with one, the status's error text ends with
        // its reason phrase ("... server replied: Unprocessable Content") and the decompression
        // failure's ("Decompression failed: ...") does not.
        if (!reply.hasRawHeader("Content-Encoding"))
            return true;
        const QString reason =
            reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        return !reason.isEmpty() && reply.errorString().endsWith(reason);
    }
    const int code = static_cast<int>(error);
    return error == QNetworkReply::ProxyAuthenticationRequiredError ||
           error == QNetworkReply::ProtocolInvalidOperationError || (code >= 201 && code <= 298) ||
           (code >= 401 && code <= 499);
}

// Whether the body is as long as the answer announced. Qt may report a connection that closed
// in the middle of the body as a complete answer (it sometimes takes the close for the end of a
// body without a length), and the beginning of an answer is not the answer: a login answer cut
// after "DNS LOGIN: SUCCESS" would lose the profile behind it. A compressed body arrives
// unpacked, so its announced length cannot be compared with it.
bool hasWholeBody(const QNetworkReply &reply, const QByteArray &body) {
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid() || reply.hasRawHeader("Content-Encoding"))
        return true;
    return body.size() == length.toLongLong();
}

QString decodeBody(const QByteArray &body, const QByteArray &contentType) {
    const qsizetype at = contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        QByteArray charset = contentType.mid(at + 8).trimmed();
        const qsizetype end = charset.indexOf(';');
        if (end >= 0)
            charset.truncate(end);
        charset = charset.trimmed();
        if (charset.startsWith('"') && charset.endsWith('"') && charset.size() >= 2)
            charset = charset.mid(1, charset.size() - 2);
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

} // namespace

QtWebRequest::QtWebRequest(std::chrono::milliseconds timeout, qint64 maxBodyBytes)
    : m_timeout(timeout), m_maxBodyBytes(maxBodyBytes) {}

WebAnswer QtWebRequest::fetch(const QString &url) {
    const QUrl target(url, QUrl::StrictMode);
    if (!target.isValid() || target.scheme() != QLatin1String("http"))
        return {true, {}};

    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);

    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    QNetworkReply *reply = m_manager->get(request);
    QByteArray body;
    bool tooLarge = false;

    const auto take = [&] {
        if (tooLarge || !reply->isOpen())
            return;
        body += reply->readAll();
        if (body.size() > m_maxBodyBytes) {
            tooLarge = true;
            body.clear();
            reply->abort();
        }
    };
    const auto checkLength = [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBodyBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    };

    // The limit covers the whole exchange, so a service that trickles its answer cannot hold
    // the window longer than a silent one.
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may fire up to 5 % early (57 s instead of 60), cutting off an answer that
    // is on time.
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(m_limit.isForever()
                       ? m_timeout
                       : std::min(m_timeout, std::chrono::milliseconds(m_limit.remainingTime())));
    m_deadlines.push_back(&deadline);

    // Qt sends a request again by itself when the connection closes before any answer; each
    // sending is told. A redirect's next hop is another request, not the same one again.
    int sent = 0;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::requestSent, &loop, [&sent] { ++sent; });
    QObject::connect(reply, &QNetworkReply::redirected, &loop, [&sent] { sent = 0; });
    ++m_underWay;
    bool over = false;
    const auto offTheWire = [this, &over] {
        if (!std::exchange(over, true))
            --m_underWay;
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, checkLength);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    // The answer is in: the deadline is over, even when a window opened on top of the request
    // keeps this loop from returning for a while (the answer must not turn into a time-out).
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        deadline.stop();
        offTheWire();
        loop.quit();
    });
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    offTheWire();
    std::erase(m_deadlines, &deadline);
    take();

    const QNetworkReply::NetworkError error = reply->error();
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
                          isCompleteAnswer(*reply, error) && hasWholeBody(*reply, body);
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    reply->deleteLater();

    const bool resent = sent > 1;
    if (tooLarge || timedOut || !answered)
        return {true, {}, resent};
    return {false, decodeBody(body, contentType), resent};
}

void QtWebRequest::limitTo(std::chrono::milliseconds fromNow) {
    m_limit = QDeadlineTimer(fromNow, Qt::PreciseTimer);
    for (QTimer *deadline : m_deadlines)
        if (deadline->remainingTimeAsDuration() > fromNow)
            deadline->start(fromNow);
}

} // namespace pellmarch::platform
