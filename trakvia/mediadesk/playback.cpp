// play_dji_file_by_index: opens the video (or the telemetry) of one file set with the
// system's default application.
#include "functions.hpp"
#include "namespace.hpp"

#include "pyglue/def.hpp"

#include <array>

namespace trakvia::mediadesk {

namespace {

// The first entry of a path list, or None when the list is empty.
nb::object first_of(nb::handle paths) {
    return is_true(paths) ? nb::object(paths[0]) : nb::none();
}

constexpr auto kParams = std::to_array<pyglue::ParamDef>({
    {"dir_path", "str"},
    {"index_num", "int"},
});

nb::object play_dji_file_by_index(const pyglue::Globals& g, const pyglue::Args<kParams>& args) {
    const nb::object& dir_path = args["dir_path"];
    nb::object text = checked(PyObject_Str(args["index_num"].ptr()));
    nb::object sets = g["list_dji_files"](dir_path, nb::arg("index_filter") = text);
    if (!is_true(sets)) {
        return nb::none();
    }
    nb::object target_set = sets[0];
    nb::object target_file = first_of(target_set.attr("video_files"));
    if (target_file.is_none()) {
        target_file = first_of(target_set.attr("srt_files"));
    }
    if (target_file.is_none() || !is_true(target_file)) {
        return nb::none();
    }

    // The path goes to the opener as one argument and no shell is involved; the player is not
    // waited for.
    nb::object platform = g["sys"].attr("platform");
    if (is_true(platform.attr("startswith")("win"))) {
        g["os"].attr("startfile")(target_file);
    } else {
        nb::list argv;
        argv.append(nb::str(platform.equal(nb::str("darwin")) ? "open" : "xdg-open"));
        argv.append(target_file);
        g["subprocess"].attr("Popen")(argv);
    }
    return target_file;
}

}  // namespace

constinit const pyglue::Definition play_dji_file_by_index_def =
    pyglue::def<kParams, play_dji_file_by_index>({.name = "play_dji_file_by_index",
                                                  .returns = "Optional[str]"});

}  // namespace trakvia::mediadesk
