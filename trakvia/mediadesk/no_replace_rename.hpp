// Renaming a finished file into place without ever replacing what is there: the one step the
// file systems without hard links (FAT, exFAT) offer for it, behind one function per platform.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Renames `from` to `to` unless something has the name `to`; false then, and `from` stays.
// Linux asks the kernel to refuse an existing name in the same step (renameat2 with
// RENAME_NOREPLACE, which ext4, XFS, Btrfs, tmpfs, vfat and exfat honour); a file system that
// does not know the flag gets an existence test and a rename. Windows' rename never replaces.
// Other failures raise the OSError of the system.
bool rename_no_replace(const pyglue::Globals& g, nb::handle from, nb::handle to);

}  // namespace trakvia::mediadesk
