// The convert command: every telemetry file of a file or folder into GPS tracks. Its report lines
// come from the converter, which words them for the window too.
#include "cli.hpp"

#include "command_arguments.hpp"
#include "conversion_run.hpp"
#include "report_line.hpp"

namespace trakvia::app {

using namespace nb::literals;

nb::object run_convert(const pyglue::Globals& g, nb::handle args) {
    nb::object input_path = os_path(g, "abspath")(args.attr("input"));
    if (input_is_missing(g, input_path, "Girdi")) {
        return nb::int_(1);
    }
    nb::object output = args.attr("output");
    nb::object converter = checked(PyImport_ImportModule("trakvia.converter"));
    if (!is_true(output)) {
        output = os_path(g, "join")(g["os"].attr("getcwd")(), converter.attr("DEFAULT_OUTPUT_FOLDER"));
    }
    nb::object output_dir = os_path(g, "abspath")(output);
    g["os"].attr("makedirs")(output_dir, "exist_ok"_a = true);
    nb::object options = g["ConversionOptions"]("sample_mode"_a = args.attr("sample"));

    nb::object mediadesk = checked(PyImport_ImportModule("trakvia.mediadesk"));
    nb::object inputs =
        mediadesk.attr("collect_conversion_inputs")(input_path, output_dir, g["ALL_SUPPORTED_EXTENSIONS"]);
    ConversionRun run(options, inputs);
    for (nb::handle path : nb::iter(inputs)) {
        nb::object result = run.convert(g, path, output_dir);
        print_line(g, Line() << converter.attr("conversion_report_line")(path, result));
    }
    return nb::int_(0);
}

}  // namespace trakvia::app
