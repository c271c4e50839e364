"""What the application finds when the launcher hands over: arguments, working directory,
search paths and environment."""
import json
import os

import pytest

REPORT_APP = """
    import json, os, sys
    def main():
        json.dump({
            "argv": sys.argv,
            "cwd": os.getcwd(),
            "start": getattr(sys, "_r27_start_dir", None),
            "sys_path": sys.path[:2],
            "env": {k: os.environ.get(k) for k in ("PYTHONPATH", "PATH", "QT_QPA_PLATFORM_PLUGIN_PATH",
                                                   "TRAKVIA_START_DIR")},
            "resolved": os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else None,
            "stdlib": os.__file__,
        }, sys.stdout)
"""


def report(bundle, *args, **kwargs):
    bundle.write_app(REPORT_APP)
    result = bundle.run(*args, **kwargs)
    assert result.returncode == 0, result.stderr
    return json.loads(result.stdout)


@pytest.mark.parametrize("locale", ["C", "tr_TR.UTF-8"])
def test_arguments_reach_sys_argv_unchanged(fake_bundle, locale):
    # Interpreter options, spaces, Turkish letters and undecodable bytes all belong to the
    # application, whatever the locale.
    args = ["kart/DCIM", "-X", "dev", "-c", "print(1)", "--version", "Çekim Günü ış", "", b"\xff"]
    env = dict(fake_bundle.env, LC_ALL=locale)
    got = report(fake_bundle, *args, program="bundle/Trakvia_Launcher", env=env)
    assert got["argv"] == ["bundle/Trakvia_Launcher", *map(os.fsdecode, args)]


def test_program_folder_is_working_directory_and_pythonpath(fake_bundle, tmp_path):
    elsewhere = tmp_path / "başka yer"
    elsewhere.mkdir()
    folder = str(fake_bundle.folder)
    got = report(fake_bundle, "kart", cwd=elsewhere)
    assert got["cwd"] == folder
    assert got["resolved"] == os.path.join(folder, "kart")  # the process's own relative paths
    # The folder the paths on the command line lead from; child processes do not inherit it.
    assert got["start"] == str(elsewhere)
    assert got["env"]["TRAKVIA_START_DIR"] is None
    assert got["env"]["PYTHONPATH"] == folder
    assert got["sys_path"][0] == folder
    assert got["env"]["PATH"] == folder + os.pathsep + fake_bundle.env["PATH"]
    assert got["env"]["QT_QPA_PLATFORM_PLUGIN_PATH"] is None
    # The real standard library, not a stand-in.
    assert os.path.isfile(got["stdlib"]) and not got["stdlib"].startswith(folder)


@pytest.mark.parametrize("site_packages, qt_bin, qt_plugins, plugins_beside", [
    (True, True, True, True),
    (True, True, True, False),
    (True, False, False, False),
    (False, False, False, True),
])
def test_lib_and_qt_folders_of_the_bundle(fake_bundle, site_packages, qt_bin, qt_plugins,
                                         plugins_beside):
    folder = str(fake_bundle.folder)
    sp = os.path.join(folder, "Lib", "site-packages")
    qt = os.path.join(sp, "PyQt5", "Qt5")
    for wanted, path in [(site_packages, sp), (qt_bin, os.path.join(qt, "bin")),
                         (qt_plugins, os.path.join(qt, "plugins")),
                         (plugins_beside, os.path.join(folder, "plugins"))]:
        if wanted:
            os.makedirs(path)
    got = report(fake_bundle)
    assert got["sys_path"] == ([sp, folder] if site_packages else [folder, got["sys_path"][1]])
    expected_path = folder + os.pathsep
    if qt_bin:
        expected_path += os.path.join(qt, "bin") + os.pathsep
    assert got["env"]["PATH"] == expected_path + fake_bundle.env["PATH"]
    if plugins_beside:
        expected_plugins = os.path.join(folder, "plugins")
    else:
        expected_plugins = os.path.join(qt, "plugins") if qt_plugins else None
    assert got["env"]["QT_QPA_PLATFORM_PLUGIN_PATH"] == expected_plugins


def test_path_unset(fake_bundle):
    env = {k: v for k, v in fake_bundle.env.items() if k != "PATH"}
    got = report(fake_bundle, env=env)
    assert got["env"]["PATH"] == str(fake_bundle.folder) + os.pathsep
