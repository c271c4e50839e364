// The spec builders and the py_name alias that scan.cpp still uses; everything else is in
// pyglue_names.hpp and plain_file.hpp, which this includes for the files that include it.
#pragma once

#include "plain_file.hpp"
#include "pyglue_names.hpp"

#include "pyglue/function.hpp"

#include <string>
#include <utility>
#include <vector>

namespace trakvia::mediadesk {

// A positional-or-keyword parameter; a null `default_value` makes it required.
inline pyglue::Param param(std::string name, std::string annotation, nb::object default_value = nb::object()) {
    pyglue::Param p;
    p.name = std::move(name);
    p.annotation = std::move(annotation);
    p.default_value = std::move(default_value);
    return p;
}

// A function spec: name, parameters, return annotation, body and docstring ("" for none).
inline pyglue::FunctionSpec function_spec(const char* name, std::vector<pyglue::Param> params,
                                          const char* return_annotation, pyglue::Body body, const char* doc = "") {
    pyglue::FunctionSpec spec;
    spec.name = name;
    spec.doc = doc;
    spec.params = std::move(params);
    spec.return_annotation = return_annotation;
    spec.body = body;
    return spec;
}

// The interned name object for an attribute, method or keyword name (see pyglue::interned).
inline nb::handle py_name(const char* text) { return pyglue::interned(text); }

}  // namespace trakvia::mediadesk
