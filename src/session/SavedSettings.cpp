#include "session/SavedSettings.h"

namespace pellmarch::session {

namespace {

// Whether the own host name's settings in the store are `username`'s.
bool belongsTo(platform::SettingsStore &store, const QString &username) {
    const QString owner = ReadSetting(store, kOwnSettingsUserKey);
    return owner.isEmpty() ? ReadSetting(store, kUsernameKey) == username : owner == username;
}

} // namespace

OwnSettings ReadOwnSettings(platform::SettingsStore &store, const QString &username) {
    const QString owner = ReadSetting(store, kOwnSettingsUserKey);
    OwnSettings own;
    if (owner.isEmpty() || owner == username)
        own.autoIP = IsSettingOn(ReadSetting(store, kAutoIPKey));
    if (belongsTo(store, username))
        own.address = ReadSetting(store, kIPAddressKey);
    return own;
}

void NameOwnSettingsUser(platform::SettingsStore &store) {
    if (!ReadSetting(store, kOwnSettingsUserKey).isEmpty())
        return;
    const QString username = ReadSetting(store, kUsernameKey);
    if (!username.isEmpty() &&
        !(ReadSetting(store, kIPAddressKey).isEmpty() && ReadSetting(store, kAutoIPKey).isEmpty()))
        WriteSetting(store, kOwnSettingsUserKey, username);
}

void WriteOwnSettings(platform::SettingsStore &store, const QString &username,
                      const QString &address, bool autoIP, const QString &parkingAddress) {
    QString saved = address;
    if (saved.isEmpty() || saved == parkingAddress)
        saved = belongsTo(store, username) ? ReadSetting(store, kIPAddressKey) : QString();
    if (saved == parkingAddress)
        saved.clear(); // as an older version may have saved it
    WriteSetting(store, kIPAddressKey, saved);
    WriteSetting(store, kAutoIPKey, QLatin1String(autoIP ? kSettingOn : kSettingOff));
    WriteSetting(store, kOwnSettingsUserKey, username);
}

} // namespace pellmarch::session
