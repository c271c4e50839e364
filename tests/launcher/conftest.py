"""Runs the real Trakvia_Launcher as a subprocess, in copies of the bundle whose trakvia_app
can be a small Python module that each test writes."""
import os
import pathlib
import shutil
import subprocess
import textwrap

import pytest

LAUNCHER_NAME = "Trakvia_Launcher"


class Bundle:
    """A copy of the bundle folder in a temporary directory."""

    def __init__(self, folder: pathlib.Path, env: dict):
        self.folder = folder
        self.env = env

    @property
    def launcher(self) -> pathlib.Path:
        return self.folder / LAUNCHER_NAME

    def write_app(self, source: str) -> None:
        """Makes `source` the trakvia_app the launcher imports."""
        (self.folder / "trakvia_app.py").write_text(textwrap.dedent(source), encoding="utf-8")

    def run(self, *args, program=None, cwd=None, env=None, timeout=60):
        """Runs the launcher with `args`; `program` is argv[0] as written on the command line."""
        program = str(program or self.launcher)
        executable = program if os.path.isabs(program) else str(self.launcher)
        return subprocess.run([program, *map(os.fsdecode, args)], cwd=cwd or self.folder.parent,
                              env=env or self.env, capture_output=True, text=True,
                              timeout=timeout, executable=executable)

    def start(self, *args, env=None):
        return subprocess.Popen([str(self.launcher), *map(str, args)], cwd=self.folder.parent,
                                env=env or self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)

    @property
    def log(self) -> pathlib.Path:
        return pathlib.Path(self.env["LOCALAPPDATA"]) / "Durnavo" / "startup_error.log"


@pytest.fixture
def launcher_env(tmp_path):
    """Environment of one test: its own runtime folder (so the guard never meets another
    test's copy or a user's), its own LOCALAPPDATA, no PYTHON* variables from the caller."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("PYTHON")}
    runtime = tmp_path / "runtime"
    runtime.mkdir(mode=0o700)
    env["XDG_RUNTIME_DIR"] = str(runtime)
    env["LOCALAPPDATA"] = str(tmp_path / "appdata")
    env["QT_QPA_PLATFORM"] = "offscreen"
    return env


def _copy_bundle(bundle_dir, dest, keep_app):
    if not (bundle_dir / LAUNCHER_NAME).is_file():
        pytest.fail(f"{LAUNCHER_NAME} is missing from {bundle_dir}")
    ignore = ["__pycache__"] if keep_app else ["__pycache__", "trakvia_app.*"]
    shutil.copytree(bundle_dir, dest, ignore=shutil.ignore_patterns(*ignore))


@pytest.fixture
def fake_bundle(tmp_path, bundle_dir, launcher_env):
    """Bundle copy without the trakvia_app extension: the test supplies trakvia_app.py."""
    folder = tmp_path / "bundle"
    _copy_bundle(bundle_dir, folder, keep_app=False)
    return Bundle(folder, launcher_env)


@pytest.fixture
def real_bundle(tmp_path, bundle_dir, launcher_env):
    """Bundle copy with the real trakvia_app."""
    if not list(bundle_dir.glob("trakvia_app.*")):
        pytest.skip("trakvia_app is not built")
    folder = tmp_path / "bundle"
    _copy_bundle(bundle_dir, folder, keep_app=True)
    return Bundle(folder, launcher_env)
