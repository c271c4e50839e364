// cleanup_summary_line: the clean-up's summary line, printed by the command line and the window.
#include "functions.hpp"
#include "pyglue_names.hpp"

#include <array>

namespace trakvia::mediadesk {

namespace {

constexpr auto kParams = std::to_array<pyglue::ParamDef>({
    {"target_type", "str"},
    {"count", "int"},
    {"freed_bytes", "int"},
    {"dry_run", "bool"},
});

nb::object cleanup_summary_line(const pyglue::Globals&, const pyglue::Args<kParams>& args) {
    const char* label = is_true(args["dry_run"]) ? "[DRY-RUN SİMÜLASYON]" : "[TEMİZLENDİ]";
    nb::object kib = checked(PyNumber_TrueDivide(args["freed_bytes"].ptr(), nb::int_(1024).ptr()));
    return nb::str("{} Silinen {} dosya sayısı: {} | Kazanılan Alan: {:.1f} KB")
        .attr("format")(label, args["target_type"].attr("upper")(), args["count"], kib);
}

}  // namespace

constinit const pyglue::Definition cleanup_summary_line_def = pyglue::def<kParams, cleanup_summary_line>(
    {.name = "cleanup_summary_line",
     .returns = "str",
     .doc = "Temizliğin özet satırı: \"[TEMİZLENDİ] Silinen LRF dosya sayısı: 3 | Kazanılan Alan: "
            "1.5 KB\"; deneme çalışmasında etiket \"[DRY-RUN SİMÜLASYON]\"."});

}  // namespace trakvia::mediadesk
