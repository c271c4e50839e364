// pyglue_probe: a test-only module whose functions expose the binding and the exception seam.
#include "pyglue/function.hpp"
#include "pyglue/module.hpp"

#include <nanobind/stl/string.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

namespace nb = nanobind;
using pyglue::Param;
using pyglue::ParamKind;

// Returns the bound arguments as a tuple, so tests see what each parameter received.
nb::object echo(const pyglue::Globals&, const std::vector<nb::object>& args) {
    nb::list out;
    for (const nb::object& a : args) {
        out.append(a);
    }
    return nb::tuple(out);
}

nb::object lookup(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    return g[nb::cast<std::string>(args[0]).c_str()];
}

nb::object raise_cpp(const pyglue::Globals&, const std::vector<nb::object>& args) {
    const std::string kind = nb::cast<std::string>(args[0]);
    if (kind == "python") {
        PyErr_SetString(PyExc_KeyError, "from python");
        throw nb::python_error();
    }
    if (kind == "builtin") throw nb::value_error("builtin value");
    if (kind == "bad_alloc") throw std::bad_alloc();
    if (kind == "invalid_argument") throw std::invalid_argument("bad argument");
    if (kind == "domain_error") throw std::domain_error("bad domain");
    if (kind == "out_of_range") throw std::out_of_range("too far");
    if (kind == "system_error") throw std::system_error(std::make_error_code(std::errc::permission_denied), "opening");
    if (kind == "filesystem_error")
        throw std::filesystem::filesystem_error("copy", std::filesystem::path("/no/such"),
                                                std::make_error_code(std::errc::no_such_file_or_directory));
    if (kind == "runtime_error") throw std::runtime_error("plain failure");
    if (kind == "unknown") throw 42;
    if (kind == "null") return nb::object();
    return nb::none();
}

Param p(const char* name, const char* annotation = "", nb::object def = nb::object(),
        ParamKind kind = ParamKind::positional_or_keyword) {
    return Param{name, annotation, std::move(def), kind};
}

pyglue::FunctionSpec spec(const char* name, std::vector<Param> params, pyglue::Body body, const char* ret = "") {
    pyglue::FunctionSpec s;
    s.name = name;
    s.params = std::move(params);
    s.body = body;
    s.return_annotation = ret;
    return s;
}

int exec_probe(PyObject* m) {
    return pyglue::translate_exceptions([m] {
        nb::handle module(m);
        // def mixed(a: 'int', b, c: 'str' = 'x', *, k: 'float', m=5) -> 'tuple'
        pyglue::add_function(module, spec("mixed",
                                          {p("a", "int"), p("b"), p("c", "str", nb::str("x")),
                                           p("k", "float", nb::object(), ParamKind::keyword_only),
                                           p("m", "", nb::int_(5), ParamKind::keyword_only)},
                                          echo, "tuple"));
        // def four(a, b, c, d)
        pyglue::add_function(module, spec("four", {p("a"), p("b"), p("c"), p("d")}, echo));
        // def one(a)
        pyglue::add_function(module, spec("one", {p("a")}, echo));
        // def none()
        pyglue::add_function(module, spec("none", {}, echo));
        // def kwonly(*, k1, k2, k3=None)
        pyglue::add_function(module, spec("kwonly",
                                          {p("k1", "", nb::object(), ParamKind::keyword_only),
                                           p("k2", "", nb::object(), ParamKind::keyword_only),
                                           p("k3", "", nb::none(), ParamKind::keyword_only)},
                                          echo));
        pyglue::add_function(module, spec("lookup", {p("name", "str")}, lookup));
        pyglue::add_function(module, spec("raise_cpp", {p("kind", "str")}, raise_cpp));
        pyglue::FunctionSpec documented = spec("documented", {}, echo);
        documented.qualname = "Outer.documented";
        documented.doc = "Belgeli işlev.";
        pyglue::add_function(module, documented);
    }) ? 0 : -1;
}

}  // namespace

PYGLUE_MODULE(pyglue_probe, "pyglue_probe", "Test probe for pyglue function objects.", exec_probe)
