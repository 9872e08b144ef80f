#pragma once

namespace pellmarch::platform {

// Whether an X11 system tray (the older kind, which takes icons as embedded windows) is on the
// screen now. Asked of the X server itself: Qt's own question also asks the bus once for the
// panel's tray host and keeps that answer for the run. False where the windows are not on X11.
bool HasXEmbedTray();

} // namespace pellmarch::platform
