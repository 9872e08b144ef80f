#pragma once

#include "platform/SettingsStore.h"

#include <QString>

// The values the program keeps between runs, all under the section "Init" of the program's
// per-user store. Every value is text; flags are "1" and "0". Comparisons are exact.
namespace pellmarch::session {

inline constexpr char kSettingsSection[] = "Init";
inline constexpr char kSaveLoginKey[] = "bSaveLogin";
inline constexpr char kUsernameKey[] = "Username";
inline constexpr char kPasswordKey[] = "Password";
inline constexpr char kAutoIPKey[] = "AutoIP";
inline constexpr char kIPAddressKey[] = "IPAddress";
inline constexpr char kNotificationsKey[] = "Notifications"; // absent: on
inline constexpr char kSettingOn[] = "1";
inline constexpr char kSettingOff[] = "0";

// An absent or unreadable value reads as empty text.
inline QString ReadSetting(platform::SettingsStore &store, const char *key) {
    return store.read(QLatin1String(kSettingsSection), QLatin1String(key), QString());
}

inline void WriteSetting(platform::SettingsStore &store, const char *key, const QString &value) {
    store.write(QLatin1String(kSettingsSection), QLatin1String(key), value);
}

// Only exactly "1" counts as set: not " 1", "01" or "yes".
inline bool IsSettingOn(const QString &value) {
    return value == QLatin1String(kSettingOn);
}

} // namespace pellmarch::session
