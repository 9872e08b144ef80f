#pragma once

#include "protocol/Endpoints.h"
#include "protocol/ExchangeLog.h"
#include "protocol/clsUser.h"

#include <QString>

namespace pellmarch::platform {
class WebRequest;
}

namespace pellmarch::protocol {

enum class LoginOutcome {
    Accepted,    // the user record now holds the subscriber's profile
    Rejected,    // the service refused the user name or password
    Unreachable, // no answer at all
};

// Sends the login request with the (already trimmed) user name and password. Only an answer
// whose "DNS LOGIN:" value is exactly "SUCCESS" is an acceptance; an outcome that cannot be read
// is a rejection. On acceptance the user record takes the profile from the answer, every field
// overwritten (a value that cannot be read becomes empty text); otherwise it is left alone.
// The exchange is written down in `log`, without the password.
LoginOutcome RunLoginExchange(platform::WebRequest &web, const Endpoints &endpoints, clsUser &user,
                              const QString &username, const QString &password,
                              ExchangeLog &log = ExchangeLog::none());

} // namespace pellmarch::protocol
