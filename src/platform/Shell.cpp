#include "platform/Shell.h"

#include "platform/MessageBoxes.h"

namespace pellmarch::platform {

void OpenPage(Shell &shell, MessageBoxes &boxes, const QString &url) {
    if (!shell.openPage(url))
        boxes.informSelectable(
            QStringLiteral("The page could not be opened in a web browser. Its address is:\n") +
            url);
}

} // namespace pellmarch::platform
