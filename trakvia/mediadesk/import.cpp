// import_dji_file_sets and import_dji_files: copy the videos and telemetry of file sets into one
// flat folder.
//
// Nothing already in the destination is overwritten. DJI numbering restarts after every format,
// so two cards both hold DJI_0001.MP4: a destination name that holds other bytes, or that this
// run has already filled, makes the whole set move to the next free suffix (DJI_0001_2.MP4 with
// DJI_0001_2.SRT), so video and telemetry stay paired and keep their clip index. A destination
// that already holds the same bytes is counted without copying, which keeps a re-import cheap.
//
// The files of a set (of one card folder) are first copied into part files, then put under
// their names together: should another import take one of the names meanwhile, the ones already
// put are taken back and the whole set moves to the next suffix, so a set never ends split
// between two suffixes.
#include "functions.hpp"
#include "namespace.hpp"
#include "part_files.hpp"
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
    long long size = 0;     // on the card, for the progress total
    nb::object dst;
    bool present = false;   // dst already holds these bytes
    bool gone = false;      // left the card since the listing
    nb::object part;        // the part file holding its copy, until it is published
    bool done = false;      // under its name in the destination (copied, or found there)
    bool counted = false;   // its bytes are in the progress count
};

// The members of one set, with the members grouped by the card folder they came from.
struct SetPlan {
    std::vector<Member> members;
    std::vector<std::vector<size_t>> units;
    size_t in_dest = 0;  // the unit whose folder is the destination itself; units.size() if none
};

class SetImporter {
public:
    SetImporter(const pyglue::Globals& g, nb::object dest_dir, CopyProgress& progress)
        : g_(g), path_(g["os"].attr("path")), dest_dir_(std::move(dest_dir)), progress_(progress) {}

    SetPlan plan_set(nb::handle file_set, bool include_video, bool include_srt) const;
    void import_set(SetPlan& plan);
    const nb::list& copied() const { return copied_; }

private:
    enum class Status { free, present, conflict };

    void add_members(std::vector<Member>& members, nb::handle paths, bool wanted) const;
    int first_fitting_suffix(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix);
    bool plan_unit(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix);
    void keep_in_place(std::vector<Member>& members, const std::vector<size_t>& unit);
    void copy_unit(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix);
    void fill_parts(std::vector<Member>& members, const std::vector<size_t>& unit);
    bool publish_unit(std::vector<Member>& members, const std::vector<size_t>& unit);
    nb::object recognise(nb::handle name) const;
    nb::object name_with_suffix(const Member& m, int suffix) const;
    Status status(const Member& m, nb::handle dst, const nb::set& also_taken) const;
    [[noreturn]] void no_free_name(const Member& m) const;

    const pyglue::Globals& g_;
    nb::object path_;  // os.path as the module's os gives it when the import starts
    nb::object dest_dir_;
    CopyProgress& progress_;
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

SetImporter::Status SetImporter::status(const Member& m, nb::handle dst, const nb::set& also_taken) const {
    if (claimed_.contains(dst) || also_taken.contains(dst)) {
        return Status::conflict;
    }
    if (!is_true(path_.attr("lexists")(dst))) {
        return Status::free;
    }
    return same_file_contents(g_, m.src, dst, progress_) ? Status::present : Status::conflict;
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
        if (wanted) {
            try {
                m.size = nb::cast<long long>(g_["os"].attr("stat")(src).attr("st_size"));
            } catch (const nb::python_error& e) {
                if (!e.matches(PyExc_OSError)) {
                    throw;
                }
            }
        }
        members.push_back(std::move(m));
    }
}

// Tries one suffix for the files of a set that came from one card folder. Every file must land
// on a free name or on an identical file; files that are not copied this time must not collide
// either, so that a later import of them finds their partner's suffix free.
bool SetImporter::plan_unit(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix) {
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

int SetImporter::first_fitting_suffix(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix) {
    while (!plan_unit(members, unit, suffix)) {
        if (++suffix > kLastSuffix) {
            no_free_name(members[unit.front()]);
        }
    }
    return suffix;
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
            progress_.advance(m.size);
        }
    }
}

void SetImporter::no_free_name(const Member& m) const {
    nb::object msg = nb::str("no free name for {} in {}").attr("format")(m.name, dest_dir_);
    PyErr_SetObject(PyExc_FileExistsError, msg.ptr());
    throw nb::python_error();
}

