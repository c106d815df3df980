#include <cmath>
#include <cstdint>

#include "geodesy/angles.h"
#include "geodesy/mesh_key.h"
#include "grids/datum_shift.h"
#include "grids/decimal.h"
#include "grids/mesh.h"
#include "grids/param_file.h"

namespace grids {

using geodesy::deg_to_rad;
using geodesy::GEO_PI;
using geodesy::rad_to_sec;

namespace {

constexpr double SECONDS_TO_DEGREES = 0.0002777777777777778;  // 1/3600

// Sea grid latitude values carry an offset of 20000; both are thousandths of
// an arc-second.
constexpr double JCG_LAT_OFFSET = 20000;
constexpr double THOUSANDTH = 0.001;

// Three-parameter shift: source ellipsoid (not the Bessel constants of the
// projections), translation, and target ellipsoid, as the sea grid's
// residuals were made against them.
constexpr double SOURCE_A = 6377397.155;
constexpr double SOURCE_E2 = 0.006652172750832886;
constexpr double SOURCE_A_1_MINUS_E2 = 6334973.60742427;
constexpr double SHIFT_DX = -146.383;
constexpr double SHIFT_DY = 507.298;
constexpr double SHIFT_DZ = 680.443;
constexpr double TARGET_C = 6399521.685754821;
constexpr double TARGET_EP2 = 0.0067168626688488215;
constexpr double TARGET_E2 = 0.006672047442457789;

// A point this close to a cell's south-west corner, in degrees, is on it.
constexpr double CORNER_TOLERANCE = 1e-10;

// Cells per degree: 80 columns, 120 rows.
constexpr double COLUMNS_PER_DEGREE = 80;
constexpr double ROWS_PER_DEGREE = 120;

// A node's shift as the table gives it, checked: a value that is not a number
// of a plausible size for a datum shift (this much, in arc-seconds, in
// either direction; the shift across Japan is about 12") makes the node
// count as missing.
int plausible(double dB, double dL) {
    return std::fabs(dB) <= NODE_SHIFT_LIMIT && std::fabs(dL) <= NODE_SHIFT_LIMIT ? 0 : 1;
}

// The four corner nodes of a cell, SW, E, NE, N, as one table gives them.
struct CellNodes {
    std::uint64_t load_id = 0;  // the table content they came from; 0 none
    int code = 0;
    bool has_own = false;  // the cell's own (SW) node was found
    bool has_all = false;  // all four were found
    MeshCorner corner{};
    std::array<double, 4> dB{};
    std::array<double, 4> dL{};
};

// The cells most recently shifted, per thread: survey points come in
// clusters, and each step of an inverse shift stays in the same few cells.
// An entry belongs to one content of one table and is ignored once the table
// is read again.
constexpr std::size_t REMEMBERED_CELLS = 256;
constexpr int REMEMBERED_BITS = 8;
thread_local std::array<CellNodes, REMEMBERED_CELLS> remembered;

// The nodes of a cell, looked up in the order SW, E, N, NE until one is
// missing: a shift needs either the own node alone or all four.
template <typename NodeShift>
const CellNodes& cell_nodes(const ParamTable& table, int code, NodeShift node_shift) {
    const std::uint64_t mixed = (static_cast<std::uint64_t>(static_cast<unsigned>(code)) ^ (table.load_id << 32)) *
                                0x9E3779B97F4A7C15ULL;
    CellNodes& cell = remembered[static_cast<std::size_t>(mixed >> (64 - REMEMBERED_BITS))];
    if (cell.load_id == table.load_id && cell.code == code) return cell;
    cell.load_id = table.load_id;
    cell.code = code;
    cell.corner = mesh_corner(code);
    // Each lookup starts just after the node west or south of it, where a
    // file in grid order keeps it.
    int own = -1;
    int north = -1;
    int unused = -1;
    cell.has_own = node_shift(code, -1, own, cell.dB[0], cell.dL[0]) == 0;
    cell.has_all = false;
    if (cell.has_own) {
        const MeshNeighbours n = mesh_neighbours(code);
        cell.has_all = node_shift(n.east, own, unused, cell.dB[1], cell.dL[1]) == 0 &&
                       node_shift(n.north, own, north, cell.dB[3], cell.dL[3]) == 0 &&
                       node_shift(n.north_east, north, unused, cell.dB[2], cell.dL[2]) == 0;
    }
    return cell;
}

bool on_corner_of(const MeshCorner& corner, double lat, double lon) {
    return std::fabs(lat - corner.lat0) < CORNER_TOLERANCE && std::fabs(lon - corner.lon0) < CORNER_TOLERANCE;
}

// Shift of one table over a cell: the own node alone when the point is on
// the corner of the cell it falls in, else all four corners interpolated.
int shift_over_cell(const CellNodes& cell, bool on_corner, double lat, double lon, double& lat_out,
                    double& lon_out) {
    if (on_corner) {
        if (!cell.has_own) return 1;
        lat_out = lat + cell.dB[0] * SECONDS_TO_DEGREES;
        lon_out = lon + cell.dL[0] * SECONDS_TO_DEGREES;
        return 0;
    }
    if (!cell.has_all) return 1;
    const double s = (lon - cell.corner.lon0) * COLUMNS_PER_DEGREE;
    const double t = (lat - cell.corner.lat0) * ROWS_PER_DEGREE;
    // Corners in the order SW, E, N, NE.
    const std::array<double, 4> dB = {cell.dB[0] * SECONDS_TO_DEGREES, cell.dB[1] * SECONDS_TO_DEGREES,
                                      cell.dB[3] * SECONDS_TO_DEGREES, cell.dB[2] * SECONDS_TO_DEGREES};
    const std::array<double, 4> dL = {cell.dL[0] * SECONDS_TO_DEGREES, cell.dL[1] * SECONDS_TO_DEGREES,
                                      cell.dL[3] * SECONDS_TO_DEGREES, cell.dL[2] * SECONDS_TO_DEGREES};
    lat_out = lat + bilinear(dB, s, t);
    lon_out = lon + bilinear(dL, s, t);
    return 0;
}

// A node's shift; index receives the record's place in the table (-1 when
// there is none), after is where to start looking (see find_param_index).
int gsi_node(const ParamTable& gsi, int code, int after, int& index, double& dB, double& dL) {
    index = find_param_index(gsi, code, after);
    if (index < 0) return 1;
    const ParamRecord& r = gsi.records[index];
    dB = read_decimal(r.lat);
    dL = read_decimal(r.lon);
    return plausible(dB, dL);
}

int jcg_node(const ParamTable& jcg, int key, int after, int& index, double& dB, double& dL) {
    index = find_param_index(jcg, key, after);
    if (index < 0) return 1;
    const ParamRecord& r = jcg.records[index];
    dB = (read_decimal(r.lat) - JCG_LAT_OFFSET) * THOUSANDTH;
    dL = read_decimal(r.lon) * THOUSANDTH;
    const MeshCorner node = mesh_corner(geodesy::key_to_mesh(key));
    double lat_shifted = 0;
    double lon_shifted = 0;
    three_param_shift(deg_to_rad(node.lat0), deg_to_rad(node.lon0), lat_shifted, lon_shifted);
    dB += rad_to_sec(lat_shifted - deg_to_rad(node.lat0));
    dL += rad_to_sec(lon_shifted - deg_to_rad(node.lon0));
    return plausible(dB, dL);
}

const CellNodes& gsi_cell(const ParamTable& gsi, int code) {
    return cell_nodes(gsi, code, [&gsi](int node, int after, int& index, double& dB, double& dL) {
        return gsi_node(gsi, node, after, index, dB, dL);
    });
}

// The sea grid names its nodes by the compact key, and the cell is the one
// that the key of the point's cell names.
const CellNodes& jcg_cell(const ParamTable& jcg, int code) {
    const int cell = geodesy::key_to_mesh(geodesy::mesh_to_key(code));
    return cell_nodes(jcg, cell, [&jcg](int node, int after, int& index, double& dB, double& dL) {
        return jcg_node(jcg, geodesy::mesh_to_key(node), after, index, dB, dL);
    });
}

}  // namespace

double bilinear(const std::array<double, 4>& v, double s, double t) {
    return (1 - s) * ((1 - t) * v[0] + t * v[2]) + s * ((1 - t) * v[1] + t * v[3]);
}

int gsi_node_shift(const ParamTable& gsi, int code, double& dB, double& dL) {
    int index = -1;
    return gsi_node(gsi, code, -1, index, dB, dL);
}

int jcg_node_shift(const ParamTable& jcg, int key, double& dB, double& dL) {
    int index = -1;
    return jcg_node(jcg, key, -1, index, dB, dL);
}

void three_param_shift(double lat, double lon, double& lat_out, double& lon_out) {
    // Geocentric position on the source ellipsoid, translated.
    const double sin_lat = std::sin(lat);
    const double W = std::sqrt(1 - SOURCE_E2 * sin_lat * sin_lat);
    const double nu_source = SOURCE_A / W;
    const double X = nu_source * std::cos(lat) * std::cos(lon) + SHIFT_DX;
    const double Y = nu_source * std::cos(lat) * std::sin(lon) + SHIFT_DY;
    const double Z = SOURCE_A_1_MINUS_E2 * sin_lat / W + SHIFT_DZ;

    double P = 0;
    direction_and_distance(0, 0, X, Y, lon_out, P);
    const double theta = std::atan(Z / P);

    // One Newton step for the root of
    // Z cos(th) - P sin(th) + e2 nu(th) sin(th) cos(th) = 0, starting at theta.
    const double sin_t = std::sin(theta);
    const double cos_t = std::cos(theta);
    const double V = std::sqrt(1 + TARGET_EP2 * cos_t * cos_t);
    const double nu = TARGET_C / V;
    const double M = TARGET_C / (V * V * V);
    const double num = cos_t * Z - sin_t * P + TARGET_E2 * nu * sin_t * cos_t;
    const double den = TARGET_E2 * (M * sin_t * sin_t - nu * cos_t * cos_t) + sin_t * Z + cos_t * P;
    lat_out = theta + num / den;
}

void direction_and_distance(double x1, double y1, double x2, double y2, double& angle, double& length) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    length = std::sqrt(dx * dx + dy * dy);
    if (dx == 0) {
        angle = dy >= 0 ? GEO_PI * 0.5 : GEO_PI * 1.5;
        return;
    }
    angle = std::atan(dy / dx);
    if (dx < 0) {
        angle += GEO_PI;
    } else if (angle < 0) {
        angle += 2 * GEO_PI;
    }
}

