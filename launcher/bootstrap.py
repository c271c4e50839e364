# Start-up script that Trakvia_Launcher runs once in the embedded interpreter's __main__.
# It opens missing standard streams, keeps the start folder in sys._r27_start_dir, puts the
# program folder (and its Lib/site-packages and Qt folders) on the search paths, runs
# trakvia_app.main() and leaves the process exit code in sys._r27_exit_code. It is the
# only place where an exception escaping the application is handled. Kept to ASCII: the
# launcher embeds it as a C string at build time.
import sys
import os
import io
import errno
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


def _stdout_to_devnull():
    # Output still buffered goes nowhere from now on, so that the shutdown does not try the
    # failed stream again.
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
    except Exception:
        pass


def _reader_went_away():
    # `list | head -1`: the reader closed the pipe once it had what it wanted. That is its
    # choice, not a failure: no traceback, no log.
    _stdout_to_devnull()
    # The status a shell reports for a tool that SIGPIPE ended; Windows has no such signal.
    import signal
    return 128 + signal.SIGPIPE if hasattr(signal, "SIGPIPE") else 1


def _reader_gone(exc):
    # Whether a failed write means the reader of our output went away. Windows reports a write
    # into a pipe whose reader has gone (`list | more`, then q) as EINVAL, not as a broken pipe:
    # a write into the same pipe says which it was, an empty one where the system checks it,
    # else a line end (which only a pipe still being read gets, after an error that ends the
    # run anyway).
    if isinstance(exc, BrokenPipeError):
        return True
    if sys.platform != "win32" or exc.errno != errno.EINVAL:
        return False
    try:
        import ctypes
        import msvcrt
        kernel32 = ctypes.WinDLL("kernel32", use_last_error=True)
        handle = msvcrt.get_osfhandle(sys.stdout.fileno())
        if kernel32.GetFileType(ctypes.c_void_p(handle)) != 3:  # FILE_TYPE_PIPE
            return False
        written = ctypes.c_ulong(0)
        for probe in (b"", b"\n"):
            if not kernel32.WriteFile(ctypes.c_void_p(handle), probe, len(probe), ctypes.byref(written), None):
                # ERROR_BROKEN_PIPE, ERROR_NO_DATA, ERROR_PIPE_NOT_CONNECTED
                return ctypes.get_last_error() in (109, 232, 233)
        return False
    except Exception:
        return False


def _report_crash():
    # The exception being handled: its traceback to the log and a message box, exit code 1.
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


try:
    import trakvia_app
    if hasattr(trakvia_app, "main"):
        result = trakvia_app.main()
        # A command's result is its exit code: a script must see that `play` found nothing.
        if isinstance(result, int):
            sys._r27_exit_code = result
except OSError as exc:
    if _reader_gone(exc):
        sys._r27_exit_code = _reader_went_away()
    else:
        _report_crash()
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
    _report_crash()

# What the command left in the buffer goes out here rather than at shutdown, where a failed
# write could only be reported, not turned into the exit code.
try:
    sys.stdout.flush()
except OSError as exc:
    if _reader_gone(exc):
        code = _reader_went_away()
        if sys._r27_exit_code == 0:
            sys._r27_exit_code = code
    else:
        # A full disk under `list > file`: the output is incomplete, which is no success.
        _stdout_to_devnull()
        if sys._r27_exit_code == 0:
            sys._r27_exit_code = 1
        try:
            sys.stderr.write("\u00c7\u0131kt\u0131 yaz\u0131lamad\u0131: %s\n" % (exc.strerror or exc))
        except Exception:
            pass
