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

}  // namespace geodesy
