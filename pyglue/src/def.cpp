// The run-time side of pyglue::def: a parameter table's rows become Params with real defaults.
#include "pyglue/def.hpp"

#include <stdexcept>
#include <string>

namespace pyglue::detail {

namespace {

nb::object default_object(const DefaultValue& d, const nb::handle*& next_supplied, const nb::handle* end) {
    switch (d.kind) {
        case DefaultValue::Kind::required: return nb::object();
        case DefaultValue::Kind::none: return nb::none();
        case DefaultValue::Kind::text: return nb::str(d.text);
        case DefaultValue::Kind::boolean: return nb::bool_(d.number != 0);
        case DefaultValue::Kind::integer: return nb::int_(d.number);
        case DefaultValue::Kind::supplied:
            if (next_supplied == end) {
                throw std::invalid_argument("fewer supplied defaults than the parameter table names");
            }
            return nb::borrow(*next_supplied++);
    }
    return nb::object();
}

}  // namespace

std::vector<Param> make_params(std::span<const ParamDef> table, std::initializer_list<nb::handle> supplied) {
    std::vector<Param> params;
    params.reserve(table.size());
    const nb::handle* next_supplied = supplied.begin();
    for (const ParamDef& row : table) {
        params.push_back(Param{row.name, row.annotation,
                               default_object(row.default_value, next_supplied, supplied.end()), row.kind});
    }
    if (next_supplied != supplied.end()) {
        throw std::invalid_argument("more supplied defaults than the parameter table names");
    }
    return params;
}

}  // namespace pyglue::detail
