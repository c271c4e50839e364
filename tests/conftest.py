"""Shared pytest set-up: the built bundle goes first on sys.path so every test imports what ships."""
import importlib
import os
import pathlib
import sys

import pytest

REPO_ROOT = pathlib.Path(__file__).resolve().parent.parent
BUNDLE_DIR = pathlib.Path(os.environ.get("TRAKVIA_BUNDLE", REPO_ROOT / "build" / "bundle")).resolve()
SHARED_DATA = (REPO_ROOT.parent / "shared" / "data").resolve()

if not BUNDLE_DIR.is_dir():
    raise pytest.UsageError(f"bundle not built: {BUNDLE_DIR} (run scripts/build.sh)")
sys.path.insert(0, str(BUNDLE_DIR))


def pytest_collection_modifyitems(items):
    """The Windows bundle's run of these suites (under wine) skips the tests marked linux_only."""
    if sys.platform == "linux":
        return
    for item in items:
        marker = item.get_closest_marker("linux_only")
        if marker is not None:
            item.add_marker(pytest.mark.skip(reason=f"Linux only: {marker.args[0]}"))


@pytest.fixture(scope="session")
def bundle_dir() -> pathlib.Path:
    return BUNDLE_DIR


@pytest.fixture(scope="session")
def shared_data() -> pathlib.Path:
    """Real sample files beside the repository. Tests using them skip when the folder is absent,
    except in CI (CI=true), where a skip would hide that they never ran."""
    if not SHARED_DATA.is_dir():
        if os.environ.get("CI") == "true":
            pytest.fail(f"{SHARED_DATA} is not present (CI=true: the sample tests must run)", pytrace=False)
        pytest.skip("../shared/data is not present")
    return SHARED_DATA


def import_probe(name: str):
    """A test-only extension module built beside the bundle, in build/<name>/; skips when absent."""
    probe_dir = BUNDLE_DIR.parent / name
    if not probe_dir.is_dir():
        pytest.skip(f"{name} not built in {probe_dir}")
    sys.path.insert(0, str(probe_dir))
    try:
        return importlib.import_module(name)
    finally:
        sys.path.remove(str(probe_dir))
