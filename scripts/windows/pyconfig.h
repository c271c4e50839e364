/* pyconfig.h for building against the python.org embeddable CPython 3.12 (Windows x86-64) with
 * mingw-w64. The embeddable distribution ships no headers: the build copies the CPython 3.12
 * headers of the Linux interpreter and puts this file in place of their pyconfig.h. Only what the
 * public and cpython/ headers read is here; the values are those of the MSVC build of python312.dll.
 * scripts/windows/abi_probe.c checks the resulting struct layouts against the real DLL under wine,
 * so a wrong value here fails the build instead of corrupting memory at run time. */
#ifndef Py_CONFIG_H
#define Py_CONFIG_H

#if !defined(_WIN64) || !defined(__x86_64__)
#error "this pyconfig.h describes the x86-64 Windows build of python312.dll only"
#endif

/* Platform: what PC/pyconfig.h of the DLL's own build sets. */
#define MS_WIN32
#define MS_WIN64
#define MS_WINDOWS
#define NT_THREADS
#define WITH_THREAD
#define PLATFORM "win32"

/* python312.dll is a shared library: functions and data are imported with __declspec(dllimport),
 * module init functions exported with __declspec(dllexport). */
#define Py_ENABLE_SHARED 1
#define HAVE_DECLSPEC_DLL

/* Release build: no Py_DEBUG, no Py_TRACE_REFS, 30-bit long digits (the default). */

/* Type sizes of the LLP64 model: long stays 4 bytes and wchar_t is UTF-16. */
#define SIZEOF__BOOL 1
#define SIZEOF_SHORT 2
#define SIZEOF_INT 4
#define SIZEOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF_VOID_P 8
#define SIZEOF_SIZE_T 8
#define SIZEOF_UINTPTR_T 8
#define SIZEOF_TIME_T 8
#define SIZEOF_OFF_T 4
#define SIZEOF_FPOS_T 8
#define SIZEOF_PID_T SIZEOF_INT
#define SIZEOF_WCHAR_T 2
#define SIZEOF_FLOAT 4
#define SIZEOF_DOUBLE 8
#define SIZEOF_HKEY 8
#define ALIGNOF_SIZE_T 8
#define ALIGNOF_MAX_ALIGN_T 8
#define HAVE_LONG_LONG 1
#define HAVE_USABLE_WCHAR_T
#define DOUBLE_IS_LITTLE_ENDIAN_IEEE754 1

/* Py_ssize_t is a 64-bit signed integer, as in the DLL (not mingw's ssize_t, which is the same
 * size but would change the PY_SSIZE_T_MAX spelling only). */
typedef long long Py_ssize_t;
#define PY_SSIZE_T_MAX 9223372036854775807LL
#define HAVE_PY_SSIZE_T 1

/* C library headers mingw-w64 provides and the Python headers include when told so. */
#define HAVE_STDDEF_H 1
#define HAVE_WCHAR_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_ERRNO_H 1
#define HAVE_FCNTL_H 1
#define HAVE_PROCESS_H 1
#define HAVE_SIGNAL_H 1
#define HAVE_DIRECT_H 1

/* Large files: 64-bit offsets through the CRT's *i64 functions. */
#define HAVE_LARGEFILE_SUPPORT

#endif /* !Py_CONFIG_H */
