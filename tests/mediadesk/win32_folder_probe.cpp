// Console probe of the scan's Windows folder listing, built by scripts/check-windows.sh and run
// under wine or on Windows:
//   folder_probe FOLDER   walks FOLDER as os.walk does and prints, in UTF-8, one line per entry:
//                         "D <path>" for a folder walked into, "F <path>\t<size>\t<st_mtime>\t
//                         <ascii>" for a file, "? <path>" for an entry left to the interpreter;
//                         paths relative to FOLDER with "/".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../../trakvia/mediadesk/folder_listing.hpp"

using namespace trakvia::mediadesk;

namespace {

std::string utf8(const std::wstring& wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: folder_probe FOLDER\n", stderr);
        return 2;
    }
    const std::wstring top = argv[1];
    std::vector<std::wstring> stack{L""};  // folders relative to the top, each ending with "\\"
    while (!stack.empty()) {
        const std::wstring rel = stack.back();
        stack.pop_back();
        const std::wstring folder = rel.empty() ? top : top + L"\\" + rel.substr(0, rel.size() - 1);
        const auto listing = FolderListing::read(folder);
        if (!listing) {
            std::printf("! %s\n", utf8(rel).c_str());
            continue;
        }
        const auto& entries = listing->entries();
        for (size_t i = entries.size(); i-- > 0;) {
            const std::wstring path = rel + entries[i].name;
            std::string shown = utf8(path);
            for (char& c : shown) c = c == '\\' ? '/' : c;
            if (entries[i].walked_into) {
                std::printf("D %s\n", shown.c_str());
                stack.push_back(path + L"\\");
                continue;
            }
            std::string_view ascii;
            const bool is_ascii = listing->ascii_name(i, ascii);
            const EntryStatus status = listing->status(i, folder + L"\\");
            if (status.kind == EntryStatus::ask_interpreter) {
                std::printf("? %s\n", shown.c_str());
            } else {
                std::printf("F %s\t%lld\t%.6f\t%d\n", shown.c_str(), (long long)status.size, status.mtime, is_ascii ? 1 : 0);
            }
        }
    }
    return 0;
}
