// Inline part of function.hpp: the exception seam.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>

namespace pyglue {

namespace detail {
// Sets the Python error for the exception currently being handled.
void set_error_from_current_exception() noexcept;
}

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
