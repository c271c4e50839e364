// The launcher's one portable function: guard, environment, interpreter, bootstrap script.
#pragma once

#include "platform.h"

namespace trakvia::launcher {

// Runs the whole program and returns the process exit code.
int run_launcher(const LaunchContext& context);

}  // namespace trakvia::launcher
