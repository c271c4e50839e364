// SetImporter: the copy of file sets into one flat folder, set by set, with the suffix rules
// import_dji_file_sets applies (import.cpp).
#pragma once

#include "copy_progress.hpp"

#include <cstddef>
#include <utility>
#include <vector>

namespace trakvia::mediadesk {

namespace nb = nanobind;

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

// Plans and copies the sets of one import into `dest_dir`, reporting to `progress`; collects the
// destination paths of what was copied or found already there.
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

}  // namespace trakvia::mediadesk
