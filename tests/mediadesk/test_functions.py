"""trakvia.mediadesk as a module: names bound at start-up, function objects, DjiFileSet,
rebinding of module names, and the one-initialisation guard."""
import dataclasses
import datetime as real_datetime
import inspect
import os
import re
import shutil
import subprocess
import sys
import textwrap

import pytest

import trakvia.converter
import trakvia.mediadesk as md

MODULE_NAMES = [
    "os", "re", "shutil", "subprocess", "sys",
    "dataclass", "field", "datetime", "timedelta", "List", "Set", "Optional", "Tuple",
    "create_sample_srt_files",
    "_VIDEO_EXTS_SET", "_RE_DJI_INDEX", "_RE_AGE_FILTER", "_RE_DATE_EXACT",
    "DjiFileSet",
    "resolve_dji_directory", "parse_index_filter", "matches_date_or_age_filter", "list_dji_files",
    "cleanup_dji_files", "import_dji_files", "play_dji_file_by_index", "create_sample_dji_sdcard_structure",
    "resolve_dji_directories", "import_dji_file_sets",
]
# The rules the command line and the window share, bound after the fixed interface (the three
# private ones give the window's HUD files the import's part files).
SHARED_NAMES = ["check_date_filter", "collect_conversion_inputs", "cleanup_summary_line",
                "_create_part_file", "_remove_stale_part_files", "_put_in_place", "CLEANUP_TYPES", "ALL_FILTER_WORDS"]


def test_names_are_bound_in_order():
    bound = [n for n in vars(md) if not (n.startswith("__") and n.endswith("__"))]
    assert bound == MODULE_NAMES + SHARED_NAMES
    # Nothing, not even a dunder name, comes in between the listed ones.
    assert list(vars(md))[-len(bound):] == bound
    assert md.os is os and md.re is re and md.sys is sys and md.subprocess is subprocess
    assert md.dataclass is dataclasses.dataclass and md.field is dataclasses.field
    assert md.datetime is real_datetime.datetime and md.timedelta is real_datetime.timedelta
    assert md.create_sample_srt_files is trakvia.converter.create_sample_srt_files
    assert md.__package__ == "trakvia"


VIDEO_EXTENSIONS = ["mp4", "mov", "osv", "insv", "360", "mkv", "avi", "webm", "mts", "m2ts", "ts", "flv", "wmv",
                    "m4v", "3gp", "mpg", "mpeg"]


def test_constants_drive_the_scan_and_the_filters(tmp_path):
    assert type(md._VIDEO_EXTS_SET) is set
    for number, ext in enumerate(VIDEO_EXTENSIONS + ["mp3"], start=1):
        (tmp_path / f"DJI_{number:04d}.{ext.upper()}").write_bytes(b"v")
    sets = md.list_dji_files(str(tmp_path))
    videos = [os.path.splitext(path)[1][1:].lower() for s in sets for path in s.video_files]
    assert sorted(videos) == sorted(VIDEO_EXTENSIONS)
    assert all(len(s.video_files) == 1 for s in sets)
    # Age units in any case and with spaces; exact dates as YYYY-MM-DD.
    now = real_datetime.datetime.now()
    assert md.matches_date_or_age_filter(now, "< 1 D") is True
    assert md.matches_date_or_age_filter(now, now.strftime("%Y-%m-%d")) is True


@pytest.mark.parametrize(
    "name,signature,annotations",
    [
        ("resolve_dji_directory", "(path: 'str') -> 'str'", {"path": "str", "return": "str"}),
        ("parse_index_filter", "(index_expr: 'str') -> 'Optional[Set[int]]'",
         {"index_expr": "str", "return": "Optional[Set[int]]"}),
        ("matches_date_or_age_filter", "(file_dt: 'datetime', filter_expr: 'str') -> 'bool'",
         {"file_dt": "datetime", "filter_expr": "str", "return": "bool"}),
        ("list_dji_files",
         "(dir_path: 'str', date_filter: 'str' = '', index_filter: 'str' = '') -> 'List[DjiFileSet]'",
         {"dir_path": "str", "date_filter": "str", "index_filter": "str", "return": "List[DjiFileSet]"}),
    ],
)
def test_function_signatures(name, signature, annotations):
    fn = getattr(md, name)
    assert str(inspect.signature(fn)) == signature
    assert list(fn.__annotations__.items()) == list(annotations.items())
    assert (fn.__name__, fn.__qualname__, fn.__module__) == (name, name, "trakvia.mediadesk")
    assert fn.__globals__ is vars(md)
    assert repr(fn).startswith(f"<function {name} at 0x")


