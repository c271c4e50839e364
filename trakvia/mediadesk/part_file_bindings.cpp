// The import's part files offered to the window's own writers (the HUD video export, the HUD
// sample clip): one naming rule, so a run killed half-way leaves nothing the next run keeps.
#include "functions.hpp"
#include "part_files.hpp"
#include "safe_copy.hpp"

#include <array>
#include <cerrno>

namespace trakvia::mediadesk {

namespace {

constexpr auto kCreateParams = std::to_array<pyglue::ParamDef>({{"folder", "str"}, {"name", "str"}});

nb::object create_part_file_binding(const pyglue::Globals& g, const pyglue::Args<kCreateParams>& args) {
    auto [path, fd] = create_part_file(g, args["folder"], args["name"]);
    return nb::make_tuple(path, fd);
}

constexpr auto kRemoveParams = std::to_array<pyglue::ParamDef>({{"folder", "str"}});

nb::object remove_stale_part_files_binding(const pyglue::Globals& g, const pyglue::Args<kRemoveParams>& args) {
    remove_stale_part_files(g, args["folder"]);
    return nb::none();
}

constexpr auto kPutParams = std::to_array<pyglue::ParamDef>({{"part", "str"}, {"final_path", "str"}});

// The finished part file under its real name, as the import publishes a copy; FileExistsError
// when something took the name meanwhile (the part file stays, for the caller to remove).
nb::object put_in_place_binding(const pyglue::Globals& g, const pyglue::Args<kPutParams>& args) {
    Published published;
    if (!publish(g, args["part"], args["final_path"], published)) {
        PyErr_SetObject(PyExc_FileExistsError,
                        nb::make_tuple(EEXIST, nb::str("Dosya zaten var"), args["final_path"]).ptr());
        throw nb::python_error();
    }
    if (published.linked) {
        g["os"].attr("remove")(args["part"]);
    }
    return nb::none();
}

}  // namespace

constinit const pyglue::Definition put_in_place_def =
    pyglue::def<kPutParams, put_in_place_binding>({.name = "_put_in_place", .returns = "None"});

constinit const pyglue::Definition create_part_file_def =
    pyglue::def<kCreateParams, create_part_file_binding>({.name = "_create_part_file", .returns = "Tuple[str, int]"});

constinit const pyglue::Definition remove_stale_part_files_def =
    pyglue::def<kRemoveParams, remove_stale_part_files_binding>({.name = "_remove_stale_part_files", .returns = "None"});

}  // namespace trakvia::mediadesk
