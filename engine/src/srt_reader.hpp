// Reader of DJI telemetry subtitles (.SRT): every known layout, detected per block.
#pragma once

#include <cstddef>
#include <string_view>

#include "record.hpp"
#include "text_source.hpp"

namespace trakvia::engine {

struct SrtReadSummary {
    bool fpv_altitude_scaled = false;  // DJI FPV altitude multiplied by 10
};

// Reads every block and passes one Record per block to `sink`.
SrtReadSummary read_srt(TextSource& source, const RecordSink& sink);
SrtReadSummary read_srt_bytes(std::string_view bytes, const RecordSink& sink);

}  // namespace trakvia::engine
