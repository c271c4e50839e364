// The launcher makes its own folder the current directory, so that its libraries and Qt
// plugins are found, and keeps the folder the user started it from in sys._r27_start_dir.
// A relative path typed on the command line means a place in that start folder: resolved here,
// once, right after parsing, so that no command writes into the program's folder (under
// Program Files it could not). Started without the launcher, the current folder is the start
// folder and the arguments stay as typed.
#include "start_folder.hpp"

#include "cli.hpp"

namespace trakvia::app {
namespace {

// The attributes that hold paths, for whichever command was parsed.
constexpr const char* kPathArguments[] = {"dir", "src", "dest", "input", "output"};

// Where convert writes when no output folder is given.
constexpr const char* kDefaultOutputFolder = "Cikti_GPX";

bool same_folder(const pyglue::Globals& g, nb::handle a, nb::handle b) {
    nb::object normcase = os_path(g, "normcase");
    nb::object abspath = os_path(g, "abspath");
    return normcase(abspath(a)).equal(normcase(abspath(b)));
}

}  // namespace

void resolve_from_start_folder(const pyglue::Globals& g, nb::handle args) {
    nb::object start = g["getattr"](g["sys"], "_r27_start_dir", nb::none());
    if (!is_true(start) || same_folder(g, start, g["os"].attr("getcwd")())) {
        return;
    }
    // join keeps an absolute path as it is and puts the start folder before a relative one.
    nb::object join = os_path(g, "join");
    for (const char* name : kPathArguments) {
        nb::object value = g["getattr"](args, name, nb::none());
        if (nb::isinstance<nb::str>(value) && is_true(value)) {
            nb::setattr(args, name, join(start, value));
        }
    }
    if (nb::hasattr(args, "output") && !is_true(args.attr("output"))) {
        nb::setattr(args, "output", join(start, kDefaultOutputFolder));
    }
}

}  // namespace trakvia::app
