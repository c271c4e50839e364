// main() and its argparse command line: global options, the five commands and their arguments.
#include "cli.hpp"

#include "desktop.hpp"
#include "start_folder.hpp"

namespace trakvia::app {
namespace {

using namespace nb::literals;

// The type of cleanup's --date: only texts the date/age filter understands get through, so a
// typo cannot turn into "no filter" and delete every set on the card. The text stays as typed;
// the media manager's check decides and words the refusal.
nb::object checked_date_filter(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object mediadesk = checked(PyImport_ImportModule("trakvia.mediadesk"));
    try {
        return mediadesk.attr("check_date_filter")(args[0]);
    } catch (nb::python_error& e) {
        if (!e.matches(PyExc_ValueError)) {
            throw;
        }
        nb::object message = nb::str(e.value());
        PyErr_SetObject(g["argparse"].attr("ArgumentTypeError").ptr(), message.ptr());
        throw nb::python_error();
    }
}

// The keys of a choice table of (key, title) pairs that `module` exports under `name`.
nb::list choice_keys(const char* module, const char* name) {
    nb::list keys;
    for (nb::handle pair : checked(PyImport_ImportModule(module)).attr(name)) {
        keys.append(pair[0]);
    }
    return keys;
}

pyglue::FunctionSpec date_filter_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "date_filter";
    spec.params = {{"text", "str", nb::object()}};
    spec.return_annotation = "str";
    spec.body = checked_date_filter;
    return spec;
}

// cleanup's --date type, built once at module start-up. The module initialises only once per
// process, so one strong reference held for the life of the process is all there is.
PyObject* date_filter_type = nullptr;

nb::object add_command(nb::handle commands, const char* name, const char* help) {
    return commands.attr("add_parser")(name, "help"_a = help);
}

void add_list_arguments(nb::handle p) {
    p.attr("add_argument")("dir", "help"_a = "DJI SD kart veya medya klasörü");
    p.attr("add_argument")("--date", "-d", "default"_a = "",
                           "help"_a = "Tarih/yaş filtresi (<1d, >1w, YYYY-MM-DD)");
    p.attr("add_argument")("--index", "-i", "default"_a = "",
                           "help"_a = "İndeks filtresi (örn: 1-4, 2,5)");
}

void add_cleanup_arguments(nb::handle p) {
    p.attr("add_argument")("dir", "help"_a = "DJI SD kart veya medya klasörü");
    p.attr("add_argument")("--type", "-t", "choices"_a = choice_keys("trakvia.mediadesk", "CLEANUP_TYPES"),
                           "default"_a = "lrf",
                           "help"_a = "Silinecek dosya türü");
    p.attr("add_argument")("--date", "-d", "type"_a = nb::handle(date_filter_type),
                           "default"_a = "", "help"_a = "Tarih/yaş filtresi");
    p.attr("add_argument")("--index", "-i", "default"_a = "", "help"_a = "İndeks filtresi");
    p.attr("add_argument")("--dry-run", "action"_a = "store_true",
                           "help"_a = "Dosyaları silmeden simüle et");
}

void add_import_arguments(nb::handle p) {
    p.attr("add_argument")("src", "help"_a = "Kaynak DJI SD kart / klasör");
    p.attr("add_argument")("dest", "help"_a = "Hedef klasör");
    p.attr("add_argument")("--date", "-d", "default"_a = "", "help"_a = "Tarih/yaş filtresi");
    p.attr("add_argument")("--index", "-i", "default"_a = "", "help"_a = "İndeks filtresi");
}

void add_play_arguments(const pyglue::Globals& g, nb::handle p) {
    p.attr("add_argument")("dir", "help"_a = "DJI SD kart / klasör");
    p.attr("add_argument")("index_num", "type"_a = g["int"],
                           "help"_a = "DJI dosya indeks numarası (örn: 1)");
}

void add_convert_arguments(nb::handle p) {
    p.attr("add_argument")("input", "help"_a = "Girdi dosyası veya klasörü");
    p.attr("add_argument")("--output", "-o", "default"_a = "", "help"_a = "Çıktı klasörü");
    p.attr("add_argument")("--sample", "choices"_a = choice_keys("trakvia.converter", "SAMPLE_MODES"),
                           "default"_a = "1hz",
                           "help"_a = "Örnekleme modu");
}

nb::object build_parser(const pyglue::Globals& g, nb::handle description) {
    nb::object parser =
        g["argparse"].attr("ArgumentParser")("prog"_a = "trakvia-app", "description"_a = description);
    parser.attr("add_argument")("--version", "action"_a = "store_true",
                                "help"_a = "Sürüm bilgisini göster ve çık");
    parser.attr("add_argument")("--screenshot-dir", "type"_a = g["str"], "default"_a = "",
                                "help"_a = "Tüm sekmelerin ve temaların ekran görüntüsünü kaydet ve çık");

    nb::object commands = parser.attr("add_subparsers")("dest"_a = "command");
    add_list_arguments(add_command(
        commands, "list", "DJI SD kart / klasör içeriğini indeks ve tarihe göre listele"));
    add_cleanup_arguments(add_command(commands, "cleanup",
                                         "DJI SD karttaki LRF/SRT/Video dosyalarını filtreleyerek temizle"));
    add_import_arguments(add_command(commands, "import",
                                     "DJI SD karttan dosyaları içe aktar ve otomatik GPX üret"));
    add_play_arguments(g, add_command(commands, "play", "Belirtilen indeksteki DJI videosunu oynat"));
    add_convert_arguments(add_command(
        commands, "convert",
        "SRT/Video/Telemetri dosya veya klasörünü GPX/KML/GeoJSON/CSV/NMEA/MGJSON'a çevir"));
    return parser;
}

nb::object main_body(const pyglue::Globals& g, const std::vector<nb::object>&) {
    const nb::str description = (Line() << g["R27_APP_NAME_TR"] << " v" << g["R27_APP_VERSION"]).text();
    nb::object parser = build_parser(g, description);
    nb::object args = parser.attr("parse_args")();
    if (is_true(args.attr("version"))) {
        g["print"](description);
        return nb::int_(0);
    }
    if (is_true(args.attr("command"))) {
        resolve_from_start_folder(g, args);
        return g["_run_cli"](args);
    }
    return run_desktop(g, args);
}

}  // namespace

void make_parser_types(nb::handle module) {
    if (date_filter_type == nullptr) {
        date_filter_type = pyglue::make_function(module, date_filter_spec()).release().ptr();
    }
}

pyglue::FunctionSpec main_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "main";
    spec.return_annotation = "int";
    spec.body = main_body;
    return spec;
}

}  // namespace trakvia::app
