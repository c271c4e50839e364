// Only a second desktop is kept from starting. Whether a start opens the desktop is known only
// once the application has parsed its command line, so the launcher does not run the guard
// itself: it offers it as _trakvia_launcher.claim_desktop(), which the desktop start calls.
// A command (list, import, ...) is a process of its own that ends with its work, and must run
// and report its own exit code even while a desktop is open.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "desktop_guard.h"
#include "instance_guard.h"

namespace trakvia::launcher {
namespace {

const LaunchContext* launch_context = nullptr;

enum class Claim { not_tried, passed, refused };
Claim claim = Claim::not_tried;

// claim_desktop() -> bool: True when this copy may open the desktop (it holds the guard, was
// started with a bypass text, or no guard could be set up); False when another copy holds the
// guard, whose window has then been brought forward. Asked again, gives the same answer: the
// guard is held by the process, and claiming it twice would find this copy's own.
PyObject* claim_desktop(PyObject*, PyObject*) {
    if (claim == Claim::not_tried) {
        claim = launch_context != nullptr && another_copy_is_running(*launch_context)
                    ? Claim::refused
                    : Claim::passed;
    }
    return PyBool_FromLong(claim == Claim::passed);
}

PyMethodDef guard_methods[] = {
    {"claim_desktop", claim_desktop, METH_NOARGS,
     "claim_desktop() -> bool: True when this copy may open the desktop window."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef guard_module = {
    PyModuleDef_HEAD_INIT, kGuardModuleName,
    "Single-instance guard of Trakvia_Launcher, offered to the desktop start.", -1,
    guard_methods, nullptr, nullptr, nullptr, nullptr,
};

PyObject* init_guard_module() { return PyModule_Create(&guard_module); }

}  // namespace

void register_desktop_guard(const LaunchContext& context) {
    launch_context = &context;
    PyImport_AppendInittab(kGuardModuleName, init_guard_module);
}

}  // namespace trakvia::launcher
