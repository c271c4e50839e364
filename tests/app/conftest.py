"""Helpers for the trakvia_app tests: running main() in-process or as a process, and SD-card trees."""
import os
import subprocess
import sys

import pytest

ENTRY = "import sys, trakvia_app; sys.exit(trakvia_app.main())"


@pytest.fixture(scope="session")
def app():
    import trakvia_app

    return trakvia_app


@pytest.fixture
def run_main(app, monkeypatch, capsys):
    """Runs trakvia_app.main() with the given command line; returns (result or exit code, out, err)."""
    # Wide help output, so argparse does not wrap the help texts the tests look for.
    monkeypatch.setenv("COLUMNS", "250")

    def run(*argv):
        monkeypatch.setattr(sys, "argv", ["trakvia-app", *map(str, argv)])
        try:
            result = app.main()
        except SystemExit as exc:
            result = exc.code
        out, err = capsys.readouterr()
        return result, out, err

    return run


@pytest.fixture(autouse=True)
def typed_folders(tmp_path, monkeypatch):
    """The folder names the tests type for stand-in commands exist in the working folder:
    the commands refuse an input path that does not exist."""
    for name in ("kart", "rel/kart", "K", "S"):
        (tmp_path / name).mkdir(parents=True)
    monkeypatch.chdir(tmp_path)


@pytest.fixture
def recorder(app, monkeypatch):
    """Rebinds a module name of trakvia_app to a stand-in that records its calls."""

    def install(name, result=None, side_effect=None):
        calls = []

        def fake(*args, **kwargs):
            calls.append((args, kwargs))
            if side_effect is not None:
                return side_effect(*args, **kwargs)
            return result

        monkeypatch.setattr(app, name, fake, raising=False)
        return calls

    return install


@pytest.fixture
def run_process(bundle_dir, tmp_path):
    """Runs a Python snippet (the entry by default) in a fresh interpreter with the bundle on PYTHONPATH."""

    def run(*argv, code=ENTRY, cwd=None, flags=()):
        env = dict(os.environ, PYTHONPATH=str(bundle_dir), COLUMNS="250", PYTHONIOENCODING="utf-8")
        return subprocess.run(
            [sys.executable, *flags, "-c", code, *map(str, argv)],
            cwd=str(cwd or tmp_path), env=env, capture_output=True, text=True,
            encoding="utf-8", timeout=60,
        )

    return run


def set_mtime(path, when):
    stamp = when.timestamp()
    os.utime(path, (stamp, stamp))


@pytest.fixture
def make_card(tmp_path):
    """Builds a card root whose media folder DCIM/DJI_001 holds the given files.

    `files` maps a file name to (size in bytes, modification time as a naive local datetime).
    Returns the card root.
    """

    def make(files, root_name="SD"):
        root = tmp_path / root_name
        media = root / "DCIM" / "DJI_001"
        media.mkdir(parents=True)
        for name, (size, when) in files.items():
            path = media / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(b"\0" * size)
            set_mtime(path, when)
        return root

    return make

