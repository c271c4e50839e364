/* abi_probe: an extension module built exactly as the bundle's modules are (mingw-w64, the copied
 * CPython headers, scripts/windows/pyconfig.h, the import library made from python312.dll). It
 * reports the struct layouts those headers give, and measures the configuration structs the DLL
 * itself fills in. abi_probe.py, run by the embeddable interpreter under wine, compares them with
 * what the DLL reports through the interpreter (type sizes, slot offsets). Never shipped. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <structmember.h>

#include <stddef.h>
#include <string.h>

/* What pyconfig.h claims must agree with the compiler; the DLL side is checked by the script. */
_Static_assert(SIZEOF_LONG == sizeof(long), "SIZEOF_LONG");
_Static_assert(SIZEOF_WCHAR_T == sizeof(wchar_t), "SIZEOF_WCHAR_T");
_Static_assert(SIZEOF_VOID_P == sizeof(void*), "SIZEOF_VOID_P");
_Static_assert(SIZEOF_SIZE_T == sizeof(size_t), "SIZEOF_SIZE_T");
_Static_assert(SIZEOF_TIME_T == sizeof(time_t), "SIZEOF_TIME_T");
_Static_assert(sizeof(Py_ssize_t) == sizeof(size_t), "Py_ssize_t");

static int add(PyObject* dict, const char* name, Py_ssize_t value) {
    PyObject* number = PyLong_FromSsize_t(value);
    if (number == NULL) return -1;
    const int status = PyDict_SetItemString(dict, name, number);
    Py_DECREF(number);
    return status;
}

/* Sizes and offsets as these headers lay the structs out. */
static PyObject* header_layout(PyObject* self, PyObject* unused) {
    (void)self;
    (void)unused;
    PyObject* d = PyDict_New();
    if (d == NULL) return NULL;
    if (add(d, "object.__basicsize__", sizeof(PyObject)) < 0
        || add(d, "tuple.__basicsize__", offsetof(PyTupleObject, ob_item)) < 0
        || add(d, "tuple.__itemsize__", sizeof(PyObject*)) < 0
        || add(d, "type.__basicsize__", sizeof(PyHeapTypeObject)) < 0
        || add(d, "type.__weakrefoffset__", offsetof(PyTypeObject, tp_weaklist)) < 0
        || add(d, "type.__dictoffset__", offsetof(PyTypeObject, tp_dict)) < 0
        || add(d, "int.__basicsize__", offsetof(PyLongObject, long_value.ob_digit)) < 0
        || add(d, "int.__itemsize__", sizeof(digit)) < 0
        || add(d, "float.__basicsize__", sizeof(PyFloatObject)) < 0
        || add(d, "list.__basicsize__", sizeof(PyListObject)) < 0
        || add(d, "dict.__basicsize__", sizeof(PyDictObject)) < 0
        || add(d, "set.__basicsize__", sizeof(PySetObject)) < 0
        || add(d, "str.__basicsize__", sizeof(PyUnicodeObject)) < 0
        || add(d, "bytes.__basicsize__", offsetof(PyBytesObject, ob_sval) + 1) < 0
        || add(d, "BaseException.__basicsize__", sizeof(PyBaseExceptionObject)) < 0
        || add(d, "OSError.__basicsize__", sizeof(PyOSErrorObject)) < 0
        || add(d, "builtin_function.__basicsize__", sizeof(PyCFunctionObject)) < 0
        || add(d, "sizeof(long)", sizeof(long)) < 0
        || add(d, "sizeof(wchar_t)", sizeof(wchar_t)) < 0
        || add(d, "PyConfig", sizeof(PyConfig)) < 0
        || add(d, "PyPreConfig", sizeof(PyPreConfig)) < 0) {
        Py_DECREF(d);
        return NULL;
    }
    return d;
}

/* The DLL's initialisers clear the whole struct before setting fields, so the last byte of a
 * canary-filled buffer they change ends the struct as the DLL knows it. */
enum { kCanary = 0xAB, kBufferSize = 4096 };

