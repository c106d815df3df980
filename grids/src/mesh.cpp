#include "grids/mesh.h"

#include <cmath>

#include "geodesy/angles.h"
#include "geodesy/mesh_key.h"

namespace grids {

namespace {

// Cell sizes in degrees: first level 2/3 deg by 1 deg, second level
// 1/12 by 1/8, third level 1/120 by 1/80.
constexpr double FIRST_LAT = 0.6666666666666666;
constexpr double SECOND_LAT = 0.08333333333333333;
constexpr double THIRD_LAT = 0.008333333333333333;
constexpr double SECOND_LON = 0.125;
constexpr double THIRD_LON = 0.0125;

// The first-level row pp and column uu have two digits each.
constexpr double MAX_FIRST_LEVEL = 99;

// Whole part with the 1e-5 tolerance: a point just below a cell line counts
// as above it. This is truncate_decimals(v, 0) for every v within
// MESH_DEGREE_LIMIT * 1.5, written out here because every shift computes it
// several times (the conversion to an integer is the floor of such a
// non-negative value).
double whole(double v) {
    const double magnitude = static_cast<double>(static_cast<long long>(std::fabs(v) + 0.00001));
    if (v > 0) return magnitude;
    if (v < 0) return -magnitude;
    return 0.0 * magnitude;
}

}  // namespace

int mesh_code_at(double lat, double lon) {
    // Beyond this every digit and the code itself would leave the range of an int.
    if (!(std::fabs(lat) < MESH_DEGREE_LIMIT && std::fabs(lon) < MESH_DEGREE_LIMIT)) return NO_MESH;
    const double pp = whole(lat * 1.5);
    const double a = lat - pp * FIRST_LAT;
    const double q = whole(a * 12);
    const double r = whole((a - q * SECOND_LAT) * 120);
    const double uu = whole(lon) - 100;
    const double b = lon - uu - 100;
    const double v = whole(b * 8);
    const double w = whole((b - v * SECOND_LON) * 80);
    // South of the equator, west of 100 E or from 200 E on, a digit would be
    // negative or the first-level column would take three digits: the code
    // would then name another, real cell far away. No cell is there.
    if (pp < 0 || q < 0 || r < 0 || uu < 0 || v < 0 || w < 0 || pp > MAX_FIRST_LEVEL || uu > MAX_FIRST_LEVEL) {
        return NO_MESH;
    }
    return static_cast<int>(pp) * 1000000 + static_cast<int>(uu) * 10000 + static_cast<int>(q) * 1000 +
           static_cast<int>(v) * 100 + static_cast<int>(r) * 10 + static_cast<int>(w);
}

MeshCorner mesh_corner(int code) {
    const geodesy::MeshDigits d = geodesy::mesh_digits(code);
    MeshCorner c{};
    c.lat0 = d.pp * FIRST_LAT + d.q * SECOND_LAT + d.r * THIRD_LAT;
    c.lon0 = d.w * THIRD_LON + d.v * SECOND_LON + d.uu + 100;
    return c;
}

void locate_mesh(double lat, double lon, int& code, int& on_corner) {
    code = mesh_code_at(lat, lon);
    const MeshCorner c = mesh_corner(code);
    on_corner = on_mesh_corner(c, lat, lon) ? 1 : 0;
}

// Each neighbour is found by encoding a shifted corner, so that carries into
// the second- and first-level digits come out right.
MeshNeighbours mesh_neighbours(int code) {
    const MeshCorner c = mesh_corner(code);
    MeshNeighbours n{};
    n.east = mesh_code_at(c.lat0, c.lon0 + THIRD_LON);
    n.north_east = mesh_code_at(c.lat0 + THIRD_LAT, c.lon0 + THIRD_LON);
    n.north = mesh_code_at(c.lat0 + THIRD_LAT, c.lon0);
    return n;
}

}  // namespace grids