// Copies every wanted file of the unit that its planned name does not hold yet into a part file;
// a file found there already is only counted.
void SetImporter::fill_parts(std::vector<Member>& members, const std::vector<size_t>& unit) {
    for (size_t i : unit) {
        Member& m = members[i];
        if (!m.wanted || m.gone || m.part.is_valid()) {
            continue;
        }
        if (m.present) {
            if (!m.counted) {
                progress_.advance(m.size);
            }
        } else if (!is_true(path_.attr("exists")(m.src))) {
            m.gone = true;
        } else {
            m.part = copy_to_part_file(g_, m.src, dest_dir_, path_.attr("basename")(m.dst), progress_);
        }
        m.counted = true;
    }
}

// Puts the unit's part files under their planned names. When one of the names turns out taken by
// other bytes, the files already put are taken back and the answer is false.
bool SetImporter::publish_unit(std::vector<Member>& members, const std::vector<size_t>& unit) {
    std::vector<Published> put;
    for (size_t i : unit) {
        Member& m = members[i];
        if (!m.part.is_valid()) {
            continue;
        }
        Published p;
        if (publish(g_, m.part, m.dst, p)) {
            put.push_back(std::move(p));
        } else if (same_file_contents(g_, m.src, m.dst, progress_)) {
            discard_part(g_, m.part);  // another import of the same card was quicker
            m.part = nb::object();
            m.present = true;
        } else {
            for (auto it = put.rbegin(); it != put.rend(); ++it) {
                unpublish(g_, *it);
            }
            return false;
        }
    }
    for (const Published& p : put) {
        if (p.linked) {
            discard_part(g_, p.part);
        }
    }
    for (size_t i : unit) {
        members[i].part = nb::object();
    }
    return true;
}

void SetImporter::copy_unit(std::vector<Member>& members, const std::vector<size_t>& unit, int suffix) {
    try {
        fill_parts(members, unit);
        while (!publish_unit(members, unit)) {
            // Another writer took a name after the plan: the whole unit moves on together.
            for (size_t i : unit) {
                claimed_.discard(members[i].dst);
            }
            const int next = first_fitting_suffix(members, unit, suffix + 1);
            suffix = next;
            for (size_t i : unit) {
                Member& m = members[i];
                if (m.present && m.part.is_valid()) {
                    discard_part(g_, m.part);
                    m.part = nb::object();
                }
            }
            fill_parts(members, unit);
        }
    } catch (...) {
        for (size_t i : unit) {
            if (members[i].part.is_valid()) {
                discard_part(g_, members[i].part);
            }
        }
        throw;
    }
    for (size_t i : unit) {
        Member& m = members[i];
        m.done = m.wanted && !m.gone;
    }
}

SetPlan SetImporter::plan_set(nb::handle file_set, bool include_video, bool include_srt) const {
    SetPlan plan;
    if (!include_video && !include_srt) {
        return plan;
    }
    add_members(plan.members, file_set.attr("video_files"), include_video);
    add_members(plan.members, file_set.attr("srt_files"), include_srt);
    bool any_wanted = false;
    for (const Member& m : plan.members) {
        any_wanted = any_wanted || m.wanted;
    }
    if (!any_wanted) {
        plan.members.clear();
        return plan;
    }
    // Files of one set found in different card folders may share a base name; each folder
    // picks its own suffix, in the order the folders first appear.
    std::vector<nb::object> folders;
    for (size_t i = 0; i < plan.members.size(); ++i) {
        nb::object folder = path_.attr("dirname")(plan.members[i].src);
        size_t u = 0;
        while (u < folders.size() && !folders[u].equal(folder)) {
            ++u;
        }
        if (u == folders.size()) {
            folders.push_back(folder);
            plan.units.emplace_back();
        }
        plan.units[u].push_back(i);
    }
    plan.in_dest = plan.units.size();
    for (size_t u = 0; u < folders.size() && plan.in_dest == plan.units.size(); ++u) {
        if (is_true(path_.attr("samefile")(folders[u], dest_dir_))) {
            plan.in_dest = u;
        }
    }
    return plan;
}

