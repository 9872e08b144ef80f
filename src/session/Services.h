#pragma once

#include "protocol/Endpoints.h"
#include "protocol/LoginFlags.h"
#include "protocol/clsUser.h"

#include <chrono>

namespace pellmarch::platform {
class WebRequest;
class MessageBoxes;
class Shell;
class SettingsStore;
class Notifier;
class SecretStore;
} // namespace pellmarch::platform

namespace pellmarch::protocol {
class AutoIPList;
}

namespace pellmarch::session {

class WorkGuard;
class HistoryFile;
class MarkFile;

// How often the automatic refresh asks for the public address.
inline constexpr std::chrono::milliseconds kRefreshInterval{30000};

// What the windows share for the whole run. `main` creates each piece once and hands this to
// the windows, so a test can build any window with doubles in place of the real platform.
struct Services {
    platform::WebRequest &web;
    platform::MessageBoxes &boxes;
    platform::Shell &shell;
    platform::SettingsStore &settings;
    platform::SettingsStore &journal; // record changes under way, beside the settings
    protocol::Endpoints endpoints;
    protocol::clsUser &user;
    protocol::LoginFlags &flags;
    protocol::AutoIPList &autoIP;
    WorkGuard &work;
    QString parkingAddress;                                       // parks the own host name
    std::chrono::milliseconds refreshInterval = kRefreshInterval; // tmrAuto
    HistoryFile *history = nullptr;           // every exchange, kept; none in most tests
    platform::Notifier *notifier = nullptr;   // the desktop's notifications; none in most tests
    MarkFile *marks = nullptr;                // the marks kept between runs; none in most tests
    platform::SecretStore *secrets = nullptr; // the desktop's secret store; none in most tests
};

} // namespace pellmarch::session
