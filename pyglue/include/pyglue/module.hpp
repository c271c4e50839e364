// Multi-phase module initialisation with the one-interpreter, one-initialisation guard.
#pragma once

#include <Python.h>

namespace pyglue {

// What a guarded extension module supplies: its short name (used in the error text) and the
// body of its exec slot, which binds the module's names in order. `exec` returns 0, or -1
// with a Python exception set.
struct ModuleInit {
    const char* short_name;             // "mediadesk", "trakvia_app"
    const char* doc;
    int (*exec)(PyObject* module);
};

// The exec slot wrapper. Refuses, before running `init.exec`:
//  - a module loaded into a second interpreter of the process:
//      ImportError("Interpreter change detected - this module can only be loaded into one interpreter per process.")
//  - a second initialisation in the same process (e.g. after `del sys.modules[...]`):
//      RuntimeError("Module '<short_name>' has already been imported. Re-initialisation is not supported.")
// `state` is one static object per module (it remembers the interpreter and whether exec ran).
struct ModuleGuardState {
    long long interpreter_id = -1;
    bool initialised = false;
};
int guarded_exec(PyObject* module, const ModuleInit& init, ModuleGuardState& state);

}  // namespace pyglue

// Defines PyInit_<name> returning a multi-phase PyModuleDef whose exec slot runs
// pyglue::guarded_exec with `exec_fn`. Use once per module, at namespace scope.
#define PYGLUE_MODULE(name, short_name_text, doc_text, exec_fn)                                   \
    namespace {                                                                                  \
    pyglue::ModuleGuardState pyglue_guard_state_##name;                                          \
    const pyglue::ModuleInit pyglue_init_##name{short_name_text, doc_text, exec_fn};             \
    int pyglue_exec_##name(PyObject* m) {                                                        \
        return pyglue::guarded_exec(m, pyglue_init_##name, pyglue_guard_state_##name);           \
    }                                                                                            \
    PyModuleDef_Slot pyglue_slots_##name[] = {{Py_mod_exec, (void*)pyglue_exec_##name},          \
                                              {0, nullptr}};                                     \
    PyModuleDef pyglue_def_##name = {PyModuleDef_HEAD_INIT, #name, doc_text, 0, nullptr,         \
                                     pyglue_slots_##name, nullptr, nullptr, nullptr};            \
    }                                                                                            \
    extern "C" PyMODINIT_FUNC PyInit_##name() { return PyModuleDef_Init(&pyglue_def_##name); }
