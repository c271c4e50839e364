"""main() and its command line: parsed values, argument errors, --version, help texts."""
import inspect

import pytest

import trakvia

VERSION_LINE = f"{trakvia.R27_APP_NAME_TR} v{trakvia.R27_APP_VERSION}"
GLOBALS = {"version": False, "screenshot_dir": ""}


@pytest.fixture
def parsed(recorder, run_main):
    """Parses a command line through main() and returns the namespace handed to _run_cli."""

    def parse(*argv):
        calls = recorder("_run_cli", result=17)
        result, out, err = run_main(*argv)
        assert (result, out, err) == (17, "", "")
        [((args,), kwargs)] = calls
        assert kwargs == {}
        return vars(args)

    return parse


@pytest.mark.parametrize("argv, expected", [
    (["list", "X"], {"command": "list", "dir": "X", "date": "", "index": ""}),
    (["list", "X", "-d", "<1d", "-i", "1-4"], {"command": "list", "dir": "X", "date": "<1d", "index": "1-4"}),
    (["list", "X", "--date", "7d", "--index", "abc"], {"command": "list", "dir": "X", "date": "7d", "index": "abc"}),
    (["cleanup", "X"], {"command": "cleanup", "dir": "X", "type": "lrf", "date": "", "index": "", "dry_run": False}),
    (["cleanup", "X", "-t", "all", "--dry-run", "-d", " > 2w ", "-i", "2,5"],
     {"command": "cleanup", "dir": "X", "type": "all", "date": " > 2w ", "index": "2,5", "dry_run": True}),
    (["import", "A", "B"], {"command": "import", "src": "A", "dest": "B", "date": "", "index": ""}),
    (["import", "A", "B", "-d", "nonsense", "-i", "3"],
     {"command": "import", "src": "A", "dest": "B", "date": "nonsense", "index": "3"}),
    (["play", "X", "3"], {"command": "play", "dir": "X", "index_num": 3}),
    (["play", "X", "-3"], {"command": "play", "dir": "X", "index_num": -3}),
    (["convert", "X"], {"command": "convert", "input": "X", "output": "", "sample": "1hz"}),
    (["convert", "X", "-o", "O", "--sample", "dist2m"], {"command": "convert", "input": "X", "output": "O", "sample": "dist2m"}),
    (["--screenshot-dir", "D", "list", "X"],
     {"command": "list", "dir": "X", "date": "", "index": "", "screenshot_dir": "D"}),
])
def test_each_command_gets_its_own_attributes_and_defaults(parsed, argv, expected):
    assert parsed(*argv) == {**GLOBALS, **expected}


def test_index_num_is_an_int(parsed):
    assert type(parsed("play", "X", "0012")["index_num"]) is int


@pytest.mark.parametrize("argv, message", [
    (["list", "X", "--version"], "unrecognized arguments: --version"),
    (["list", "X", "--screenshot-dir", "D"], "unrecognized arguments: --screenshot-dir D"),
    (["play", "X", "abc"], "argument index_num: invalid int value: 'abc'"),
    (["import", "X"], "the following arguments are required: dest"),
    (["list"], "the following arguments are required: dir"),
    (["cleanup", "X", "-t", "gpx"], "argument --type/-t: invalid choice: 'gpx'"),
    (["convert", "X", "--sample", "2hz"], "argument --sample: invalid choice: '2hz'"),
    (["bogus"], "invalid choice: 'bogus'"),
])
def test_argument_errors_exit_with_2(recorder, run_main, argv, message):
    calls = recorder("_run_cli", result=0)
    code, out, err = run_main(*argv)
    assert code == 2 and out == "" and calls == []
    assert "usage: trakvia-app" in err and message in err


@pytest.mark.parametrize("argv", [["--version"], ["--version", "list", "X"], ["--version", "play", "X", "1"]])
def test_version_prints_the_description_and_runs_nothing(recorder, run_main, argv):
    calls = recorder("_run_cli", result=5)
    assert run_main(*argv) == (0, VERSION_LINE + "\n", "")
    assert calls == []


