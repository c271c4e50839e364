// pyglue::def: a Python-visible function declared from one parameter table. The table gives the
// signature (names, annotations, defaults, kinds) and the names the body reads its arguments by;
// a name that is not in the table, or a table a def could not have, stops the build. The result
// is a constant; the module's start-up turns it into the function object.
//
//   constexpr auto kPlayParams = std::to_array<pyglue::ParamDef>({
//       {"dir_path", "str"},
//       {"index_num", "int"},
//   });
//   nb::object play(const pyglue::Globals& g, const pyglue::Args<kPlayParams>& args) {
//       nb::object dir_path = args["dir_path"];
//       ...
//   }
//   constinit const pyglue::Definition play_def =
//       pyglue::def<kPlayParams, play>({.name = "play", .returns = "Optional[str]"});
//   ...
//   pyglue::add_function(module, play_def);      // at module start-up
#pragma once

#include "pyglue/function.hpp"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace pyglue {

// A parameter's default as a table spells it. Objects known only at run time are `supplied`:
// def() takes them in table order.
struct DefaultValue {
    enum class Kind { required, none, text, boolean, integer, supplied };
    Kind kind = Kind::required;
    const char* text = "";
    long long number = 0;
};

inline constexpr DefaultValue default_none{DefaultValue::Kind::none};
inline constexpr DefaultValue default_supplied{DefaultValue::Kind::supplied};
constexpr DefaultValue default_text(const char* text) { return {DefaultValue::Kind::text, text}; }
constexpr DefaultValue default_bool(bool value) { return {DefaultValue::Kind::boolean, "", value ? 1 : 0}; }
constexpr DefaultValue default_int(long long value) { return {DefaultValue::Kind::integer, "", value}; }

// One row of a parameter table; without a default the parameter is required.
struct ParamDef {
    const char* name;
    const char* annotation = "";  // as it appears in __annotations__; "" for none
    DefaultValue default_value = {};
    ParamKind kind = ParamKind::positional_or_keyword;
};

// What a function shows besides its parameters.
struct FunctionInfo {
    const char* name;           // __name__
    const char* returns = "";   // the return annotation; "" for none
    const char* doc = "";       // __doc__; "" means None
    const char* qualname = "";  // __qualname__; "" means the name
};

namespace detail {

// Never defined: a parameter name missing from the table reaches this call in a constant
// expression, and the compiler reports it by this name.
void unknown_parameter_name();

template <std::size_t N>
consteval std::size_t param_index(const std::array<ParamDef, N>& params, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (std::string_view(params[i].name) == name) {
            return i;
        }
    }
    unknown_parameter_name();
    return N;
}

template <std::size_t N>
consteval bool names_are_unique(const std::array<ParamDef, N>& params) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (std::string_view(params[i].name) == params[j].name) {
                return false;
            }
        }
    }
    return true;
}

// Keyword-only parameters last; among the others, no required one after a default.
template <std::size_t N>
consteval bool order_is_valid(const std::array<ParamDef, N>& params) {
    bool seen_keyword_only = false, seen_default = false;
    for (const ParamDef& p : params) {
        if (p.kind == ParamKind::keyword_only) {
            seen_keyword_only = true;
        } else if (seen_keyword_only) {
            return false;
        } else if (p.default_value.kind != DefaultValue::Kind::required) {
            seen_default = true;
        } else if (seen_default) {
            return false;
        }
    }
    return true;
}

}  // namespace detail

// A parameter name of the table `Params`, found when the module is compiled.
template <const auto& Params>
class ArgName {
public:
    consteval ArgName(const char* name) : index_(detail::param_index(Params, name)) {}
    constexpr std::size_t index() const { return index_; }

private:
    std::size_t index_;
};

// The bound arguments of one call, read by parameter name: args["dest_dir"].
template <const auto& Params>
class Args {
public:
    explicit Args(const std::vector<nb::object>& slots) : slots_(slots) {}
    const nb::object& operator[](ArgName<Params> name) const { return slots_[name.index()]; }
    // Every argument in table order, for a body that passes them all on.
    const std::vector<nb::object>& in_order() const { return slots_; }

private:
    const std::vector<nb::object>& slots_;
};

template <const auto& Params>
using NamedBody = nb::object (*)(const Globals& globals, const Args<Params>& args);

// A function as def declares it: what it shows, its parameter table and its body.
struct Definition {
    FunctionInfo info;
    std::span<const ParamDef> params;
    Body body;
};

namespace detail {

// The Body the function object calls: the bound arguments handed to `Run` by name.
template <const auto& Params, NamedBody<Params> Run>
nb::object call_by_name(const Globals& globals, const std::vector<nb::object>& slots) {
    return Run(globals, Args<Params>(slots));
}

}  // namespace detail

// The function whose parameters are `Params` and whose body is `Run`.
template <const auto& Params, NamedBody<Params> Run>
constexpr Definition def(const FunctionInfo& info) {
    static_assert(detail::names_are_unique(Params), "a parameter name appears twice");
    static_assert(detail::order_is_valid(Params),
                  "keyword-only parameters come last, and no required parameter follows a default");
    return Definition{info, Params, detail::call_by_name<Params, Run>};
}

// Builds the function object of `definition` (as make_function does for a spec), or builds and
// binds it under its name in the module. `supplied` holds the table's supplied defaults, in order.
nb::object make_function(nb::handle module, const Definition& definition,
                         std::initializer_list<nb::handle> supplied = {});
void add_function(nb::handle module, const Definition& definition, std::initializer_list<nb::handle> supplied = {});

}  // namespace pyglue