def test_public_functions_are_function_objects():
    for name in MODULE_NAMES[-8:] + SHARED_NAMES[:2]:
        fn = getattr(md, name)
        assert callable(fn) and fn.__module__ == "trakvia.mediadesk" and fn.__name__ == name
        inspect.signature(fn)
    assert md.list_dji_files.__defaults__ == ("", "")
    assert md.list_dji_files.__kwdefaults__ is None
    assert md.parse_index_filter.__defaults__ is None
    assert "DCIM/DJI_001" in md.resolve_dji_directory.__doc__ and "DCIM/100MEDIA" in md.resolve_dji_directory.__doc__


def _list_dji_files(dir_path: 'str', date_filter: 'str' = '', index_filter: 'str' = '') -> 'List[DjiFileSet]':
    return []


@pytest.mark.parametrize(
    "args,kwargs",
    [((), {}), (("a", "b", "c", "d"), {}), (("a",), {"dir_path": "b"}), (("a",), {"index": "1"}),
     ((), {"date_filter": "x"}), (("a", "b"), {"date_filter": "x"})],
)
def test_wrong_calls_raise_the_interpreters_messages(args, kwargs):
    with pytest.raises(TypeError) as ours:
        md.list_dji_files(*args, **kwargs)
    with pytest.raises(TypeError) as theirs:
        _list_dji_files(*args, **kwargs)
    assert str(ours.value) == str(theirs.value).replace("_list_dji_files", "list_dji_files")


def test_keyword_and_positional_binding(tmp_path):
    (tmp_path / "DJI_0003.MP4").write_bytes(b"x")
    by_position = md.list_dji_files(str(tmp_path), "", "3")
    by_keyword = md.list_dji_files(index_filter="3", dir_path=str(tmp_path))
    assert [s.index for s in by_position] == [s.index for s in by_keyword] == [3]
    assert md.list_dji_files(str(tmp_path), "", "4") == []


FIELDS = [("index", "int"), ("index_str", "str"), ("base_dir", "str"), ("video_files", "List[str]"),
          ("srt_files", "List[str]"), ("lrf_files", "List[str]"), ("gpx_files", "List[str]"),
          ("mtime", "datetime"), ("total_size_bytes", "int"), ("lrf_size_bytes", "int")]


def test_dji_file_set_is_a_plain_dataclass():
    cls = md.DjiFileSet
    assert dataclasses.is_dataclass(cls)
    assert (cls.__module__, cls.__qualname__, cls.__name__) == ("trakvia.mediadesk", "DjiFileSet", "DjiFileSet")
    assert list(cls.__annotations__.items()) == FIELDS
    assert [f.name for f in dataclasses.fields(cls)] == [name for name, _ in FIELDS]
    before = real_datetime.datetime.now()
    a, b = cls(7, "0007", "/kart"), cls(index=7, index_str="0007", base_dir="/kart")
    assert before <= a.mtime <= real_datetime.datetime.now()
    assert a.video_files == [] and a.video_files is not b.video_files
    assert (a.total_size_bytes, a.lrf_size_bytes) == (0, 0)
    b.mtime = a.mtime
    assert a == b
    b.srt_files.append("x.SRT")
    assert a != b
    assert repr(a) == (
        f"DjiFileSet(index=7, index_str='0007', base_dir='/kart', video_files=[], srt_files=[], "
        f"lrf_files=[], gpx_files=[], mtime={a.mtime!r}, total_size_bytes=0, lrf_size_bytes=0)")
    with pytest.raises(TypeError, match="unhashable"):
        hash(a)
    with pytest.raises(TypeError):
        a < b
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'base_dir'"):
        cls(1, "0001")


