// The public functions of trakvia.mediadesk, one spec or definition each; module.cpp binds
// them in order.
#pragma once

#include "filters.hpp"  // the filter rules the functions share
#include "pyglue/def.hpp"

namespace trakvia::mediadesk {

pyglue::FunctionSpec resolve_dji_directory_spec();              // media_folders.cpp
pyglue::FunctionSpec parse_index_filter_spec();                 // filters.cpp
pyglue::FunctionSpec matches_date_or_age_filter_spec();         // filters.cpp
pyglue::FunctionSpec list_dji_files_spec();                     // scan.cpp
pyglue::FunctionSpec cleanup_dji_files_spec();                  // cleanup.cpp
pyglue::FunctionSpec import_dji_files_spec();                   // import.cpp
extern const pyglue::Definition play_dji_file_by_index_def;              // playback.cpp
extern const pyglue::Definition create_sample_dji_sdcard_structure_def;  // sample_card.cpp
pyglue::FunctionSpec check_date_filter_spec();                  // filters.cpp
pyglue::FunctionSpec collect_conversion_inputs_spec();          // conversion_inputs.cpp
pyglue::FunctionSpec resolve_dji_directories_spec();            // media_folders.cpp
pyglue::FunctionSpec import_dji_file_sets_spec();               // import.cpp

// The tables the command line and the window offer (choices.cpp): CLEANUP_TYPES as
// (target_type, Turkish title) pairs, ALL_FILTER_WORDS as kAllFilterWords.
nb::tuple cleanup_type_choices();
nb::tuple all_filter_words();
pyglue::FunctionSpec cleanup_summary_line_spec();               // report_lines.cpp

}  // namespace trakvia::mediadesk
