"""Windows resources of the launcher, compiled here with mingw-w64's windres and read back from
the .res file: the two icon groups, the version block and the manifest."""
import pathlib
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import pytest

LAUNCHER_SRC = pathlib.Path(__file__).resolve().parents[2] / "launcher"
WINDRES = shutil.which("x86_64-w64-mingw32-windres")
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANG_EN_US = 1033
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]


def _align4(n):
    return (n + 3) & ~3


def _utf16z(data, pos):
    """A zero-terminated UTF-16 text at `pos`; returns it and the position after the zero."""
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def _name_or_id(data, pos):
    if data[pos:pos + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    return _utf16z(data, pos)


def read_res(path):
    """{(type, name, language): data} of a 32-bit .res file."""
    data = path.read_bytes()
    out, pos = {}, 0
    while pos < len(data):
        size, header_size = struct.unpack_from("<II", data, pos)
        rtype, p = _name_or_id(data, pos + 8)
        name, p = _name_or_id(data, p)
        language = struct.unpack_from("<IHH", data, _align4(p))[2]
        if size:
            out[(rtype, name, language)] = data[pos + header_size:pos + header_size + size]
        pos = _align4(pos + header_size + size)
    return out


def version_tree(data, pos=0):
    """One node of a version block: (key, value, {child key: child node})."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, pos)
    key, p = _utf16z(data, pos + 6)
    p = _align4(p)
    value_bytes = value_length * 2 if is_text else value_length
    value = data[p:p + value_bytes]
    if is_text:
        value = value.decode("utf-16-le").rstrip("\0")
    children, p = {}, _align4(p + value_bytes)
    while p < pos + length:
        child = version_tree(data, p)
        children[child[0]] = child
        p = _align4(p + struct.unpack_from("<H", data, p)[0])
    return key, value, children


@pytest.fixture(scope="module")
def resources(tmp_path_factory):
    if WINDRES is None:
        pytest.skip("x86_64-w64-mingw32-windres is not installed")
    out = tmp_path_factory.mktemp("res")
    subprocess.run([sys.executable, str(LAUNCHER_SRC / "make_icon.py"), str(out / "trakvia.ico")],
                   check=True)
    subprocess.run([WINDRES, "-I", str(LAUNCHER_SRC), "-I", str(out), "-O", "res",
                    str(LAUNCHER_SRC / "launcher.rc"), "-o", str(out / "launcher.res")], check=True)
    return read_res(out / "launcher.res")


@pytest.mark.parametrize("group_name", ["IDI_ICON1", 1])
def test_icon_group(resources, group_name):
    group = resources[(RT_GROUP_ICON, group_name, LANG_EN_US)]
    reserved, kind, count = struct.unpack_from("<HHH", group)
    assert (reserved, kind, count) == (0, 1, len(ICON_SIZES))
    for i, size in enumerate(ICON_SIZES):
        width, height, _, _, planes, bits, length, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        assert (width or 256, height or 256, bits) == (size, size, 32)
        image = resources[(RT_ICON, icon_id, LANG_EN_US)]
        assert len(image) == length
        if size == 256:
            assert image[:8] == b"\x89PNG\r\n\x1a\n"
            assert struct.unpack_from(">IIBB", image, 16) == (256, 256, 8, 6)  # 8-bit RGBA
        else:
            header = struct.unpack_from("<IiiHHI", image)
            assert header == (40, size, 2 * size, 1, 32, 0)  # uncompressed 32-bit bitmap
            alpha = image[40 + 3:40 + 4 * size * size:4]
            assert 0 < alpha.count(255) < size * size  # an opaque tile with clear corners


def test_version_block(resources):
    key, fixed, children = version_tree(resources[(RT_VERSION, 1, LANG_EN_US)])
    assert key == "VS_VERSION_INFO"
    fields = struct.unpack("<13I", fixed)
    assert fields[0] == 0xFEEF04BD
    # file and product version 2.5.0.0, mask 0x3F, flags 0, Windows NT 32-bit API, application
    assert fields[2:11] == (0x00020005, 0, 0x00020005, 0, 0x3F, 0, 0x40004, 1, 0)
    table = children["StringFileInfo"][2]["041f04b0"][2]
    strings = {k: v for k, (_, v, _) in table.items()}
    assert {k: strings[k] for k in ("FileVersion", "ProductVersion", "ProductName", "InternalName",
                                    "OriginalFilename")} == {
        "FileVersion": "2.5.0", "ProductVersion": "2.5.0", "ProductName": "Trakvia",
        "InternalName": "trakvia-app", "OriginalFilename": "Trakvia_Launcher.exe"}
    assert strings["FileDescription"].startswith("Trakvia")
    assert strings["CompanyName"] and strings["LegalCopyright"]
    translation = children["VarFileInfo"][2]["Translation"][1]
    assert translation == struct.pack("<HH", 0x041F, 1200)


def test_manifest(resources):
    manifest = ET.fromstring(resources[(RT_MANIFEST, 1, LANG_EN_US)])
    level = manifest.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
    assert level.get("level") == "asInvoker"
