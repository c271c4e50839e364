// The scan's walk read natively: os.walk's order and rules over FolderListing, names read by
// media_name.cpp, one status per media file, and the records made once the walk is over.
//
// What makes it the interpreter's walk, step by step (scan.cpp has the interpreter's own):
// - folders: os.walk's stack, top-down, sub-folders in the order the file system lists them;
//   os.walk's audit events ("os.walk", "os.scandir") are raised as it raises them;
// - names: per folder in code-point order (ASCII names compare as bytes, others as the
//   interpreter's texts); names with other than ASCII characters are read by the interpreter;
// - paths: the folder's os.path.join prefix followed by the name, as os.path.join gives them;
// - status: one stat per media file, following links; only a regular file counts;
// - times: made by the interpreter's datetime.fromtimestamp from st_mtime as os.stat computes
//   it; only the last file of a set keeps its time, so the others are converted only when the
//   conversion could fail (which makes the file's time now() and its size 0);
// - records: DjiFileSet called with the final values, in the order the sets are opened.
#include "native_scan.hpp"

#include "media_name.hpp"
#include "native_names.hpp"
#include "scan_bindings.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace trakvia::mediadesk {

namespace {

// Times in this range (1970-01-03 to 2999-12-29 UTC) make a date in every time zone on every
// platform (Windows' localtime is the narrowest: 1970 to 3000); others may fail to.
constexpr double kFirstSafeTime = 2 * 86400.0;
constexpr double kEndOfSafeTimes = 32503680000.0 - 2 * 86400.0;

// An ASCII extension in lower case, in `buffer`; extensions longer than any in the set are
// shortened, which keeps them out of it.
std::string_view lower_ascii(std::string_view text, char (&buffer)[16]) {
    const size_t n = std::min(text.size(), sizeof buffer);
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        buffer[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return std::string_view(buffer, n);
}

// _VIDEO_EXTS_SET as it stands at the call, for the ASCII extensions the native reading gives.
class ExtensionKinds {
public:
    // False when the namespace has no such set of plain texts (`in` could then run code).
    bool load(const pyglue::Globals& g) {
        PyObject* set = PyDict_GetItemString(g.dict().ptr(), "_VIDEO_EXTS_SET");
        if (!set || !(PySet_CheckExact(set) || PyFrozenSet_CheckExact(set))) {
            return false;
        }
        for (nb::handle member : nb::handle(set)) {
            if (!PyUnicode_CheckExact(member.ptr())) {
                return false;
            }
            // Others never equal an ASCII extension; longer ones never equal a shortened one.
            if (PyUnicode_IS_ASCII(member.ptr()) && PyUnicode_GET_LENGTH(member.ptr()) < 16) {
                video_.insert(PyUnicode_AsUTF8(member.ptr()));
            }
        }
        return true;
    }

    // The kind of an ASCII extension as written (any case).
    MediaKind of(std::string_view ext) const {
        char buffer[16];
        const std::string_view lower_ext = lower_ascii(ext, buffer);
        if (ext.size() < sizeof buffer && video_.find(lower_ext) != video_.end()) {
            return MediaKind::video;
        }
        if (lower_ext == "srt") {
            return MediaKind::srt;
        }
        if (lower_ext == "lrf") {
            return MediaKind::lrf;
        }
        return lower_ext == "gpx" ? MediaKind::gpx : MediaKind::none;
    }

private:
    std::set<std::string, std::less<>> video_;
};

// One media file, in processing order.
struct MediaFile {
    nb::object root_dir;  // the folder as os.walk yields it
    nb::object full_p;
    long long index = -1;  // -1 when the name carries none
    MediaKind kind = MediaKind::none;
    bool unreadable = false;  // os.stat or the date failed: the time is now() and the size 0
    std::int64_t size = 0;
    double mtime = 0;
    nb::object time;      // the date, when it was made during the walk
};

// A name of the folder being visited that reads as media.
struct Candidate {
    std::size_t entry = 0;
    bool ascii = false;
    std::string_view ascii_name;  // the listing's, when `ascii`
    nb::object text;              // the name as the interpreter's text; made for ASCII names only when needed
    long long index = -1;
    MediaKind kind = MediaKind::none;
};

// `prefix + name` for an ASCII text and an ASCII name, made at once.
nb::object ascii_concat(const nb::object& prefix, std::string_view name) {
    const Py_ssize_t prefix_length = PyUnicode_GET_LENGTH(prefix.ptr());
    nb::object text = checked(PyUnicode_New(prefix_length + Py_ssize_t(name.size()), 127));
    Py_UCS1* chars = PyUnicode_1BYTE_DATA(text.ptr());
    std::memcpy(chars, PyUnicode_1BYTE_DATA(prefix.ptr()), size_t(prefix_length));
    std::memcpy(chars + prefix_length, name.data(), name.size());
    return text;
}

class NativeWalk {
public:
    NativeWalk(const pyglue::Globals& g, const ExtensionKinds& kinds)
        : g_(g), kinds_(kinds), path_module_(os_path(g)), datetime_(g["datetime"]) {}

    std::vector<MediaFile> files;

    void walk_tree(nb::handle top) {
        if (PySys_Audit("os.walk", "OOOO", top.ptr(), Py_True, Py_None, Py_False) < 0) {
            throw nb::python_error();
        }
        std::vector<nb::object> stack{nb::borrow(top)};
        while (!stack.empty()) {
            nb::object folder = std::move(stack.back());
            stack.pop_back();
            visit(folder, stack);
        }
    }

private:
    const pyglue::Globals& g_;
    const ExtensionKinds& kinds_;
    nb::object path_module_;
    nb::object datetime_;

    void visit(const nb::object& folder, std::vector<nb::object>& stack) {
        if (PySys_Audit("os.scandir", "O", folder.ptr()) < 0 || PyErr_CheckSignals() < 0) {
            throw nb::python_error();
        }
        // The file system is read with the interpreter released, as os.scandir and os.stat do, so
        // that other threads (the desktop window's) run meanwhile.
        const NativeName native_folder = native_path(folder);
        std::unique_ptr<FolderListing> listing;
        {
            nb::gil_scoped_release released;
            listing = FolderListing::read(native_folder);
        }
        if (!listing) {
            return;  // os.walk skips a folder it cannot list, without notice
        }
        // os.path.join(folder, name) for any plain name: the folder's prefix, then the name.
        nb::object joined = path_module_.attr(py_name("join"))(folder, "x");
        nb::object prefix = checked(PyUnicode_Substring(joined.ptr(), 0, PyUnicode_GetLength(joined.ptr()) - 1));
        const NativeName native_prefix = native_path(prefix);
        auto path_of = [&](const NativeName& name, const nb::object& text) -> nb::object {
            return joins_plainly(name) ? nb::object(concat(prefix, text))
                                       : path_module_.attr(py_name("join"))(folder, text);
        };

        const std::vector<FolderEntry>& entries = listing->entries();
        std::vector<Candidate> candidates;
        bool all_ascii = true;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Candidate c;
            c.entry = i;
            if (!entries[i].walked_into && read_name(*listing, c)) {
                all_ascii = all_ascii && c.ascii;
                candidates.push_back(std::move(c));
            }
        }
        if (!all_ascii) {  // mixed names compare as texts
            for (Candidate& c : candidates) {
                if (!c.text.is_valid()) {
                    c.text = text_of(entries[c.entry].name);
                }
            }
        }
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return (a.ascii && b.ascii) ? a.ascii_name < b.ascii_name
                                        : PyUnicode_Compare(a.text.ptr(), b.text.ptr()) < 0;
        });
        std::vector<EntryStatus> statuses(candidates.size());
        {
            nb::gil_scoped_release released;
            for (std::size_t k = 0; k < candidates.size(); ++k) {
                statuses[k] = listing->status(candidates[k].entry, native_prefix);
            }
        }
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const Candidate& c = candidates[k];
            const NativeName& name = entries[c.entry].name;
            MediaFile f;
            f.root_dir = folder;
            if (c.ascii && PyUnicode_IS_ASCII(prefix.ptr()) && joins_plainly(name)) {
                f.full_p = ascii_concat(prefix, c.ascii_name);
            } else {
                f.full_p = path_of(name, c.text.is_valid() ? c.text : text_of(name));
            }
            f.index = c.index;
            f.kind = c.kind;
            if (take_status(statuses[k], f)) {
                files.push_back(std::move(f));
            }
        }
        for (std::size_t i = entries.size(); i-- > 0;) {
            if (entries[i].walked_into) {
                stack.push_back(path_of(entries[i].name, text_of(entries[i].name)));
            }
        }
    }

    // Reads a name as _RE_DJI_INDEX and os.path.splitext read it; false when it is no media.
    bool read_name(const FolderListing& listing, Candidate& c) {
        c.ascii = listing.ascii_name(c.entry, c.ascii_name);
        if (!c.ascii) {
            c.text = text_of(listing.entries()[c.entry].name);
            nb::object index, ext;
            if (!read_media_name(g_, path_module_, c.text, index, ext)) {
                return false;
            }
            c.index = index.is_valid() ? nb::cast<long long>(index) : -1;
            c.kind = media_kind(g_, ext);
            return true;
        }
        if (auto match = search_dji_index(c.ascii_name)) {
            c.index = match->index;
            c.kind = kinds_.of(match->ext);
            return true;
        }
        c.kind = kinds_.of(last_extension(c.ascii_name));
        return c.kind != MediaKind::none;
    }

    // os.path.isfile and os.stat of one media file; false when it is no regular file.
    bool take_status(const EntryStatus& status, MediaFile& f) {
        if (status.kind == EntryStatus::not_a_file) {
            return false;
        }
        if (status.kind == EntryStatus::ask_interpreter) {
            if (!is_true(path_module_.attr(py_name("isfile"))(f.full_p))) {
                return false;
            }
            try {
                nb::object st = g_["os"].attr(py_name("stat"))(f.full_p);
                f.size = nb::cast<std::int64_t>(st.attr(py_name("st_size")));
                f.mtime = nb::cast<double>(st.attr(py_name("st_mtime")));
            } catch (nb::python_error& e) {
                if (!is_unreadable_status(e)) {
                    throw;
                }
                f.unreadable = true;
                return true;
            }
        } else {
            f.size = status.size;
            f.mtime = status.mtime;
        }
        if (!(f.mtime >= kFirstSafeTime && f.mtime < kEndOfSafeTimes)) {
            try {
                f.time = datetime_.attr(py_name("fromtimestamp"))(f.mtime);
            } catch (nb::python_error& e) {
                if (!is_unreadable_status(e)) {
                    throw;
                }
                f.unreadable = true;
            }
        }
        return true;
    }
};

