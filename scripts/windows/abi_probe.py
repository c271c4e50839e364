"""Compares the struct layouts of the headers the Windows modules are built with against the
python312.dll that runs them. Run by the embeddable python.exe (under wine) with the folder of
abi_probe.pyd as its argument; exits 1 and lists every difference when they disagree."""
import ctypes
import sys

sys.path.insert(0, sys.argv[1])
import abi_probe  # noqa: E402  (the freshly built probe, found through argv[1])

# The DLL's own view: sizes and offsets it uses for its types, from the interpreter.
dll = {
    "object.__basicsize__": object.__basicsize__,
    "tuple.__basicsize__": tuple.__basicsize__,
    "tuple.__itemsize__": tuple.__itemsize__,
    "type.__basicsize__": type.__basicsize__,
    "type.__weakrefoffset__": type.__weakrefoffset__,
    "type.__dictoffset__": type.__dictoffset__,
    "int.__basicsize__": int.__basicsize__,
    "int.__itemsize__": int.__itemsize__,
    "float.__basicsize__": float.__basicsize__,
    "list.__basicsize__": list.__basicsize__,
    "dict.__basicsize__": dict.__basicsize__,
    "set.__basicsize__": set.__basicsize__,
    "str.__basicsize__": str.__basicsize__,
    "bytes.__basicsize__": bytes.__basicsize__,
    "BaseException.__basicsize__": BaseException.__basicsize__,
    "OSError.__basicsize__": OSError.__basicsize__,
    "builtin_function.__basicsize__": type(len).__basicsize__,
    "sizeof(long)": ctypes.sizeof(ctypes.c_long),
    "sizeof(wchar_t)": ctypes.sizeof(ctypes.c_wchar),
}
measured = abi_probe.dll_layout()
dll["PyConfig"] = measured.pop("PyConfig")
dll["PyPreConfig"] = measured.pop("PyPreConfig")
headers = abi_probe.header_layout()

# Fields the DLL's initialisers set, read at the headers' offsets: a shifted field reads wrong.
expected_fields = {
    "PyConfig._config_init@python": 2,
    "PyConfig.parse_argv@python": 1,
    "PyConfig.configure_c_stdio@python": 1,
    "PyConfig.site_import@python": 1,
    "PyConfig.buffered_stdio@python": 1,
    "PyConfig.code_debug_ranges@python": 1,
    "PyConfig._config_init@isolated": 3,
    "PyConfig.isolated@isolated": 1,
    "PyConfig.use_environment@isolated": 0,
    "PyConfig.safe_path@isolated": 1,
    "PyConfig.legacy_windows_stdio@isolated": 0,
    "PyPreConfig.utf8_mode@python": -1,
    "PyPreConfig.legacy_windows_fs_encoding@python": 0,
}

wrong = []
for name in sorted(set(dll) | set(headers)):
    if dll.get(name) != headers.get(name):
        wrong.append(f"{name}: headers {headers.get(name)}, DLL {dll.get(name)}")
for name, value in expected_fields.items():
    if measured.get(name) != value:
        wrong.append(f"{name}: DLL wrote {value}, headers read {measured.get(name)}")

if wrong:
    print(f"ABI probe: the headers do not match python312.dll {sys.version.split()[0]}:")
    print("\n".join("  " + line for line in wrong))
    sys.exit(1)
print(f"ABI probe: {len(headers)} sizes and {len(expected_fields)} fields agree with "
      f"python312.dll {sys.version.split()[0]} (PyConfig {dll['PyConfig']} B, "
      f"PyPreConfig {dll['PyPreConfig']} B)")
