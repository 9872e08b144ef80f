#pragma once

#include <QString>

#include <chrono>

namespace pellmarch::platform {

// What one URL fetch brought back. A request that could not be completed (no connection,
// time-out, an answer over the size limit) is `failed`; its body is then empty.
struct WebAnswer {
    bool failed = false;
    QString body;
    // The request went out more than once: the connection closed before any answer and the
    // HTTP client sent it again by itself. The answer is then the second one's; what became of
    // the first is not known (a command the service carried out then is "not found" now).
    bool resent = false;
};

// The synchronous URL fetch through which every exchange with the service travels.
class WebRequest {
public:
    virtual ~WebRequest() = default;

    // Fetches `url` with an HTTP GET and returns once the body has arrived or the request has
    // failed. The caller's user-interface thread keeps processing events meanwhile.
    virtual WebAnswer fetch(const QString &url) = 0;

    // Every request under way, and every later one, gives up `fromNow` from now at the latest
    // (a later call sets a new time): when the session ends, the program has only moments left.
    virtual void limitTo(std::chrono::milliseconds /*fromNow*/) {}
    // How many requests are on the wire, sent and neither answered nor given up yet (one waits
    // in a local event loop, in which another may start).
    virtual int requestsUnderWay() const { return 0; }
};

} // namespace pellmarch::platform
