// The commands that hand telemetry to the conversion engine: convert and import. Their report
// lines come from the converter, which words them for the window too.
#include "cli.hpp"

namespace trakvia::app {
namespace {

using namespace nb::literals;

// The run context of one command: its inputs and the outputs written so far are files no later
// output of the same command may replace.
class RunContext {
public:
    RunContext(nb::object options, nb::handle inputs) : options_(std::move(options)), kept_(nb::list(inputs)) {}

    nb::object convert(const pyglue::Globals& g, nb::handle path, nb::handle output_dir) {
        nb::setattr(options_, "keep_paths", kept_);
        nb::object result = g["convert_srt_file"](path, output_dir, options_);
        for (nb::handle written : nb::iter(result.attr("output_files"))) {
            kept_.append(written);
        }
        return result;
    }

private:
    nb::object options_;
    nb::list kept_;
};

}  // namespace

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
    RunContext run(options, inputs);
    for (nb::handle path : nb::iter(inputs)) {
        nb::object result = run.convert(g, path, output_dir);
        print_line(g, Line() << converter.attr("conversion_report_line")(path, result));
    }
    return nb::int_(0);
}

nb::object run_import(const pyglue::Globals& g, nb::handle args) {
    if (input_is_missing(g, args.attr("src"), "Kaynak klasör")) {
        return nb::int_(1);
    }
    nb::object result = g["import_dji_files"](args.attr("src"), args.attr("dest"),
                                              "date_filter"_a = text_or_empty(args.attr("date")),
                                              "index_filter"_a = text_or_empty(args.attr("index")));
    const std::vector<nb::object> parts = unpack(result, 2);
    print_line(g, Line() << "[İÇE AKTARILDI] " << parts[0] << " dosya '" << args.attr("dest")
                         << "' klasörüne kopyalandı.");
    nb::object options = g["ConversionOptions"]();
    nb::object converter = checked(PyImport_ImportModule("trakvia.converter"));
    RunContext run(options, parts[1]);
    for (nb::handle path : nb::iter(parts[1])) {
        if (!is_true(path.attr("lower")().attr("endswith")(".srt"))) {
            continue;
        }
        nb::object converted = run.convert(g, path, args.attr("dest"));
        print_line(g, Line() << converter.attr("imported_track_line")(converted));
    }
    return nb::int_(0);
}

}  // namespace trakvia::app
