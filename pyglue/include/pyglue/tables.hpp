// Constant C++ tables as the tuples of str a module exports for the window and the command line.
#pragma once

#include <nanobind/nanobind.h>

#include <span>

namespace pyglue {

namespace nb = nanobind;

// One row of a choice table: the key a function takes and the title the window shows for it.
struct Choice {
    const char* key;
    const char* title;
};

// The table as a tuple of (key, title) str pairs, in table order.
nb::tuple choice_tuple(std::span<const Choice> table);

// The texts as a tuple of str, in order.
nb::tuple text_tuple(std::span<const char* const> texts);

}  // namespace pyglue
