// The convert command: every telemetry file of a file or folder into GPS tracks.
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
    if (!is_true(output)) {
        nb::object converter = checked(PyImport_ImportModule("trakvia.converter"));
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
        print_line(g, Line() << "[OK] " << os_path(g, "basename")(path) << " -> "
                             << result.attr("filtered_point_count") << " nokta, "
                             << fixed(g, divided(result.attr("total_distance_m"), nb::float_(1000.0)), ".2f")
                             << " km, Maks Hız: " << fixed(g, result.attr("max_speed_kmh"), ".1f")
                             << " km/s, Güç: " << fixed(g, result.attr("max_power_w"), ".0f")
                             << " W, Çıktılar: " << length(g, result.attr("output_files"))
                             << " dosya");
    }
    return nb::int_(0);
}

}  // namespace trakvia::app
