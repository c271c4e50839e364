// One folder's entries as os.walk and the scan see them, read straight from the file system.
//
// POSIX: open/readdir (getdents64 underneath) and fstatat; Windows: FindFirstFileExW with
// FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH, whose entries carry size and times, so no file is
// opened. No interpreter types here: native_scan.cpp turns entries into the scan's objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trakvia::mediadesk {

#ifdef _WIN32
using NativeName = std::wstring;  // UTF-16, as the wide API gives it
#else
using NativeName = std::string;   // the bytes of the name
#endif

struct FolderEntry {
    NativeName name;
    bool walked_into;  // a folder os.walk descends into: not a link, not a link's target
};

// What os.path.isfile and os.stat report for a non-folder entry, following links.
struct EntryStatus {
    enum Kind : std::uint8_t {
        not_a_file,         // isfile is false: gone, a folder, a device, a broken link...
        regular,            // isfile is true; `size` and `mtime` hold os.stat's st_size and st_mtime
        ask_interpreter,    // only the interpreter's own calls give the answer (Windows links, odd names)
    };
    Kind kind = not_a_file;
    std::int64_t size = 0;
    double mtime = 0;  // seconds since the epoch, computed as the interpreter computes st_mtime
};

class FolderListing {
public:
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // Lists the folder `path` (what os.scandir receives). Null when os.scandir would fail or an
    // entry could not be read: os.walk then skips the whole folder without notice.
    static std::unique_ptr<FolderListing> read(const NativeName& path);

    const std::vector<FolderEntry>& entries() const { return entries_; }

    // The name of entries()[i] as chars when all its characters are ASCII; false otherwise.
    bool ascii_name(std::size_t i, std::string_view& name) const;

    // The status of entries()[i] (one not walked into); `prefix` is what os.path.join puts before
    // a name in this folder, in native form.
    EntryStatus status(std::size_t i, const NativeName& prefix) const;

private:
    FolderListing() = default;
    std::vector<FolderEntry> entries_;
    struct Native;
    std::unique_ptr<Native> native_;
};

}  // namespace trakvia::mediadesk
