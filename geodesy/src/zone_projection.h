// The projection parameters of every ellipsoid and zone, built once: both
// projections need them, and the meridian arc to the origin, on every call.
#pragma once

#include "geodesy/projection.h"

namespace geodesy {

struct ZoneProjection {
    ProjectionParams params;
    double origin_arc;  // meridian_arc(params, params.origin_lat), metres
};

// 0 <= ellipsoid <= 2, 1 <= zone <= 19, as projection_params.
const ZoneProjection& zone_projection(Ellipsoid ellipsoid, int zone);

}  // namespace geodesy