HELP_TEXTS = {
    (): ["Sürüm bilgisini göster ve çık",
         "Tüm sekmelerin ve temaların ekran görüntüsünü kaydet ve çık",
         "DJI SD kart / klasör içeriğini indeks ve tarihe göre listele",
         "DJI SD karttaki LRF/SRT/Video dosyalarını filtreleyerek temizle",
         "DJI SD karttan dosyaları içe aktar ve otomatik GPX üret",
         "Belirtilen indeksteki DJI videosunu oynat",
         "SRT/Video/Telemetri dosya veya klasörünü GPX/KML/GeoJSON/CSV/NMEA/MGJSON'a çevir",
         "usage: trakvia-app [-h] [--version] [--screenshot-dir SCREENSHOT_DIR]"],
    ("list",): ["DJI SD kart veya medya klasörü", "Tarih/yaş filtresi (<1d, >1w, YYYY-MM-DD)",
                "İndeks filtresi (örn: 1-4, 2,5)", "usage: trakvia-app list [-h] [--date DATE] [--index INDEX] dir",
                "--date DATE, -d DATE", "--index INDEX, -i INDEX"],
    ("cleanup",): ["DJI SD kart veya medya klasörü", "Silinecek dosya türü", "Tarih/yaş filtresi\n",
                   "İndeks filtresi\n", "Dosyaları silmeden simüle et",
                   "usage: trakvia-app cleanup [-h] [--type {lrf,srt,video,all}] [--date DATE] [--index INDEX] [--dry-run] dir"],
    ("import",): ["Kaynak DJI SD kart / klasör", "Hedef klasör", "Tarih/yaş filtresi\n", "İndeks filtresi\n",
                  "usage: trakvia-app import [-h] [--date DATE] [--index INDEX] src dest"],
    ("play",): ["DJI SD kart / klasör\n", "DJI dosya indeks numarası (örn: 1)",
                "usage: trakvia-app play [-h] dir index_num"],
    ("convert",): ["Girdi dosyası veya klasörü", "Çıktı klasörü", "Örnekleme modu",
                   "usage: trakvia-app convert [-h] [--output OUTPUT] [--sample {all,1hz,5s,dist2m}] input"],
}


@pytest.mark.parametrize("command", list(HELP_TEXTS), ids=lambda c: "-".join(c) or "global")
@pytest.mark.parametrize("flag", ["-h", "--help"])
def test_help_shows_the_turkish_texts(run_main, command, flag):
    code, out, err = run_main(*command, flag)
    assert code == 0 and err == ""
    for text in HELP_TEXTS[command]:
        assert text in out
    if not command:
        assert VERSION_LINE in out


@pytest.mark.parametrize("value", ["", "ALL", "tümü", "TÜMÜ", " * ", "2024-05-01", "2024-13-40",
                                   "<1d", "> 2w", " < 7 D ", ">0h", "<12Y", "<3m"])
def test_cleanup_date_accepts_every_meaningful_filter_as_typed(parsed, value):
    assert parsed("cleanup", "X", "-d", value)["date"] == value


@pytest.mark.parametrize("value", ["7d", "<7", "<1.5d", "<-1d", "=1d", "2024/05/03", "2024-5-3",
                                   "03.05.2024", "<7days", "hepsi"])
def test_cleanup_date_refuses_text_the_filter_would_ignore(recorder, run_main, value):
    calls = recorder("_run_cli", result=0)
    code, out, err = run_main("cleanup", "X", "--date", value)
    assert code == 2 and out == "" and calls == []
    assert (f"trakvia-app cleanup: error: argument --date/-d: geçersiz tarih/yaş filtresi: {value!r} "
            "(örnek: <1d, >2w, 2024-05-01, ALL)") in err


def test_function_objects_look_like_python_functions(app):
    assert app.main.__annotations__ == {"return": "int"}
    assert app._run_cli.__annotations__ == {"args": "argparse.Namespace", "return": "int"}
    assert (app.main.__name__, app._run_cli.__name__) == ("main", "_run_cli")
    assert app.main.__module__ == app._run_cli.__module__ == "trakvia_app"
    assert str(inspect.signature(app._run_cli)) == "(args: 'argparse.Namespace') -> 'int'"
    assert str(inspect.signature(app.main)) == "() -> 'int'"


@pytest.mark.parametrize("call", [
    lambda f: f(),
    lambda f: f(None, None),
    lambda f: f(argz=None),
])
def test_run_cli_rejects_wrong_calls(app, call):
    with pytest.raises(TypeError):
        call(app._run_cli)


def test_main_takes_no_arguments(app):
    with pytest.raises(TypeError):
        app.main([])


def test_exit_status_and_stderr_of_a_real_process(run_process):
    done = run_process("play", "X", "abc")
    assert done.returncode == 2 and done.stdout == ""
    assert "trakvia-app play: error: argument index_num: invalid int value: 'abc'" in done.stderr
    done = run_process("--version", "list", "X")
    assert (done.returncode, done.stdout, done.stderr) == (0, VERSION_LINE + "\n", "")
