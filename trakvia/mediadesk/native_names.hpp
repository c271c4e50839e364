// The interpreter's path texts as NativeName and back, converted as os.scandir converts them:
// the file-system encoding with surrogateescape on POSIX, UTF-16 on Windows.
#pragma once

#include "folder_listing.hpp"
#include "namespace.hpp"

namespace trakvia::mediadesk {

#ifdef _WIN32

inline NativeName native_path(nb::handle text) {
    Py_ssize_t size = 0;
    wchar_t* wide = PyUnicode_AsWideCharString(text.ptr(), &size);
    if (!wide) {
        throw nb::python_error();
    }
    NativeName path(wide, size_t(size));
    PyMem_Free(wide);
    return path;
}

inline nb::object text_of(const NativeName& name) {
    return checked(PyUnicode_FromWideChar(name.data(), Py_ssize_t(name.size())));
}

// Whether os.path.join(folder, name) is the folder's prefix followed by the name: ntpath reads
// separators and drive colons in the second part, which plain names do not have.
inline bool joins_plainly(const NativeName& name) { return name.find_first_of(L"\\/:") == NativeName::npos; }

#else

inline NativeName native_path(nb::handle text) {
    nb::object bytes = checked(PyUnicode_EncodeFSDefault(text.ptr()));
    return NativeName(PyBytes_AS_STRING(bytes.ptr()), size_t(PyBytes_GET_SIZE(bytes.ptr())));
}

inline nb::object text_of(const NativeName& name) {
    return checked(PyUnicode_DecodeFSDefaultAndSize(name.data(), Py_ssize_t(name.size())));
}

// A POSIX name holds no "/", the only character posixpath.join reads.
inline bool joins_plainly(const NativeName&) { return true; }

#endif

}  // namespace trakvia::mediadesk
