#pragma once

#include <QString>

namespace pellmarch::platform {

// The program's entry in the desktop's autostart folder ($XDG_CONFIG_HOME/autostart): while it
// is there, the desktop starts the program with every session. It is the program's desktop
// entry, so the session starts it exactly as its menu entry does.
class AutostartEntry {
public:
    // The desktop entry's name, the same as the installed menu entry's.
    static constexpr char kFileName[] = "net.verlund.Pellmarch.desktop";

    // `folder` empty: the user's autostart folder.
    explicit AutostartEntry(QString folder = {});

    bool isOn() const;
    // Writes or removes the entry. False, with `error` saying why, when that could not be done.
    bool setOn(bool on, QString *error);

    QString filePath() const;

private:
    QString m_folder;
};

} // namespace pellmarch::platform
