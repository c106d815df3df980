// The datum shift between the Tokyo datum and JGD2000 from the two grids:
// the land grid gives the shift at its nodes; the sea grid gives a residual
// on top of a three-parameter shift. Latitudes and longitudes in degrees,
// node shifts in arc-seconds.
#pragma once

#include <array>

#include "grids/mesh.h"
#include "grids/param_table_fwd.h"

namespace grids {

// Which grid shifted a point.
enum class GridKind { land, sea };

// Values at the corners SW, E, N, NE; s and t are the fractions of the cell
// in longitude and latitude.
double bilinear(const std::array<double, 4>& v, double s, double t);

// Node values are arc-seconds; positions are degrees.
inline constexpr double SECONDS_TO_DEGREES = 0.0002777777777777778;  // 1/3600

// The node values (arc-seconds) at the corners SW, E, NE, N of the cell whose
// south-west corner is corner, interpolated at (lat, lon) of the cell: the
// change of latitude and longitude in degrees. Each value is turned into
// degrees first, then interpolated.
void interpolate_cell(const MeshCorner& corner, const std::array<double, 4>& dB, const std::array<double, 4>& dL,
                      double lat, double lon, double& dlat, double& dlon);

// One value per corner (SW, E, NE, N, as interpolate_cell takes them)
// interpolated at (lat, lon) of the cell with the same weights, in the
// values' own unit.
double interpolate_cell_value(const MeshCorner& corner, const std::array<double, 4>& v, double lat, double lon);

// Largest node shift taken as a datum shift, arc-seconds in each direction.
inline constexpr double NODE_SHIFT_LIMIT = 120;

// A node's shift in arc-seconds; 1 when the table lacks the node or its shift
// is not a finite number within NODE_SHIFT_LIMIT (dB and dL then hold what
// the node gave).
int land_node_shift(const ParamTable& land, int code, double& dB, double& dL);
int sea_node_shift(const ParamTable& sea, int key, double& dB, double& dL);

// Geocentric translation from the Tokyo datum's ellipsoid at height 0, with
// one Newton step for the target latitude. Radians in and out.
void three_param_shift(double lat, double lon, double& lat_out, double& lon_out);

// Direction in [0, 2*pi) and length of the vector (x1, y1) -> (x2, y2).
void direction_and_distance(double x1, double y1, double x2, double y2, double& angle, double& length);

// Shift by one table: 0 when every node the point needs is there.
int shift_by_land(const ParamTable& land, double lat, double lon, double& lat_out, double& lon_out);
int shift_by_sea(const ParamTable& sea, double lat, double lon, double& lat_out, double& lon_out);

// Tokyo datum to JGD2000: the land grid first, else the sea grid. 1 when
// neither covers the point (source is then GridKind::sea, outputs untouched).
int forward_shift(const GridSet& tables, double lat, double lon, double& lat_out,
                  double& lon_out, GridKind& source);

// Most forward shifts one inverse shift may take before it gives up.
inline constexpr int INVERSE_SHIFT_MAX_STEPS = 100;

// JGD2000 to the Tokyo datum by fixed-point iteration on the forward shift,
// to 1e-10 degree. 1 when a step leaves both grids or the iteration does not
// settle within INVERSE_SHIFT_MAX_STEPS forward shifts.
int inverse_shift(const GridSet& tables, double lat_j, double lon_j, double& lat_t,
                  double& lon_t, GridKind& source);

}  // namespace grids
