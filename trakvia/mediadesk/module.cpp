// trakvia.mediadesk start-up: binds the module's names in their fixed order.
#include "pyglue/imports.hpp"
#include "pyglue/module.hpp"

#include "file_set.hpp"
#include "functions.hpp"
#include "pyglue_names.hpp"
#include "scan_bindings.hpp"

namespace trakvia::mediadesk {

namespace {

using pyglue::bind;
using pyglue::import_from;
using pyglue::import_module;

const char* const kDjiIndexPattern =
    R"((?:DJI_(?:\d{8,14}_)?|dji_|MAVIC_|AVATA_|OSMO_|GX|GH|GP|VID_)?(\d{3,4})(?:_[A-Z0-9]+)?\.)"
    R"((mp4|mov|osv|insv|360|mkv|avi|webm|mts|m2ts|ts|flv|wmv|m4v|3gp|srt|lrf|gpx)$)";
const char* const kAgeFilterPattern = R"(^([<>])\s*(\d+)\s*([hdwmy])$)";
const char* const kDateExactPattern = R"(^(\d{4})-(\d{2})-(\d{2})$)";

const char* const kVideoExtensions[] = {"mp4", "mov", "osv", "insv", "360", "mkv", "avi", "webm", "mts",
                                        "m2ts", "ts", "flv", "wmv", "m4v", "3gp", "mpg", "mpeg"};

void exec_body(PyObject* m) {
    nb::handle module(m);
    const pyglue::Globals g(PyModule_GetDict(m));

    // First, where a Python module holds it; otherwise the dataclass decorator, which runs its
    // generated code in this namespace, would add it between the patterns and DjiFileSet.
    if (PyDict_SetDefault(g.dict().ptr(), nb::str("__builtins__").ptr(), PyEval_GetBuiltins()) == nullptr) {
        throw nb::python_error();
    }

    for (const char* name : {"os", "re", "shutil", "subprocess", "sys"}) {
        import_module(module, name);
    }
    import_from(module, "dataclasses", {"dataclass", "field"});
    import_from(module, "datetime", {"datetime", "timedelta"});
    import_from(module, "typing", {"List", "Set", "Optional", "Tuple"});
    import_from(module, "converter", {"create_sample_srt_files"}, 1);

    nb::set video_exts;
    for (const char* ext : kVideoExtensions) {
        video_exts.add(nb::str(ext));
    }
    bind(module, "_VIDEO_EXTS_SET", video_exts);

    nb::object re = g["re"];
    nb::object ignorecase = re.attr("IGNORECASE");
    bind(module, "_RE_DJI_INDEX", re.attr("compile")(nb::str(kDjiIndexPattern), ignorecase));
    bind(module, "_RE_AGE_FILTER", re.attr("compile")(nb::str(kAgeFilterPattern), ignorecase));
    bind(module, "_RE_DATE_EXACT", re.attr("compile")(nb::str(kDateExactPattern)));

    bind(module, "DjiFileSet", make_dji_file_set_class(g));
    remember_scan_bindings(g);  // everything the scan reaches is bound by now

    for (const pyglue::Definition* definition :
         {&resolve_dji_directory_def, &parse_index_filter_def, &matches_date_or_age_filter_def, &list_dji_files_def,
          &cleanup_dji_files_def, &import_dji_files_def, &play_dji_file_by_index_def,
          &create_sample_dji_sdcard_structure_def, &resolve_dji_directories_def, &import_dji_file_sets_def,
          &check_date_filter_def, &collect_conversion_inputs_def, &cleanup_summary_line_def,
          &create_part_file_def, &remove_stale_part_files_def, &put_in_place_def}) {
        pyglue::add_function(module, *definition);
    }
    bind(module, "CLEANUP_TYPES", cleanup_type_choices());
    bind(module, "ALL_FILTER_WORDS", all_filter_words());
}

int exec_module(PyObject* m) { return pyglue::translate_exceptions([m] { exec_body(m); }) ? 0 : -1; }

}  // namespace

}  // namespace trakvia::mediadesk

PYGLUE_MODULE(mediadesk, "mediadesk",
              "DJI medya yöneticisi: SD kart tarama, filtreler, içe aktarma, temizlik, oynatma.",
              trakvia::mediadesk::exec_module)
