// create_sample_srt_files: the engine's sample telemetry generator.
#include "bindings.hpp"

#include "trakvia/engine/samples.hpp"

namespace trakvia::converter {

void bind_samples(nb::module_& m) {
    m.def(
        "create_sample_srt_files",
        [](nb::handle folder) {
            const std::filesystem::path base = path_from_python(folder);
            return paths_to_python(call_engine([&] { return engine::create_sample_srt_files(base); }));
        },
        nb::arg("folder"), nb::sig("def create_sample_srt_files(folder: str | os.PathLike) -> list[str]"),
        "folder altında (\"Ornek_Telemetri\" klasöründe) farklı DJI düzenlerinde örnek telemetri (SRT)\n"
        "dosyaları yazar ve yollarını döndürür. Her çağrı aynı baytları üretir.");
}

}  // namespace trakvia::converter
