#include <cmath>

#include "geodesy/projection.h"
#include "zone_projection.h"

namespace geodesy {

namespace {
// 1/2, 1/24, 1/720, 1/6 and 1/120 as stored doubles, applied as products.
constexpr double ONE_HALF = 0.5;
constexpr double ONE_24TH = 0.041666666666666664;
constexpr double ONE_720TH = 0.001388888888888889;
constexpr double ONE_SIXTH = 0.16666666666666666;
constexpr double ONE_120TH = 0.008333333333333333;
}  // namespace

// Gauss-Krueger series to the sixth order in the longitude difference from
// the central meridian. For GRS80 and WGS84 the sixth-order term of x and the
// fifth-order term of y drop their eta^2 parts.
PlanePoint geo_to_plane(Ellipsoid ellipsoid, int zone, double lat, double lon) {
    const ZoneProjection& Z = zone_projection(ellipsoid, zone);
    const ProjectionParams& P = Z.params;
    const double l = lon - P.origin_lon;
    const double S0 = Z.origin_arc;
    const double S = meridian_arc(P, lat);

    const double t = std::tan(lat);
    const double T2 = t * t;
    const double T4 = T2 * T2;
    const double C1 = std::cos(lat);
    const double eta2 = C1 * C1 * P.ep2;
    const double H4 = eta2 * eta2;
    const double sin_lat = std::sin(lat);
    const double N = P.a / std::sqrt(1 - sin_lat * sin_lat * P.e2);

    const double L2 = l * l;
    const double L4 = L2 * L2;
    const double L6 = L4 * L2;
    const double L3 = L2 * l;
    const double L5 = L4 * l;
    const double C3 = C1 * C1 * C1;
    const double C5 = C1 * C1 * C1 * C1 * C1;

    double Q6;
    double Q5;
    if (ellipsoid == ELLIPSOID_BESSEL) {
        Q6 = 61 - 58 * T2 + 270 * eta2 + T4 - 330 * eta2 * T2;
        Q5 = 5 - 18 * T2 + 14 * eta2 + T4 - 58 * eta2 * T2;
    } else {
        Q6 = 61 - 58 * T2 + T4;
        Q5 = 5 - 18 * T2 + T4;
    }

    PlanePoint p{};
    p.x = P.m0 * ((S - S0)
                  + N * sin_lat * (C1 * L2 * ONE_HALF
                                   + (5 - T2 + 9 * eta2 + 4 * H4) * C3 * L4 * ONE_24TH
                                   + Q6 * C5 * L6 * ONE_720TH));
    p.y = P.m0 * N * (C1 * l
                      + (1 - T2 + eta2) * C3 * L3 * ONE_SIXTH
                      + Q5 * C5 * L5 * ONE_120TH);
    return p;
}

}  // namespace geodesy
