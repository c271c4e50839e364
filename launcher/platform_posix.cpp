// POSIX platform layer: the guard is a lock file in the user's runtime folder; the launcher
// embeds the interpreter it was built with.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform.h"

#ifndef TRAKVIA_EMBEDDED_PYTHON
#define TRAKVIA_EMBEDDED_PYTHON ""
#endif

namespace trakvia::launcher {
namespace {

bool is_directory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// $XDG_RUNTIME_DIR, else a private folder of this user under the temp folder; "" when no
// folder can be trusted with the lock.
std::string runtime_folder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && is_directory(xdg)) return xdg;

    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    folder += "/trakvia-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    // Another user could have made the folder first: use it only if it is ours alone.
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 077) != 0) {
        return "";
    }
    return folder;
}

// The guard's name made into a file name: anything but letters, digits, '.', '-' and '_'
// becomes '_'.
std::string lock_file_name(std::string_view name) {
    std::string out;
    for (char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        out += keep ? c : '_';
    }
    return out + ".lock";
}

}  // namespace

ArgumentList::ArgumentList(const LaunchContext& context)
    : ok_(context.argv != nullptr), count_(context.argc), values_(context.argv) {}

ArgumentList::~ArgumentList() = default;  // main's arguments belong to the C runtime

std::string whole_command_line(const LaunchContext& context) {
    std::string line;
    for (int i = 0; i < context.argc; ++i) {
        if (i > 0) line += ' ';
        line += context.argv[i];
    }
    return line;
}

InstanceGuard claim_single_instance(std::string_view name) {
    const std::string folder = runtime_folder();
    if (folder.empty()) return InstanceGuard::unavailable;
    const std::string path = folder + "/" + lock_file_name(name);
    // Close-on-exec: child processes must not keep the guard after this copy ends.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceGuard::unavailable;
    if (fd <= STDERR_FILENO) {
        // Started without standard streams: keep the lock off descriptors 0-2, or the
        // interpreter would take the lock file for stdout.
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fd);
        if (high < 0) return InstanceGuard::unavailable;
        fd = high;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceGuard::claimed;  // held until exit
    const bool held_elsewhere = errno == EWOULDBLOCK;
    close(fd);
    return held_elsewhere ? InstanceGuard::already_running : InstanceGuard::unavailable;
}

void bring_running_copy_forward(std::string_view) {
    std::fputs("Trakvia zaten çalışıyor; bu kopya kapatılıyor.\n", stderr);
}

std::string program_folder(const LaunchContext& context) {
    std::string path;
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) break;
        if (static_cast<size_t>(n) < buffer.size()) {
            path.assign(buffer.data(), static_cast<size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (path.empty() && context.argc > 0 && context.argv[0] != nullptr) {
        // Without /proc the program is found by the path it was started with.
        if (char* resolved = realpath(context.argv[0], nullptr)) {
            path = resolved;
            std::free(resolved);
        }
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return path;
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string start_folder() {
    char* cwd = getcwd(nullptr, 0);  // allocated to fit (glibc, BSD, macOS)
    if (cwd == nullptr) return {};   // e.g. the directory was removed meanwhile
    std::string folder = cwd;
    std::free(cwd);
    return folder;
}

void reach_parent_console() {}  // the standard streams are inherited from the parent

const wchar_t* standard_stream_encoding() { return nullptr; }

void enter_program_folder(const std::string& folder) {
    // Native libraries are found through the program's RPATH; only the directory changes.
    if (chdir(folder.c_str()) != 0) { /* the start goes on from the old directory */ }
}

void set_environment(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

void show_start_failure(const char* text, const char* caption, std::string_view detail) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (!detail.empty()) std::fprintf(stderr, "  %.*s\n", static_cast<int>(detail.size()), detail.data());
}

std::string embedded_interpreter_executable() {
    // The interpreter the launcher was built with, so the standard library and its
    // site-packages (PyQt5) are found wherever the bundle lies. When it is gone, the
    // interpreter falls back to the prefix compiled into libpython.
    const std::string python = TRAKVIA_EMBEDDED_PYTHON;
    return !python.empty() && access(python.c_str(), X_OK) == 0 ? python : std::string();
}

}  // namespace trakvia::launcher
