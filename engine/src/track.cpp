// Names of the altitude kinds.
#include "trakvia/engine/track.hpp"

namespace trakvia::engine {

const char* altitude_kind_name(AltitudeKind kind) {
    switch (kind) {
        case AltitudeKind::relative: return "relative";
        case AltitudeKind::absolute: return "absolute";
        case AltitudeKind::gps: return "gps";
        case AltitudeKind::ultrasonic: return "ultrasonic";
        case AltitudeKind::home: return "home";
    }
    return "unknown";
}

}  // namespace trakvia::engine
