"""Process exit codes: how each outcome of trakvia_app reaches the launcher's exit status."""
import pathlib
import subprocess

import pytest

ARGPARSE_APP = """
    import argparse
    def main():
        parser = argparse.ArgumentParser(prog="trakvia-app")
        parser.add_argument("--version", action="store_true")
        parser.parse_args()
"""


@pytest.mark.parametrize("source, args, code, logged", [
    pytest.param("def main():\n    return 5", [], 5, False, id="return-value"),
    pytest.param("def main():\n    return 'metin'", [], 0, False, id="return-value-not-int"),
    pytest.param("X = 1", [], 0, False, id="module-without-main"),
    pytest.param(ARGPARSE_APP, ["--help"], 0, False, id="help"),
    pytest.param(ARGPARSE_APP, ["--bilinmeyen"], 2, False, id="argument-error"),
    pytest.param("def main():\n    raise SystemExit", [], 0, False, id="exit-none"),
    pytest.param("def main():\n    raise SystemExit(3)", [], 3, False, id="exit-int"),
    pytest.param("def main():\n    raise SystemExit(False)", [], 0, False, id="exit-false"),
    pytest.param("def main():\n    raise SystemExit(True)", [], 1, False, id="exit-true"),
    pytest.param("def main():\n    raise SystemExit('metin')", [], 1, False, id="exit-text"),
    pytest.param("def main():\n    raise SystemExit(2**31)", [], 1, False, id="exit-beyond-32-bit"),
    pytest.param("def main():\n    raise ValueError('bozuk')", [], 1, True, id="exception-in-main"),
    pytest.param("def main():\n    raise KeyboardInterrupt", [], 1, True, id="keyboard-interrupt"),
    pytest.param("raise ImportError('trakvia eksik')", [], 1, True, id="exception-at-import"),
    pytest.param("import sys\ndef main():\n    del sys._r27_exit_code", [], 1, False,
                 id="exit-code-attribute-missing"),
    pytest.param("import sys\ndef main():\n    sys._r27_exit_code = 'x'", [], 1, False,
                 id="exit-code-attribute-not-int"),
])
def test_exit_code(fake_bundle, source, args, code, logged):
    fake_bundle.write_app(source)
    result = fake_bundle.run(*args)
    assert result.returncode == code, result.stderr
    assert fake_bundle.log.exists() == logged


def test_missing_trakvia_app_is_reported(fake_bundle):
    result = fake_bundle.run("list", ".")
    assert result.returncode == 1
    assert "ModuleNotFoundError: No module named 'trakvia_app'" in fake_bundle.log.read_text("utf-8")
    # No message box on POSIX: the traceback goes to the terminal instead.
    assert "ModuleNotFoundError" in result.stderr


def test_text_exit_code_is_printed(fake_bundle):
    fake_bundle.write_app("def main():\n    raise SystemExit('Klasör bulunamadı')")
    result = fake_bundle.run()
    assert (result.returncode, result.stderr) == (1, "Klasör bulunamadı\n")


def test_output_printed_before_exit_reaches_stdout(fake_bundle):
    fake_bundle.write_app("def main():\n    print('Çıktı: ğüşöçı')\n    raise SystemExit(4)")
    result = fake_bundle.run()
    assert (result.returncode, result.stdout) == (4, "Çıktı: ğüşöçı\n")


def test_interpreter_that_cannot_start(fake_bundle):
    fake_bundle.write_app("def main():\n    pass")
    env = dict(fake_bundle.env, PYTHONHOME=str(fake_bundle.folder / "yok"))
    result = fake_bundle.run(env=env)
    assert result.returncode == 1
    assert "Trakvia: Python 3.12 Runtime (python312.dll) baslatilamadi." in result.stderr


def test_program_without_standard_streams(fake_bundle):
    # As a Windows GUI program has no console, sys.stdout and sys.stderr start out as None.
    fake_bundle.write_app("""
        import sys, _trakvia_launcher
        def main():
            _trakvia_launcher.claim_desktop()
            sys.stdout.write("çıktı")
            sys.stderr.write("uyarı")
    """)
    result = subprocess.run(["sh", "-c", 'exec "$0" >&- 2>&-', str(fake_bundle.launcher)],
                            env=fake_bundle.env, timeout=60)
    assert result.returncode == 0
    assert not fake_bundle.log.exists()
    # The guard's lock file did not stand in for the missing stdout.
    runtime = pathlib.Path(fake_bundle.env["XDG_RUNTIME_DIR"])
    assert [p.read_bytes() for p in runtime.iterdir()] == [b""]
