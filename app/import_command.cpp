// The import command: file sets copied from a card, then their telemetry converted beside them.
// The track lines come from the converter, which words them for the window too.
#include "cli.hpp"

#include "command_arguments.hpp"
#include "conversion_run.hpp"
#include "report_line.hpp"

namespace trakvia::app {

using namespace nb::literals;

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
    ConversionRun run(options, parts[1]);
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
