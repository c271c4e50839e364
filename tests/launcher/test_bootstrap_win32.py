"""The bootstrap script's Windows branches, which the POSIX launcher never takes: the start-up
error is shown with user32's MessageBoxW; a missing stdout is the console's CONOUT$. The script
runs here in a plain interpreter that calls itself win32 and records the calls of a stand-in
ctypes."""
import json
import os
import pathlib
import subprocess
import sys

import pytest

BOOTSTRAP = pathlib.Path(__file__).resolve().parents[2] / "launcher" / "bootstrap.py"

RUN_AS_WIN32 = r"""
import json, sys, types
boxes = []
class User32:
    def MessageBoxW(self, *args):
        boxes.append(args)
        if sys.argv[1] == "box-fails":
            raise OSError("no desktop")
ctypes = types.ModuleType("ctypes")
ctypes.windll = types.SimpleNamespace(user32=User32())
sys.modules["ctypes"] = ctypes
sys.platform = "win32"
if sys.argv[1] == "no-stdout":  # a GUI program started without redirection
    sys.stdout = None
exec(compile(open(sys.argv[2], encoding="ascii").read(), "<bootstrap>", "exec"), {"__name__": "__main__"})
json.dump({"boxes": boxes, "code": sys._r27_exit_code}, sys.__stdout__)
"""


def run_bootstrap(program_dir, app_source, mode="", env=None):
    (program_dir / "trakvia_app.py").write_text(app_source, encoding="utf-8")
    proc = subprocess.run([sys.executable, "-I", "-c", RUN_AS_WIN32, mode, str(BOOTSTRAP)],
                          cwd=program_dir, env=env, capture_output=True, text=True, timeout=60)
    assert proc.returncode == 0, proc.stderr
    return json.loads(proc.stdout)


@pytest.fixture
def program_dir(tmp_path):
    folder = tmp_path / "program"
    folder.mkdir()
    return folder


@pytest.mark.parametrize("mode, log_writable", [
    ("", True),
    ("", False),           # the box is shown although the log could not be written
    ("box-fails", True),   # and the log is written although the box failed
])
def test_failure_is_shown_in_a_message_box(program_dir, tmp_path, mode, log_writable):
    appdata = tmp_path / "appdata"
    if not log_writable:
        appdata.write_text("klasör değil")
    env = dict(os.environ, LOCALAPPDATA=str(appdata))
    got = run_bootstrap(program_dir, "def main():\n    raise RuntimeError('ayrıntı ' * 400)\n",
                        mode, env)
    assert got["code"] == 1
    [(owner, text, caption, style)] = got["boxes"]
    assert (owner, caption, style) == (0, "Trakvia - Baslatma Hatasi", 0x10)
    assert text.startswith("Traceback (most recent call last):") and len(text) == 1800
    log = appdata / "Durnavo" / "startup_error.log"
    if log_writable:
        whole = log.read_text("utf-8")
        assert whole[:1800] == text and whole.endswith("ayrıntı \n")
    else:
        assert not log.exists()


@pytest.mark.parametrize("source, code", [
    ("def main():\n    raise SystemExit(2)\n", 2),
    ("def main():\n    return 1\n", 1),
])
def test_no_message_box_without_a_failure(program_dir, source, code):
    got = run_bootstrap(program_dir, source)
    assert (got["code"], got["boxes"]) == (code, [])


@pytest.mark.parametrize("console", [True, False])
def test_missing_stdout_writes_to_the_console(program_dir, console):
    # Here "CONOUT$" is an ordinary file name; as a folder it cannot be opened, as when the
    # program has no console: the output then goes nowhere, without a failure.
    conout = program_dir / "CONOUT$"
    if not console:
        conout.mkdir()
    got = run_bootstrap(program_dir, "def main():\n    print('Masası çıktı')\n", "no-stdout")
    assert got["code"] == 0
    if console:
        assert conout.read_bytes() == "Masası çıktı\n".encode("utf-8")
