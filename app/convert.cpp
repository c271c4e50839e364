// The commands that hand telemetry to the conversion engine: convert and import.
#include "cli.hpp"

namespace trakvia::app {
namespace {

using namespace nb::literals;

// Takes the output folder out of a walk's sub-folder list, so that tracks written by an earlier
// run into a folder inside the input are not read back as inputs and converted again.
void skip_output_folder(const pyglue::Globals& g, nb::handle root, nb::handle subfolders,
                        nb::handle output_dir) {
    nb::object normcase = os_path(g, "normcase");
    nb::object target = normcase(output_dir);
    const Py_ssize_t count = PyObject_Size(subfolders.ptr());
    if (count < 0) {
        throw nb::python_error();
    }
    for (Py_ssize_t i = count; i-- > 0;) {
        nb::object name = checked(PySequence_GetItem(subfolders.ptr(), i));
        if (normcase(os_path(g, "join")(root, name)).equal(target) &&
            PySequence_DelItem(subfolders.ptr(), i) < 0) {
            throw nb::python_error();
        }
    }
}

// The files to convert: a file input as it is; a folder input resolved to its media folders (all
// of them on a card) and each walked top-down, names sorted within each folder and kept when
// their ending is supported.
nb::list collect_inputs(const pyglue::Globals& g, nb::handle input_path, nb::handle output_dir) {
    nb::list inputs;
    if (is_true(os_path(g, "isfile")(input_path))) {
        inputs.append(input_path);
        return inputs;
    }
    if (!is_true(os_path(g, "isdir")(input_path))) {
        return inputs;
    }
    for (nb::handle media_dir : nb::iter(g["resolve_dji_directories"](input_path))) {
        for (nb::handle entry : nb::iter(g["os"].attr("walk")(media_dir))) {
            const std::vector<nb::object> walked = unpack(entry, 3);
            skip_output_folder(g, walked[0], walked[1], output_dir);
            for (nb::handle name : nb::iter(g["sorted"](walked[2]))) {
                if (is_true(name.attr("lower")().attr("endswith")(g["ALL_SUPPORTED_EXTENSIONS"]))) {
                    inputs.append(os_path(g, "join")(walked[0], name));
                }
            }
        }
    }
    return inputs;
}

}  // namespace

nb::object run_convert(const pyglue::Globals& g, nb::handle args) {
    nb::object input_path = os_path(g, "abspath")(args.attr("input"));
    nb::object output = args.attr("output");
    if (!is_true(output)) {
        output = os_path(g, "join")(g["os"].attr("getcwd")(), "Cikti_GPX");
    }
    nb::object output_dir = os_path(g, "abspath")(output);
    g["os"].attr("makedirs")(output_dir, "exist_ok"_a = true);
    nb::object options = g["ConversionOptions"]("sample_mode"_a = args.attr("sample"));

    for (nb::handle path : collect_inputs(g, input_path, output_dir)) {
        nb::object result = g["convert_srt_file"](path, output_dir, options);
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

nb::object run_import(const pyglue::Globals& g, nb::handle args) {
    nb::object result = g["import_dji_files"](args.attr("src"), args.attr("dest"),
                                              "date_filter"_a = text_or_empty(args.attr("date")),
                                              "index_filter"_a = text_or_empty(args.attr("index")));
    const std::vector<nb::object> parts = unpack(result, 2);
    print_line(g, Line() << "[İÇE AKTARILDI] " << parts[0] << " dosya '" << args.attr("dest")
                         << "' klasörüne kopyalandı.");
    nb::object options = g["ConversionOptions"]();
    for (nb::handle path : nb::iter(parts[1])) {
        if (!is_true(path.attr("lower")().attr("endswith")(".srt"))) {
            continue;
        }
        nb::object converted = g["convert_srt_file"](path, args.attr("dest"), options);
        print_line(g, Line() << "  -> GPX Dönüştürüldü: " << converted.attr("track_name") << " ("
                             << converted.attr("filtered_point_count") << " nokta, "
                             << fixed(g, converted.attr("total_distance_m"), ".0f") << " m)");
    }
    return nb::int_(0);
}

}  // namespace trakvia::app
