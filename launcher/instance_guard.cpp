// Single-instance guard: bypass test, claim, and handing over to the running copy.
#include "instance_guard.h"

namespace trakvia::launcher {

bool has_bypass_text(std::string_view command_line) {
    for (std::string_view text : kBypassTexts) {
        if (command_line.find(text) != std::string_view::npos) return true;
    }
    return false;
}

bool another_copy_is_running(const LaunchContext& context) {
    if (has_bypass_text(whole_command_line(context))) return false;
    // A guard that cannot be set up lets the program run unguarded rather than not at all.
    if (claim_single_instance(kSingleInstanceName) != InstanceGuard::already_running) return false;
    bring_running_copy_forward(kWindowTitleText);
    return true;
}

}  // namespace trakvia::launcher
