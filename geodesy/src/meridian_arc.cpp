#include <cmath>

#include "geodesy/angles.h"
#include "geodesy/projection.h"
#include "geodesy/zones.h"
#include "zone_projection.h"

namespace geodesy {

namespace {

// Meridian arc coefficients A1..A7, Bessel 1841.
constexpr std::array<double, 7> BESSEL_ARC = {
    1.0050373060455773,
    0.005047849237900374,
    1.0563786822289e-05,
    2.0633349719e-08,
    3.8862041e-11,
    7.1568e-14,
    1.3e-16,
};

// Meridian arc coefficients A1..A7, GRS80 (also used with the WGS84 axes).
constexpr std::array<double, 7> GRS80_ARC = {
    1.005052501813087,
    0.005063108622224,
    1.0627590263e-05,
    2.0820379e-08,
    3.9324e-11,
    7.1e-14,
    0,
};

// Reciprocals of the sine multiples' divisors 2, 4, ..., 12, as stored.
constexpr double HALF = 0.5;
constexpr double QUARTER = 0.25;
constexpr double SIXTH = 0.16666666666666666;
constexpr double EIGHTH = 0.125;
constexpr double TENTH = 0.1;
constexpr double TWELFTH = 0.08333333333333333;

}  // namespace

ProjectionParams projection_params(Ellipsoid ellipsoid, int zone) {
    const ZoneOrigin origin = zone_origin(zone);
    const EllipsoidConstants k = ellipsoid_constants(ellipsoid);
    ProjectionParams p{};
    p.ellipsoid = ellipsoid;
    p.origin_lat = dms_to_rad(origin.lat);
    p.origin_lon = dms_to_rad(origin.lon);
    p.a = k.a;
    p.e2 = k.e2;
    p.ep2 = k.ep2;
    p.c = k.c;
    p.m0 = ZONE_SCALE_FACTOR;
    p.arc = ellipsoid == ELLIPSOID_BESSEL ? BESSEL_ARC : GRS80_ARC;
    return p;
}

// Series in sines of even multiples of the latitude, summed left to right.
double meridian_arc(const ProjectionParams& params, double lat) {
    const std::array<double, 7>& A = params.arc;
    const double sum = A[0] * lat
                     - A[1] * std::sin(2 * lat) * HALF
                     + A[2] * std::sin(4 * lat) * QUARTER
                     - A[3] * std::sin(6 * lat) * SIXTH
                     + A[4] * std::sin(8 * lat) * EIGHTH
                     - A[5] * std::sin(10 * lat) * TENTH
                     + A[6] * std::sin(12 * lat) * TWELFTH;
    return sum * (1 - params.e2) * params.a;
}

const ZoneProjection& zone_projection(Ellipsoid ellipsoid, int zone) {
    static const std::array<ZoneProjection, 3 * ZONE_COUNT> table = [] {
        std::array<ZoneProjection, 3 * ZONE_COUNT> t{};
        for (Ellipsoid e = ELLIPSOID_BESSEL; e <= ELLIPSOID_WGS84; ++e) {
            for (int z = 1; z <= ZONE_COUNT; ++z) {
                ZoneProjection& zp = t[static_cast<std::size_t>(e * ZONE_COUNT + z - 1)];
                zp.params = projection_params(e, z);
                zp.origin_arc = meridian_arc(zp.params, zp.params.origin_lat);
            }
        }
        return t;
    }();
    return table[static_cast<std::size_t>(ellipsoid * ZONE_COUNT + zone - 1)];
}

}  // namespace geodesy
