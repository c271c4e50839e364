// Copies that never clobber a file and never leave a partial file under a real name.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Whether the regular file `dst` holds the same bytes as `src`. The bytes are read and compared
// only when the sizes match; the times are not consulted, so a copy made without them (cp,
// a download) still counts as the same. A `dst` that is not a regular file is never the same.
bool same_file_contents(const pyglue::Globals& g, nb::handle src, nb::handle dst);

enum class CopyOutcome { written, name_taken };

// Copies `src` to the new file `dst` with the module's shutil.copy2: first to a hidden
// temporary name in the destination folder, then moved under `dst` only if nothing exists
// there. Returns name_taken, with the temporary file removed, when `dst` appeared in the
// meantime. On any error the temporary file is removed and the error propagates.
CopyOutcome copy_to_new_file(const pyglue::Globals& g, nb::handle src, nb::handle dst);

}  // namespace trakvia::mediadesk
