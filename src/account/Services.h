#pragma once

#include "account/clsUser.h"
#include "protocol/Endpoints.h"

namespace pellmarch::platform {
class WebRequest;
class MessageBoxes;
class Shell;
class SettingsStore;
} // namespace pellmarch::platform

namespace pellmarch::protocol {
class AutoIPList;
}

namespace pellmarch::account {

// What the windows share for the whole run. `main` creates each piece once and hands this to
// the windows, so a test can build any window with doubles in place of the real platform.
struct Services {
    platform::WebRequest &web;
    platform::MessageBoxes &boxes;
    platform::Shell &shell;
    platform::SettingsStore &settings;
    protocol::Endpoints endpoints;
    clsUser &user;
    LoginFlags &flags;
    protocol::AutoIPList &autoIP;
};

} // namespace pellmarch::account
