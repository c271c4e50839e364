// Stand-in for launcher.cpp in the Windows cross-compile check, which has no Windows Python
// headers: it drives the platform layer the way run_launcher does, without the interpreter.
#include "instance_guard.h"
#include "launcher.h"

namespace trakvia::launcher {

int run_launcher(const LaunchContext& context) {
    reach_parent_console();
    set_environment("TRAKVIA_START_DIR", start_folder());
    // The real launcher runs the guard when the desktop asks (desktop_guard.cpp).
    if (another_copy_is_running(context)) return 0;
    const std::string folder = program_folder(context);
    enter_program_folder(folder);
    set_environment("PYTHONPATH", folder);
    const ArgumentList args(context);
    if (!args.split_ok()) show_start_failure("Python 3.12 Runtime (python312.dll) baslatilamadi.", "Trakvia", "");
    return 0;
}

}  // namespace trakvia::launcher
