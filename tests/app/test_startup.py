"""Module start-up of trakvia_app: names bound in order, _EXE_DIR and sys.path, one initialisation."""
import ast
import importlib.util
import os

import pytest

import trakvia.converter
import trakvia.mediadesk

BOUND_NAMES = ["os", "sys", "argparse", "_EXE_DIR", "R27_APP_NAME_TR", "R27_APP_VERSION",
               "ConversionOptions", "convert_srt_file", "ALL_SUPPORTED_EXTENSIONS", "written_by_trakvia",
               "list_dji_files", "cleanup_dji_files", "import_dji_files", "play_dji_file_by_index",
               "resolve_dji_directory", "resolve_dji_directories", "_run_cli", "main"]


def test_names_are_bound_in_order_from_their_modules(app):
    assert [name for name in vars(app) if not name.startswith("__")] == BOUND_NAMES
    for name in BOUND_NAMES[6:10]:
        assert getattr(app, name) is getattr(trakvia.converter, name)
    for name in BOUND_NAMES[10:16]:
        assert getattr(app, name) is getattr(trakvia.mediadesk, name)
    assert app.main.__globals__ is vars(app)


# Prints what the import did to sys.path; -P keeps the interpreter from adding a path of its own.
PATH_PROBE = """
import os, sys, ast
sys.argv = ast.literal_eval(sys.argv[1])
before = list(sys.path)
import trakvia_app
added = sys.path[:len(sys.path) - len(before)]
assert sys.path[len(added):] == before
print(repr((trakvia_app._EXE_DIR, added)))
"""


@pytest.mark.parametrize("argv, exe_dir, added", [
    (["prog/Trakvia_Launcher"], "{cwd}/prog", ["{cwd}", "{cwd}/prog"]),
    (["{cwd}/Trakvia_Launcher", "list"], "{cwd}", ["{cwd}"]),
    (["{cwd}/a/../Trakvia_Launcher"], "{cwd}", ["{cwd}"]),
    ([], "{bundle}", ["{cwd}"]),  # the bundle is on PYTHONPATH already
])
def test_exe_dir_and_search_path(run_process, bundle_dir, tmp_path, argv, exe_dir, added):
    def fill(text):
        return os.path.normpath(text.format(cwd=tmp_path, bundle=bundle_dir))

    done = run_process(repr([fill(a) if "{" in a else a for a in argv]), code=PATH_PROBE, flags=["-P"])
    assert done.returncode == 0, done.stderr
    assert ast.literal_eval(done.stdout) == (fill(exe_dir), [fill(a) for a in added])


def test_second_initialisation_is_refused(run_process):
    done = run_process(code="import sys, trakvia_app\ndel sys.modules['trakvia_app']\nimport trakvia_app")
    assert done.returncode == 1
    assert done.stderr.rstrip().endswith(
        "RuntimeError: Module 'trakvia_app' has already been imported. Re-initialisation is not supported.")


@pytest.mark.skipif(importlib.util.find_spec("_testcapi") is None,
                    reason="no _testcapi (the embeddable CPython has none)")
def test_second_interpreter_is_refused(run_process, tmp_path):
    report = tmp_path / "sub.txt"
    inner = f"try:\n    import trakvia_app\nexcept ImportError as e:\n    open({str(report)!r}, 'w').write(str(e))\n"
    code = f"import trakvia_app, _testcapi\n_testcapi.run_in_subinterp({inner!r})"
    done = run_process(code=code)
    assert done.returncode == 0, done.stderr
    assert report.read_text() == (
        "Interpreter change detected - this module can only be loaded into one interpreter per process.")


def test_a_command_never_loads_the_desktop(run_process, tmp_path):
    code = ("import sys, trakvia_app\n"
            "loaded = lambda: sorted(m for m in sys.modules if m.split('.')[0] == 'PyQt5' or m == 'trakvia.ui')\n"
            "at_import = loaded()\n"
            "sys.argv = ['trakvia-app', 'list', sys.argv[1]]\n"
            "result = trakvia_app.main()\n"
            "print(result, at_import, loaded())")
    done = run_process(tmp_path, code=code)
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines()[-1] == "0 [] []"


def test_missing_package_constant_fails_the_import(run_process, bundle_dir, tmp_path):
    fake = tmp_path / "eksik" / "trakvia"
    fake.mkdir(parents=True)
    (fake / "__init__.py").write_text("R27_APP_NAME_TR = 'X'\n")
    code = f"import sys; sys.path.insert(0, {str(fake.parent)!r}); import trakvia_app"
    done = run_process(code=code)
    assert done.returncode == 1
    assert "ImportError: cannot import name 'R27_APP_VERSION' from 'trakvia'" in done.stderr
