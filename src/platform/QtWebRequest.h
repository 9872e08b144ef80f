#pragma once

#include "platform/WebRequest.h"

#include <QNetworkAccessManager>

#include <chrono>
#include <memory>

namespace pellmarch::platform {

// WebRequest over Qt Network: one shared access manager, waited on with a local event loop so
// that the windows keep painting and reacting to clicks while a request runs.
class QtWebRequest final : public WebRequest {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{60000};
    static constexpr qint64 kDefaultMaxBodyBytes = 16 * 1024 * 1024;

    explicit QtWebRequest(std::chrono::milliseconds timeout = kDefaultTimeout,
                          qint64 maxBodyBytes = kDefaultMaxBodyBytes);

    WebAnswer fetch(const QString &url) override;

private:
    // Made at the first request: start-up (and the login window) need no network stack yet.
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBodyBytes;
};

} // namespace pellmarch::platform
