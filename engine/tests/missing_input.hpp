// Tests whose input is missing: skipped on a bare clone, failed in CI (CI=true), where a skip
// would hide that the check never ran.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace trakvia::test {

inline bool in_ci() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
}

inline ::testing::TestPartResult::Type missing_input_outcome() {
    return in_ci() ? ::testing::TestPartResult::kFatalFailure : ::testing::TestPartResult::kSkip;
}

inline const char* missing_input_note() { return in_ci() ? "missing in CI (CI=true)" : ""; }

}  // namespace trakvia::test

// Ends the test: a skip, or a failure in CI. Streams a reason like GTEST_SKIP():
//   if (!fs::exists(input)) TRAKVIA_SKIP_OR_FAIL_IN_CI << input;
#define TRAKVIA_SKIP_OR_FAIL_IN_CI                                                                  \
    return GTEST_MESSAGE_AT_(__FILE__, __LINE__, ::trakvia::test::missing_input_note(),             \
                             ::trakvia::test::missing_input_outcome())
