#pragma once

namespace pellmarch::protocol {

// Process-wide login flags.
struct LoginFlags {
    bool bLoggedIn = false;      // the most recent login succeeded
    bool bRememberLogin = false; // user name and password are to be remembered
};

} // namespace pellmarch::protocol
