// Copies that never clobber a file, never follow a link and never leave a partial file under a
// real name.
#pragma once

#include "copy_progress.hpp"
#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Whether `dst` is already a copy of `src`: a regular file of its own (not a link, and not the
// very file `src` through a hard link) holding the same bytes. The bytes are read and compared
// only when the sizes match; the times are not consulted, so a copy made without them (cp, a
// download) still counts. The comparison honours the caller's cancel.
bool same_file_contents(const pyglue::Globals& g, nb::handle src, nb::handle dst, const CopyProgress& progress);

// Copies `src` into a new part file in `folder` named after `name` (part_files.hpp), with the
// times and permission bits of `src` (as shutil.copy2 does) and flushed to the disk. Returns the
// part file's path. Reports each chunk to `progress` and checks its cancel between chunks; on an
// error or a cancel the part file is removed and the error (or ImportCancelled) propagates.
nb::object copy_to_part_file(const pyglue::Globals& g, nb::handle src, nb::handle folder, nb::handle name,
                             CopyProgress& progress);

// A finished part file put under its real name, and how, so that it can be taken back.
struct Published {
    nb::object part;
    nb::object dst;
    bool linked = false;  // dst is a second name of part, which still exists
};

// Puts the part file under `dst` unless something is there already; false when the name is
// taken (the part file stays). A hard link fails atomically on an existing name; file systems
// without links (FAT, exFAT) get a rename that refuses an existing name (no_replace_rename.hpp).
bool publish(const pyglue::Globals& g, nb::handle part, nb::handle dst, Published& out);

// Takes a published file back under its part name (its set moves to another name).
void unpublish(const pyglue::Globals& g, const Published& p);

// Removes a part file if it is there; a failure to remove it is not worth more than the
// error that may already be on its way.
void discard_part(const pyglue::Globals& g, nb::handle part);

}  // namespace trakvia::mediadesk
