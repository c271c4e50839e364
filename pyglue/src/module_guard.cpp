// The exec-slot guard: one interpreter per process, one initialisation per process.
#include "pyglue/module.hpp"

namespace pyglue {

int guarded_exec(PyObject* module, const ModuleInit& init, ModuleGuardState& state) {
    PyInterpreterState* interp = PyInterpreterState_Get();
    long long id = static_cast<long long>(PyInterpreterState_GetID(interp));
    if (id == -1 && PyErr_Occurred()) {
        return -1;
    }
    if (state.interpreter_id == -1) {
        state.interpreter_id = id;
    } else if (state.interpreter_id != id) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one "
                        "interpreter per process.");
        return -1;
    }
    if (state.initialised) {
        PyErr_Format(PyExc_RuntimeError,
                     "Module '%s' has already been imported. Re-initialisation is not supported.",
                     init.short_name);
        return -1;
    }
    // Marked before running the body: a body that fails half-way has still bound names into a
    // module object that may be cached elsewhere, and running it twice would not be sound.
    state.initialised = true;
    return init.exec(module);
}

}  // namespace pyglue