static Py_ssize_t changed_extent(const unsigned char* buffer) {
    Py_ssize_t end = kBufferSize;
    while (end > 0 && buffer[end - 1] == kCanary) --end;
    return end;
}

/* Reads an int field at the offset these headers give; the DLL wrote the buffer. */
#define FIELD(buffer, type, field) (*(const int*)((buffer) + offsetof(type, field)))

static _Alignas(16) unsigned char config_buffer[kBufferSize];

/* What the DLL wrote: the sizes it cleared and fields it set, read through these headers. */
static PyObject* dll_layout(PyObject* self, PyObject* unused) {
    (void)self;
    (void)unused;
    PyObject* d = PyDict_New();
    if (d == NULL) return NULL;
    int failed = 0;

    memset(config_buffer, kCanary, sizeof config_buffer);
    PyConfig_InitPythonConfig((PyConfig*)config_buffer);
    failed |= add(d, "PyConfig", changed_extent(config_buffer)) < 0;
    failed |= add(d, "PyConfig._config_init@python", FIELD(config_buffer, PyConfig, _config_init)) < 0;
    failed |= add(d, "PyConfig.parse_argv@python", FIELD(config_buffer, PyConfig, parse_argv)) < 0;
    failed |= add(d, "PyConfig.configure_c_stdio@python", FIELD(config_buffer, PyConfig, configure_c_stdio)) < 0;
    failed |= add(d, "PyConfig.site_import@python", FIELD(config_buffer, PyConfig, site_import)) < 0;
    failed |= add(d, "PyConfig.buffered_stdio@python", FIELD(config_buffer, PyConfig, buffered_stdio)) < 0;
    failed |= add(d, "PyConfig.code_debug_ranges@python", FIELD(config_buffer, PyConfig, code_debug_ranges)) < 0;
    PyConfig_Clear((PyConfig*)config_buffer);

    memset(config_buffer, kCanary, sizeof config_buffer);
    PyConfig_InitIsolatedConfig((PyConfig*)config_buffer);
    failed |= add(d, "PyConfig._config_init@isolated", FIELD(config_buffer, PyConfig, _config_init)) < 0;
    failed |= add(d, "PyConfig.isolated@isolated", FIELD(config_buffer, PyConfig, isolated)) < 0;
    failed |= add(d, "PyConfig.use_environment@isolated", FIELD(config_buffer, PyConfig, use_environment)) < 0;
    failed |= add(d, "PyConfig.safe_path@isolated", FIELD(config_buffer, PyConfig, safe_path)) < 0;
#ifdef MS_WINDOWS  /* without it the headers lack the field, and the sizes tell */
    failed |= add(d, "PyConfig.legacy_windows_stdio@isolated", FIELD(config_buffer, PyConfig, legacy_windows_stdio)) < 0;
#endif
    PyConfig_Clear((PyConfig*)config_buffer);

    memset(config_buffer, kCanary, sizeof config_buffer);
    PyPreConfig_InitPythonConfig((PyPreConfig*)config_buffer);
    failed |= add(d, "PyPreConfig", changed_extent(config_buffer)) < 0;
    failed |= add(d, "PyPreConfig.utf8_mode@python", FIELD(config_buffer, PyPreConfig, utf8_mode)) < 0;
#ifdef MS_WINDOWS
    failed |= add(d, "PyPreConfig.legacy_windows_fs_encoding@python",
                  FIELD(config_buffer, PyPreConfig, legacy_windows_fs_encoding)) < 0;
#endif

    if (failed) {
        Py_DECREF(d);
        return NULL;
    }
    return d;
}

static PyMethodDef probe_methods[] = {
    {"header_layout", header_layout, METH_NOARGS, "Struct sizes and offsets of the headers."},
    {"dll_layout", dll_layout, METH_NOARGS, "Configuration structs as python312.dll fills them."},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef probe_module = {
    PyModuleDef_HEAD_INIT, "abi_probe", NULL, -1, probe_methods, NULL, NULL, NULL, NULL,
};

PyMODINIT_FUNC PyInit_abi_probe(void) { return PyModule_Create(&probe_module); }
