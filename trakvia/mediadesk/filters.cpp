// Index and date/age filters: parse_index_filter, matches_date_or_age_filter and the validity
// check of a date/age filter text (check_date_filter) that the command line and the window use.
#include "functions.hpp"
#include "namespace.hpp"

#include <algorithm>
#include <climits>

namespace trakvia::mediadesk {

bool means_no_filter(nb::handle expr) {
    if (nb::len(expr) == 0) {
        return true;
    }
    nb::object upper = expr.attr("upper")();
    for (const char* word : kAllFilterWords) {
        if (upper.equal(nb::str(word))) {
            return true;
        }
    }
    return false;
}

bool is_readable_date_filter(const pyglue::Globals& g, nb::handle expr) {
    return means_no_filter(expr) || !g["_RE_DATE_EXACT"].attr("match")(expr).is_none() ||
           !g["_RE_AGE_FILTER"].attr("match")(expr).is_none();
}

namespace {

// A range of more than kMaxRangeWidth members keeps only its members within 0..kIndexCeiling, so
// a text such as "1-999999999999" cannot exhaust memory or hang. Narrower ranges are taken as
// written. Clip indexes have at most four digits and fallback indexes count up from 1000 by one
// per set, so only a card of some ninety-nine thousand sets could hold an index above the cut.
constexpr long long kMaxRangeWidth = 100000;
constexpr long long kIndexCeiling = 99999;

// The interpreter's int(text), or a null object when it raises ValueError.
nb::object read_int(const pyglue::Globals& g, nb::handle text) {
    try {
        return g["int"](text);
    } catch (nb::python_error& e) {
        if (!e.matches(PyExc_ValueError)) {
            throw;
        }
        return nb::object();
    }
}

// A Python int as long long, saturating at the ends instead of overflowing.
long long saturated(nb::handle value) {
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (v == -1 && PyErr_Occurred()) {
        throw nb::python_error();
    }
    if (overflow) {
        return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    }
    return v;
}

bool compare(nb::handle a, nb::handle b, int op) {
    int r = PyObject_RichCompareBool(a.ptr(), b.ptr(), op);
    if (r < 0) {
        throw nb::python_error();
    }
    return r == 1;
}

// Adds `n` (a new reference, or null from a failed call with its error set) to the set.
void add_member(nb::set& result, PyObject* n) {
    const nb::object member = checked(n);
    if (PySet_Add(result.ptr(), member.ptr()) < 0) {
        throw nb::python_error();
    }
}

// result.update(range(min(a, b), max(a, b) + 1)), with over-wide ranges cut as described above.
void add_range(nb::set& result, nb::handle start_i, nb::handle end_i) {
    const bool ascending = !compare(end_i, start_i, Py_LT);
    nb::object lo = nb::borrow(ascending ? start_i : end_i);
    nb::object hi = nb::borrow(ascending ? end_i : start_i);
    nb::object span = hi - lo;
    if (compare(span, nb::int_(kMaxRangeWidth), Py_LT)) {
        const long long n = saturated(span);
        for (long long i = 0; i <= n; ++i) {
            add_member(result, PyNumber_Add(lo.ptr(), nb::int_(i).ptr()));
        }
        return;
    }
    const long long first = std::max(saturated(lo), 0LL);
    const long long last = std::min(saturated(hi), kIndexCeiling);
    for (long long i = first; i <= last; ++i) {
        add_member(result, PyLong_FromLongLong(i));
    }
}

nb::object parse_index_filter(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object expr = stripped_text(args[0]);
    if (means_no_filter(expr)) {
        return nb::none();
    }
    nb::set result;
    nb::str dash("-");
    for (nb::handle item : expr.attr("split")(",")) {
        nb::object token = item.attr("strip")();
        if (nb::len(token) == 0) {
            continue;
        }
        if (contains(token, dash)) {
            nb::object parts = token.attr("split")(dash, 1);
            nb::object start_i = read_int(g, parts[0].attr("strip")());
            if (!start_i.is_valid()) {
                continue;
            }
            nb::object end_i = read_int(g, parts[1].attr("strip")());
            if (!end_i.is_valid()) {
                continue;
            }
            add_range(result, start_i, end_i);
        } else {
            nb::object value = read_int(g, token);
            if (value.is_valid()) {
                result.add(value);
            }
        }
    }
    return result;
}

// Hours per unit letter of an age limit; 24 for anything else, as the lookup's default.
long long hours_per_unit(nb::handle unit) {
    static const std::pair<const char*, long long> table[] = {
        {"h", 1}, {"d", 24}, {"w", 168}, {"m", 720}, {"y", 8760}};
    for (const auto& [letter, hours] : table) {
        if (nb::str(letter).equal(unit)) {
            return hours;
        }
    }
    return 24;
}

nb::object matches_date_or_age_filter(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& file_dt = args[0];
    nb::object expr = stripped_text(args[1]);
    if (means_no_filter(expr)) {
        return nb::bool_(true);
    }

    nb::object date = g["_RE_DATE_EXACT"].attr("match")(expr);
    if (!date.is_none()) {
        nb::object yr = g["int"](date.attr("group")(1));
        nb::object mo = g["int"](date.attr("group")(2));
        nb::object dy = g["int"](date.attr("group")(3));
        return nb::bool_(compare(file_dt.attr("year"), yr, Py_EQ) && compare(file_dt.attr("month"), mo, Py_EQ) &&
                         compare(file_dt.attr("day"), dy, Py_EQ));
    }

    nb::object age_match = g["_RE_AGE_FILTER"].attr("match")(expr);
    if (age_match.is_none()) {
        return nb::bool_(true);
    }
    nb::object op = age_match.attr("group")(1);
    nb::object val_str = age_match.attr("group")(2);
    nb::object unit = age_match.attr("group")(3).attr("lower")();
    const bool within = nb::str("<").equal(op);

    // A limit longer than any duration the interpreter can hold (timedelta's OverflowError, or
    // int()'s digit limit) is longer than any possible age: "<" passes, ">" fails.
    nb::object threshold_delta;
    try {
        nb::object val = g["int"](val_str);
        nb::object hours = val * nb::int_(hours_per_unit(unit));
        threshold_delta = g["timedelta"](nb::arg("hours") = hours);
    } catch (nb::python_error& e) {
        if (!e.matches(PyExc_OverflowError) && !e.matches(PyExc_ValueError)) {
            throw;
        }
        return nb::bool_(within);
    }
    nb::object age = g["datetime"].attr("now")() - file_dt;
    return nb::bool_(within ? compare(age, threshold_delta, Py_LE) : compare(age, threshold_delta, Py_GT));
}

// The text as given when matches_date_or_age_filter reads it as a rule (None too); otherwise
// ValueError. A text no rule reads would filter nothing, which for a clean-up means the whole
// card, so the command line and the window refuse it before anything runs.
nb::object check_date_filter(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& text = args[0];
    if (text.is_none() || is_readable_date_filter(g, stripped_text(text))) {
        return text;
    }
    nb::object message = nb::str("geçersiz tarih/yaş filtresi: {!r} (örnek: <1d, >2w, 2024-05-01, ALL)")
                             .attr("format")(text);
    PyErr_SetObject(PyExc_ValueError, message.ptr());
    throw nb::python_error();
}

}  // namespace

pyglue::FunctionSpec check_date_filter_spec() {
    return function_spec("check_date_filter", {param("filter_expr", "str")}, "str", check_date_filter,
                         "Filtre metnini aynen döndürür; okunamayan tarih/yaş filtresinde ValueError verir.");
}

pyglue::FunctionSpec parse_index_filter_spec() {
    return function_spec("parse_index_filter", {param("index_expr", "str")}, "Optional[Set[int]]", parse_index_filter);
}

pyglue::FunctionSpec matches_date_or_age_filter_spec() {
    return function_spec("matches_date_or_age_filter", {param("file_dt", "datetime"), param("filter_expr", "str")},
                         "bool", matches_date_or_age_filter);
}

}  // namespace trakvia::mediadesk
