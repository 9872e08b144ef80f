#pragma once

#include <QString>

namespace pellmarch::platform {

// The program's entry in the desktop's autostart folder ($XDG_CONFIG_HOME/autostart): while it
// is there, and the desktop has not turned it off, the desktop starts the program with every
// session. It is the program's desktop entry, naming the program by its full path where the
// session's PATH would not find it by its name.
class AutostartEntry {
public:
    // The desktop entry's name, the same as the installed menu entry's.
    static constexpr char kFileName[] = "net.verlund.Pellmarch.desktop";

    // `folder` empty: the user's autostart folder. `program` empty: the running program's file.
    explicit AutostartEntry(QString folder = {}, QString program = {});

    // False too when the desktop keeps the entry but has turned it off (its autostart settings
    // write Hidden=true, or X-GNOME-Autostart-enabled=false): the session would not start the
    // program, so "Start at Login" must not show it ticked.
    bool isOn() const;
    // Writes or removes the entry; written, it is on whatever the desktop had made of it. False,
    // with `error` saying why, when that could not be done.
    bool setOn(bool on, QString *error);

    QString filePath() const;

private:
    QString m_folder;
    QString m_program;
};

} // namespace pellmarch::platform
