// The six format writers the registry hands out (one definition per *_writer.cpp).
#pragma once

#include "trakvia/engine/writers.hpp"

namespace trakvia::engine::writers {

const TrackWriter& gpx_writer();
const TrackWriter& kml_writer();
const TrackWriter& geojson_writer();
const TrackWriter& csv_writer();
const TrackWriter& nmea_writer();
const TrackWriter& mgjson_writer();

}  // namespace trakvia::engine::writers