def test_rebinding_module_names_changes_later_calls(tmp_path, monkeypatch):
    card = tmp_path / "card"
    elsewhere = tmp_path / "elsewhere"
    for folder, name in ((card, "DJI_0001.MP4"), (elsewhere, "DJI_0042.MP4")):
        folder.mkdir()
        (folder / name).write_bytes(b"v")
    monkeypatch.setattr(md, "resolve_dji_directory", lambda path: str(elsewhere))
    assert [s.index for s in md.list_dji_files(str(card))] == [42]
    monkeypatch.setattr(md, "parse_index_filter", lambda expr: {99})
    assert md.list_dji_files(str(card)) == []
    monkeypatch.undo()
    assert [s.index for s in md.list_dji_files(str(card))] == [1]
    monkeypatch.setattr(md, "_VIDEO_EXTS_SET", {"mp4", "xyz"})
    (card / "clip.xyz").write_bytes(b"v")
    assert [s.index for s in md.list_dji_files(str(card))] == [1, 1001]
    monkeypatch.setattr(md, "len", lambda items: f"len{len(items)}", raising=False)
    assert md.cleanup_dji_files(str(card), "video", dry_run=True)[0] == "len2"
    assert md.import_dji_files(str(card), str(tmp_path / "dest"))[0] == "len2"
    monkeypatch.delattr(md, "os")
    with pytest.raises(NameError, match="^name 'os' is not defined$"):
        md.list_dji_files(str(card))


def _run(code, bundle_dir):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          cwd=bundle_dir, env={**os.environ, "PYTHONPATH": str(bundle_dir)}, timeout=60)


def test_second_initialisation_is_refused(bundle_dir):
    result = _run("""
        import sys
        import trakvia.mediadesk
        del sys.modules['trakvia.mediadesk']
        try:
            import trakvia.mediadesk
        except RuntimeError as exc:
            print(repr(exc))
        """, bundle_dir)
    assert result.stdout.strip() == (
        "RuntimeError(\"Module 'mediadesk' has already been imported. Re-initialisation is not supported.\")")


def test_second_interpreter_is_refused(bundle_dir):
    result = _run(f"""
        import trakvia.mediadesk
        import _xxsubinterpreters as interpreters
        sub = interpreters.create(isolated=False)
        try:
            interpreters.run_string(sub, "import sys; sys.path.insert(0, {str(bundle_dir)!r}); import trakvia.mediadesk")
        except interpreters.RunFailedError as exc:
            print(exc)
        """, bundle_dir)
    assert result.stdout.strip() == (
        "<class 'ImportError'>: Interpreter change detected - this module can only be loaded into one "
        "interpreter per process.")


@pytest.mark.parametrize(
    "converter_source,expected",
    [
        ("raise OSError('motor yüklenemedi')", "OSError: motor yüklenemedi"),
        ("X = 1", "ImportError: cannot import name 'create_sample_srt_files' from 'trakvia.converter' ({file})"),
    ],
)
def test_failed_start_up_import_fails_the_module(tmp_path, bundle_dir, converter_source, expected):
    package = tmp_path / "trakvia"
    package.mkdir()
    shutil.copy(bundle_dir / "trakvia" / "__init__.py", package)
    [library] = (bundle_dir / "trakvia").glob("mediadesk.*")
    shutil.copy(library, package)
    (package / "converter.py").write_text(converter_source, encoding="utf-8")
    result = _run("""
        try:
            import trakvia.mediadesk
        except Exception as exc:
            print(f"{type(exc).__name__}: {exc}")
        """, tmp_path)
    assert result.stdout.strip() == expected.format(file=package / "converter.py"), result.stderr
