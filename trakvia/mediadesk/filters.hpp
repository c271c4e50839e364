// The filter rules other parts of trakvia.mediadesk share: the words for "all sets" and the
// test whether a date/age filter text can be read at all.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Texts that place no restriction on either filter, compared with the filter's upper-cased
// form. The module exports them as ALL_FILTER_WORDS, so the window and the command line name
// the same words.
inline constexpr const char* kAllFilterWords[] = {"ALL", "TÜMÜ", "*"};

// Whether a stripped filter text places no restriction: empty, or one of kAllFilterWords in any case.
bool means_no_filter(nb::handle expr);

// Whether matches_date_or_age_filter reads a stripped text as a rule: no restriction, an exact
// date YYYY-MM-DD or an age limit such as <1d. Any other text would filter nothing.
bool is_readable_date_filter(const pyglue::Globals& g, nb::handle expr);

}  // namespace trakvia::mediadesk
