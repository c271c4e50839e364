// The choice tables of trakvia.mediadesk that the command line and the window both offer.
#include "functions.hpp"

#include "pyglue/tables.hpp"

namespace trakvia::mediadesk {

namespace {

// Keys as cleanup_dji_files takes them for target_type, titles as the window names them.
constexpr pyglue::Choice kCleanupTypes[] = {
    {"lrf", "LRF önizlemeleri"},
    {"srt", "SRT telemetri dosyaları"},
    {"video", "Video dosyaları"},
    {"all", "Hepsi (LRF + SRT + video)"},
};

}  // namespace

nb::tuple cleanup_type_choices() { return pyglue::choice_tuple(kCleanupTypes); }

nb::tuple all_filter_words() { return pyglue::text_tuple(kAllFilterWords); }

}  // namespace trakvia::mediadesk
