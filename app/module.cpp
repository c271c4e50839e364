// Start-up of the trakvia_app module: search path set-up and the names bound, in order.
#include "cli.hpp"

#include "pyglue/imports.hpp"
#include "pyglue/module.hpp"

namespace trakvia::app {
namespace {

using pyglue::bind;
using pyglue::import_from;
using pyglue::import_module;

// `if entry not in sys.path: sys.path.insert(0, entry)`
void put_first_on_path(const pyglue::Globals& g, nb::handle entry) {
    nb::object path = g["sys"].attr("path");
    if (!contains(path, entry)) {
        path.attr("insert")(0, entry);
    }
}

void start_up(nb::handle module) {
    const pyglue::Globals g(PyModule_GetDict(module.ptr()));

    import_module(module, "os");
    import_module(module, "sys");
    import_module(module, "argparse");

    // The folder of the running program; the module's own file when there is no argv[0].
    nb::object argv = g["sys"].attr("argv");
    nb::object origin = is_true(argv) ? nb::object(argv[0]) : g["__file__"];
    bind(module, "_EXE_DIR", os_path(g, "dirname")(os_path(g, "abspath")(origin)));

    put_first_on_path(g, g["_EXE_DIR"]);
    put_first_on_path(g, g["os"].attr("getcwd")());

    import_from(module, "trakvia", {"R27_APP_NAME_TR", "R27_APP_VERSION"});
    import_from(module, "trakvia.converter",
                {"ConversionOptions", "convert_srt_file", "ALL_SUPPORTED_EXTENSIONS", "written_by_trakvia"});
    import_from(module, "trakvia.mediadesk",
                {"list_dji_files", "cleanup_dji_files", "import_dji_files",
                 "play_dji_file_by_index", "resolve_dji_directory", "resolve_dji_directories"});

    make_parser_types(module);
    pyglue::add_function(module, run_cli_def);
    pyglue::add_function(module, main_def);

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
