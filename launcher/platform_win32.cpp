// Windows platform layer: named mutex, window activation, module path, current and DLL
// directories, environment, message box. UTF-16 only at the Win32 calls.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "platform.h"

namespace trakvia::launcher {
namespace {

constexpr int kTitleChars = 512;
constexpr DWORD kModulePathChars = MAX_PATH;  // grown when the path is longer
constexpr DWORD kModulePathLimit = 32768;     // longest path Windows knows

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

// EnumWindows callback: activates the first window whose title contains the search text.
BOOL CALLBACK activate_matching_window(HWND window, LPARAM search_text) {
    wchar_t title[kTitleChars] = {};
    if (GetWindowTextW(window, title, kTitleChars) <= 0) return TRUE;
    if (std::wcsstr(title, reinterpret_cast<const wchar_t*>(search_text)) == nullptr) return TRUE;
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    return FALSE;
}

// A standard handle the program can write to: set, and naming a file, pipe or console.
// A GUI program started without redirection has none.
bool usable_handle(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

ArgumentList::ArgumentList(const LaunchContext&) {
    values_ = CommandLineToArgvW(GetCommandLineW(), &count_);
    ok_ = values_ != nullptr;
    if (!ok_) count_ = 0;
}

ArgumentList::~ArgumentList() {
    if (values_ != nullptr) LocalFree(values_);
}

std::string whole_command_line(const LaunchContext&) {
    const wchar_t* line = GetCommandLineW();
    return line != nullptr ? narrow(line) : std::string();
}

InstanceGuard claim_single_instance(std::string_view name) {
    const std::wstring wide_name = widen(name);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, wide_name.c_str());
    // Read at once: nothing may run between the call and GetLastError, not even a free().
    const DWORD error = GetLastError();
    if (mutex == nullptr) return InstanceGuard::unavailable;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return InstanceGuard::already_running;
    }
    return InstanceGuard::claimed;  // owned, never closed: released by the system at exit
}

void bring_running_copy_forward(std::string_view title_text) {
    const std::wstring search_text = widen(title_text);
    if (search_text.empty()) return;  // an empty text would match every window
    EnumWindows(activate_matching_window, reinterpret_cast<LPARAM>(search_text.c_str()));
}

std::string program_folder(const LaunchContext&) {
    // A path cut off at the buffer's end would name the wrong folder: grow until it fits.
    std::vector<wchar_t> buffer(kModulePathChars);
    DWORD n = 0;
    for (;;) {
        n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size() || buffer.size() >= kModulePathLimit) break;
        buffer.resize(buffer.size() * 2);
    }
    std::wstring path(buffer.data(), n);
    const size_t slash = path.rfind(L'\\');
    // A bare "E:" names the drive's current directory, not its root: keep the backslash.
    if (slash != std::wstring::npos) path.resize(slash == 2 && path[1] == L':' ? 3 : slash);
    return narrow(path);
}

std::string start_folder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);  // characters with the final null
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD n = GetCurrentDirectoryW(needed, buffer.data());
    if (n == 0 || n >= needed) return {};
    return narrow(std::wstring_view(buffer.data(), n));
}

void reach_parent_console() {
    if (usable_handle(STD_OUTPUT_HANDLE) && usable_handle(STD_ERROR_HANDLE)) return;
    // Fails when the parent has no console (started from Explorer): then nothing is opened
    // and the output goes nowhere, as for any GUI program.
    AttachConsole(ATTACH_PARENT_PROCESS);
}

const wchar_t* standard_stream_encoding() { return L"utf-8"; }

void enter_program_folder(const std::string& folder) {
    const std::wstring wide = widen(folder);
    SetCurrentDirectoryW(wide.c_str());
    SetDllDirectoryW(wide.c_str());
}

void set_environment(const char* name, const std::string& value) {
    _wputenv_s(widen(name).c_str(), widen(value).c_str());
}

void show_start_failure(const char* text, const char* caption, std::string_view) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);  // 0x10
}

std::string embedded_interpreter_executable() {
    return {};  // python312.dll finds its standard library relative to the program
}

}  // namespace trakvia::launcher
