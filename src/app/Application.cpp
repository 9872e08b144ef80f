#include "app/Application.h"

#include "about/Product.h"
#include "platform/EnterKeys.h"
#include "platform/Widgets.h"

#include <QApplication>
#include <QIcon>

namespace pellmarch::app {

void SetUpApplication() {
    // One font family everywhere: the windows' designed font for menus and message boxes too.
    QApplication::setFont(platform::dialogFont());
    QApplication::setApplicationName(QStringLiteral("Pellmarch"));
    QApplication::setApplicationVersion(about::VersionText());
    // Desktops match the windows to the menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("net.verlund.Pellmarch"));
    QApplication::setWindowIcon(QIcon(platform::logoPixmap()));
    // The program ends where closing the main window or Exit in the login window ends it, not
    // when a window happens to be the last one shown (the login window, before the main one).
    QApplication::setQuitOnLastWindowClosed(false);
    // Enter presses the focused button in every window, message boxes and about box included.
    platform::EnterKeys::install();
}

} // namespace pellmarch::app
