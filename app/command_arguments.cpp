// What the commands read from the parsed command line: filter texts and the inputs that must exist.
#include "command_arguments.hpp"

#include "report_line.hpp"

#include "pyglue/values.hpp"

namespace trakvia::app {

nb::object text_or_empty(nb::handle value) {
    return pyglue::is_true(value) ? nb::borrow(value) : nb::object(nb::str(""));
}

bool input_is_missing(const pyglue::Globals& g, nb::handle path, const char* what) {
    if (pyglue::is_true(pyglue::os_path(g, "exists")(path))) {
        return false;
    }
    print_error(g, Line() << what << " bulunamadı: '" << path << "'");
    return true;
}

}  // namespace trakvia::app
