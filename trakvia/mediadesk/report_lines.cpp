// cleanup_summary_line: the clean-up's summary line, printed by the command line and the window.
#include "functions.hpp"
#include "namespace.hpp"

namespace trakvia::mediadesk {

namespace {

nb::object cleanup_summary_line(const pyglue::Globals&, const std::vector<nb::object>& args) {
    const char* label = is_true(args[3]) ? "[DRY-RUN SİMÜLASYON]" : "[TEMİZLENDİ]";
    nb::object kib = checked(PyNumber_TrueDivide(args[2].ptr(), nb::int_(1024).ptr()));
    return nb::str("{} Silinen {} dosya sayısı: {} | Kazanılan Alan: {:.1f} KB")
        .attr("format")(label, args[0].attr("upper")(), args[1], kib);
}

}  // namespace

pyglue::FunctionSpec cleanup_summary_line_spec() {
    return function_spec("cleanup_summary_line",
                         {param("target_type", "str"), param("count", "int"), param("freed_bytes", "int"),
                          param("dry_run", "bool")},
                         "str", cleanup_summary_line,
                         "Temizliğin özet satırı: \"[TEMİZLENDİ] Silinen LRF dosya sayısı: 3 | Kazanılan Alan: "
                         "1.5 KB\"; deneme çalışmasında etiket \"[DRY-RUN SİMÜLASYON]\".");
}

}  // namespace trakvia::mediadesk
