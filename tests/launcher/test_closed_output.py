"""Output that cannot be written: a reader that stopped early (`list | head -1`) is no failure
and leaves no trace; a full disk is a failure, said on stderr."""
import os
import signal
import subprocess

import pytest

from .test_real_bundle import make_card

SIGPIPE_STATUS = 128 + getattr(signal, "SIGPIPE", 0)
LONG_OUTPUT_APP = """
    def main():
        for i in range(100000):
            print("satır", i)
"""
SHORT_OUTPUT_APP = """
    def main():
        print("tek satır")
"""


def run_into(bundle, stdout, *args, env):
    return subprocess.run([str(bundle.launcher), *map(str, args)], stdout=stdout, stderr=subprocess.PIPE,
                          cwd=bundle.folder.parent, env=env, text=True, timeout=60)


def run_into_closed_pipe(bundle, *args, env):
    """The launcher writing into a pipe whose reader is gone before the first line."""
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        return run_into(bundle, write_end, *args, env=env)
    finally:
        os.close(write_end)


def without_localappdata(bundle):
    # The worst place for a start-up log: the program folder.
    return {k: v for k, v in bundle.env.items() if k != "LOCALAPPDATA"}


def assert_no_startup_log(bundle):
    assert not (bundle.folder / "Durnavo").exists()


@pytest.mark.linux_only("SIGPIPE")
def test_list_into_a_closed_pipe_exits_quietly(real_bundle, tmp_path):
    make_card(tmp_path / "kart")
    result = run_into_closed_pipe(real_bundle, "list", tmp_path / "kart", env=without_localappdata(real_bundle))
    assert (result.returncode, result.stderr) == (SIGPIPE_STATUS, "")
    assert_no_startup_log(real_bundle)


@pytest.mark.linux_only("SIGPIPE")
@pytest.mark.parametrize("app", [LONG_OUTPUT_APP, SHORT_OUTPUT_APP], ids=["while-writing", "at-the-last-flush"])
def test_a_closed_pipe_is_met_quietly_wherever_it_is_met(fake_bundle, app):
    fake_bundle.write_app(app)
    result = run_into_closed_pipe(fake_bundle, env=without_localappdata(fake_bundle))
    assert (result.returncode, result.stderr) == (SIGPIPE_STATUS, "")
    assert_no_startup_log(fake_bundle)


@pytest.mark.linux_only("/dev/full")
def test_output_lost_to_a_full_disk_is_a_failure(fake_bundle):
    fake_bundle.write_app(SHORT_OUTPUT_APP)
    with open("/dev/full", "w") as full:
        result = run_into(fake_bundle, full, env=fake_bundle.env)
    assert result.returncode == 1
    assert result.stderr.startswith("Çıktı yazılamadı: ") and "Traceback" not in result.stderr
