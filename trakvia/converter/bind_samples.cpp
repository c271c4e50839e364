// create_sample_srt_files: the engine's sample telemetry generator.
#include "bindings.hpp"

#include "pyglue/def.hpp"
#include "trakvia/engine/samples.hpp"

#include <array>

namespace trakvia::converter {

namespace {

constexpr auto kParams = std::to_array<pyglue::ParamDef>({{"folder", "str | os.PathLike"}});

nb::object create_sample_srt_files(const pyglue::Globals&, const pyglue::Args<kParams>& args) {
    const std::filesystem::path base = path_from_python(args["folder"]);
    return paths_to_python(call_engine([&] { return engine::create_sample_srt_files(base); }));
}

constinit const pyglue::Definition create_sample_srt_files_def = pyglue::def<kParams, create_sample_srt_files>(
    {.name = "create_sample_srt_files",
     .returns = "list[str]",
     .doc = "folder altında (\"Ornek_Telemetri\" klasöründe) farklı DJI düzenlerinde örnek telemetri (SRT)\n"
            "dosyaları yazar ve yollarını döndürür. Her çağrı aynı baytları üretir."});

}  // namespace

void bind_samples(nb::module_& m) { pyglue::add_function(m, create_sample_srt_files_def); }

}  // namespace trakvia::converter
