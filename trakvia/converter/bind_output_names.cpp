// written_by_trakvia: whether a file is a track this program wrote (output naming's rule).
#include "bindings.hpp"

#include "pyglue/def.hpp"
#include "trakvia/engine/convert.hpp"

#include <array>

namespace trakvia::converter {

namespace {

constexpr auto kParams = std::to_array<pyglue::ParamDef>({{"path", "str | os.PathLike"}});

nb::object written_by_trakvia(const pyglue::Globals&, const pyglue::Args<kParams>& args) {
    const std::filesystem::path file = path_from_python(args["path"]);
    return nb::bool_(call_engine([&] { return engine::written_by_trakvia(file, ""); }));
}

constinit const pyglue::Definition written_by_trakvia_def = pyglue::def<kParams, written_by_trakvia>(
    {.name = "written_by_trakvia",
     .returns = "bool",
     .doc = "Dosya bu programın daha önce yazdığı bir iz mi (GPX ve MGJSON'da \"Trakvia\" oluşturucu işareti).\n"
            "Klasör dönüştürmesi böyle GPX'leri girdi saymaz; yeniden çalıştırma aynı sonucu verir."});

}  // namespace

void bind_output_names(nb::module_& m) { pyglue::add_function(m, written_by_trakvia_def); }

}  // namespace trakvia::converter
