#pragma once

#include <QString>

namespace pellmarch::platform {

// The per-user store of text values, addressed by section and key under the program's
// application name.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `fallback` when the key is absent or cannot be read.
    virtual QString read(const QString &section, const QString &key,
                         const QString &fallback = {}) = 0;

    // Stores `value`, replacing any earlier value of the key.
    virtual void write(const QString &section, const QString &key, const QString &value) = 0;
};

} // namespace pellmarch::platform
