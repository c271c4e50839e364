// FolderListing on Windows: one FindFirstFileExW pass gives every entry with its size and times.
//
// The pass is os.scandir's (FindFirstFileW on "<folder>\*", FindNextFileW until
// ERROR_NO_MORE_FILES; any other failure loses the whole folder, as in os.walk), with the basic
// information level and large fetches, which list the same entries in the same order. Folders are
// walked into unless they are symbolic links; a junction is walked into, as os.walk does.
//
// The status of a plain file comes from its entry: the size and last-write time the file system
// keeps in the folder, which is what os.stat reports for it. Entries the interpreter would resolve
// differently are left to it: links and other reparse points (os.stat follows them), names that
// Win32 path handling changes (a trailing dot or space is dropped, so os.stat of "A.MP4." looks up
// "A.MP4") and device names (CON.MP4 opens the console on older Windows).
#ifdef _WIN32
#include "folder_listing.hpp"

#include <windows.h>

#include <cwctype>

namespace trakvia::mediadesk {

namespace {

struct FileData {
    bool ascii;
    std::string ascii_name;  // the name narrowed to chars, when `ascii`
    bool ask_interpreter;
    std::int64_t size;
    double mtime;
};

// st_mtime as the interpreter makes it from a FILETIME (100 ns units since 1601).
double seconds_of(const FILETIME& ft) {
    const std::int64_t in = (std::int64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const int nsec = int(in % 10000000) * 100;
    const time_t sec = time_t(in / 10000000 - 11644473600LL);
    return sec + (unsigned long)nsec * 1e-9;
}

bool is_reserved_device_name(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    for (wchar_t& c : stem) {
        c = wchar_t(std::towupper(c));
    }
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (stem == device) {
            return true;
        }
    }
    // COM0..COM9 and LPT0..LPT9, with the superscript digits Windows also accepts.
    const bool port = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0);
    return port && (std::iswdigit(stem[3]) || stem[3] == L'\u00b9' || stem[3] == L'\u00b2' || stem[3] == L'\u00b3');
}

bool path_handling_changes(const std::wstring& name) {
    return name.back() == L'.' || name.back() == L' ' || name.find_first_of(L"\\/:") != std::wstring::npos ||
           is_reserved_device_name(name);
}

}  // namespace

struct FolderListing::Native {
    std::vector<FileData> files;  // per entry
};

FolderListing::~FolderListing() = default;

std::unique_ptr<FolderListing> FolderListing::read(const NativeName& path) {
    NativeName pattern = path;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/' && pattern.back() != L':') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    std::unique_ptr<FolderListing> listing(new FolderListing);
    listing->native_ = std::make_unique<Native>();
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const bool symlink = reparse && data.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        listing->entries_.push_back({name, folder && !symlink});
        const std::int64_t size = (std::int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        FileData file{true, {}, reparse || path_handling_changes(name), size, seconds_of(data.ftLastWriteTime)};
        for (wchar_t c : name) {
            file.ascii = file.ascii && c < 0x80;
            file.ascii_name.push_back(char(c));
        }
        listing->native_->files.push_back(std::move(file));
    } while (FindNextFileW(find, &data));
    const DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES) {
        return nullptr;
    }
    return listing;
}

bool FolderListing::ascii_name(std::size_t i, std::string_view& name) const {
    name = native_->files[i].ascii_name;
    return native_->files[i].ascii;
}

EntryStatus FolderListing::status(std::size_t i, const NativeName&) const {
    const FileData& file = native_->files[i];
    if (file.ask_interpreter) {
        return {EntryStatus::ask_interpreter, 0, 0};
    }
    return {EntryStatus::regular, file.size, file.mtime};
}

}  // namespace trakvia::mediadesk
#endif
