// Ellipsoidal distance: local plane for short steps, Vincenty's inverse for the rest.
#include "geodesy.hpp"

#include <cmath>

namespace trakvia::engine::geodesy {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kB = kSemiMajorAxis * (1.0 - kFlattening);
constexpr double kE2 = kFlattening * (2.0 - kFlattening);  // first eccentricity squared
constexpr double kMeanRadius = (2.0 * kSemiMajorAxis + kB) / 3.0;

// Longitude difference folded into [-180, 180]. Within that range std::remainder returns
// its argument unchanged, so the library call is needed only across the antimeridian.
double lon_delta_deg(double lon1, double lon2) {
    const double d = lon2 - lon1;
    if (std::fabs(d) <= 180.0) return d;
    return std::remainder(d, 360.0);
}

double great_circle_m(double lat1, double lon1, double lat2, double lon2) {
    double p1 = lat1 * kDeg, p2 = lat2 * kDeg, dl = lon_delta_deg(lon1, lon2) * kDeg;
    double h = std::sin((p2 - p1) / 2) * std::sin((p2 - p1) / 2) +
               std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2.0 * kMeanRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace

std::optional<double> vincenty_distance_m(double lat1, double lon1, double lat2, double lon2) {
    const double f = kFlattening;
    const double L = lon_delta_deg(lon1, lon2) * kDeg;
    const double U1 = std::atan((1 - f) * std::tan(lat1 * kDeg));
    const double U2 = std::atan((1 - f) * std::tan(lat2 * kDeg));
    const double sinU1 = std::sin(U1), cosU1 = std::cos(U1);
    const double sinU2 = std::sin(U2), cosU2 = std::cos(U2);

    double lambda = L;
    double sin_sigma = 0, cos_sigma = 0, sigma = 0, cos2_alpha = 0, cos_2sigma_m = 0;
    for (int iter = 0;; ++iter) {
        if (iter == 200) return std::nullopt;
        const double sin_lambda = std::sin(lambda), cos_lambda = std::cos(lambda);
        const double t1 = cosU2 * sin_lambda;
        const double t2 = cosU1 * sinU2 - sinU1 * cosU2 * cos_lambda;
        sin_sigma = std::sqrt(t1 * t1 + t2 * t2);
        if (sin_sigma == 0) return 0.0;  // the same point
        cos_sigma = sinU1 * sinU2 + cosU1 * cosU2 * cos_lambda;
        sigma = std::atan2(sin_sigma, cos_sigma);
        const double sin_alpha = cosU1 * cosU2 * sin_lambda / sin_sigma;
        cos2_alpha = 1 - sin_alpha * sin_alpha;
        cos_2sigma_m = cos2_alpha != 0 ? cos_sigma - 2 * sinU1 * sinU2 / cos2_alpha : 0.0;
        const double C = f / 16 * cos2_alpha * (4 + f * (4 - 3 * cos2_alpha));
        const double previous = lambda;
        lambda = L + (1 - C) * f * sin_alpha *
                         (sigma + C * sin_sigma * (cos_2sigma_m + C * cos_sigma * (-1 + 2 * cos_2sigma_m * cos_2sigma_m)));
        if (std::fabs(lambda) > kPi) return std::nullopt;  // diverging: near-antipodal
        if (std::fabs(lambda - previous) < 1e-12) break;
    }
    const double a2 = kSemiMajorAxis * kSemiMajorAxis, b2 = kB * kB;
    const double u2 = cos2_alpha * (a2 - b2) / b2;
    const double A = 1 + u2 / 16384 * (4096 + u2 * (-768 + u2 * (320 - 175 * u2)));
    const double B = u2 / 1024 * (256 + u2 * (-128 + u2 * (74 - 47 * u2)));
    const double c2 = cos_2sigma_m * cos_2sigma_m;
    const double delta_sigma =
        B * sin_sigma *
        (cos_2sigma_m + B / 4 *
                            (cos_sigma * (-1 + 2 * c2) -
                             B / 6 * cos_2sigma_m * (-3 + 4 * sin_sigma * sin_sigma) * (-3 + 4 * c2)));
    return kB * A * (sigma - delta_sigma);
}

double distance_m(double lat1, double lon1, double lat2, double lon2) {
    const double dlat = lat2 - lat1;
    const double dlon = lon_delta_deg(lon1, lon2);
    if (dlat == 0 && dlon == 0) return 0.0;
    if (std::fabs(dlat) < 0.01 && std::fabs(dlon) < 0.01 && std::fabs(lat1) < 89.5 && std::fabs(lat2) < 89.5) {
        // Local plane with the meridian and prime-vertical radii of curvature at the mid
        // latitude; the neglected terms are of order d^3 / R^2, micrometres at 1 km.
        const double phi = (lat1 + lat2) / 2 * kDeg;
        const double s = std::sin(phi);
        const double w2 = 1 - kE2 * s * s;
        const double w = std::sqrt(w2);
        const double n = kSemiMajorAxis / w;           // prime vertical
        const double m = n * (1 - kE2) / w2;           // meridian
        const double north = m * dlat * kDeg;
        const double east = n * std::cos(phi) * dlon * kDeg;
        return std::sqrt(north * north + east * east);
    }
    if (auto d = vincenty_distance_m(lat1, lon1, lat2, lon2)) return *d;
    return great_circle_m(lat1, lon1, lat2, lon2);
}

}  // namespace trakvia::engine::geodesy
