#pragma once

#include "platform/SettingsStore.h"

#include <QSize>
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
// The size the subscriber gave the main window's record table view, "<width>x<height>" in
// logical pixels; absent: the designed size.
inline constexpr char kMainWindowSizeKey[] = "MainWindowSize";
// The column the record table is sorted by and which way, "<column> ascending" or
// "<column> descending" (columns counted from 0); absent: the list's order.
inline constexpr char kRecordSortKey[] = "RecordTableSort";
// The subscriber whom "IPAddress" and "AutoIP" belong to; written with them. Absent in files of
// older versions, which are read as they always were.
inline constexpr char kOwnSettingsUserKey[] = "IPAddressUser";
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

// What the settings hold for one subscriber's own host name.
struct OwnSettings {
    bool autoIP = false; // "Automatic IP Resolution" ticked
    QString address;     // the address it pointed at; empty when none is known
};

// The own host name's settings as far as they are `username`'s: those saved for another
// subscriber never apply. A file without the owner's key is read as before: "AutoIP" for
// anyone, "IPAddress" when the remembered "Username" is this subscriber.
OwnSettings ReadOwnSettings(platform::SettingsStore &store, const QString &username);

// Names the subscriber whom a file of an older version keeps "IPAddress" and "AutoIP" for (the
// remembered "Username" then), before a new login writes another "Username" over it: the
// settings stay that subscriber's.
void NameOwnSettingsUser(platform::SettingsStore &store);

// Writes the own host name's settings for `username`, as they are now: `address` is the
// address it points at, empty when none is known (the one saved for this subscriber stays
// then). The parking address is never saved as the subscriber's address.
void WriteOwnSettings(platform::SettingsStore &store, const QString &username,
                      const QString &address, bool autoIP, const QString &parkingAddress);

// The main window's remembered size, when it is one a window can take on a screen whose room is
// `available`: two whole numbers above zero, neither larger than the room. Anything else (absent,
// unreadable, zero, negative, larger than the screen) is an empty size: the designed one then.
QSize ReadWindowSize(platform::SettingsStore &store, const QSize &available);
// Keeps `size` as the main window's size, when it is not what the store already holds.
void WriteWindowSize(platform::SettingsStore &store, const QSize &size);

// The record table's remembered sort: a column below `columns` and its order. Anything else
// (absent, unreadable) is column -1: the list's order.
struct TableSort {
    int column = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
};
TableSort ReadTableSort(platform::SettingsStore &store, int columns);
void WriteTableSort(platform::SettingsStore &store, const TableSort &sort);

} // namespace pellmarch::session
