#pragma once

namespace pellmarch::platform {

// The program's title: the caption of every message box.
inline constexpr char kProgramTitle[] = "Pellmarch";

} // namespace pellmarch::platform
