// _run_cli, the command runner, with the list, cleanup and play commands.
#include "cli.hpp"

namespace trakvia::app {
namespace {

using namespace nb::literals;

nb::object run_cli_body(const pyglue::Globals& g, const std::vector<nb::object>& params) {
    nb::handle args = params[0];
    nb::object command = args.attr("command");
    using Branch = nb::object (*)(const pyglue::Globals&, nb::handle);
    static const struct {
        const char* name;
        Branch run;
    } branches[] = {{"list", run_list},
                    {"cleanup", run_cleanup},
                    {"import", run_import},
                    {"play", run_play},
                    {"convert", run_convert}};
    for (const auto& branch : branches) {
        if (command.equal(nb::str(branch.name))) {
            return branch.run(g, args);
        }
    }
    return nb::int_(0);
}

}  // namespace

nb::object run_list(const pyglue::Globals& g, nb::handle args) {
    nb::object sets = g["list_dji_files"](args.attr("dir"), "date_filter"_a = text_or_empty(args.attr("date")),
                                          "index_filter"_a = text_or_empty(args.attr("index")));
    print_line(g, Line() << "=== " << g["R27_APP_NAME_TR"] << " v" << g["R27_APP_VERSION"]
                         << " — DJI Medya & SRT Listesi ("
                         << g["resolve_dji_directory"](args.attr("dir")) << ") ===");
    if (!is_true(sets)) {
        print_line(g, Line() << "Eşleşen DJI dosya seti bulunamadı.");
        return nb::int_(0);
    }
    const nb::int_ kib(1024);
    for (nb::handle s : nb::iter(sets)) {
        print_line(g, Line() << "[#" << s.attr("index_str")
                             << "] Tarih: " << s.attr("mtime").attr("strftime")("%Y-%m-%d %H:%M")
                             << " | Video: " << length(g, s.attr("video_files"))
                             << " | SRT: " << length(g, s.attr("srt_files"))
                             << " | LRF: " << length(g, s.attr("lrf_files"))
                             << " (" << fixed(g, divided(s.attr("lrf_size_bytes"), kib), ".0f")
                             << " KB) | Toplam: "
                             << fixed(g, divided(s.attr("total_size_bytes"), kib), ".1f") << " KB");
    }
    return nb::int_(0);
}

nb::object run_cleanup(const pyglue::Globals& g, nb::handle args) {
    if (input_is_missing(g, args.attr("dir"), "Klasör")) {
        return nb::int_(1);
    }
    // Files that could not be deleted are skipped and reported after the summary; the dict's
    // item setter is the callable that records each (path, error) in order.
    nb::dict skipped;
    nb::object on_skip = skipped.attr("__setitem__");
    nb::object result = g["cleanup_dji_files"](
        args.attr("dir"), "target_type"_a = args.attr("type"),
        "date_filter"_a = text_or_empty(args.attr("date")), "index_filter"_a = text_or_empty(args.attr("index")),
        "dry_run"_a = args.attr("dry_run"), "on_skip"_a = on_skip);
    const std::vector<nb::object> parts = unpack(result, 3);
    nb::object summary_line = checked(PyImport_ImportModule("trakvia.mediadesk")).attr("cleanup_summary_line");
    print_line(g, Line() << summary_line(args.attr("type"), parts[0], parts[1], args.attr("dry_run")));
    for (nb::handle path : nb::iter(parts[2])) {
        print_line(g, Line() << "  - " << path);
    }
    for (auto [path, error] : skipped) {
        nb::object reason = error.attr("strerror");
        print_error(g, Line() << "Silinemedi, atlandı: " << path << " ("
                              << (reason.is_none() ? nb::object(nb::str(error)) : reason) << ")");
    }
    return nb::int_(skipped.size() == 0 ? 0 : 1);
}

nb::object run_play(const pyglue::Globals& g, nb::handle args) {
    if (input_is_missing(g, args.attr("dir"), "Klasör")) {
        return nb::int_(1);
    }
    nb::object played =
        g["play_dji_file_by_index"](args.attr("dir"), g["int"](args.attr("index_num")));
    if (is_true(played)) {
        print_line(g, Line() << "Oynatılıyor: " << played);
        return nb::int_(0);
    }
    print_line(g, Line() << "İndeks #" << args.attr("index_num") << " bulunamadı.");
    return nb::int_(1);
}

pyglue::FunctionSpec run_cli_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "_run_cli";
    spec.params = {{"args", "argparse.Namespace", nb::object()}};
    spec.return_annotation = "int";
    spec.body = run_cli_body;
    return spec;
}

}  // namespace trakvia::app
