// Portable launcher: console, start and program folders, environment, embedded interpreter
// start (with the single-instance guard offered to the desktop), bootstrap script, exit code.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <string>

#include "bootstrap_script.h"  // generated from bootstrap.py: kBootstrapScript
#include "desktop_guard.h"
#include "launcher.h"

namespace trakvia::launcher {
namespace {

constexpr int kExitFailure = 1;

constexpr const char* kStartFailureText = "Python 3.12 Runtime (python312.dll) baslatilamadi.";
constexpr const char* kStartFailureCaption = "Trakvia";
constexpr const char* kExitCodeAttribute = "_r27_exit_code";
// Carries the start folder to the bootstrap script, which takes it out of the environment.
constexpr const char* kStartFolderVariable = "TRAKVIA_START_DIR";

// Checklist helper of the interpreter start: records the first failing step and its reason.
bool check(PyStatus status, const char* step, std::string& failure) {
    if (!PyStatus_Exception(status)) return true;
    failure = step;
    if (status.err_msg != nullptr) failure += std::string(": ") + status.err_msg;
    return false;
}

// The arguments in the platform's native form: UTF-16 on Windows; bytes on POSIX, which the
// interpreter decodes as it decodes its own argv. Overloading picks the one that applies.
[[maybe_unused]] PyStatus set_arguments(PyConfig* config, int count, wchar_t* const* values) {
    return PyConfig_SetArgv(config, count, values);
}
[[maybe_unused]] PyStatus set_arguments(PyConfig* config, int count, char* const* values) {
    return PyConfig_SetBytesArgv(config, count, values);
}

// The folder of the program becomes the current directory, the native library folder and
// PYTHONPATH, so the bundle works from wherever it was started.
void prepare_program_folder(const LaunchContext& context) {
    const std::string folder = program_folder(context);
    if (folder.empty()) return;
    enter_program_folder(folder);
    set_environment("PYTHONPATH", folder);
}

// Configures and starts the interpreter with the whole command line as sys.argv.
bool start_interpreter(const LaunchContext& context, std::string& failure) {
    const ArgumentList args(context);
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    config.parse_argv = 0;  // every argument belongs to the application, none to the interpreter

    bool ok = true;
    if (args.split_ok() && args.count() > 0) {
        ok = check(set_arguments(&config, args.count(), args.values()), "PyConfig_SetArgv",
                   failure);
    }
    if (ok && standard_stream_encoding() != nullptr) {
        ok = check(PyConfig_SetString(&config, &config.stdio_encoding, standard_stream_encoding()),
                   "PyConfig.stdio_encoding", failure);
    }
    const std::string interpreter = embedded_interpreter_executable();
    if (ok && !interpreter.empty()) {
        ok = check(PyConfig_SetBytesString(&config, &config.executable, interpreter.c_str()),
                   "PyConfig.executable", failure);
    }
    if (ok) ok = check(Py_InitializeFromConfig(&config), "Py_InitializeFromConfig", failure);
    PyConfig_Clear(&config);
    if (ok && !Py_IsInitialized()) {
        failure = "Py_IsInitialized";
        ok = false;
    }
    return ok;
}

// Exit code left by the bootstrap script in sys._r27_exit_code; 1 when the script failed or
// the value is missing or does not fit a 32-bit signed exit code.
int read_exit_code(int script_result) {
    if (script_result != 0) return kExitFailure;
    PyObject* value = PySys_GetObject(kExitCodeAttribute);  // borrowed
    if (value == nullptr) {
        PyErr_Clear();
        return kExitFailure;
    }
    const long code = PyLong_AsLong(value);
    if (code == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        return kExitFailure;
    }
    if (code < INT32_MIN || code > INT32_MAX) return kExitFailure;
    return static_cast<int>(code);
}

}  // namespace

int run_launcher(const LaunchContext& context) {
    reach_parent_console();
    // Read before the program folder becomes the current directory: the paths the user typed
    // are meant from here. Set even when unreadable, so no inherited value stands in for it.
    set_environment(kStartFolderVariable, start_folder());
    prepare_program_folder(context);
    register_desktop_guard(context);  // the desktop start runs the single-instance guard

    std::string failure;
    if (!start_interpreter(context, failure)) {
        show_start_failure(kStartFailureText, kStartFailureCaption, failure);
        return kExitFailure;
    }

    // The whole life of the application, the desktop event loop included, runs in here.
    const int script_result = PyRun_SimpleStringFlags(kBootstrapScript, nullptr);
    const int exit_code = read_exit_code(script_result);
    Py_FinalizeEx();
    return exit_code;
}

}  // namespace trakvia::launcher
