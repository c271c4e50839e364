// Geodesic distance against GeographicLib (Karney's algorithm), the reference.
#include <gtest/gtest.h>

#include <random>

#include "geodesy.hpp"
#include "missing_input.hpp"

#ifdef TRAKVIA_HAVE_GEOGRAPHICLIB
#include <GeographicLib/Geodesic.hpp>
#endif

namespace trakvia::engine {
namespace {

TEST(Geodesy, KnownValues) {
    // One degree of latitude at the equator and along the 60th parallel's meridian.
    EXPECT_NEAR(geodesy::distance_m(0, 0, 1, 0), 110574.389, 0.01);
    EXPECT_NEAR(geodesy::distance_m(0, 0, 0, 1), 111319.491, 0.01);
    EXPECT_DOUBLE_EQ(geodesy::distance_m(41.0, 29.0, 41.0, 29.0), 0.0);
    // Across the antimeridian the short way round.
    EXPECT_NEAR(geodesy::distance_m(0, 179.9995, 0, -179.9995), 111.319, 0.001);
}

#ifdef TRAKVIA_HAVE_GEOGRAPHICLIB

double reference_m(double lat1, double lon1, double lat2, double lon2) {
    double s12 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, s12);
    return s12;
}

// Within a millimetre per kilometre (and a micrometre absolute for tiny steps).
void expect_close(double lat1, double lon1, double lat2, double lon2) {
    double ref = reference_m(lat1, lon1, lat2, lon2);
    double got = geodesy::distance_m(lat1, lon1, lat2, lon2);
    EXPECT_NEAR(got, ref, 1e-6 + ref * 1e-6) << lat1 << "," << lon1 << " -> " << lat2 << "," << lon2;
}

TEST(Geodesy, MatchesGeographicLibOnRandomPairsOfEverySize) {
    std::mt19937_64 rng(20260101);
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180, 180), unit(0, 1);
    for (int i = 0; i < 20000; ++i) {
        double lat1 = lat(rng), lon1 = lon(rng);
        // Steps from centimetres to thousands of kilometres.
        double scale = std::pow(10.0, -7 + 9 * unit(rng));
        double lat2 = std::clamp(lat1 + (unit(rng) - 0.5) * scale, -90.0, 90.0);
        double lon2 = lon1 + (unit(rng) - 0.5) * scale;
        expect_close(lat1, lon1, lat2, lon2);
    }
}

TEST(Geodesy, MatchesGeographicLibNearPolesAndAntimeridian) {
    for (double lat : {-89.99, -60.0, 0.0, 45.0, 89.3, 89.99})
        for (double step : {1e-5, 0.003, 0.009, 0.2, 10.0}) {
            expect_close(lat, 179.999, std::clamp(lat - step / 2, -90.0, 90.0), -179.999 + step);
            expect_close(lat, 10.0, std::clamp(lat + step, -90.0, 90.0), 10.0 + step);
        }
}

TEST(Geodesy, NearAntipodalPairsStayWithinHalfAPercent) {
    for (double dlat : {0.0, 0.1, 0.5}) {
        for (double dlon : {0.0, 0.2, 0.5, 1.0}) {
            double ref = reference_m(dlat, 0.0, -dlat, 180.0 - dlon);
            EXPECT_NEAR(geodesy::distance_m(dlat, 0.0, -dlat, 180.0 - dlon), ref, ref * 0.005);
        }
    }
}

#else

// The comparisons above are the only check of the "1 mm per km" the README promises.
TEST(Geodesy, MatchesGeographicLib) {
    TRAKVIA_SKIP_OR_FAIL_IN_CI << "GeographicLib was not found when the tests were built (libgeographiclib-dev)";
}

#endif

}  // namespace
}  // namespace trakvia::engine
