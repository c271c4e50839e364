// create_sample_srt_files: the engine's sample telemetry generator.
#include "bindings.hpp"

#include "pyglue/function.hpp"
#include "trakvia/engine/samples.hpp"

namespace trakvia::converter {

void bind_samples(nb::module_& m) {
    pyglue::FunctionSpec spec;
    spec.name = "create_sample_srt_files";
    spec.doc =
        "folder altında (\"Ornek_Telemetri\" klasöründe) farklı DJI düzenlerinde örnek telemetri (SRT)\n"
        "dosyaları yazar ve yollarını döndürür. Her çağrı aynı baytları üretir.";
    spec.params = {{"folder", "str | os.PathLike", nb::object()}};
    spec.return_annotation = "list[str]";
    spec.body = [](const pyglue::Globals&, const std::vector<nb::object>& args) -> nb::object {
        const std::filesystem::path base = path_from_python(args[0]);
        return paths_to_python(call_engine([&] { return engine::create_sample_srt_files(base); }));
    };
    pyglue::add_function(m, std::move(spec));
}

}  // namespace trakvia::converter
