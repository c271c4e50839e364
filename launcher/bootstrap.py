# Start-up script that Trakvia_Launcher runs once in the embedded interpreter's __main__.
# It opens missing standard streams, keeps the start folder in sys._r27_start_dir, puts the
# program folder (and its Lib/site-packages and Qt folders) on the search paths, runs
# trakvia_app.main() and leaves the process exit code in sys._r27_exit_code. It is the
# only place where an exception escaping the application is handled. Kept to ASCII: the
# launcher embeds it as a C string at build time.
import sys
import os
import io
import traceback

sys._r27_exit_code = 0


def _missing_stream():
    # A Windows GUI program started from cmd or PowerShell has no standard streams, but the
    # launcher attached it to that console: write there. Without a console (started from
    # Explorer) printing must still work, into memory.
    if sys.platform == "win32":
        try:
            return open("CONOUT$", "w", encoding="utf-8", errors="backslashreplace",
                        buffering=1)
        except OSError:
            pass
    return io.StringIO()


if sys.stdout is None:
    sys.stdout = _missing_stream()
if sys.stderr is None:
    sys.stderr = _missing_stream()

# The launcher made the program folder the current directory. The folder the user started
# the program from, where the paths typed on the command line lead, is kept for trakvia_app;
# child processes must not inherit it as if they had been started from there.
cwd = os.getcwd()
sys._r27_start_dir = os.environ.pop("TRAKVIA_START_DIR", "") or cwd
if cwd not in sys.path:
    sys.path.insert(0, cwd)
sp = os.path.join(cwd, "Lib", "site-packages")
if os.path.isdir(sp) and sp not in sys.path:
    sys.path.insert(0, sp)
qt_bin = os.path.join(sp, "PyQt5", "Qt5", "bin")

# os.pathsep is ";" on Windows; POSIX needs ":" or every child process would get a broken PATH.
os.environ["PATH"] = (cwd + os.pathsep
                      + (qt_bin + os.pathsep if os.path.isdir(qt_bin) else "")
                      + os.environ.get("PATH", ""))

# The handles must live as long as the interpreter, or the folders leave the DLL search path.
sys._r27_dll_dirs = []
if hasattr(os, "add_dll_directory"):
    try:
        sys._r27_dll_dirs.append(os.add_dll_directory(cwd))
    except Exception:
        pass
    if os.path.isdir(qt_bin):
        try:
            sys._r27_dll_dirs.append(os.add_dll_directory(qt_bin))
        except Exception:
            pass

qt_plugins = os.path.join(cwd, "plugins")
if not os.path.isdir(qt_plugins):
    qt_plugins = os.path.join(sp, "PyQt5", "Qt5", "plugins")
if os.path.isdir(qt_plugins):
    os.environ["QT_QPA_PLATFORM_PLUGIN_PATH"] = qt_plugins

try:
    import trakvia_app
    if hasattr(trakvia_app, "main"):
        result = trakvia_app.main()
        # A command's result is its exit code: a script must see that `play` found nothing.
        if isinstance(result, int):
            sys._r27_exit_code = result
except SystemExit as exc:
    if exc.code is None:
        sys._r27_exit_code = 0
    elif isinstance(exc.code, int):
        sys._r27_exit_code = exc.code
    else:
        sys._r27_exit_code = 1
        # As the interpreter itself does for sys.exit("text"): the text is the message.
        try:
            print(exc.code, file=sys.stderr)
        except Exception:
            pass
except BaseException:
    sys._r27_exit_code = 1
    err_txt = traceback.format_exc()
    try:
        log_d = os.path.join(os.environ.get("LOCALAPPDATA") or cwd, "Durnavo")
        os.makedirs(log_d, exist_ok=True)
        with open(os.path.join(log_d, "startup_error.log"), "w", encoding="utf-8") as f:
            f.write(err_txt)
    except Exception:
        pass
    try:
        if sys.platform == "win32":
            import ctypes
            ctypes.windll.user32.MessageBoxW(0, err_txt[:1800], "Trakvia - Baslatma Hatasi", 0x10)
        else:
            # No message box here: the traceback goes to the terminal.
            sys.stderr.write(err_txt)
            sys.stderr.flush()
    except Exception:
        pass
