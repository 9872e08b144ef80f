#pragma once

#include "platform/WebRequest.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

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
    void limitTo(std::chrono::milliseconds fromNow) override;
    int requestsUnderWay() const override { return m_underWay; }

private:
    // Made at the first request: start-up (and the login window) need no network stack yet.
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBodyBytes;
    // The deadlines of the requests under way (a request waits in a local event loop, in which
    // another may start), and the time by which every request must have given up, if any.
    std::vector<QTimer *> m_deadlines;
    QDeadlineTimer m_limit = QDeadlineTimer::Forever;
    int m_underWay = 0; // requests sent and not yet answered (or given up)
};

} // namespace pellmarch::platform
