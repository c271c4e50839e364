// create_sample_dji_sdcard_structure: a small imitation of a DJI SD card to try the tool on.
#include "functions.hpp"
#include "namespace.hpp"

#include "pyglue/def.hpp"

#include <array>
#include <cstdio>
#include <string>

namespace trakvia::mediadesk {

namespace {

constexpr int kClipCount = 4;

std::string repeated(const std::string& unit, int times) {
    std::string out;
    out.reserve(unit.size() * static_cast<size_t>(times));
    for (int i = 0; i < times; ++i) {
        out += unit;
    }
    return out;
}

// Writes `content` to a new file with the module's `open`, closing it also when the write fails.
void write_placeholder(const pyglue::Globals& g, nb::handle path, const std::string& content) {
    nb::object f = g["open"](path, "wb");
    try {
        f.attr("write")(nb::bytes(content.data(), content.size()));
    } catch (...) {
        try {
            f.attr("close")();
        } catch (const nb::python_error&) {
        }
        throw;
    }
    f.attr("close")();
}

constexpr auto kParams = std::to_array<pyglue::ParamDef>({{"base_sample_dir", "str"}});

nb::object create_sample_dji_sdcard_structure(const pyglue::Globals& g, const pyglue::Args<kParams>& args) {
    const nb::object& base_sample_dir = args["base_sample_dir"];
    nb::object os = g["os"];
    nb::object path = os.attr("path");
    nb::object sd_root = path.attr("join")(base_sample_dir, "DJI_SD_Kart_Ornegi");
    nb::object dji_dir = path.attr("join")(sd_root, "DCIM", "DJI_001");
    os.attr("makedirs")(dji_dir, nb::arg("exist_ok") = true);

    nb::object sample_srts = g["create_sample_srt_files"](base_sample_dir);
    static const std::string lrf_content = repeated("DJI_LRF_PREVIEW_STREAM_", 2048);
    static const std::string mp4_content = repeated("DJI_MP4_VIDEO_HEADER_", 4096);

    for (int idx = 1; idx <= kClipCount; ++idx) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "DJI_%04d", idx);
        const std::string base(stem);
        nb::object srt_dst = path.attr("join")(dji_dir, nb::str((base + ".SRT").c_str()));
        nb::object lrf_dst = path.attr("join")(dji_dir, nb::str((base + ".LRF").c_str()));
        nb::object mp4_dst = path.attr("join")(dji_dir, nb::str((base + ".MP4").c_str()));

        if (is_true(sample_srts) && !is_true(path.attr("exists")(srt_dst))) {
            const auto count = nb::cast<Py_ssize_t>(g["len"](sample_srts));
            if (count == 0) {  // a truthy object of length 0: what `%` in Python would say
                PyErr_SetString(PyExc_ZeroDivisionError, "integer modulo by zero");
                throw nb::python_error();
            }
            g["shutil"].attr("copy2")(sample_srts[(idx - 1) % count], srt_dst);
        }
        if (!is_true(path.attr("exists")(lrf_dst))) {
            write_placeholder(g, lrf_dst, lrf_content);
        }
        if (!is_true(path.attr("exists")(mp4_dst))) {
            write_placeholder(g, mp4_dst, mp4_content);
        }
    }
    return sd_root;
}

}  // namespace

constinit const pyglue::Definition create_sample_dji_sdcard_structure_def =
    pyglue::def<kParams, create_sample_dji_sdcard_structure>({.name = "create_sample_dji_sdcard_structure", .returns = "str"});

}  // namespace trakvia::mediadesk
