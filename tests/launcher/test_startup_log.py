"""The start-up error log: where it goes, what it holds, and that it keeps only the last failure."""
import pathlib

FAILING_APP = """
    import os
    def main():
        raise RuntimeError(os.environ["HATA"])
"""


def test_log_holds_whole_traceback_of_last_failure(fake_bundle):
    fake_bundle.write_app(FAILING_APP)
    long_message = "ayrıntı " * 400  # far beyond the 1800 characters a message box shows
    first = fake_bundle.run(env=dict(fake_bundle.env, HATA="ilk hata: " + long_message))
    assert first.returncode == 1
    log = fake_bundle.log.read_text("utf-8")
    assert log.startswith("Traceback (most recent call last):")
    assert log.endswith("RuntimeError: ilk hata: " + long_message + "\n")

    second = fake_bundle.run(env=dict(fake_bundle.env, HATA="ikinci hata"))
    assert second.returncode == 1
    log = fake_bundle.log.read_text("utf-8")
    assert "ikinci hata" in log and "ilk hata" not in log


def test_log_goes_to_program_folder_without_localappdata(fake_bundle):
    fake_bundle.write_app(FAILING_APP)
    env = {k: v for k, v in fake_bundle.env.items() if k != "LOCALAPPDATA"}
    result = fake_bundle.run(env=dict(env, HATA="yerel klasör yok"))
    assert result.returncode == 1
    log = fake_bundle.folder / "Durnavo" / "startup_error.log"
    assert "RuntimeError: yerel klasör yok" in log.read_text("utf-8")


def test_unwritable_log_still_reports_and_exits_1(fake_bundle, tmp_path):
    fake_bundle.write_app(FAILING_APP)
    blocker = tmp_path / "dosya"
    blocker.write_text("klasör değil")  # LOCALAPPDATA names a file: the folder cannot be made
    result = fake_bundle.run(env=dict(fake_bundle.env, LOCALAPPDATA=str(blocker), HATA="günlük yok"))
    assert result.returncode == 1
    assert "RuntimeError: günlük yok" in result.stderr
    assert not pathlib.Path(blocker, "Durnavo").exists()
