// Grid squares of 30" of latitude by 45" of longitude, named by the 8-digit
// third-order code ppuuqvrw. A grid node is the south-west corner of the cell
// whose code it carries.
#pragma once

#include <climits>
#include <cmath>

namespace grids {

// The code of a position that no cell can have: a latitude or longitude that
// is not a number or lies 1000 degrees or more from zero, or a position
// outside the codes' domain (south of the equator, west of 100 E, from 200 E
// on, or from 66 40' N on). Its key text is longer than any key of a grid
// file, so no lookup finds it.
inline constexpr int NO_MESH = INT_MIN;
inline constexpr double MESH_DEGREE_LIMIT = 1000;

int mesh_code_at(double lat, double lon);

struct MeshCorner {
    double lat0;  // degrees
    double lon0;  // degrees
};
MeshCorner mesh_corner(int code);

// A point this close to a cell's south-west corner, in degrees, is on it.
inline constexpr double CORNER_TOLERANCE = 1e-10;

// Whether the point is (within CORNER_TOLERANCE) the corner.
inline bool on_mesh_corner(const MeshCorner& corner, double lat, double lon) {
    return std::fabs(lat - corner.lat0) < CORNER_TOLERANCE && std::fabs(lon - corner.lon0) < CORNER_TOLERANCE;
}

// The point's cell, and whether the point is (within CORNER_TOLERANCE) that
// cell's south-west corner.
void locate_mesh(double lat, double lon, int& code, int& on_corner);

struct MeshNeighbours {
    int east;
    int north_east;
    int north;
};
MeshNeighbours mesh_neighbours(int code);

}  // namespace grids
