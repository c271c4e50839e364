"""Single-instance guard: a second desktop ends with 0 without opening, while commands run beside
an open desktop; the bypass texts let a desktop run beside the first."""
import contextlib
import os
import shutil
import signal
import time

import pytest


# The guard's name made into a file name.
LOCK_NAME = "Local_R27_SINGLE_INSTANCE_trakvia-app.lock"
BYPASS_TEXTS = ["--r27-elevated-task", "--r27-root-helper", "--service", "--install-service",
                "--uninstall-service", "--status", "--headless", "--self-test", "--screenshot"]

# Records every run in runs.txt; with --hold it waits until the test creates "release". A start
# without "list" stands for the desktop, which claims the guard before it opens.
HOLDING_APP = """
    import os, sys, time
    import _trakvia_launcher
    def main():
        if "list" not in sys.argv and not _trakvia_launcher.claim_desktop():
            return
        with open("runs.txt", "a", encoding="utf-8") as f:
            f.write(" ".join(sys.argv[1:]) + "\\n")
        if "--hold" in sys.argv:
            open("holding", "w").close()
            deadline = time.monotonic() + 60
            while not os.path.exists("release") and time.monotonic() < deadline:
                time.sleep(0.02)
"""


def runs(bundle):
    path = bundle.folder / "runs.txt"
    return path.read_text("utf-8").splitlines() if path.exists() else []


@contextlib.contextmanager
def first_copy(bundle, *args, env=None):
    """A copy of the launcher that is running, inside trakvia_app.main(), until the block ends."""
    bundle.write_app(HOLDING_APP)
    process = bundle.start("--hold", *args, env=env)
    try:
        deadline = time.monotonic() + 30
        while not (bundle.folder / "holding").exists():
            assert process.poll() is None, process.communicate()
            assert time.monotonic() < deadline, "first copy did not start"
            time.sleep(0.02)
        yield process
    finally:
        (bundle.folder / "release").touch()
        process.communicate(timeout=30)
    assert process.returncode == 0


def test_second_desktop_ends_with_0_and_commands_still_run(fake_bundle):
    with first_copy(fake_bundle):
        second = fake_bundle.run()
        assert second.returncode == 0
        assert "zaten çalışıyor" in second.stderr
        assert runs(fake_bundle) == ["--hold"]
        # A command is a process of its own: it runs beside the open desktop.
        assert fake_bundle.run("list", "kart").returncode == 0
        assert runs(fake_bundle) == ["--hold", "list kart"]
    # Once the first copy has ended, the next desktop opens.
    assert fake_bundle.run().returncode == 0
    assert runs(fake_bundle) == ["--hold", "list kart", ""]


@pytest.mark.parametrize("text", BYPASS_TEXTS)
def test_bypass_text_runs_beside_first_copy(fake_bundle, text):
    with first_copy(fake_bundle):
        # Found anywhere in the command line, also inside a longer argument.
        result = fake_bundle.run(f"x{text}-y")
        assert result.returncode == 0, result.stderr
    assert runs(fake_bundle) == ["--hold", f"x{text}-y"]


def test_bypass_search_is_case_sensitive(fake_bundle):
    with first_copy(fake_bundle):
        assert fake_bundle.run("--HEADLESS").returncode == 0
    assert runs(fake_bundle) == ["--hold"]


def test_bypass_text_in_program_path(fake_bundle, tmp_path):
    with first_copy(fake_bundle):
        other = tmp_path / "kopya--self-test"
        shutil.copytree(fake_bundle.folder, other, ignore=shutil.ignore_patterns("runs.txt"))
        program = other / "Trakvia_Launcher"
        result = fake_bundle.run(program=program, cwd=other)
        assert result.returncode == 0, result.stderr
        assert (other / "runs.txt").read_text("utf-8") == "\n"


def test_bypassing_copy_does_not_block_normal_copy(fake_bundle):
    with first_copy(fake_bundle, "--headless"):
        assert fake_bundle.run().returncode == 0
    assert runs(fake_bundle) == ["--hold --headless", ""]


def test_guard_not_inherited_by_child_processes(fake_bundle):
    # A child started by the application must not keep the guard once the launcher has ended,
    # even one that inherits every inheritable descriptor.
    fake_bundle.write_app("""
        import subprocess, sys
        import _trakvia_launcher
        def main():
            _trakvia_launcher.claim_desktop()
            child = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"],
                                     close_fds=False, start_new_session=True,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            open("child.pid", "w").write(str(child.pid))
    """)
    assert fake_bundle.run().returncode == 0
    child = int((fake_bundle.folder / "child.pid").read_text())
    try:
        with first_copy(fake_bundle):
            pass
    finally:
        os.kill(child, signal.SIGKILL)
    assert runs(fake_bundle) == ["--hold"]


def test_lock_in_private_temp_folder_without_runtime_folder(fake_bundle, tmp_path):
    env = {k: v for k, v in fake_bundle.env.items() if k != "XDG_RUNTIME_DIR"}
    env["TMPDIR"] = str(tmp_path)
    lock = tmp_path / f"trakvia-{os.getuid()}" / LOCK_NAME
    with first_copy(fake_bundle, env=env):
        assert lock.is_file()
        assert lock.parent.stat().st_mode & 0o777 == 0o700
        assert fake_bundle.run(env=env).returncode == 0
    assert runs(fake_bundle) == ["--hold"]


def test_shared_temp_folder_is_not_trusted(fake_bundle, tmp_path):
    # A folder others may write to could be used to block us: run without the guard instead.
    env = {k: v for k, v in fake_bundle.env.items() if k != "XDG_RUNTIME_DIR"}
    env["TMPDIR"] = str(tmp_path)
    shared = tmp_path / f"trakvia-{os.getuid()}"
    shared.mkdir()
    shared.chmod(0o777)
    with first_copy(fake_bundle, env=env):
        assert fake_bundle.run(env=env).returncode == 0
    assert runs(fake_bundle) == ["--hold", ""]
    assert not (shared / LOCK_NAME).exists()