// A byte count that cannot overflow: sizes are below 2^63, their sum may not be.
struct ByteCount {
    std::uint64_t low = 0;
    std::uint64_t high = 0;

    void add(std::int64_t size) {
        low += std::uint64_t(size);
        high += low < std::uint64_t(size) ? 1 : 0;
    }

    nb::object to_python() const {
        nb::object result = checked(PyLong_FromUnsignedLongLong(low));
        if (high != 0) {
            nb::object shift = checked(PyLong_FromLong(64));
            nb::object upper = checked(PyNumber_Lshift(checked(PyLong_FromUnsignedLongLong(high)).ptr(), shift.ptr()));
            result = checked(PyNumber_Add(upper.ptr(), result.ptr()));
        }
        return result;
    }
};

// One set as the grouping opens it: its index, folder and files (positions in the walk's list).
struct OpenedSet {
    long long index;
    nb::object base_dir;
    std::vector<std::size_t> files;
};

// DjiFileSet(index, index_str, base_dir, video, srt, lrf, gpx, mtime, total, lrf_total) for one set:
// the record the interpreter's walk leaves after filing the same files one by one.
nb::object make_record(const pyglue::Globals& g, const OpenedSet& set, const std::vector<MediaFile>& files) {
    nb::list lists[4];  // video, srt, lrf, gpx: MediaKind's order
    ByteCount total, lrf_total;
    for (std::size_t i : set.files) {
        const MediaFile& f = files[i];
        const std::int64_t size = f.unreadable ? 0 : f.size;
        total.add(size);
        if (f.kind == MediaKind::lrf) {
            lrf_total.add(size);
        }
        if (f.kind != MediaKind::none) {
            lists[int(f.kind)].append(f.full_p);
        }
    }
    const MediaFile& last = files[set.files.back()];
    nb::object datetime = g["datetime"];
    nb::object mtime = last.unreadable       ? datetime.attr(py_name("now"))()
                       : last.time.is_valid() ? last.time
                                              : datetime.attr(py_name("fromtimestamp"))(last.mtime);
    char index_text[24];
    std::snprintf(index_text, sizeof index_text, "%04lld", set.index);
    nb::object index = nb::int_(set.index);
    nb::object args[] = {index,    nb::str(index_text), set.base_dir,      lists[0],          lists[1],
                         lists[2], lists[3],            mtime,             total.to_python(), lrf_total.to_python()};
    PyObject* arg_ptrs[10];
    for (int i = 0; i < 10; ++i) {
        arg_ptrs[i] = args[i].ptr();
    }
    return checked(PyObject_Vectorcall(g["DjiFileSet"].ptr(), arg_ptrs, 10, nullptr));
}

