// The run-time side of pyglue::def: a Definition becomes a FunctionSpec with real defaults.
#include "pyglue/def.hpp"

#include <stdexcept>
#include <string>

namespace pyglue {

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

FunctionSpec spec_of(const Definition& definition, std::initializer_list<nb::handle> supplied) {
    FunctionSpec spec;
    spec.name = definition.info.name;
    spec.qualname = definition.info.qualname;
    spec.doc = definition.info.doc;
    spec.return_annotation = definition.info.returns;
    spec.body = definition.body;
    spec.params.reserve(definition.params.size());
    const nb::handle* next_supplied = supplied.begin();
    for (const ParamDef& row : definition.params) {
        spec.params.push_back(Param{row.name, row.annotation,
                                    default_object(row.default_value, next_supplied, supplied.end()), row.kind});
    }
    if (next_supplied != supplied.end()) {
        throw std::invalid_argument("more supplied defaults than the parameter table names");
    }
    return spec;
}

}  // namespace

nb::object make_function(nb::handle module, const Definition& definition, std::initializer_list<nb::handle> supplied) {
    return make_function(module, spec_of(definition, supplied));
}

void add_function(nb::handle module, const Definition& definition, std::initializer_list<nb::handle> supplied) {
    add_function(module, spec_of(definition, supplied));
}

}  // namespace pyglue
