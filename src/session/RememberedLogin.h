#pragma once

#include <QString>

namespace pellmarch::platform {
class SettingsStore;
class SecretStore;
} // namespace pellmarch::platform

namespace pellmarch::session {

// The login remembered for the next start ("Save Login"): the user name in the settings, the
// password in the desktop's secret store where there is one, else (no store, or one that is
// locked, refuses or does not answer) in the settings file as always, readable by the user only.
// A password found in the settings file moves into the store, and leaves the file only once the
// store has kept it. A login without "Save Login" forgets the password, in the store and in the
// file; the user name stays (the own host name's settings are compared with it).
class RememberedLogin {
public:
    // `secrets` may be null: no store.
    RememberedLogin(platform::SettingsStore &settings, platform::SecretStore *secrets);

    struct Login {
        bool remembered = false; // "Save Login" was ticked at the last login
        QString username;
        QString password;
        // No password to log in with: the store that keeps it did not give it (locked,
        // refusing, not answering in time, not come up yet), or none was kept.
        bool passwordUnavailable = false;
    };
    // The login to log in with by itself at start-up, when there is one.
    Login read();
    // After a successful login: `remember` is the state of "Save Login".
    void keep(const QString &username, const QString &password, bool remember);

    // Where "Save Login" keeps the password, said to the user.
    QString whereKept();

private:
    bool storeThere();
    // Puts the password into the store; true once the store has kept it (the file's copy goes).
    bool intoStore(const QString &username, const QString &password);

    platform::SettingsStore &m_settings;
    platform::SecretStore *m_secrets;
    // What the store holds as far as this run knows, so that closing asks nothing of it again.
    QString m_storedFor;
    QString m_stored;
    bool m_forgotten = false; // the store holds nothing for the remembered user name
    // The last password the store refused to take.
    QString m_refusedFor;
    QString m_refused;
};

} // namespace pellmarch::session