// The folders as os.walk would receive them, or false when one is not a plain text that os.walk
// would list without raising (the interpreter's walk then raises, or does what a subclass asks).
bool plain_folders(nb::handle folders) {
    if (!PyList_CheckExact(folders.ptr())) {
        return false;
    }
    for (nb::handle folder : folders) {
        if (!PyUnicode_CheckExact(folder.ptr())) {
            return false;
        }
        try {
            if (native_path(folder).find(NativeName::value_type(0)) != NativeName::npos) {
                return false;
            }
        } catch (nb::python_error&) {
            return false;  // not encodable: os.scandir would raise; the error is left for it
        }
    }
    return true;
}

}  // namespace

bool group_natively(const pyglue::Globals& g, nb::handle folders, Groups& groups) {
    ExtensionKinds kinds;
    if (!scan_bindings_untouched(g) || !plain_folders(folders) || !kinds.load(g)) {
        return false;
    }
    NativeWalk walk(g, kinds);
    for (nb::handle folder : folders) {
        walk.walk_tree(folder);
    }

    std::set<long long> recognised;
    for (const MediaFile& f : walk.files) {
        if (f.index >= 0) {
            recognised.insert(f.index);
        }
    }
    std::map<long long, std::size_t> by_index;  // index -> position in `opened`
    std::vector<OpenedSet> opened;
    for (std::size_t i = 0; i < walk.files.size(); ++i) {
        const MediaFile& f = walk.files[i];
        const long long index = f.index >= 0 ? f.index : fallback_index(by_index, recognised);
        auto [it, is_new] = by_index.try_emplace(index, opened.size());
        if (is_new) {
            opened.push_back({index, f.root_dir, {}});
        }
        opened[it->second].files.push_back(i);
    }
    for (const OpenedSet& set : opened) {
        nb::object record = make_record(g, set, walk.files);
        groups.emplace(set.index, Group{nb::int_(set.index), record});
    }
    return true;
}

}  // namespace trakvia::mediadesk
