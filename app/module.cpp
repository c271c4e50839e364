// Start-up of the trakvia_app module: search path set-up and the names bound, in order.
#include "cli.hpp"

#include "pyglue/module.hpp"

#include <initializer_list>

namespace trakvia::app {
namespace {

void bind(nb::handle dict, const char* name, nb::handle value) {
    if (PyDict_SetItemString(dict.ptr(), name, value.ptr()) < 0) {
        throw nb::python_error();
    }
}

// `import <name>` bound under its own name.
void import_module(nb::handle dict, const char* name) {
    bind(dict, name, checked(PyImport_ImportModule(name)));
}

// `from <module_name> import <names...>`, with the interpreter's ImportError for a missing name.
void import_from(nb::handle dict, const char* module_name, std::initializer_list<const char*> names) {
    nb::list fromlist;
    for (const char* name : names) {
        fromlist.append(nb::str(name));
    }
    // Through builtins.__import__, as the import statement does, so import hooks see it.
    const pyglue::Globals g(dict);
    nb::object module = g["__import__"](module_name, dict, nb::none(), nb::tuple(fromlist), 0);
    for (const char* name : names) {
        PyObject* value = PyObject_GetAttrString(module.ptr(), name);
        if (value == nullptr) {
            if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
                throw nb::python_error();
            }
            PyErr_Clear();
            PyObject* file = PyModule_GetFilenameObject(module.ptr());
            if (file == nullptr) {
                PyErr_Clear();
            }
            nb::object where = file ? nb::steal(file) : nb::object(nb::str("unknown location"));
            nb::object message = checked(PyUnicode_FromFormat(
                "cannot import name '%s' from '%s' (%S)", name, module_name, where.ptr()));
            PyErr_SetImportError(message.ptr(), nb::str(module_name).ptr(), where.ptr());
            throw nb::python_error();
        }
        bind(dict, name, nb::steal(value));
    }
}

// `if entry not in sys.path: sys.path.insert(0, entry)`
void put_first_on_path(const pyglue::Globals& g, nb::handle entry) {
    nb::object path = g["sys"].attr("path");
    if (!contains(path, entry)) {
        path.attr("insert")(0, entry);
    }
}

void start_up(nb::handle module) {
    nb::handle dict = PyModule_GetDict(module.ptr());
    const pyglue::Globals g(dict);

    import_module(dict, "os");
    import_module(dict, "sys");
    import_module(dict, "argparse");

    // The folder of the running program; the module's own file when there is no argv[0].
    nb::object argv = g["sys"].attr("argv");
    nb::object origin = is_true(argv) ? nb::object(argv[0]) : g["__file__"];
    bind(dict, "_EXE_DIR", os_path(g, "dirname")(os_path(g, "abspath")(origin)));

    put_first_on_path(g, g["_EXE_DIR"]);
    put_first_on_path(g, g["os"].attr("getcwd")());

    import_from(dict, "trakvia", {"R27_APP_NAME_TR", "R27_APP_VERSION"});
    import_from(dict, "trakvia.converter",
                {"ConversionOptions", "convert_srt_file", "ALL_SUPPORTED_EXTENSIONS", "written_by_trakvia"});
    import_from(dict, "trakvia.mediadesk",
                {"list_dji_files", "cleanup_dji_files", "import_dji_files",
                 "play_dji_file_by_index", "resolve_dji_directory", "resolve_dji_directories"});

    make_parser_types(module);
    pyglue::add_function(module, run_cli_spec());
    pyglue::add_function(module, main_spec());

    // Loaded as the main program: the result of main() becomes the exit status.
    if (nb::str("__main__").equal(g["__name__"])) {
        g["sys"].attr("exit")(g["main"]());
    }
}

int exec_module(PyObject* module) {
    return pyglue::translate_exceptions([module] { start_up(module); }) ? 0 : -1;
}

}  // namespace
}  // namespace trakvia::app

PYGLUE_MODULE(trakvia_app, "trakvia_app", nullptr, trakvia::app::exec_module)
