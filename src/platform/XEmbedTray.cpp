#include "platform/XEmbedTray.h"

#include <QByteArray>
#include <QGuiApplication>

// Last: its macros (None, Bool, Status) would clash with Qt's names.
#include <X11/Xlib.h>

namespace pellmarch::platform {

bool HasXEmbedTray() {
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *const display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr)
        return false;
    // The tray owns this selection of its screen; without the atom no tray ever claimed it.
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(XDefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.constData(), True);
    return atom != None && XGetSelectionOwner(display, atom) != None;
}

} // namespace pellmarch::platform
