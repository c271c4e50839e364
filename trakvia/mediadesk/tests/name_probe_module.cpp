// mediadesk_name_probe: a test-only module exposing the C++ reading of media file names, so the
// tests can hold it against _RE_DJI_INDEX and os.path.splitext on many generated names.
#include "../media_name.hpp"

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

namespace nb = nanobind;

NB_MODULE(mediadesk_name_probe, m) {
    // (index, extension as written) or None, for an ASCII name.
    m.def("search_dji_index", [](const std::string& name) -> nb::object {
        auto match = trakvia::mediadesk::search_dji_index(name);
        if (!match) {
            return nb::none();
        }
        return nb::make_tuple(match->index, nb::str(match->ext.data(), match->ext.size()));
    });
    m.def("last_extension", [](const std::string& name) {
        return std::string(trakvia::mediadesk::last_extension(name));
    });
}
