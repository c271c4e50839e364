// rename_no_replace on Windows: os.rename (MoveFileExW without MOVEFILE_REPLACE_EXISTING)
// already fails on an existing name.
#ifdef _WIN32
#include "no_replace_rename.hpp"

namespace trakvia::mediadesk {

bool rename_no_replace(const pyglue::Globals& g, nb::handle from, nb::handle to) {
    try {
        g["os"].attr("rename")(from, to);
    } catch (const nb::python_error& e) {
        if (e.matches(PyExc_FileExistsError)) {
            return false;
        }
        throw;
    }
    return true;
}

}  // namespace trakvia::mediadesk
#endif
