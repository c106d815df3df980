// The three reference ellipsoids: Bessel 1841 (Tokyo datum), GRS80 (JGD2000)
// and WGS84 (points shifted by the sea grid).
#pragma once

namespace geodesy {

// The selector values are part of the interface: callers compute them.
using Ellipsoid = int;
inline constexpr Ellipsoid ELLIPSOID_BESSEL = 0;
inline constexpr Ellipsoid ELLIPSOID_GRS80 = 1;
inline constexpr Ellipsoid ELLIPSOID_WGS84 = 2;

// Semi-major axes, m.
inline constexpr double BESSEL_A = 6377397.155;  // Bessel 1841
inline constexpr double GRS80_A = 6378137.0;
inline constexpr double WGS84_A = 6378137.0;

struct EllipsoidConstants {
    double a;    // semi-major axis, m
    double b;    // semi-minor axis, m
    double e2;   // first eccentricity squared
    double ep2;  // second eccentricity squared
    double c;    // polar radius of curvature a^2/b, m
};

EllipsoidConstants ellipsoid_constants(Ellipsoid ellipsoid);

}  // namespace geodesy
