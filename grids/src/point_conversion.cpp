#include "grids/point_conversion.h"

#include "geodesy/angles.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/projection.h"

namespace grids {

using geodesy::deg_to_rad;
using geodesy::rad_to_deg;

namespace {
// The world-side ellipsoid that matches the grid that shifted a point.
geodesy::Ellipsoid world_ellipsoid(ShiftSource source) {
    return source == SOURCE_GSI ? geodesy::ELLIPSOID_GRS80 : geodesy::ELLIPSOID_WGS84;
}
// A point may switch ellipsoid twice (GRS80, WGS84, GRS80); a third switch
// means it is not converted.
constexpr int MAX_SWITCHES = 3;
}  // namespace

int tokyo_to_jgd_point(const ParamTable& gsi, const ParamTable& jcg, int zone, double x, double y,
                       PointResult& result) {
    const geodesy::GeoPoint g = geodesy::plane_to_geo(geodesy::ELLIPSOID_BESSEL, zone, x, y);
    result.lat_in = rad_to_deg(g.lat);
    result.lon_in = rad_to_deg(g.lon);
    if (forward_shift(gsi, jcg, result.lat_in, result.lon_in, result.lat_out, result.lon_out, result.source) != 0) {
        return 1;
    }
    const geodesy::PlanePoint p =
        geodesy::geo_to_plane(world_ellipsoid(result.source), zone, deg_to_rad(result.lat_out), deg_to_rad(result.lon_out));
    result.x_out = p.x;
    result.y_out = p.y;
    return 0;
}

// The input may lie on GRS80 or WGS84, depending on the grid that covers it:
// start on GRS80 and switch until the ellipsoid agrees with the grid.
int jgd_to_tokyo_point(const ParamTable& gsi, const ParamTable& jcg, int zone, double x, double y,
                       PointResult& result) {
    geodesy::Ellipsoid e = geodesy::ELLIPSOID_GRS80;
    int switches = 0;
    for (;;) {
        const geodesy::GeoPoint g = geodesy::plane_to_geo(e, zone, x, y);
        result.lat_in = rad_to_deg(g.lat);
        result.lon_in = rad_to_deg(g.lon);
        double lat_t = 0;
        double lon_t = 0;
        ShiftSource source = SOURCE_JCG;
        if (inverse_shift(gsi, jcg, result.lat_in, result.lon_in, lat_t, lon_t, source) != 0) return 1;
        result.source = source;
        if (world_ellipsoid(source) != e) {
            e = world_ellipsoid(source);
            ++switches;
            if (switches >= MAX_SWITCHES) return 1;
            continue;
        }
        result.lat_out = lat_t;
        result.lon_out = lon_t;
        const geodesy::PlanePoint p = geodesy::geo_to_plane(geodesy::ELLIPSOID_BESSEL, zone, deg_to_rad(lat_t), deg_to_rad(lon_t));
        result.x_out = p.x;
        result.y_out = p.y;
        return 0;
    }
}

}  // namespace grids
