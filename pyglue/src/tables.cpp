// Choice tables and text lists as Python tuples.
#include "pyglue/tables.hpp"

namespace pyglue {

nb::tuple choice_tuple(std::span<const Choice> table) {
    nb::list pairs;
    for (const Choice& row : table) {
        pairs.append(nb::make_tuple(nb::str(row.key), nb::str(row.title)));
    }
    return nb::tuple(pairs);
}

nb::tuple text_tuple(std::span<const char* const> texts) {
    nb::list items;
    for (const char* text : texts) {
        items.append(nb::str(text));
    }
    return nb::tuple(items);
}

}  // namespace pyglue
