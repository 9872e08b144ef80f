#pragma once

namespace pellmarch::app {

// What the whole program shares once the application object exists: its name, version and
// icon, the desktop entry it belongs to, one font family for every window, menu and message
// box, and Enter on a focused button pressing it. The program and the screenshot tool both start
// with it.
void SetUpApplication();

} // namespace pellmarch::app
