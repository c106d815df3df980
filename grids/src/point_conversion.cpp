#include "grids/point_conversion.h"

#include <cmath>
#include <limits>

#include "geodesy/angles.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/projection.h"
#include "grids/param_file.h"

namespace grids {

using geodesy::deg_to_rad;
using geodesy::rad_to_deg;

namespace {
// The world-side ellipsoid that matches the grid that shifted a point.
geodesy::Ellipsoid world_ellipsoid(GridKind source) {
    return source == GridKind::land ? geodesy::ELLIPSOID_GRS80 : geodesy::ELLIPSOID_WGS84;
}
// A point may switch ellipsoid twice (GRS80, WGS84, GRS80); a third switch
// means it is not converted.
constexpr int MAX_SWITCHES = 3;

// Only a result with every number finite is reported as converted.
int finite_result(const PointResult& r) {
    return std::isfinite(r.x_out) && std::isfinite(r.y_out) && std::isfinite(r.lat_out) && std::isfinite(r.lon_out)
               ? 0
               : 1;
}

// Plane coordinates off the Earth have no latitude and longitude: whatever
// the formulas give there (a latitude of 233 degrees) is no position, so it
// is reported as unknown. Returns 1, not converted.
int unknown_position(PointResult& r) {
    r.lat_in = std::numeric_limits<double>::quiet_NaN();
    r.lon_in = std::numeric_limits<double>::quiet_NaN();
    return 1;
}
}  // namespace

int tokyo_to_jgd_point(const GridSet& tables, int zone, double x, double y,
                       PointResult& result, PointHeight* height) {
    // A result may be reused from point to point: no mark of an earlier
    // point's corrections stays on this one.
    result.corrections = CorrectionMarks{};
    geodesy::GeoPoint g{};
    const int off_earth = geodesy::plane_to_geo_on_earth(geodesy::ELLIPSOID_BESSEL, zone, x, y, g);
    if (off_earth != 0) return unknown_position(result);
    result.lat_in = rad_to_deg(g.lat);
    result.lon_in = rad_to_deg(g.lon);
    if (forward_shift(tables, result.lat_in, result.lon_in, result.lat_out, result.lon_out, result.source) != 0) {
        return 1;
    }
    if (!tables.corrections.empty() && apply_corrections(tables.corrections, result.lat_out, result.lon_out,
                                                         result.lat_out, result.lon_out, result.corrections, height) != 0) {
        return 1;
    }
    const geodesy::PlanePoint p =
        geodesy::geo_to_plane(world_ellipsoid(result.source), zone, deg_to_rad(result.lat_out), deg_to_rad(result.lon_out));
    result.x_out = p.x;
    result.y_out = p.y;
    return finite_result(result);
}

// The input may lie on GRS80 or WGS84, depending on the grid that covers it:
// start on GRS80 and switch until the ellipsoid agrees with the grid.
int jgd_to_tokyo_point(const GridSet& tables, int zone, double x, double y,
                       PointResult& result, PointHeight* height) {
    result.corrections = CorrectionMarks{};
    geodesy::Ellipsoid e = geodesy::ELLIPSOID_GRS80;
    int switches = 0;
    for (;;) {
        geodesy::GeoPoint g{};
        const int off_earth = geodesy::plane_to_geo_on_earth(e, zone, x, y, g);
        if (off_earth != 0) return unknown_position(result);
        result.lat_in = rad_to_deg(g.lat);
        result.lon_in = rad_to_deg(g.lon);
        double lat_j = result.lat_in;
        double lon_j = result.lon_in;
        // Each try on another ellipsoid undoes the heights from the input's.
        PointHeight h = height != nullptr ? *height : PointHeight{};
        if (!tables.corrections.empty() &&
            undo_corrections(tables.corrections, lat_j, lon_j, lat_j, lon_j, result.corrections, &h) != 0) {
            return 1;
        }
        double lat_t = 0;
        double lon_t = 0;
        GridKind source = GridKind::sea;
        if (inverse_shift(tables, lat_j, lon_j, lat_t, lon_t, source) != 0) return 1;
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
        if (height != nullptr) *height = h;
        return finite_result(result);
    }
}

}  // namespace grids
