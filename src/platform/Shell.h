#pragma once

#include <QString>

namespace pellmarch::platform {

class MessageBoxes;

// What the program asks of the desktop beyond its own windows.
class Shell {
public:
    virtual ~Shell() = default;

    // Hands a web page to the user's default browser; false when no browser could be started.
    virtual bool openPage(const QString &url) = 0;

    // Ends the program at once: no further event of any window runs and nothing is saved.
    // The Qt implementation does not return; a test double may, so callers return right after.
    virtual void endProgram() = 0;
};

// Opens a web page of the service for the user. When no browser takes it, a message says so and
// gives its address, for the user to copy into a browser of his own choosing.
void OpenPage(Shell &shell, MessageBoxes &boxes, const QString &url);

} // namespace pellmarch::platform
