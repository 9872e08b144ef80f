#pragma once

#include "platform/MessageBoxes.h"

namespace pellmarch::platform {

// MessageBoxes as QMessageBox dialogs over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    void inform(const QString &text) override;
    bool ask(const QString &text) override;
};

} // namespace pellmarch::platform
