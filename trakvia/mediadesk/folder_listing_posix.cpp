// FolderListing on POSIX: readdir over the folder os.scandir would open, fstatat beside it.
//
// The calls and their failures are os.scandir's and os.stat's: opendir on the folder's path,
// readdir until it ends or fails (a failure loses the whole folder, as in os.walk), "." and ".."
// left out, the entry's type from readdir (an lstat when the file system does not give one), and
// the status of a file by stat on its full path, which fstatat relative to the open folder gives
// without walking the path again. A full path too long for the kernel fails for the interpreter;
// such paths are given to the kernel whole here too, so they fail alike.
#ifndef _WIN32
#include "folder_listing.hpp"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace trakvia::mediadesk {

namespace {

// st_mtime as the interpreter makes it from the two fields.
double seconds_of(const struct stat& st) {
#ifdef __APPLE__
    const time_t sec = st.st_mtimespec.tv_sec;
    const unsigned long nsec = st.st_mtimespec.tv_nsec;
#else
    const time_t sec = st.st_mtim.tv_sec;
    const unsigned long nsec = st.st_mtim.tv_nsec;
#endif
    return sec + nsec * 1e-9;
}

}  // namespace

struct FolderListing::Native {
    DIR* dir = nullptr;

    ~Native() {
        if (dir) {
            closedir(dir);
        }
    }

    // stat (follow) or lstat of one entry: relative to the open folder, or by the full path
    // (`prefix` + `name`) when that path is too long for the kernel, so that the call fails as
    // the interpreter's does.
    int stat_entry(const NativeName& name, const NativeName& prefix, struct stat* st, bool follow) const {
        const int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
        if (prefix.size() + name.size() >= PATH_MAX) {
            return fstatat(AT_FDCWD, (prefix + name).c_str(), st, flags);
        }
        return fstatat(dirfd(dir), name.c_str(), st, flags);
    }
};

FolderListing::~FolderListing() = default;

std::unique_ptr<FolderListing> FolderListing::read(const NativeName& path) {
    std::unique_ptr<FolderListing> listing(new FolderListing);
    listing->native_ = std::make_unique<Native>();
    Native& native = *listing->native_;
    native.dir = opendir(path.c_str());
    if (!native.dir) {
        return nullptr;
    }
    // os.scandir's entry paths: the folder, a "/" unless it ends with one, the name.
    const NativeName prefix = (!path.empty() && path.back() == '/') ? path : path + '/';
    for (;;) {
        errno = 0;
        const dirent* d = readdir(native.dir);
        if (!d) {
            if (errno != 0) {
                return nullptr;
            }
            break;
        }
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) {
            continue;
        }
        FolderEntry entry{d->d_name, d->d_type == DT_DIR};
        if (d->d_type == DT_UNKNOWN) {
            struct stat st;
            entry.walked_into = native.stat_entry(entry.name, prefix, &st, false) == 0 && S_ISDIR(st.st_mode);
        }
        listing->entries_.push_back(std::move(entry));
    }
    return listing;
}

bool FolderListing::ascii_name(std::size_t i, std::string_view& name) const {
    name = entries_[i].name;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

EntryStatus FolderListing::status(std::size_t i, const NativeName& prefix) const {
    struct stat st;
    if (native_->stat_entry(entries_[i].name, prefix, &st, true) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    return {EntryStatus::regular, static_cast<std::int64_t>(st.st_size), seconds_of(st)};
}

}  // namespace trakvia::mediadesk
#endif
