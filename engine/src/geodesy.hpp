// Distances on the WGS-84 ellipsoid, without any outside library.
#pragma once

#include <optional>

namespace trakvia::engine::geodesy {

inline constexpr double kSemiMajorAxis = 6378137.0;
inline constexpr double kFlattening = 1.0 / 298.257223563;

// Geodesic (shortest path on the ellipsoid) distance in metres between two positions given in
// degrees. Short steps use a local ellipsoidal plane (error far below 1 mm per km); longer
// ones Vincenty's inverse formula; the few near-antipodal pairs where that does not converge
// fall back to a great circle on the mean-radius sphere (within 0.5 %).
double distance_m(double lat1, double lon1, double lat2, double lon2);

// Vincenty's inverse formula; nullopt when the iteration does not converge.
std::optional<double> vincenty_distance_m(double lat1, double lon1, double lat2, double lon2);

}  // namespace trakvia::engine::geodesy
