// Gauss-Krueger conversions between geographic coordinates and the plane
// rectangular coordinates of a zone (X north, Y east, metres, no false origin).
#pragma once

#include <array>

#include "geodesy/ellipsoids.h"

namespace geodesy {

struct ProjectionParams {
    Ellipsoid ellipsoid;
    double origin_lat;  // radians
    double origin_lon;  // radians
    double a, e2, ep2, c;
    double m0;                 // scale factor on the central meridian
    std::array<double, 7> arc;  // meridian arc coefficients A1..A7
};

ProjectionParams projection_params(Ellipsoid ellipsoid, int zone);

// Meridian length from the equator to lat (radians), metres.
double meridian_arc(const ProjectionParams& params, double lat);

struct PlanePoint {
    double x;  // northing, m
    double y;  // easting, m
};

struct GeoPoint {
    double lat;  // radians
    double lon;  // radians
};

// Geographic (radians, on the given ellipsoid) to plane coordinates of zone.
PlanePoint geo_to_plane(Ellipsoid ellipsoid, int zone, double lat, double lon);

// Latitude of the footpoint for the normalised meridian arc u.
double footpoint_latitude(Ellipsoid ellipsoid, double u);

// Plane coordinates of zone to geographic radians, each in [0, 2*pi).
GeoPoint plane_to_geo(Ellipsoid ellipsoid, int zone, double x, double y);

// No point of the Earth lies farther from a zone's origin along either axis
// than half a meridian (about 20,004 km); plane coordinates beyond this
// distance, in metres, are taken for no place at all.
inline constexpr double PLANE_COORDINATE_LIMIT = 20000000;

// plane_to_geo, with g set in every case, and 0 only when the point can lie
// on the Earth in the zone: x and y are finite and within
// PLANE_COORDINATE_LIMIT, the latitude lies between the poles and the
// longitude within a quarter turn of the zone's central meridian, so that
// neither needed wrapping. 1 otherwise.
int plane_to_geo_on_earth(Ellipsoid ellipsoid, int zone, double x, double y, GeoPoint& g);

}  // namespace geodesy
