// import_dji_files: copies the videos and telemetry of matching file sets into one flat folder.
//
// Nothing already in the destination is overwritten. DJI numbering restarts after every format,
// so two cards both hold DJI_0001.MP4: a destination name that holds other bytes, or that this
// run has already filled, makes the whole set move to the next free suffix (DJI_0001_2.MP4 with
// DJI_0001_2.SRT), so video and telemetry stay paired and keep their clip index. A destination
// that already holds the same bytes is counted without copying, which keeps a re-import cheap.
#include "functions.hpp"
#include "namespace.hpp"
#include "safe_copy.hpp"

#include <string>
#include <utility>
#include <vector>

namespace trakvia::mediadesk {

namespace {

constexpr int kNoSuffix = 1;
constexpr int kLastSuffix = 99999;

// One video or SRT file of a set, with the destination chosen for it.
struct Member {
    nb::object src;
    nb::object name;        // base name on the card
    nb::object recognised;  // (index, extension) as the scan reads the name, or None
    bool wanted = false;    // copied, or only kept in step with the set's suffix
    nb::object dst;
    bool present = false;   // dst already holds these bytes
};

class SetImporter {
public:
    SetImporter(const pyglue::Globals& g, nb::object dest_dir)
        : g_(g), path_(g["os"].attr("path")), dest_dir_(std::move(dest_dir)) {}

    void import_set(nb::handle file_set, bool include_video, bool include_srt);
    const nb::list& copied() const { return copied_; }

private:
    enum class Status { free, present, conflict };

    void add_members(std::vector<Member>& members, nb::handle paths, bool wanted) const;
    bool plan_unit(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix);
    void keep_in_place(std::vector<Member>& members, const std::vector<size_t>& unit);
    void copy_member(Member& m, int suffix);
    nb::object recognise(nb::handle name) const;
    nb::object name_with_suffix(const Member& m, int suffix) const;
    Status status(const Member& m, nb::handle dst, const nb::set& also_taken) const;
    [[noreturn]] void no_free_name(const Member& m) const;

