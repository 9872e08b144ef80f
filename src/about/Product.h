#pragma once

#include <QString>

// How the product names itself: version, owner's notice and the captions built from them.
namespace pellmarch::about {

// "1.6": major and minor version as plain decimal numbers.
QString VersionText(int major, int minor);
QString VersionText();

// The owner's notice: one line for window captions, two for the about box.
inline constexpr char kCaptionNotice[] = " \u00a9 Verlund Networks";
inline constexpr char kNoticeLine1[] = "Copyright \u00a9 2026 Verlund Networks Ltd.";
inline constexpr char kNoticeLine2[] = "All rights reserved.";

// "Login   version 1.6" + the notice: the login window's caption at start-up.
QString LoginVersionCaption();
// "Verlund Dynamic DNS version 1.6" + the notice: the main window's caption.
QString MainWindowCaption();
// The about box's title: product line and version, then the notice's two lines.
QString AboutTitle(int major, int minor);
QString AboutTitle();

} // namespace pellmarch::about
