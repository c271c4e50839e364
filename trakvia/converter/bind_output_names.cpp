// written_by_trakvia: whether a file is a track this program wrote (output naming's rule).
#include "bindings.hpp"

#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

void bind_output_names(nb::module_& m) {
    m.def(
        "written_by_trakvia",
        [](nb::handle path) {
            const std::filesystem::path file = path_from_python(path);
            return call_engine([&] { return engine::written_by_trakvia(file, ""); });
        },
        nb::arg("path"), nb::sig("def written_by_trakvia(path: str | os.PathLike) -> bool"),
        "Dosya bu programın daha önce yazdığı bir iz mi (GPX ve MGJSON'da \"Trakvia\" oluşturucu işareti).\n"
        "Klasör dönüştürmesi böyle GPX'leri girdi saymaz; yeniden çalıştırma aynı sonucu verir.");
}

}  // namespace trakvia::converter
