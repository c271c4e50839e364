// The public functions of trakvia.mediadesk, one spec each; module.cpp binds them in order: the
// eight of the module's first interface, then the ones added since.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

pyglue::FunctionSpec resolve_dji_directory_spec();              // media_folders.cpp
pyglue::FunctionSpec parse_index_filter_spec();                 // filters.cpp
pyglue::FunctionSpec matches_date_or_age_filter_spec();         // filters.cpp
pyglue::FunctionSpec list_dji_files_spec();                     // scan.cpp
pyglue::FunctionSpec cleanup_dji_files_spec();                  // cleanup.cpp
pyglue::FunctionSpec import_dji_files_spec();                   // import.cpp
pyglue::FunctionSpec play_dji_file_by_index_spec();             // playback.cpp
pyglue::FunctionSpec create_sample_dji_sdcard_structure_spec(); // sample_card.cpp
pyglue::FunctionSpec resolve_dji_directories_spec();            // media_folders.cpp

}  // namespace trakvia::mediadesk
