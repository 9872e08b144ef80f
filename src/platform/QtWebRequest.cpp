#include "platform/QtWebRequest.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

namespace pellmarch::platform {

namespace {

// Errors that Qt raises for an HTTP status (4xx, 5xx) rather than for a broken transfer. The
// service's answer is its body whatever the status, so these still deliver an answer.
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
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

    QNetworkReply *reply = m_manager.get(request);
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
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(m_timeout);

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, checkLength);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    take();

    const QNetworkReply::NetworkError error = reply->error();
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    reply->deleteLater();

    if (tooLarge || timedOut)
        return {true, {}};
    if (error != QNetworkReply::NoError && !(answered && isHttpStatusError(error)))
        return {true, {}};
    return {false, decodeBody(body, contentType)};
}

} // namespace pellmarch::platform
