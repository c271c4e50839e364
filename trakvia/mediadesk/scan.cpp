// Media folder resolution and the scan that groups media files into numbered file sets.
#include "functions.hpp"
#include "namespace.hpp"

#include <map>

namespace trakvia::mediadesk {

namespace {

nb::object resolve_dji_directory(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object path = os_path(g);
    nb::object norm = path.attr("abspath")(args[0]);
    if (!is_true(path.attr("isdir")(norm))) {
        return norm;
    }
    nb::object join = path.attr("join");
    const nb::object candidates[] = {
        join(norm, "DCIM", "DJI_001"),
        join(norm, "DCIM", "100MEDIA"),
        join(norm, "DCIM", "100GOPRO"),
        join(norm, "DCIM"),
    };
    for (const nb::object& candidate : candidates) {
        if (!is_true(path.attr("isdir")(candidate))) {
            continue;
        }
        if (path.attr("basename")(candidate).equal(nb::str("DCIM"))) {
            nb::list names = nb::borrow<nb::list>(g["sorted"](g["os"].attr("listdir")(candidate)));
            for (nb::handle name : names) {
                nb::object upper = name.attr("upper")();
                if (!is_true(upper.attr("startswith")("DJI_")) && !is_true(upper.attr("startswith")("100"))) {
                    continue;
                }
                nb::object full = join(candidate, name);
                if (is_true(path.attr("isdir")(full))) {
                    return full;
                }
            }
        }
        return candidate;
    }
    return norm;
}

// One set under construction: its record and the Python int of its index.
struct Group {
    nb::object index;
    nb::object record;
};

// The file's time and size, or now and 0 when its status cannot be read or its time is no date.
// A time out of the date range is an OSError on Windows but a ValueError or OverflowError
// elsewhere; one such file must not end the whole listing.
std::pair<nb::object, nb::object> file_time_and_size(const pyglue::Globals& g, nb::handle full_p) {
    try {
        nb::object st = g["os"].attr(py_name("stat"))(full_p);
        nb::object time = g["datetime"].attr(py_name("fromtimestamp"))(st.attr(py_name("st_mtime")));
        return {time, st.attr(py_name("st_size"))};
    } catch (nb::python_error& e) {
        if (!e.matches(PyExc_OSError) && !e.matches(PyExc_ValueError) && !e.matches(PyExc_OverflowError)) {
            throw;
        }
        return {g["datetime"].attr(py_name("now"))(), nb::int_(0)};
    }
}

// record.<attr> += amount
void add_to(nb::handle record, const char* attr, nb::handle amount) {
    nb::handle name = py_name(attr);
    nb::setattr(record, name, record.attr(name) + amount);
}

void append_to(nb::handle record, const char* list_name, nb::handle path) {
    record.attr(py_name(list_name)).attr(py_name("append"))(path);
}

// `DjiFileSet(index=..., index_str=..., base_dir=...)`
nb::object new_file_set(const pyglue::Globals& g, nb::handle index, nb::handle root_dir) {
    // Made once and kept; a plain static (not a guarded one), since the GIL is what serialises this.
    static PyObject* kwnames = nullptr;
    if (!kwnames) {
        kwnames = PyTuple_Pack(3, py_name("index").ptr(), py_name("index_str").ptr(), py_name("base_dir").ptr());
        if (!kwnames) {
            throw nb::python_error();
        }
    }
    nb::object index_str = g["format"](index, py_name("04d"));
    PyObject* args[] = {index.ptr(), index_str.ptr(), root_dir.ptr()};
    return checked(PyObject_Vectorcall(g["DjiFileSet"].ptr(), args, 0, kwnames));
}

// Recognises one file and files it into `groups`; names that are not media are skipped.
void process_file(const pyglue::Globals& g, nb::handle path, nb::handle root_dir, nb::handle fname,
                  std::map<long long, Group>& groups) {
    nb::object full_p = path.attr(py_name("join"))(root_dir, fname);
    if (!is_true(path.attr(py_name("isfile"))(full_p))) {
        return;
    }
    nb::handle srt = py_name("srt"), lrf = py_name("lrf"), gpx = py_name("gpx");
    nb::object index, ext;
    nb::object m = g["_RE_DJI_INDEX"].attr(py_name("search"))(fname);
    if (!m.is_none()) {
        nb::handle group = py_name("group");
        index = g["int"](m.attr(group)(1));
        ext = m.attr(group)(2).attr(py_name("lower"))();
    } else {
        ext = path.attr(py_name("splitext"))(fname)[1].attr(py_name("lower"))().attr(py_name("lstrip"))(".");
        const bool media = contains(g["_VIDEO_EXTS_SET"], ext) || ext.equal(srt) || ext.equal(lrf) || ext.equal(gpx);
        if (!media) {
            return;
        }
        index = nb::int_((long long)groups.size() + 1000);
    }

    const long long key = nb::cast<long long>(index);
    auto it = groups.find(key);
    if (it == groups.end()) {
        it = groups.emplace(key, Group{index, new_file_set(g, index, root_dir)}).first;
    }
    nb::handle record = it->second.record;

    auto [file_dt, size] = file_time_and_size(g, full_p);
    nb::setattr(record, py_name("mtime"), file_dt);
    add_to(record, "total_size_bytes", size);

    if (contains(g["_VIDEO_EXTS_SET"], ext)) {
        append_to(record, "video_files", full_p);
    } else if (ext.equal(srt)) {
        append_to(record, "srt_files", full_p);
    } else if (ext.equal(lrf)) {
        append_to(record, "lrf_files", full_p);
        add_to(record, "lrf_size_bytes", size);
    } else if (ext.equal(gpx)) {
        append_to(record, "gpx_files", full_p);
    }
}

nb::object list_dji_files(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& dir_path = args[0];
    const nb::object& date_filter = args[1];
    const nb::object& index_filter = args[2];

    nb::object resolved = g["resolve_dji_directory"](dir_path);
    if (!is_true(os_path(g).attr(py_name("isdir"))(resolved))) {
        return nb::list();
    }
    nb::object idx_set = g["parse_index_filter"](index_filter);

    std::map<long long, Group> groups;
    for (nb::handle entry : g["os"].attr(py_name("walk"))(resolved)) {
        nb::object root_dir = entry[0];
        nb::list files = nb::borrow<nb::list>(g["sorted"](entry[2]));
        nb::object path = os_path(g);
        for (nb::handle fname : files) {
            process_file(g, path, root_dir, fname, groups);
        }
    }

    nb::list result;
    for (const auto& [key, group] : groups) {
        if (!idx_set.is_none() && !contains(idx_set, group.index)) {
            continue;
        }
        nb::object keep = g["matches_date_or_age_filter"](group.record.attr(py_name("mtime")), date_filter);
        if (is_true(keep)) {
            result.append(group.record);
        }
    }
    return result;
}

}  // namespace

pyglue::FunctionSpec resolve_dji_directory_spec() {
    return function_spec(
        "resolve_dji_directory", {param("path", "str")}, "str", resolve_dji_directory,
        "SD kart veya klasör verildiğinde DCIM/DJI_001 ya da DCIM/100MEDIA alt klasörünü otomatik çözümler.");
}

pyglue::FunctionSpec list_dji_files_spec() {
    return function_spec("list_dji_files",
                         {param("dir_path", "str"), param("date_filter", "str", nb::str("")),
                          param("index_filter", "str", nb::str(""))},
                         "List[DjiFileSet]", list_dji_files);
}

}  // namespace trakvia::mediadesk
