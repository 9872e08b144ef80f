#include "platform/QtShell.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace pellmarch::platform {

bool QtShell::openPage(const QString &url) {
    return QDesktopServices::openUrl(QUrl(url));
}

void QtShell::endProgram() {
    // Leaving through the event loops would let pending handlers run after the user chose to
    // go; the program must stop where it stands, with nothing saved.
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

} // namespace pellmarch::platform
