// What the two walks of the scan share: the sets they open, the kind of a media file by its
// extension, how a name reads through the interpreter, and the fallback index rule.
// scan.cpp walks with the interpreter's os.walk; native_scan.cpp reads the folders itself.
#pragma once

#include "namespace.hpp"

#include <map>
#include <set>

namespace trakvia::mediadesk {

// One set opened by the scan: the Python int of its index and its DjiFileSet record.
struct Group {
    nb::object index;
    nb::object record;
};
using Groups = std::map<long long, Group>;

enum class MediaKind { video, srt, lrf, gpx, none };

// The list a file of extension `ext` (lower case, no dot) goes to: video when the extension is in
// _VIDEO_EXTS_SET as the namespace holds it now, else srt, lrf or gpx; none for anything else.
MediaKind media_kind(const pyglue::Globals& g, nb::handle ext);

// How the interpreter reads a name: `index` is int(group 1) of _RE_DJI_INDEX's match (left null
// when the name carries none) and `ext` the lower-case extension of the match or, without one, of
// os.path.splitext. False for a name that neither matches nor has a media extension.
bool read_media_name(const pyglue::Globals& g, nb::handle path, nb::handle fname, nb::object& index,
                     nb::object& ext);

// Whether an error of os.stat or datetime.fromtimestamp is one that leaves the file in its set
// with the time now() and the size 0: a status that cannot be read (OSError), or a time that is
// no date (ValueError or OverflowError elsewhere, OSError on Windows).
inline bool is_unreadable_status(const nb::python_error& e) {
    return e.matches(PyExc_OSError) || e.matches(PyExc_ValueError) || e.matches(PyExc_OverflowError);
}

// The index for a name without one: 1000 plus the number of sets opened so far, moved up past
// any index that is recognised on the card or already taken, so that it opens a set of its own.
// `opened` is any map keyed by the index of the sets opened so far.
template <class OpenedSets>
long long fallback_index(const OpenedSets& opened, const std::set<long long>& recognised) {
    long long candidate = (long long)opened.size() + 1000;
    while (recognised.count(candidate) != 0 || opened.count(candidate) != 0) {
        ++candidate;
    }
    return candidate;
}

}  // namespace trakvia::mediadesk
