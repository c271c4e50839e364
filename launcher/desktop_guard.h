// The single-instance guard as the application sees it: the built-in module _trakvia_launcher.
#pragma once

#include "platform.h"

namespace trakvia::launcher {

// Name of the built-in module; its one function, claim_desktop(), runs the guard.
inline constexpr const char* kGuardModuleName = "_trakvia_launcher";

// Makes the module importable in the interpreter about to start; call before it starts.
// `context` must outlive the interpreter.
void register_desktop_guard(const LaunchContext& context);

}  // namespace trakvia::launcher
