// The scan that groups the media files of a card into numbered file sets (list_dji_files).
//
// Every media folder of the card is walked (resolve_dji_directories), so files of one index in
// two folders (DCIM/100MEDIA and DCIM/101MEDIA, or a folder and its sub-folder) form one set.
// A media file whose name carries no clip index gets a fallback index of 1000 and up, chosen so
// that it never equals an index recognised anywhere on the card: the names are recognised in a
// first pass, before any set is opened.
//
// When the names the scan reaches through the module namespace are still those bound at start-up,
// native_scan.cpp reads the folders itself, with the same result; otherwise the interpreter's
// os.walk, os.path and os.stat run here, as rebound.
#include "functions.hpp"
#include "native_scan.hpp"
#include "scan_sets.hpp"

#include <vector>

namespace trakvia::mediadesk {

MediaKind media_kind(const pyglue::Globals& g, nb::handle ext) {
    if (contains(g["_VIDEO_EXTS_SET"], ext)) {
        return MediaKind::video;
    }
    if (nb::borrow(ext).equal(py_name("srt"))) {
        return MediaKind::srt;
    }
    if (nb::borrow(ext).equal(py_name("lrf"))) {
        return MediaKind::lrf;
    }
    if (nb::borrow(ext).equal(py_name("gpx"))) {
        return MediaKind::gpx;
    }
    return MediaKind::none;
}

bool read_media_name(const pyglue::Globals& g, nb::handle path, nb::handle fname, nb::object& index,
                     nb::object& ext) {
    nb::object m = g["_RE_DJI_INDEX"].attr(py_name("search"))(fname);
    if (!m.is_none()) {
        nb::handle group = py_name("group");
        index = g["int"](m.attr(group)(1));
        ext = m.attr(group)(2).attr(py_name("lower"))();
        return true;
    }
    ext = path.attr(py_name("splitext"))(fname)[1].attr(py_name("lower"))().attr(py_name("lstrip"))(".");
    return media_kind(g, ext) != MediaKind::none;
}

namespace {

// The file's time and size, or now and 0 when its status cannot be read or its time is no date.
// A time out of the date range is an OSError on Windows but a ValueError or OverflowError
// elsewhere; one such file must not end the whole listing.
std::pair<nb::object, nb::object> file_time_and_size(const pyglue::Globals& g, nb::handle full_p) {
    try {
        nb::object st = g["os"].attr(py_name("stat"))(full_p);
        nb::object time = g["datetime"].attr(py_name("fromtimestamp"))(st.attr(py_name("st_mtime")));
        return {time, st.attr(py_name("st_size"))};
    } catch (nb::python_error& e) {
        if (!is_unreadable_status(e)) {
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

// One media file found by the walk: where it is and how its name reads.
struct Found {
    nb::object root_dir;
    nb::object full_p;
    nb::object index;  // the recognised clip index, or null for a name that carries none
    nb::object ext;    // lower case, without the dot
};

// Recognises one name; returns false for a name that is no media file or no regular file.
bool recognise(const pyglue::Globals& g, nb::handle path, nb::handle root_dir, nb::handle fname, Found& found) {
    nb::object full_p = path.attr(py_name("join"))(root_dir, fname);
    if (!is_true(path.attr(py_name("isfile"))(full_p))) {
        return false;
    }
    if (!read_media_name(g, path, fname, found.index, found.ext)) {
        return false;
    }
    found.root_dir = nb::borrow(root_dir);
    found.full_p = std::move(full_p);
    return true;
}

// The media files of the given folders, each walked top-down with names sorted per folder.
std::vector<Found> walk_media(const pyglue::Globals& g, nb::handle folders) {
    std::vector<Found> all;
    for (nb::handle folder : folders) {
        for (nb::handle entry : g["os"].attr(py_name("walk"))(folder)) {
            nb::object root_dir = entry[0];
            nb::list files = nb::borrow<nb::list>(g["sorted"](entry[2]));
            nb::object path = os_path(g);
            for (nb::handle fname : files) {
                Found found;
                if (recognise(g, path, root_dir, fname, found)) {
                    all.push_back(std::move(found));
                }
            }
        }
    }
    return all;
}

// Files one media file into the set of its index, opening the set when it is the first.
void add_file(const pyglue::Globals& g, const Found& found, nb::handle index, Groups& groups) {
    const long long key = nb::cast<long long>(index);
    auto it = groups.find(key);
    if (it == groups.end()) {
        it = groups.emplace(key, Group{nb::borrow(index), new_file_set(g, index, found.root_dir)}).first;
    }
    nb::handle record = it->second.record;

    auto [file_dt, size] = file_time_and_size(g, found.full_p);
    nb::setattr(record, py_name("mtime"), file_dt);
    add_to(record, "total_size_bytes", size);

    switch (media_kind(g, found.ext)) {
        case MediaKind::video: append_to(record, "video_files", found.full_p); break;
        case MediaKind::srt: append_to(record, "srt_files", found.full_p); break;
        case MediaKind::lrf:
            append_to(record, "lrf_files", found.full_p);
            add_to(record, "lrf_size_bytes", size);
            break;
        case MediaKind::gpx: append_to(record, "gpx_files", found.full_p); break;
        case MediaKind::none: break;
    }
}

// The sets of the given folders, walked with the interpreter's os.walk, os.path and os.stat.
void group_in_interpreter(const pyglue::Globals& g, nb::handle folders, Groups& groups) {
    const std::vector<Found> files = walk_media(g, folders);
    std::set<long long> recognised;
    for (const Found& f : files) {
        if (f.index.is_valid()) {
            recognised.insert(nb::cast<long long>(f.index));
        }
    }
    for (const Found& f : files) {
        nb::object index = f.index.is_valid() ? f.index : nb::int_(fallback_index(groups, recognised));
        add_file(g, f, index, groups);
    }
}

nb::object list_dji_files(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& dir_path = args[0];
    const nb::object& date_filter = args[1];
    const nb::object& index_filter = args[2];

    nb::object folders = g["resolve_dji_directories"](dir_path);
    if (!is_true(folders)) {
        return nb::list();
    }
    nb::object idx_set = g["parse_index_filter"](index_filter);

    Groups groups;
    if (!group_natively(g, folders, groups)) {
        group_in_interpreter(g, folders, groups);
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

pyglue::FunctionSpec list_dji_files_spec() {
    return function_spec("list_dji_files",
                         {param("dir_path", "str"), param("date_filter", "str", nb::str("")),
                          param("index_filter", "str", nb::str(""))},
                         "List[DjiFileSet]", list_dji_files);
}

}  // namespace trakvia::mediadesk
