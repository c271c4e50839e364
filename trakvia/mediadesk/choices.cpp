// The choice tables of trakvia.mediadesk that the command line and the window both offer.
#include "functions.hpp"
#include "namespace.hpp"

namespace trakvia::mediadesk {

namespace {

struct Choice {
    const char* key;    // what cleanup_dji_files takes as target_type
    const char* title;  // how the window names it
};

constexpr Choice kCleanupTypes[] = {
    {"lrf", "LRF önizlemeleri"},
    {"srt", "SRT telemetri dosyaları"},
    {"video", "Video dosyaları"},
    {"all", "Hepsi (LRF + SRT + video)"},
};

}  // namespace

nb::tuple cleanup_type_choices() {
    nb::list choices;
    for (const Choice& c : kCleanupTypes) {
        choices.append(nb::make_tuple(nb::str(c.key), nb::str(c.title)));
    }
    return nb::tuple(choices);
}

nb::tuple all_filter_words() {
    nb::list words;
    for (const char* word : kAllFilterWords) {
        words.append(nb::str(word));
    }
    return nb::tuple(words);
}

}  // namespace trakvia::mediadesk
