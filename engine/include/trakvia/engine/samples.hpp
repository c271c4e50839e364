// Sample DJI telemetry: realistic SRT files in the common layouts, for the sample SD card,
// demonstrations and tests.
#pragma once

#include <filesystem>
#include <vector>

namespace trakvia::engine {

// Folder under the caller's folder that receives the sample files.
inline constexpr const char* kSampleSrtFolderName = "Ornek_Telemetri";

// Writes the sample telemetry files into `folder`/Ornek_Telemetri (created with its parents
// when missing) and returns their paths in a fixed order: four flights, each in another
// layout (Mavic 3 <font size="28">, Mavic 2 Pro <font size="36"> with `longtitude`,
// Phantom 4 Pro one-line GPS (lon, lat) without date-time, Mavic Pro HOME/GPS/BAROMETER).
// Deterministic: every call writes the same bytes (fixed seeds, no clock); a file that
// already holds the right bytes is left untouched. Throws std::filesystem::filesystem_error
// when a folder or file cannot be written.
std::vector<std::filesystem::path> create_sample_srt_files(const std::filesystem::path& folder);

}  // namespace trakvia::engine
