// The public functions of trakvia.mediadesk, one definition each; module.cpp binds them in order.
#pragma once

#include "filters.hpp"  // the filter rules the functions share
#include "pyglue/def.hpp"

namespace trakvia::mediadesk {

extern const pyglue::Definition resolve_dji_directory_def;               // media_folders.cpp
extern const pyglue::Definition parse_index_filter_def;                  // filters.cpp
extern const pyglue::Definition matches_date_or_age_filter_def;          // filters.cpp
extern const pyglue::Definition list_dji_files_def;                      // scan.cpp
extern const pyglue::Definition cleanup_dji_files_def;                   // cleanup.cpp
extern const pyglue::Definition import_dji_files_def;                    // import.cpp
extern const pyglue::Definition play_dji_file_by_index_def;              // playback.cpp
extern const pyglue::Definition create_sample_dji_sdcard_structure_def;  // sample_card.cpp
extern const pyglue::Definition resolve_dji_directories_def;             // media_folders.cpp
extern const pyglue::Definition import_dji_file_sets_def;                // import.cpp
extern const pyglue::Definition check_date_filter_def;                   // filters.cpp
extern const pyglue::Definition collect_conversion_inputs_def;           // conversion_inputs.cpp
extern const pyglue::Definition cleanup_summary_line_def;                // report_lines.cpp
extern const pyglue::Definition create_part_file_def;                   // part_file_bindings.cpp
extern const pyglue::Definition remove_stale_part_files_def;            // part_file_bindings.cpp
extern const pyglue::Definition put_in_place_def;                       // part_file_bindings.cpp

// The tables the command line and the window offer (choices.cpp): CLEANUP_TYPES as
// (target_type, Turkish title) pairs, ALL_FILTER_WORDS as kAllFilterWords.
nb::tuple cleanup_type_choices();
nb::tuple all_filter_words();

}  // namespace trakvia::mediadesk
