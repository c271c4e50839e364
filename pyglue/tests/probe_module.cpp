// pyglue_probe: a test-only module whose functions expose the binding and the exception seam.
#include "pyglue/def.hpp"
#include "pyglue/imports.hpp"
#include "pyglue/module.hpp"

#include <nanobind/stl/string.h>

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

namespace nb = nanobind;
using pyglue::ParamDef;
using pyglue::ParamKind;

// def mixed(a: 'int', b, c: 'str' = 'x', *, k: 'float', m=5) -> 'tuple'
constexpr auto kMixedParams = std::to_array<ParamDef>({
    {"a", "int"},
    {"b"},
    {"c", "str", pyglue::default_text("x")},
    {.name = "k", .annotation = "float", .kind = ParamKind::keyword_only},
    {.name = "m", .default_value = pyglue::default_int(5), .kind = ParamKind::keyword_only},
});
// def four(a, b, c, d)
constexpr auto kFourParams = std::to_array<ParamDef>({{"a"}, {"b"}, {"c"}, {"d"}});
// def one(a)
constexpr auto kOneParams = std::to_array<ParamDef>({{"a"}});
// def none()
constexpr std::array<ParamDef, 0> kNoParams{};
// def kwonly(*, k1, k2, k3=None)
constexpr auto kKeywordOnlyParams = std::to_array<ParamDef>({
    {.name = "k1", .kind = ParamKind::keyword_only},
    {.name = "k2", .kind = ParamKind::keyword_only},
    {.name = "k3", .default_value = pyglue::default_none, .kind = ParamKind::keyword_only},
});
// def supplied(*, obj=<an object made at start-up>)
constexpr auto kSuppliedParams = std::to_array<ParamDef>({
    {.name = "obj", .default_value = pyglue::default_supplied, .kind = ParamKind::keyword_only},
});
constexpr auto kNameParams = std::to_array<ParamDef>({{"name", "str"}});
constexpr auto kKindParams = std::to_array<ParamDef>({{"kind", "str"}});
constexpr auto kImportParams = std::to_array<ParamDef>({{"source", "str"}, {"name", "str"}});

// Returns the bound arguments as a tuple, so tests see what each parameter received.
template <const auto& Params>
nb::object echo(const pyglue::Globals&, const pyglue::Args<Params>& args) {
    nb::list out;
    for (const nb::object& a : args.in_order()) {
        out.append(a);
    }
    return nb::tuple(out);
}

// Named access: the body reads `c` and `a` by name, whatever their position.
nb::object named(const pyglue::Globals&, const pyglue::Args<kMixedParams>& args) {
    return nb::make_tuple(args["c"], args["a"], args["m"]);
}

nb::object lookup(const pyglue::Globals& g, const pyglue::Args<kNameParams>& args) {
    return g[nb::cast<std::string>(args["name"]).c_str()];
}

// `from <source> import <name>`, through pyglue::import_name.
nb::object import_name(const pyglue::Globals& g, const pyglue::Args<kImportParams>& args) {
    return pyglue::import_name(g, nb::cast<std::string>(args["source"]).c_str(),
                               nb::cast<std::string>(args["name"]).c_str());
}

nb::object raise_cpp(const pyglue::Globals&, const pyglue::Args<kKindParams>& args) {
    const std::string kind = nb::cast<std::string>(args["kind"]);
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

int exec_probe(PyObject* m) {
    return pyglue::translate_exceptions([m] {
        nb::handle module(m);
        using pyglue::def;
        pyglue::add_function(module, def<kMixedParams, echo<kMixedParams>>({.name = "mixed", .returns = "tuple"}));
        pyglue::add_function(module, def<kMixedParams, named>({.name = "named"}));
        pyglue::add_function(module, def<kFourParams, echo<kFourParams>>({.name = "four"}));
        pyglue::add_function(module, def<kOneParams, echo<kOneParams>>({.name = "one"}));
        pyglue::add_function(module, def<kNoParams, echo<kNoParams>>({.name = "none"}));
        pyglue::add_function(module, def<kKeywordOnlyParams, echo<kKeywordOnlyParams>>({.name = "kwonly"}));
        pyglue::add_function(module, def<kSuppliedParams, echo<kSuppliedParams>>({.name = "supplied"}),
                             {nb::str("made at start-up")});
        pyglue::add_function(module, def<kNameParams, lookup>({.name = "lookup"}));
        pyglue::add_function(module, def<kKindParams, raise_cpp>({.name = "raise_cpp"}));
        pyglue::add_function(module, def<kImportParams, import_name>({.name = "import_name"}));
        pyglue::add_function(module, def<kNoParams, echo<kNoParams>>({.name = "documented",
                                                                      .doc = "Belgeli işlev.",
                                                                      .qualname = "Outer.documented"}));
    }) ? 0 : -1;
}

}  // namespace

PYGLUE_MODULE(pyglue_probe, "pyglue_probe", "Test probe for pyglue function objects.", exec_probe)
