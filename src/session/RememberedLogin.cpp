#include "session/RememberedLogin.h"

#include "platform/SecretStore.h"
#include "session/SavedSettings.h"

namespace pellmarch::session {

using platform::SecretStore;

RememberedLogin::RememberedLogin(platform::SettingsStore &settings, platform::SecretStore *secrets)
    : m_settings(settings), m_secrets(secrets) {}

bool RememberedLogin::storeThere() {
    return m_secrets != nullptr && m_secrets->isThere();
}

bool RememberedLogin::intoStore(const QString &username, const QString &password) {
    const bool held = m_storedFor == username && m_stored == password;
    if (!held) {
        // A store that refused this very password is not asked again in this run: closing
        // (above all at the session's end) must not wait for it once more.
        if (m_refusedFor == username && m_refused == password)
            return false;
        if (!storeThere() || m_secrets->write(username, password) != SecretStore::Result::Done) {
            m_refusedFor = username;
            m_refused = password;
            return false;
        }
        m_storedFor = username;
        m_stored = password;
        m_forgotten = false;
    }
    // Kept in the store: no copy stays in the file (nor another's, left by a store that failed).
    if (!ReadSetting(m_settings, kPasswordKey).isEmpty())
        WriteSetting(m_settings, kPasswordKey, QString());
    return true;
}

RememberedLogin::Login RememberedLogin::read() {
    Login login;
    // Only exactly "1" remembers; nothing else is read then.
    if (!IsSettingOn(ReadSetting(m_settings, kSaveLoginKey)))
        return login;
    login.remembered = true;
    login.username = ReadSetting(m_settings, kUsernameKey);
    login.password = ReadSetting(m_settings, kPasswordKey);
    if (!storeThere()) {
        login.passwordUnavailable = login.password.isEmpty();
        return login;
    }
    // A password in the file is the newer one (the store failed when it was kept, or an older
    // version kept it there): it moves into the store.
    if (!login.password.isEmpty()) {
        intoStore(login.username, login.password);
        return login;
    }
    QString stored;
    switch (m_secrets->read(login.username, &stored)) {
    case SecretStore::Result::Done:
        login.password = stored;
        m_storedFor = login.username;
        m_stored = stored;
        break;
    case SecretStore::Result::Failed:
    case SecretStore::Result::NoEntry:
    case SecretStore::Result::NoStore:
        break;
    }
    // Not given (locked, refusing, not answering, or a store that has not come up): asked for
    // in the login window, never sent empty.
    login.passwordUnavailable = login.password.isEmpty();
    return login;
}

void RememberedLogin::keep(const QString &username, const QString &password, bool remember) {
    if (remember) {
        const QString before = ReadSetting(m_settings, kUsernameKey);
        WriteSetting(m_settings, kSaveLoginKey, QLatin1String(kSettingOn));
        WriteSetting(m_settings, kUsernameKey, username);
        // A store that cannot take it never costs the remembered login: the file keeps it.
        if (!intoStore(username, password)) {
            WriteSetting(m_settings, kPasswordKey, password);
            return;
        }
        // The login remembered before is remembered no more: its password goes.
        if (!before.isEmpty() && before != username)
            m_secrets->remove(before);
        return;
    }
    WriteSetting(m_settings, kSaveLoginKey, QLatin1String(kSettingOff));
    // The password the user asked not to keep no longer lies anywhere.
    if (!ReadSetting(m_settings, kPasswordKey).isEmpty())
        WriteSetting(m_settings, kPasswordKey, QString());
    const QString remembered = ReadSetting(m_settings, kUsernameKey);
    if (!m_forgotten && !remembered.isEmpty() && storeThere() &&
        m_secrets->remove(remembered) == SecretStore::Result::Done) {
        m_forgotten = true;
        m_storedFor.clear();
        m_stored.clear();
    }
}

QString RememberedLogin::whereKept() {
    return storeThere() ? QStringLiteral("Your password is kept in the desktop's password store.")
                        : QStringLiteral("Your password is kept in Pellmarch's settings file, "
                                         "readable by you only.");
}

} // namespace pellmarch::session
