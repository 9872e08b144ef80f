#pragma once

#include "platform/SettingsStore.h"

namespace pellmarch::platform {

// SettingsStore in an INI file of the user's configuration folder (on Linux
// $XDG_CONFIG_HOME/PELLMARCH.ini). The file holds the remembered password, so it is kept
// readable by its owner only.
class QtSettingsStore final : public SettingsStore {
public:
    static constexpr char kApplication[] = "PELLMARCH";

    // `filePath` empty: the per-user location above.
    explicit QtSettingsStore(QString filePath = {});

    // A file of the program's own in the same folder as the settings.
    static QString besideSettings(const QString &fileName);

    QString read(const QString &section, const QString &key, const QString &fallback) override;
    void write(const QString &section, const QString &key, const QString &value) override;

    const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

} // namespace pellmarch::platform
