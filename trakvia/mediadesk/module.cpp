// trakvia.mediadesk start-up: binds the module's names in their fixed order.
#include "pyglue/module.hpp"

#include "file_set.hpp"
#include "functions.hpp"
#include "namespace.hpp"
#include "scan_bindings.hpp"

namespace trakvia::mediadesk {

namespace {

const char* const kDjiIndexPattern =
    R"((?:DJI_(?:\d{8,14}_)?|dji_|MAVIC_|AVATA_|OSMO_|GX|GH|GP|VID_)?(\d{3,4})(?:_[A-Z0-9]+)?\.)"
    R"((mp4|mov|osv|insv|360|mkv|avi|webm|mts|m2ts|ts|flv|wmv|m4v|3gp|srt|lrf|gpx)$)";
const char* const kAgeFilterPattern = R"(^([<>])\s*(\d+)\s*([hdwmy])$)";
const char* const kDateExactPattern = R"(^(\d{4})-(\d{2})-(\d{2})$)";

const char* const kVideoExtensions[] = {"mp4", "mov", "osv", "insv", "360", "mkv", "avi", "webm", "mts",
                                        "m2ts", "ts", "flv", "wmv", "m4v", "3gp", "mpg", "mpeg"};

void bind(nb::handle module, const char* name, nb::handle value) {
    if (PyModule_AddObjectRef(module.ptr(), name, value.ptr()) < 0) {
        throw nb::python_error();
    }
}

nb::object import_module(const char* name) { return checked(PyImport_ImportModule(name)); }

// `from <module> import <names...>` for an absolute module, or a sibling when `level` is 1.
void import_names(nb::handle module, const char* from, std::initializer_list<const char*> names, int level = 0) {
    nb::object globals = nb::borrow(PyModule_GetDict(module.ptr()));
    nb::list fromlist;
    for (const char* n : names) {
        fromlist.append(nb::str(n));
    }
    nb::object src = checked(PyImport_ImportModuleLevel(from, globals.ptr(), globals.ptr(), fromlist.ptr(), level));
    for (const char* n : names) {
        PyObject* value = PyObject_GetAttrString(src.ptr(), n);
        if (!value) {
            if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
                throw nb::python_error();
            }
            PyErr_Clear();
            // The interpreter's own wording for a failed `from ... import name`.
            nb::object src_name = nb::getattr(src, "__name__", nb::str(from));
            nb::object src_file = nb::getattr(src, "__file__", nb::none());
            if (src_file.is_none()) {
                PyErr_Format(PyExc_ImportError, "cannot import name '%s' from %R (unknown location)", n,
                             src_name.ptr());
            } else {
                PyErr_Format(PyExc_ImportError, "cannot import name '%s' from %R (%S)", n, src_name.ptr(),
                             src_file.ptr());
            }
            throw nb::python_error();
        }
        bind(module, n, nb::steal(value));
    }
}

void exec_body(PyObject* m) {
    nb::handle module(m);
    const pyglue::Globals g(PyModule_GetDict(m));

    // First, where a Python module holds it; otherwise the dataclass decorator, which runs its
    // generated code in this namespace, would add it between the patterns and DjiFileSet.
    if (PyDict_SetDefault(g.dict().ptr(), nb::str("__builtins__").ptr(), PyEval_GetBuiltins()) == nullptr) {
        throw nb::python_error();
    }

    for (const char* name : {"os", "re", "shutil", "subprocess", "sys"}) {
        bind(module, name, import_module(name));
    }
    import_names(module, "dataclasses", {"dataclass", "field"});
    import_names(module, "datetime", {"datetime", "timedelta"});
    import_names(module, "typing", {"List", "Set", "Optional", "Tuple"});
    import_names(module, "converter", {"create_sample_srt_files"}, 1);

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

    for (auto make_spec : {resolve_dji_directory_spec, parse_index_filter_spec, matches_date_or_age_filter_spec,
                           list_dji_files_spec, cleanup_dji_files_spec, import_dji_files_spec,
                           play_dji_file_by_index_spec, create_sample_dji_sdcard_structure_spec,
                           resolve_dji_directories_spec}) {
        pyglue::add_function(module, make_spec());
    }
}

int exec_module(PyObject* m) { return pyglue::translate_exceptions([m] { exec_body(m); }) ? 0 : -1; }

}  // namespace

}  // namespace trakvia::mediadesk

PYGLUE_MODULE(mediadesk, "mediadesk",
              "DJI medya yöneticisi: SD kart tarama, filtreler, içe aktarma, temizlik, oynatma.",
              trakvia::mediadesk::exec_module)
