// Platform layer of the launcher: every operating-system call it makes, behind one interface.
// Texts are UTF-8 on both sides of this header (native bytes on POSIX); only the Windows
// implementation converts, at its Win32 calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trakvia::launcher {

// What the program entry knows when it starts. Windows reads its command line from the
// system, so wWinMain leaves both fields empty; POSIX main passes its own arguments.
struct LaunchContext {
    int argc = 0;
    char** argv = nullptr;
};

// Character type in which the interpreter's configuration takes the arguments natively:
// UTF-16 on Windows (PyConfig_SetArgv), locale bytes on POSIX (PyConfig_SetBytesArgv).
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// The command line split into arguments, element 0 being the program as written.
// Owns whatever the system handed out for the split and releases it when destroyed.
class ArgumentList {
public:
    explicit ArgumentList(const LaunchContext& context);
    ~ArgumentList();
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    bool split_ok() const { return ok_; }
    int count() const { return count_; }
    NativeChar* const* values() const { return values_; }

private:
    bool ok_ = false;
    int count_ = 0;
    NativeChar** values_ = nullptr;
};

enum class InstanceGuard {
    claimed,          // this copy holds the guard until the process ends
    already_running,  // another copy holds it
    unavailable,      // the guard could not be set up; the program runs without it
};

// The whole command line as one text, the program's own path included.
std::string whole_command_line(const LaunchContext& context);

// Claims the single-instance guard named `name` for the life of the process.
InstanceGuard claim_single_instance(std::string_view name);

// Shows the running copy's window: the first top-level window whose title contains
// `title_text`. Without windows to show, tells the user on stderr.
void bring_running_copy_forward(std::string_view title_text);

// Folder of the running program file, "" when it cannot be read.
std::string program_folder(const LaunchContext& context);

// The current directory at the start: the folder the user started the program from, against
// which the paths typed on the command line are meant. "" when it cannot be read.
std::string start_folder();

// A program without usable standard output (a Windows GUI program started from cmd or
// PowerShell) attaches to its parent's console when the parent has one, so that the bootstrap
// script can open the console for the report lines. Never opens a console of its own; does
// nothing where the standard streams are inherited anyway (POSIX).
void reach_parent_console();

// Encoding of the interpreter's standard streams, or nullptr for the interpreter's choice.
// Windows would write redirected output in the ANSI code page, which cannot hold every
// Turkish letter (cp1252 has no "ı"); POSIX follows the terminal's locale.
const wchar_t* standard_stream_encoding();

// Makes `folder` the current directory and a search folder for native libraries.
// Failures are ignored: the start goes on with whatever could be set.
void enter_program_folder(const std::string& folder);

// Sets an environment variable of the process and of its later children.
void set_environment(const char* name, const std::string& value);

// Tells the user that the start failed: a message box on Windows, stderr elsewhere.
// `detail` is the interpreter's own reason, shown where a console can take it.
void show_start_failure(const char* text, const char* caption, std::string_view detail);

// Interpreter program to configure as sys.executable, "" to let the interpreter locate
// itself from the program's path by its usual rules.
std::string embedded_interpreter_executable();

}  // namespace trakvia::launcher
