// import_dji_file_sets and import_dji_files: copy the videos and telemetry of file sets into one
// flat folder (the rules of the copy: set_importer.cpp).
#include "functions.hpp"
#include "pyglue_names.hpp"
#include "part_files.hpp"
#include "set_importer.hpp"

#include <array>
#include <vector>

namespace trakvia::mediadesk {

namespace {

constexpr auto kSetsParams = std::to_array<pyglue::ParamDef>({
    {"file_sets", "List[DjiFileSet]"},
    {"dest_dir", "str"},
    {"include_video", "bool", pyglue::default_bool(true)},
    {"include_srt", "bool", pyglue::default_bool(true)},
    {"progress", "Optional[Callable[[int, int], None]]", pyglue::default_none, pyglue::ParamKind::keyword_only},
    {"cancel", "Optional[Callable[[], bool]]", pyglue::default_none, pyglue::ParamKind::keyword_only},
});

nb::object import_dji_file_sets(const pyglue::Globals& g, const pyglue::Args<kSetsParams>& args) {
    const nb::object& file_sets = args["file_sets"];
    const nb::object& dest_dir = args["dest_dir"];
    const bool include_video = is_true(args["include_video"]);
    const bool include_srt = is_true(args["include_srt"]);
    CopyProgress progress(args["progress"], args["cancel"]);

    g["os"].attr("makedirs")(dest_dir, nb::arg("exist_ok") = true);
    remove_stale_part_files(g, dest_dir);

    SetImporter importer(g, dest_dir, progress);
    std::vector<SetPlan> plans;
    long long total = 0;
    for (nb::handle s : file_sets) {
        plans.push_back(importer.plan_set(s, include_video, include_srt));
        for (const Member& m : plans.back().members) {
            total += m.wanted ? m.size : 0;
        }
    }
    progress.set_total(total);
    try {
        for (SetPlan& plan : plans) {
            progress.check();
            importer.import_set(plan);
        }
    } catch (const ImportCancelled&) {
        // What was completed stays and is reported; nothing partial is left behind.
    }
    const nb::list& copied = importer.copied();
    return nb::make_tuple(g["len"](copied), copied);
}

constexpr auto kFilesParams = std::to_array<pyglue::ParamDef>({
    {"source_dir", "str"},
    {"dest_dir", "str"},
    {"date_filter", "str", pyglue::default_text("")},
    {"index_filter", "str", pyglue::default_text("")},
    {"include_video", "bool", pyglue::default_bool(true)},
    {"include_srt", "bool", pyglue::default_bool(true)},
});

nb::object import_dji_files(const pyglue::Globals& g, const pyglue::Args<kFilesParams>& args) {
    nb::object sets = g["list_dji_files"](args["source_dir"], nb::arg("date_filter") = args["date_filter"],
                                          nb::arg("index_filter") = args["index_filter"]);
    return g["import_dji_file_sets"](sets, args["dest_dir"], args["include_video"], args["include_srt"]);
}

constexpr const char* kImportSetsDoc =
    "import_dji_file_sets(file_sets, dest_dir, include_video=True, include_srt=True, *, progress=None,\n"
    "                     cancel=None) -> (kopyalanan_sayısı, hedef_yolları)\n"
    "\n"
    "Verilen DjiFileSet kayıtlarının video ve SRT dosyalarını dest_dir klasörüne (yoksa oluşturulur)\n"
    "düz olarak kopyalar; import_dji_files da bunu kullanır. Hedefteki hiçbir dosyanın üzerine\n"
    "yazılmaz: aynı baytları taşıyan dosya yeniden kopyalanmadan sayılır, başka bir dosya aynı adı\n"
    "tutuyorsa setin bütün dosyaları birlikte bir sonraki eke geçer (DJI_0001_2.MP4 ile\n"
    "DJI_0001_2.SRT). Her kopya önce gizli bir parça dosyasına yazılır ve tamamlanınca adını alır;\n"
    "önceki, yarıda öldürülmüş içe aktarmaların parça dosyaları başta silinir.\n"
    "\n"
    "progress: progress(kopyalanan_bayt, toplam_bayt) her parçada (1 MiB) çağrılır; toplam, seçilen\n"
    "dosyaların kaynaktaki boyutlarıdır, hedefte zaten bulunanlar da sayılır.\n"
    "cancel: cancel() doğru döndüğünde (en geç bir parça sonra) durur, yarım kalan parça dosyasını\n"
    "siler ve o ana kadar tamamlananları döndürür.\n"
    "Sonuç: (sayı, yollar) — kopyalanan ya da zaten bulunan dosyaların hedef yolları, sırayla.";

}  // namespace

constinit const pyglue::Definition import_dji_file_sets_def = pyglue::def<kSetsParams, import_dji_file_sets>(
    {.name = "import_dji_file_sets", .returns = "Tuple[int, List[str]]", .doc = kImportSetsDoc});

constinit const pyglue::Definition import_dji_files_def =
    pyglue::def<kFilesParams, import_dji_files>({.name = "import_dji_files", .returns = "Tuple[int, List[str]]"});

}  // namespace trakvia::mediadesk