void SetImporter::import_set(SetPlan& plan) {
    std::vector<int> suffix_of(plan.units.size(), kNoSuffix);
    for (size_t u = 0; u < plan.units.size(); ++u) {
        if (u != plan.in_dest) {
            suffix_of[u] = first_fitting_suffix(plan.members, plan.units[u], kNoSuffix);
        }
    }
    if (plan.in_dest < plan.units.size()) {
        keep_in_place(plan.members, plan.units[plan.in_dest]);
        for (size_t i : plan.units[plan.in_dest]) {
            plan.members[i].done = plan.members[i].wanted;
        }
    }
    // The result lists the set's files in the set's order (videos, then telemetry), also those
    // completed before an error or a cancel.
    auto report = [&] {
        for (const Member& m : plan.members) {
            if (m.done) {
                copied_.append(m.dst);
            }
        }
    };
    try {
        for (size_t u = 0; u < plan.units.size(); ++u) {
            if (u != plan.in_dest) {
                copy_unit(plan.members, plan.units[u], suffix_of[u]);
            }
        }
    } catch (const ImportCancelled&) {
        report();
        throw;
    }
    report();
}

nb::object import_dji_file_sets(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& file_sets = args[0];
    const nb::object& dest_dir = args[1];
    const bool include_video = is_true(args[2]);
    const bool include_srt = is_true(args[3]);
    CopyProgress progress(args[4], args[5]);

    g["os"].attr("makedirs")(dest_dir, nb::arg("exist_ok") = true);
    remove_stale_part_files(g, dest_dir);

    SetImporter importer(g, dest_dir, progress);
    std::vector<SetPlan> plans;
    long long total = 0;
    for (nb::handle s : file_sets) {
        plans.push_back(importer.plan_set(s, include_video, include_srt));
        for (const Member& m : plans.back().members) {
            total += m.wanted ? m.size : 0;
        }
    }
    progress.set_total(total);
    try {
        for (SetPlan& plan : plans) {
            progress.check();
            importer.import_set(plan);
        }
    } catch (const ImportCancelled&) {
        // What was completed stays and is reported; nothing partial is left behind.
    }
    const nb::list& copied = importer.copied();
    return nb::make_tuple(g["len"](copied), copied);
}

nb::object import_dji_files(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object sets = g["list_dji_files"](args[0], nb::arg("date_filter") = args[2], nb::arg("index_filter") = args[3]);
    return g["import_dji_file_sets"](sets, args[1], args[4], args[5]);
}

const char* const kImportSetsDoc =
    "import_dji_file_sets(file_sets, dest_dir, include_video=True, include_srt=True, *, progress=None,\n"
    "                     cancel=None) -> (kopyalanan_sayısı, hedef_yolları)\n"
    "\n"
    "Verilen DjiFileSet kayıtlarının video ve SRT dosyalarını dest_dir klasörüne (yoksa oluşturulur)\n"
    "düz olarak kopyalar; import_dji_files da bunu kullanır. Hedefteki hiçbir dosyanın üzerine\n"
    "yazılmaz: aynı baytları taşıyan dosya yeniden kopyalanmadan sayılır, başka bir dosya aynı adı\n"
    "tutuyorsa setin bütün dosyaları birlikte bir sonraki eke geçer (DJI_0001_2.MP4 ile\n"
    "DJI_0001_2.SRT). Her kopya önce gizli bir parça dosyasına yazılır ve tamamlanınca adını alır;\n"
    "önceki, yarıda öldürülmüş içe aktarmaların parça dosyaları başta silinir.\n"
    "\n"
    "progress: progress(kopyalanan_bayt, toplam_bayt) her parçada (1 MiB) çağrılır; toplam, seçilen\n"
    "dosyaların kaynaktaki boyutlarıdır, hedefte zaten bulunanlar da sayılır.\n"
    "cancel: cancel() doğru döndüğünde (en geç bir parça sonra) durur, yarım kalan parça dosyasını\n"
    "siler ve o ana kadar tamamlananları döndürür.\n"
    "Sonuç: (sayı, yollar) — kopyalanan ya da zaten bulunan dosyaların hedef yolları, sırayla.";

}  // namespace

pyglue::FunctionSpec import_dji_file_sets_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "import_dji_file_sets";
    spec.doc = kImportSetsDoc;
    spec.params = {
        {"file_sets", "List[DjiFileSet]", nb::object()},
        {"dest_dir", "str", nb::object()},
        {"include_video", "bool", nb::borrow(Py_True)},
        {"include_srt", "bool", nb::borrow(Py_True)},
        {"progress", "Optional[Callable[[int, int], None]]", nb::none(), pyglue::ParamKind::keyword_only},
        {"cancel", "Optional[Callable[[], bool]]", nb::none(), pyglue::ParamKind::keyword_only},
    };
    spec.return_annotation = "Tuple[int, List[str]]";
    spec.body = import_dji_file_sets;
    return spec;
}

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
