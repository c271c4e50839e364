"""End to end: the launcher running the real trakvia_app the way a user starts it."""
import fcntl
import os

import pytest

from .test_single_instance import LOCK_NAME


def make_card(root):
    media = root / "DCIM" / "DJI_001"
    media.mkdir(parents=True)
    for name in ("DJI_0001.MP4", "DJI_0001.SRT", "DJI_0001.LRF", "DJI_0002.MP4"):
        (media / name).write_bytes(b"\0" * 2048)
    return media


def test_version(real_bundle):
    import trakvia

    result = real_bundle.run("--version")
    assert (result.returncode, result.stdout) == (0, f"{trakvia.R27_APP_NAME_TR} v{trakvia.R27_APP_VERSION}\n")


def test_relative_paths_lead_from_the_start_folder(real_bundle, tmp_path):
    # The program's own folder stays the working directory, but nothing lands there.
    import trakvia.mediadesk

    start = tmp_path / "başlangıç"
    start.mkdir()
    card = trakvia.mediadesk.create_sample_dji_sdcard_structure(str(start))
    name = os.path.basename(card)
    program_files = sorted(os.listdir(real_bundle.folder))

    listed = real_bundle.run("list", name, cwd=start)
    assert listed.returncode == 0, listed.stderr
    assert trakvia.mediadesk.resolve_dji_directory(card) in listed.stdout.splitlines()[0]
    assert "[#0001]" in listed.stdout
    converted = real_bundle.run("convert", name, cwd=start)  # into the default folder
    assert converted.returncode == 0, converted.stderr
    assert any((start / "Cikti_GPX").iterdir())
    imported = real_bundle.run("import", name, "aktarılan", cwd=start)
    assert imported.returncode == 0, imported.stderr
    assert any(p.suffix == ".SRT" for p in (start / "aktarılan").rglob("*"))
    assert sorted(os.listdir(real_bundle.folder)) == program_files


@pytest.mark.parametrize("args, code", [
    (["play", "kart", "99"], 1),  # the runner's result is the exit code
    (["--status"], 2),            # passes the guard, then the parser rejects it
    (["list"], 2),
])
def test_command_outcomes(real_bundle, tmp_path, args, code):
    make_card(tmp_path / "kart")
    result = real_bundle.run(*args)
    assert result.returncode == code, result.stderr
    assert not real_bundle.log.exists()


def test_missing_package_module_is_logged(real_bundle):
    for name in os.listdir(real_bundle.folder / "trakvia"):
        if name.startswith("mediadesk."):
            os.remove(real_bundle.folder / "trakvia" / name)
    result = real_bundle.run("list", "kart")
    assert result.returncode == 1
    assert "trakvia.mediadesk" in real_bundle.log.read_text("utf-8")


def test_missing_qt_fails_the_desktop_only(real_bundle):
    # A PyQt5 that cannot be imported: the desktop start is logged and exits 1, a command runs.
    (real_bundle.folder / "PyQt5.py").write_text("raise ImportError('PyQt5 kurulu değil')\n")
    make_card(real_bundle.folder / "kart")
    assert real_bundle.run().returncode == 1
    assert real_bundle.log.read_text("utf-8").endswith("ImportError: PyQt5 kurulu değil\n")
    real_bundle.log.unlink()
    result = real_bundle.run("list", "kart")
    assert result.returncode == 0, result.stderr
    assert not real_bundle.log.exists()


def test_commands_run_while_a_desktop_holds_the_guard(real_bundle, tmp_path):
    make_card(tmp_path / "kart")
    lock_path = os.path.join(real_bundle.env["XDG_RUNTIME_DIR"], LOCK_NAME)
    lock = os.open(lock_path, os.O_RDWR | os.O_CREAT, 0o600)
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)  # as an open desktop holds it
        listed = real_bundle.run("list", "kart")
        assert listed.returncode == 0, listed.stderr
        assert [line[:7] for line in listed.stdout.splitlines()[1:]] == ["[#0001]", "[#0002]"]
        assert real_bundle.run("--version").stdout.strip()
        desktop = real_bundle.run()
        assert (desktop.returncode, desktop.stdout) == (0, "")
        assert "zaten çalışıyor" in desktop.stderr
    finally:
        os.close(lock)


@pytest.mark.parametrize("display", [None, ":93"], ids=["no-display", "display-not-answering"])
def test_desktop_without_a_display_says_so(real_bundle, display):
    env = {k: v for k, v in real_bundle.env.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    if display:
        env["DISPLAY"] = display
    result = real_bundle.run(env=env)
    assert result.returncode == 1, result.stderr
    assert "Masaüstü penceresi açılamadı" in result.stderr
