// Placeholder pipeline: replaced by the real read → measure → sample → write pipeline.
#include "trakvia/engine/convert.hpp"

namespace trakvia::engine {

ConvertReport convert_file(const std::filesystem::path&, const std::filesystem::path&, const ConvertOptions&) {
    throw std::logic_error("convert_file is not built yet");
}

const std::vector<std::string>& supported_extensions() {
    static const std::vector<std::string> exts{".srt", ".gpx"};
    return exts;
}

}  // namespace trakvia::engine
