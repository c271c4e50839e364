// The eight public functions of trakvia.mediadesk, one spec or definition each; module.cpp binds
// them in order.
#pragma once

#include "pyglue/def.hpp"

namespace trakvia::mediadesk {

pyglue::FunctionSpec resolve_dji_directory_spec();              // scan.cpp
pyglue::FunctionSpec parse_index_filter_spec();                 // filters.cpp
pyglue::FunctionSpec matches_date_or_age_filter_spec();         // filters.cpp
pyglue::FunctionSpec list_dji_files_spec();                     // scan.cpp
pyglue::FunctionSpec cleanup_dji_files_spec();                  // cleanup.cpp
pyglue::FunctionSpec import_dji_files_spec();                   // import.cpp
extern const pyglue::Definition play_dji_file_by_index_def;              // playback.cpp
extern const pyglue::Definition create_sample_dji_sdcard_structure_def;  // sample_card.cpp

}  // namespace trakvia::mediadesk