    const pyglue::Globals& g_;
    nb::object path_;  // os.path as the module's os gives it when the import starts
    nb::object dest_dir_;
    // Destinations this run has filled or counted, as spelled. A case variant on a case-insensitive
    // file system is caught by the existence test instead.
    nb::set claimed_;
    nb::list copied_;
};

nb::object SetImporter::recognise(nb::handle name) const {
    nb::object m = g_["_RE_DJI_INDEX"].attr("search")(name);
    if (m.is_none()) {
        return nb::none();
    }
    nb::object index = checked(PyNumber_Long(m.attr("group")(1).ptr()));
    return nb::make_tuple(index, m.attr("group")(2).attr("lower")());
}

// DJI_0001.MP4 -> DJI_0001_2.MP4. Where that would change the clip index the scan reads (a
// name that already carries a suffix, DJI_0001_D.MP4), the number joins the suffix instead:
// DJI_0001_D2.MP4.
nb::object SetImporter::name_with_suffix(const Member& m, int suffix) const {
    if (suffix == kNoSuffix) {
        return m.name;
    }
    nb::object parts = path_.attr("splitext")(m.name);
    nb::object stem = parts[0];
    nb::object ext = parts[1];
    const std::string digits = std::to_string(suffix);
    nb::object joined = concat(concat(stem, "_" + digits), ext);
    if (m.recognised.is_none() || recognise(joined).equal(m.recognised)) {
        return joined;
    }
    nb::object appended = concat(concat(stem, digits), ext);
    if (recognise(appended).equal(m.recognised)) {
        return appended;
    }
    return joined;
}

SetImporter::Status SetImporter::status(const Member& m, nb::handle dst,
                                        const nb::set& also_taken) const {
    if (claimed_.contains(dst) || also_taken.contains(dst)) {
        return Status::conflict;
    }
    if (!is_true(path_.attr("lexists")(dst))) {
        return Status::free;
    }
    return same_file_contents(g_, m.src, dst) ? Status::present : Status::conflict;
}

void SetImporter::add_members(std::vector<Member>& members, nb::handle paths, bool wanted) const {
    for (nb::handle src : paths) {
        if (!is_true(path_.attr("exists")(src))) {
            continue;
        }
        Member m;
        m.src = nb::borrow(src);
        m.name = path_.attr("basename")(src);
        m.recognised = recognise(m.name);
        m.wanted = wanted;
        members.push_back(std::move(m));
    }
}

// Tries one suffix for the files of a set that came from one card folder. Every file must land
// on a free name or on an identical file; files that are not copied this time must not collide
// either, so that a later import of them finds their partner's suffix free.
bool SetImporter::plan_unit(std::vector<Member>& members, const std::vector<size_t>& unit,
                            int suffix) {
    nb::set taken;
    for (size_t i : unit) {
        Member& m = members[i];
        nb::object dst = path_.attr("join")(dest_dir_, name_with_suffix(m, suffix));
        Status st = status(m, dst, taken);
        if (st == Status::conflict) {
            return false;
        }
        m.dst = dst;
        m.present = st == Status::present;
        if (m.wanted) {
            taken.add(dst);
        }
    }
    for (nb::handle k : taken) {
        claimed_.add(k);
    }
    return true;
}

// Files of the set that already lie in the destination folder (a destination inside the media
// folder, or the media folder itself) stay where they are and count as imported. One whose name
// this run has already filled is an earlier run's copy of another file of the set; it is left
// out, or every re-import would add one more suffixed duplicate of it.
void SetImporter::keep_in_place(std::vector<Member>& members, const std::vector<size_t>& unit) {
    for (size_t i : unit) {
        Member& m = members[i];
        m.dst = path_.attr("join")(dest_dir_, m.name);
        if (claimed_.contains(m.dst)) {
            m.wanted = false;
            continue;
        }
        m.present = true;
        if (m.wanted) {
            claimed_.add(m.dst);
        }
    }
}

void SetImporter::no_free_name(const Member& m) const {
    nb::object msg = nb::str("no free name for {} in {}").attr("format")(m.name, dest_dir_);
    PyErr_SetObject(PyExc_FileExistsError, msg.ptr());
    throw nb::python_error();
}

// Copies one planned file. Should another process take the planned name first, the file
// goes to the next name that is free or already holds the same bytes.
void SetImporter::copy_member(Member& m, int suffix) {
    if (!m.present) {
        if (!is_true(path_.attr("exists")(m.src))) {
            return;  // gone from the card since the listing
        }
        while (copy_to_new_file(g_, m.src, m.dst) == CopyOutcome::name_taken &&
               !same_file_contents(g_, m.src, m.dst)) {
            Status st = Status::conflict;
            const nb::set nothing_else;
            while (st == Status::conflict) {
                if (++suffix > kLastSuffix) {
                    no_free_name(m);
                }
                m.dst = path_.attr("join")(dest_dir_, name_with_suffix(m, suffix));
                st = status(m, m.dst, nothing_else);
            }
            claimed_.add(m.dst);
            if (st == Status::present) {
                break;
            }
        }
    }
    copied_.append(m.dst);
}

void SetImporter::import_set(nb::handle file_set, bool include_video, bool include_srt) {
    if (!include_video && !include_srt) {
        return;
    }
    std::vector<Member> members;
    add_members(members, file_set.attr("video_files"), include_video);
    add_members(members, file_set.attr("srt_files"), include_srt);
    bool any_wanted = false;
    for (const Member& m : members) {
        any_wanted = any_wanted || m.wanted;
    }
    if (!any_wanted) {
        return;
    }

    // Files of one set found in different card folders may share a base name; each folder
    // picks its own suffix, in the order the folders first appear.
    std::vector<nb::object> folders;
    std::vector<std::vector<size_t>> units;
    for (size_t i = 0; i < members.size(); ++i) {
        nb::object folder = path_.attr("dirname")(members[i].src);
        size_t u = 0;
        while (u < folders.size() && !folders[u].equal(folder)) {
            ++u;
        }
        if (u == folders.size()) {
            folders.push_back(folder);
            units.emplace_back();
        }
        units[u].push_back(i);
    }
    size_t in_dest = units.size();
    for (size_t u = 0; u < folders.size() && in_dest == units.size(); ++u) {
        if (is_true(path_.attr("samefile")(folders[u], dest_dir_))) {
            in_dest = u;
        }
    }
    std::vector<int> suffix_of(members.size(), kNoSuffix);
    for (size_t u = 0; u < units.size(); ++u) {
        if (u == in_dest) {
            continue;
        }
        const auto& unit = units[u];
        int suffix = kNoSuffix;
        while (!plan_unit(members, unit, suffix)) {
            if (++suffix > kLastSuffix) {
                no_free_name(members[unit.front()]);
            }
        }
        for (size_t i : unit) {
            suffix_of[i] = suffix;
        }
    }
    if (in_dest < units.size()) {
        keep_in_place(members, units[in_dest]);
    }
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i].wanted) {
            copy_member(members[i], suffix_of[i]);
        }
    }
}

nb::object import_dji_files(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& source_dir = args[0];
    const nb::object& dest_dir = args[1];
    nb::object sets = g["list_dji_files"](source_dir, nb::arg("date_filter") = args[2],
                                          nb::arg("index_filter") = args[3]);
    g["os"].attr("makedirs")(dest_dir, nb::arg("exist_ok") = true);
    const bool include_video = is_true(args[4]);
    const bool include_srt = is_true(args[5]);

    SetImporter importer(g, dest_dir);
    for (nb::handle s : sets) {
        importer.import_set(s, include_video, include_srt);
    }
    const nb::list& copied = importer.copied();
    return nb::make_tuple(g["len"](copied), copied);
}

}  // namespace

pyglue::FunctionSpec import_dji_files_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "import_dji_files";
    spec.params = {
        {"source_dir", "str", nb::object()},
        {"dest_dir", "str", nb::object()},
        {"date_filter", "str", nb::str("")},
        {"index_filter", "str", nb::str("")},
        {"include_video", "bool", nb::borrow(Py_True)},
        {"include_srt", "bool", nb::borrow(Py_True)},
    };
    spec.return_annotation = "Tuple[int, List[str]]";
    spec.body = import_dji_files;
    return spec;
}

}  // namespace trakvia::mediadesk
