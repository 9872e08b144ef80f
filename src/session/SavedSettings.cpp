#include "session/SavedSettings.h"

#include <QStringList>

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

QSize ReadWindowSize(platform::SettingsStore &store, const QSize &available) {
    const QStringList parts = ReadSetting(store, kMainWindowSizeKey).split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    bool wideOk = false;
    bool highOk = false;
    const QSize size(parts[0].toInt(&wideOk), parts[1].toInt(&highOk));
    if (!wideOk || !highOk || size.width() <= 0 || size.height() <= 0 ||
        size.width() > available.width() || size.height() > available.height())
        return {};
    return size;
}

void WriteWindowSize(platform::SettingsStore &store, const QSize &size) {
    const QString text = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    if (ReadSetting(store, kMainWindowSizeKey) != text)
        WriteSetting(store, kMainWindowSizeKey, text);
}

namespace {
const QString kAscending = QStringLiteral("ascending");
const QString kDescending = QStringLiteral("descending");
} // namespace

TableSort ReadTableSort(platform::SettingsStore &store, int columns) {
    const QStringList parts = ReadSetting(store, kRecordSortKey).split(QLatin1Char(' '));
    bool ok = false;
    const int column = parts.size() == 2 ? parts[0].toInt(&ok) : -1;
    if (!ok || column < 0 || column >= columns ||
        (parts[1] != kAscending && parts[1] != kDescending))
        return {};
    return {column, parts[1] == kAscending ? Qt::AscendingOrder : Qt::DescendingOrder};
}

void WriteTableSort(platform::SettingsStore &store, const TableSort &sort) {
    WriteSetting(store, kRecordSortKey,
                 sort.column < 0
                     ? QString()
                     : QString::number(sort.column) + QLatin1Char(' ') +
                           (sort.order == Qt::AscendingOrder ? kAscending : kDescending));
}

} // namespace pellmarch::session
