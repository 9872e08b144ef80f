#pragma once

#include <QString>

namespace pellmarch::platform {

// What the program asks of the desktop beyond its own windows.
class Shell {
public:
    virtual ~Shell() = default;

    // Shows a web page in the user's default browser. Whether that worked is not reported.
    virtual void openPage(const QString &url) = 0;

    // Ends the program at once: no further event of any window runs and nothing is saved.
    // The Qt implementation does not return; a test double may, so callers return right after.
    virtual void endProgram() = 0;
};

} // namespace pellmarch::platform
