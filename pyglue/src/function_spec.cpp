// The older FunctionSpec route into the factory, for the functions not yet declared with def.
#include "function_object.hpp"

#include "pyglue/def.hpp"

#include <stdexcept>
#include <string>
#include <unordered_set>

namespace pyglue {

namespace {

// Rejects parameter lists a def could not have (def checks its tables when compiled).
void check_params(const FunctionSpec& spec) {
    bool seen_keyword_only = false, seen_default = false;
    std::unordered_set<std::string> names;
    for (const Param& p : spec.params) {
        if (!names.insert(p.name).second) {
            throw std::invalid_argument(spec.name + ": duplicate parameter '" + p.name + "'");
        }
        if (p.kind == ParamKind::keyword_only) {
            seen_keyword_only = true;
            continue;
        }
        if (seen_keyword_only) {
            throw std::invalid_argument(spec.name + ": positional parameter '" + p.name + "' after keyword-only ones");
        }
        if (p.default_value.is_valid()) {
            seen_default = true;
        } else if (seen_default) {
            throw std::invalid_argument(spec.name + ": parameter without default '" + p.name + "' follows default argument");
        }
    }
    if (!spec.body) {
        throw std::invalid_argument(spec.name + ": no body");
    }
}

}  // namespace

nb::object make_function(nb::handle module, FunctionSpec spec) {
    check_params(spec);
    std::vector<detail::ParamRow> rows;
    for (const Param& p : spec.params) {
        rows.push_back({p.name.c_str(), p.annotation.c_str(), p.default_value, p.kind});
    }
    const FunctionInfo info{spec.name.c_str(), spec.return_annotation.c_str(), spec.doc.c_str(), spec.qualname.c_str()};
    return detail::build_function(module, info, rows, spec.body);
}

void add_function(nb::handle module, FunctionSpec spec) {
    nb::object fn = make_function(module, spec);
    if (PyModule_AddObjectRef(module.ptr(), spec.name.c_str(), fn.ptr()) < 0) {
        throw nb::python_error();
    }
}

}  // namespace pyglue
