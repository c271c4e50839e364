// Single-instance guard of the launcher: the bypass texts and the mutex that keeps a second
// desktop copy from starting.
#pragma once

#include <array>
#include <string_view>

#include "platform.h"

namespace trakvia::launcher {

// Name of the guard (a session-local Windows mutex; a lock file elsewhere).
inline constexpr std::string_view kSingleInstanceName = "Local\\R27_SINGLE_INSTANCE_trakvia-app";

// Command-line texts that skip the guard, tested in this order.
inline constexpr std::array<std::string_view, 9> kBypassTexts = {
    "--r27-elevated-task", "--r27-root-helper", "--service",
    "--install-service",   "--uninstall-service", "--status",
    "--headless",          "--self-test",         "--screenshot",
};

// Text searched for in window titles to find the running copy.
inline constexpr std::string_view kWindowTitleText = "Trakvia";

// True when `command_line` contains a bypass text anywhere: a plain, case-sensitive substring
// search over the whole line, the program's own path included.
bool has_bypass_text(std::string_view command_line);

// Runs the guard for this start. True when another copy holds it: its window has then been
// brought forward and this copy must end without starting the interpreter.
bool another_copy_is_running(const LaunchContext& context);

}  // namespace trakvia::launcher