int shift_by_gsi(const ParamTable& gsi, double lat, double lon, double& lat_out, double& lon_out) {
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const CellNodes& cell = gsi_cell(gsi, code);
    return shift_over_cell(cell, on_corner_of(cell.corner, lat, lon), lat, lon, lat_out, lon_out);
}

int shift_by_jcg(const ParamTable& jcg, double lat, double lon, double& lat_out, double& lon_out) {
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const bool on_corner = on_corner_of(mesh_corner(code), lat, lon);
    return shift_over_cell(jcg_cell(jcg, code), on_corner, lat, lon, lat_out, lon_out);
}

// The point's cell is found once for both grids; the corner test is made on
// it, as each grid's own shift makes it.
int forward_shift(const ParamTable& gsi, const ParamTable& jcg, double lat, double lon, double& lat_out,
                  double& lon_out, ShiftSource& source) {
    source = SOURCE_JCG;
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const CellNodes& land = gsi_cell(gsi, code);
    const bool on_corner = on_corner_of(land.corner, lat, lon);
    if (shift_over_cell(land, on_corner, lat, lon, lat_out, lon_out) == 0) {
        source = SOURCE_GSI;
        return 0;
    }
    return shift_over_cell(jcg_cell(jcg, code), on_corner, lat, lon, lat_out, lon_out);
}

}  // namespace grids
