// DjiFileSet, made by the interpreter's dataclass decorator from a class built here.
#include "file_set.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

nb::object make_dji_file_set_class(const pyglue::Globals& g) {
    nb::object field = g["field"];
    nb::object list_type = nb::borrow(reinterpret_cast<PyObject*>(&PyList_Type));

    nb::dict annotations;
    annotations["index"] = "int";
    annotations["index_str"] = "str";
    annotations["base_dir"] = "str";
    annotations["video_files"] = "List[str]";
    annotations["srt_files"] = "List[str]";
    annotations["lrf_files"] = "List[str]";
    annotations["gpx_files"] = "List[str]";
    annotations["mtime"] = "datetime";
    annotations["total_size_bytes"] = "int";
    annotations["lrf_size_bytes"] = "int";

    nb::dict ns;
    ns["__module__"] = "trakvia.mediadesk";
    ns["__qualname__"] = "DjiFileSet";
    ns["__annotations__"] = annotations;
    for (const char* name : {"video_files", "srt_files", "lrf_files", "gpx_files"}) {
        ns[name] = field(nb::arg("default_factory") = list_type);
    }
    // As `field(default_factory=datetime.now)` in a class body: bound once, at start-up.
    ns["mtime"] = field(nb::arg("default_factory") = g["datetime"].attr("now"));
    ns["total_size_bytes"] = 0;
    ns["lrf_size_bytes"] = 0;

    nb::object cls = nb::borrow(reinterpret_cast<PyObject*>(&PyType_Type))(nb::str("DjiFileSet"), nb::tuple(), ns);
    return g["dataclass"](cls);
}

}  // namespace trakvia::mediadesk
