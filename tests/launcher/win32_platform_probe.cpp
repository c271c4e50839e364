// Console probe of the launcher's Windows platform layer, built by scripts/check-windows.sh and
// run under wine or on Windows.
//   probe guard [--wait FILE] [ARGS...]  exit 0 "another-copy" when a copy holds the guard;
//                                        else "guard-passed", waits for FILE, exit 3
//   probe info [ARGS...]                 arguments, start and program folders, then cwd and
//                                        PYTHONPATH after entering the folder
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instance_guard.h"
#include "platform.h"

using namespace trakvia::launcher;

namespace {

std::string narrow(const wchar_t* wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    return out;
}

int guard(int argc, char** argv) {
    const LaunchContext context{};
    if (another_copy_is_running(context)) {
        std::puts("another-copy");
        return 0;
    }
    std::puts("guard-passed");
    std::fflush(stdout);
    if (argc > 3 && std::strcmp(argv[2], "--wait") == 0) {
        for (int i = 0; i < 1200 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    }
    return 3;
}

int info() {
    const LaunchContext context{};
    const ArgumentList args(context);
    std::printf("split=%d count=%d\n", args.split_ok() ? 1 : 0, args.count());
    for (int i = 0; i < args.count(); ++i) std::printf("arg[%d]=%s\n", i, narrow(args.values()[i]).c_str());
    std::printf("start=%s\n", start_folder().c_str());
    const std::string folder = program_folder(context);
    std::printf("folder=%s\n", folder.c_str());
    enter_program_folder(folder);
    set_environment("PYTHONPATH", folder);
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::printf("cwd=%s\n", narrow(cwd).c_str());
    const wchar_t* pythonpath = _wgetenv(L"PYTHONPATH");
    std::printf("PYTHONPATH=%s\n", pythonpath ? narrow(pythonpath).c_str() : "");
    std::printf("bypass=%d\n", has_bypass_text(whole_command_line(context)) ? 1 : 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "guard") == 0) return guard(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "info") == 0) return info();
    std::fputs("usage: probe guard [--wait FILE] [ARGS...] | probe info [ARGS...]\n", stderr);
    return 2;
}
