#pragma once

#include <QString>

namespace pellmarch::platform {

// What one URL fetch brought back. A request that could not be completed (no connection,
// time-out, an answer over the size limit) is `failed`; its body is then empty.
struct WebAnswer {
    bool failed = false;
    QString body;
};

// The synchronous URL fetch through which every exchange with the service travels.
class WebRequest {
public:
    virtual ~WebRequest() = default;

    // Fetches `url` with an HTTP GET and returns once the body has arrived or the request has
    // failed. The caller's user-interface thread keeps processing events meanwhile.
    virtual WebAnswer fetch(const QString &url) = 0;
};

} // namespace pellmarch::platform
