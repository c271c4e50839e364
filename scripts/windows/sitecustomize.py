"""Test copy of the Windows bundle under wine only, never shipped. Makes the embeddable
interpreter behave as the tests expect of an ordinary one.

- wine 8.0 lacks kernel32!CopyFile2, which CPython 3.12's shutil.copy2 calls whenever _winapi
  offers it; without the attribute shutil copies the file itself, as on older Windows.
- The distribution's ._pth file makes the interpreter ignore PYTHONPATH, with which the tests
  start child interpreters on a package of their own; its folders go first, as they would.
"""
import os
import sys

import _winapi

if hasattr(_winapi, "CopyFile2"):
    del _winapi.CopyFile2

for folder in reversed(os.environ.get("PYTHONPATH", "").split(os.pathsep)):
    if folder:
        sys.path.insert(0, folder)
