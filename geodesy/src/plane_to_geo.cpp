#include <cmath>

#include "geodesy/angles.h"
#include "geodesy/projection.h"
#include "zone_projection.h"

namespace geodesy {

namespace {

// Footpoint latitude series, Bessel 1841: coefficients of
// u, u cos2u, u cos4u, u cos6u, u sin2u sin4u, sin2u, sin2u cos4u, u^2 sin2u,
// sin4u, u^2 sin4u, sin6u, sin6u cos2u, sin8u, u^3 cos2u.
constexpr double BESSEL_FOOT[14] = {
    1.0016734829, 8.40515e-06, 2.462e-08, 7e-11, -5e-11,
    0.00251126928, -7.92e-09, -1.407e-08,
    3.67879e-06, -8e-11,
    1.134e-08, 2e-11,
    1e-11,
    -2e-11,
};

// Footpoint latitude series, GRS80 (also used for WGS84): same terms, with
// no u sin2u sin4u, sin2u cos4u or sin6u cos2u term.
constexpr double GRS80_FOOT[14] = {
    1.00167851427, 8.45577e-06, 2.485e-08, 7e-11, 0,
    0.0025188266, 0, -1.419e-08,
    3.70095e-06, -8e-11,
    7.45e-09, 0,
    2e-11,
    -2e-11,
};

}  // namespace

double footpoint_latitude(Ellipsoid ellipsoid, double u) {
    const double c2u = std::cos(2 * u);
    const double c4u = std::cos(4 * u);
    const double c6u = std::cos(6 * u);
    const double s2u = std::sin(2 * u);
    const double s4u = std::sin(4 * u);
    const double s6u = std::sin(6 * u);
    const double s8u = std::sin(8 * u);
    const double u2 = u * u;
    const double u3 = u * u * u;
    if (ellipsoid == ELLIPSOID_BESSEL) {
        const double* k = BESSEL_FOOT;
        return k[0] * u
             + k[1] * u * c2u
             + k[2] * u * c4u
             + k[3] * u * c6u
             + k[4] * u * s2u * s4u
             + k[5] * s2u
             + k[6] * s2u * c4u
             + k[7] * u2 * s2u
             + k[8] * s4u
             + k[9] * u2 * s4u
             + k[10] * s6u
             + k[11] * s6u * c2u
             + k[12] * s8u
             + k[13] * u3 * c2u;
    }
    const double* k = GRS80_FOOT;
    return k[0] * u
         + k[1] * u * c2u
         + k[2] * u * c4u
         + k[3] * u * c6u
         + k[5] * s2u
         + k[7] * u2 * s2u
         + k[8] * s4u
         + k[9] * u2 * s4u
         + k[10] * s6u
         + k[12] * s8u
         + k[13] * u3 * c2u;
}

namespace {

// Latitude and longitude before they are brought into [0, 2*pi).
struct RawGeo {
    double lat;
    double dlon;  // from the central meridian
    double origin_lon;
};

// Footpoint latitude from the normalised meridian arc, then the inverse
// Gauss-Krueger series in the reduced easting. GRS80 and WGS84 carry a
// sixth-order latitude term that Bessel does not.
RawGeo plane_to_geo_raw(Ellipsoid ellipsoid, int zone, double x, double y) {
    const ZoneProjection& Z = zone_projection(ellipsoid, zone);
    const ProjectionParams& P = Z.params;
    const double u = (Z.origin_arc + x / P.m0) / P.a;
    const double phi1 = footpoint_latitude(ellipsoid, u);

    const double t = std::tan(phi1);
    const double T2 = t * t;
    const double T4 = T2 * T2;
    const double C1 = std::cos(phi1);
    const double eta2 = C1 * C1 * P.ep2;
    const double V2 = 1 + eta2;

    const double M = P.c / std::sqrt(std::pow(V2, 3.0));
    const double N = P.c / std::sqrt(V2);
    const double N2 = N * N;
    const double N3 = N2 * N;
    const double N5 = N2 * N3;
    const double two_MN = N * M + N * M;

    const double Y1 = y / P.m0;
    const double Y2 = Y1 * Y1;
    const double Y3 = Y2 * Y1;
    const double Y4 = Y2 * Y2;
    const double Y5 = Y4 * Y1;
    const double Y6 = Y4 * Y2;

    double phi = phi1
               - (t / two_MN) * Y2
               + (5 + 3 * T2 + eta2 - 9 * eta2 * T2 - 4 * (eta2 * eta2)) * (t / (24 * N3 * M)) * Y4;
    if (ellipsoid != ELLIPSOID_BESSEL) {
        phi = phi - (t / (720 * N5 * M)) * (61 + 90 * T2 + 45 * T4) * Y6;
    }

    const double dlon = Y1 / (N * C1)
                      - (1 + 2 * T2 + eta2) * Y3 / (6 * N3 * C1)
                      + (5 + 28 * T2 + 24 * T4) * Y5 / (120 * N5 * C1);

    return {phi, dlon, P.origin_lon};
}

constexpr double QUARTER_TURN = GEO_PI * 0.5;

}  // namespace

GeoPoint plane_to_geo(Ellipsoid ellipsoid, int zone, double x, double y) {
    const RawGeo raw = plane_to_geo_raw(ellipsoid, zone, x, y);
    GeoPoint g{};
    g.lat = normalize_angle_2pi(raw.lat);
    g.lon = normalize_angle_2pi(raw.origin_lon + raw.dlon);
    return g;
}

int plane_to_geo_on_earth(Ellipsoid ellipsoid, int zone, double x, double y, GeoPoint& g) {
    const RawGeo raw = plane_to_geo_raw(ellipsoid, zone, x, y);
    g.lat = normalize_angle_2pi(raw.lat);
    g.lon = normalize_angle_2pi(raw.origin_lon + raw.dlon);
    const bool on_earth = std::fabs(x) <= PLANE_COORDINATE_LIMIT && std::fabs(y) <= PLANE_COORDINATE_LIMIT &&
                          std::fabs(raw.lat) <= QUARTER_TURN && std::fabs(raw.dlon) <= QUARTER_TURN;
    return on_earth ? 0 : 1;
}

}  // namespace geodesy
