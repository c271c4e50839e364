// The exception seam: C++ exceptions become the matching Python errors (table in exceptions.cpp).
#pragma once

#include <Python.h>

namespace pyglue {

namespace detail {
// Sets the Python error for the exception currently being handled.
void set_error_from_current_exception() noexcept;
}  // namespace detail

// Runs `fn`, converting a C++ exception into the matching Python error. Returns true on
// success; false with a Python exception set. For use in exec slots and C callbacks.
template <class F>
bool translate_exceptions(F&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (...) {
        detail::set_error_from_current_exception();
        return false;
    }
}

}  // namespace pyglue
