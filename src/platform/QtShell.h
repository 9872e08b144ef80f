#pragma once

#include "platform/Shell.h"

namespace pellmarch::platform {

// Shell over QDesktopServices and the process itself.
class QtShell final : public Shell {
public:
    bool openPage(const QString &url) override;
    [[noreturn]] void endProgram() override;
};

} // namespace pellmarch::platform
