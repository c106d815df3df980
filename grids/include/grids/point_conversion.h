// One survey point from the plane coordinates of one datum to those of the
// other, in the same zone. The Tokyo side is always Bessel; the JGD2000 side
// is GRS80 for points the land grid shifts and WGS84 for the sea grid.
#pragma once

#include "grids/correction.h"
#include "grids/datum_shift.h"

namespace grids {

struct PointResult {
    double lat_in = 0;   // input point on the input datum, degrees (always set)
    double lon_in = 0;
    double x_out = 0;    // output datum, metres (set when converted)
    double y_out = 0;
    double lat_out = 0;  // output datum, degrees (set when converted)
    double lon_out = 0;
    GridKind source = GridKind::sea;
    // What the run's correction grids did (set when converted, and failed
    // when a correction stopped the point).
    CorrectionMarks corrections;
};

// 0 converted, 1 not converted: the plane coordinates cannot lie on the Earth
// in the zone (not finite, too far out, or a latitude or longitude that
// would need wrapping), no grid covers the point, a correction grid leaves
// it unknown, or the result is not finite. The corrections apply to the
// shifted position, in their order, before it is projected. lat_in and
// lon_in are set in every case: not-a-number when the plane coordinates lie
// off the Earth. height, when given, is the point's height, which the height
// files among the corrections change (see apply_corrections); it is changed
// only when the point is converted.
int tokyo_to_jgd_point(const GridSet& tables, int zone, double x, double y,
                       PointResult& result, PointHeight* height = nullptr);

// 0 converted; 1 as tokyo_to_jgd_point, or when the ellipsoid of the input and
// the grid that shifts it keep disagreeing. The corrections are undone on
// the input's position, in reverse order, before the shift is inverted.
int jgd_to_tokyo_point(const GridSet& tables, int zone, double x, double y,
                       PointResult& result, PointHeight* height = nullptr);

}  // namespace grids
