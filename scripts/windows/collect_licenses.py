"""Gathers the licences of everything the Windows bundle ships into <bundle>/licenses/.

usage: collect_licenses.py BUNDLE PYTHON_LICENSE

- CPython (the embeddable distribution's LICENSE.txt);
- every package in Lib/site-packages: the licence files of its .dist-info; a package whose wheel
  carries none must be named in FALLBACK, so adding a package cannot ship it without its terms;
- what our own binaries link in: nanobind, and the mingw-w64 C runtime, winpthread, libgcc and
  libstdc++ (Debian's copyright files, which hold their licence texts).
"""
import pathlib
import shutil
import sys

import nanobind

LICENCE_NAMES = ("LICEN", "COPYING", "NOTICE", "AUTHORS")
# Wheels without a licence file: the licence their METADATA names, as Debian ships its text.
FALLBACK = {"PyQt5": "/usr/share/common-licenses/GPL-3"}
# Wheels whose licence files do not cover all they carry: av's av.libs holds an FFmpeg built with
# x264 and x265, which puts those libraries under the GPL.
EXTRA = {"av": ["/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/LGPL-2.1"]}
LINKED_IN = {
    "nanobind": pathlib.Path(nanobind.__file__).parent.parent / "nanobind-{}.dist-info".format(
        nanobind.__version__) / "licenses" / "LICENSE",
    "mingw-w64-runtime": pathlib.Path("/usr/share/doc/mingw-w64-common/copyright"),
    "gcc-runtime": pathlib.Path("/usr/share/doc/gcc-mingw-w64-base/copyright"),
}


def dist_name(dist_info: pathlib.Path) -> str:
    for line in (dist_info / "METADATA").read_text(encoding="utf-8").splitlines():
        if line.startswith("Name:"):
            return line.split(":", 1)[1].strip()
    return dist_info.name.split("-")[0]


def main() -> int:
    bundle, python_licence = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    out = bundle / "licenses"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir()
    shutil.copyfile(python_licence, out / "CPython.txt")
    for name, source in LINKED_IN.items():
        shutil.copyfile(source, out / f"{name}.txt")

    missing = []
    for dist_info in sorted((bundle / "Lib" / "site-packages").glob("*.dist-info")):
        name = dist_name(dist_info)
        files = [p for p in dist_info.rglob("*") if p.is_file() and p.name.upper().startswith(LICENCE_NAMES)]
        if not files and name in FALLBACK:
            files = [pathlib.Path(FALLBACK[name])]
        files += [pathlib.Path(extra) for extra in EXTRA.get(name, [])]
        if not files:
            missing.append(name)
            continue
        target = out / name
        target.mkdir()
        for path in files:
            shutil.copyfile(path, target / path.name)
    if missing:
        print(f"collect_licenses: no licence file for {', '.join(missing)}; add it to FALLBACK", file=sys.stderr)
        return 1
    print(f"   licences: {', '.join(sorted(p.name for p in out.iterdir()))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
