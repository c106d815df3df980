#include <atomic>
#include <cmath>
#include <cstdint>

#include "geodesy/angles.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/mesh_key.h"
#include "grids/datum_shift.h"
#include "grids/mesh.h"
#include "grids/param_file.h"
#include "text/number.h"

namespace grids {

using geodesy::deg_to_rad;
using geodesy::GEO_PI;
using geodesy::rad_to_sec;

namespace {

// Sea grid latitude values carry an offset of 20000; both are thousandths of
// an arc-second.
constexpr double SEA_LAT_OFFSET = 20000;
constexpr double THOUSANDTH = 0.001;

// Three-parameter shift: source ellipsoid, translation (m) and target
// ellipsoid, as the sea grid's residuals were made against them. Neither
// ellipsoid is quite that of the projections; every value is kept as it
// stands, since each digit reaches the output.
// Source: the Bessel 1841 semi-major axis, with the first eccentricity
// squared of flattening 1/300.152813 (Bessel 1841's is 1/299.1528128), and
// a (1 - e^2).
constexpr double SOURCE_A = geodesy::BESSEL_A;
constexpr double SOURCE_E2 = 0.006652172750832886;
constexpr double SOURCE_A_1_MINUS_E2 = 6334973.60742427;
constexpr double SHIFT_DX = -146.383;
constexpr double SHIFT_DY = 507.298;
constexpr double SHIFT_DZ = 680.443;
// Target: the GRS80 and WGS84 semi-major axis 6378137 m with flattening
// 1/299.257223563 (WGS84's is 1/298.257223563): polar radius of curvature
// a^2/b, second and first eccentricity squared.
constexpr double TARGET_C = 6399521.685754821;
constexpr double TARGET_EP2 = 0.0067168626688488215;
constexpr double TARGET_E2 = 0.006672047442457789;

// The row and column of the first sea-grid key, counted as the land grid's
// (see geodesy::mesh_to_key).
constexpr int SEA_ROW_OFFSET = 1680;
constexpr int SEA_COLUMN_OFFSET = 1600;

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

// The row and column of a cell (see find_place_index), for a code whose
// digits q and v are below 8 and whose neighbours east and north stay within
// two-digit pp and uu: for such a code the neighbours are the next row and
// column, the same cells as mesh_neighbours gives by encoding the shifted
// corner. false for any other code.
bool regular_cell(int code, int& row, int& column) {
    if (code < 0) return false;
    const geodesy::MeshDigits d = geodesy::mesh_digits(code);
    row = d.pp * 80 + d.q * 10 + d.r;
    column = d.uu * 80 + d.v * 10 + d.w;
    return d.q < 8 && d.v < 8 && row + 1 < 8000 && column + 1 < 8000;
}

// The nodes of a cell: found by their places for a regular cell of a table
// whose keys never repeat, else by the keys of the cell and of its
// neighbours.
template <typename Grid>
const CellNodes& cell_nodes(const ParamTable& table, int code, const Grid& grid) {
    const std::uint64_t mixed = (static_cast<std::uint64_t>(static_cast<unsigned>(code)) ^ (table.load_id << 32)) *
                                0x9E3779B97F4A7C15ULL;
    CellNodes& cell = remembered[static_cast<std::size_t>(mixed >> (64 - REMEMBERED_BITS))];
    if (cell.load_id == table.load_id && cell.code == code) return cell;
    cell.load_id = table.load_id;
    cell.code = code;
    cell.corner = mesh_corner(code);
    cell.has_own = false;
    cell.has_all = false;
    // SW, E, NE, N, the order of the shift's corner values.
    std::array<int, 4> keys{};
    std::array<int, 4> at{};
    int row = 0;
    int column = 0;
    if (table.unique_keys && regular_cell(code, row, column) && grid.place(row, column)) {
        const std::array<int, 4> rows = {row, row, row + 1, row + 1};
        const std::array<int, 4> columns = {column, column + 1, column + 1, column};
        for (std::size_t i = 0; i < at.size(); ++i) {
            keys[i] = grid.place_key(rows[i], columns[i]);
            at[i] = find_place_index(table, rows[i], columns[i]);
        }
    } else {
        const MeshNeighbours n = mesh_neighbours(code);
        keys = {grid.key(code), grid.key(n.east), grid.key(n.north_east), grid.key(n.north)};
        for (std::size_t i = 0; i < at.size(); ++i) at[i] = find_param_index(table, keys[i]);
    }
    if (at[0] < 0) return cell;
    cell.has_own = grid.shift(at[0], keys[0], cell.dB[0], cell.dL[0]) == 0;
    cell.has_all = cell.has_own && at[1] >= 0 && at[2] >= 0 && at[3] >= 0;
    for (std::size_t i = 1; i < at.size() && cell.has_all; ++i) {
        cell.has_all = grid.shift(at[i], keys[i], cell.dB[i], cell.dL[i]) == 0;
    }
    return cell;
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
    double dlat = 0;
    double dlon = 0;
    interpolate_cell(cell.corner, cell.dB, cell.dL, lat, lon, dlat, dlon);
    lat_out = lat + dlat;
    lon_out = lon + dlon;
    return 0;
}

// A node's shift from its record (found at index; -1 when missing).
int land_record_shift(const ParamTable& land, int index, double& dB, double& dL) {
    if (index < 0) return 1;
    const ParamRecord& r = land.records[index];
    dB = text::read_decimal(r.lat);
    dL = text::read_decimal(r.lon);
    return plausible(dB, dL);
}

// The residual of the record on top of the three-parameter shift at the node.
int sea_record_shift(const ParamTable& sea, int index, int key, double& dB, double& dL) {
    if (index < 0) return 1;
    const ParamRecord& r = sea.records[index];
    dB = (text::read_decimal(r.lat) - SEA_LAT_OFFSET) * THOUSANDTH;
    dL = text::read_decimal(r.lon) * THOUSANDTH;
    const MeshCorner node = mesh_corner(geodesy::key_to_mesh(key));
    double lat_shifted = 0;
    double lon_shifted = 0;
    three_param_shift(deg_to_rad(node.lat0), deg_to_rad(node.lon0), lat_shifted, lon_shifted);
    dB += rad_to_sec(lat_shifted - deg_to_rad(node.lat0));
    dL += rad_to_sec(lon_shifted - deg_to_rad(node.lon0));
    return plausible(dB, dL);
}

// A node's shift, worked out by compute once and kept when the table has
// room for it: the first thread to claim the node keeps it, and another
// that worked it out meanwhile found the same shift.
template <typename Compute>
int kept_shift(const ParamTable& table, int index, double& dB, double& dL, Compute compute) {
    if (index < 0 || !table.shifts_kept) return compute();
    std::atomic<std::uint8_t>& state = table.shift_states[index];
    std::uint8_t known = state.load(std::memory_order_acquire);
    if (known == 1 || known == 2) {
        dB = table.shifts[index].dB;
        dL = table.shifts[index].dL;
        return known == 1 ? 0 : 1;
    }
    const int result = compute();
    if (known == 0 && state.compare_exchange_strong(known, 3, std::memory_order_acquire)) {
        table.shifts[index] = NodeShift{dB, dL};
        state.store(result == 0 ? 1 : 2, std::memory_order_release);
    }
    return result;
}

// The land grid is keyed by the cell's code.
struct LandGrid {
    const ParamTable& table;
    int key(int code) const { return code; }
    // A cell's row and column are the table's place of its node.
    bool place(int& /*row*/, int& /*column*/) const { return true; }
    int place_key(int /*row*/, int /*column*/) const { return 0; }  // the shift needs no key
    int shift(int index, int /*key*/, double& dB, double& dL) const {
        return kept_shift(table, index, dB, dL, [&] { return land_record_shift(table, index, dB, dL); });
    }
};

// The sea grid names its nodes by the compact key.
struct SeaGrid {
    const ParamTable& table;
    int key(int code) const { return geodesy::mesh_to_key(code); }
    // The place of the compact key of a cell's node; false for a cell south
    // of 14 N or west of 120 E, which has none.
    bool place(int& row, int& column) const {
        row -= SEA_ROW_OFFSET;
        column -= SEA_COLUMN_OFFSET;
        return row >= 0 && column >= 0;
    }
    int place_key(int row, int column) const { return row * 10000 + column; }
    int shift(int index, int node_key, double& dB, double& dL) const {
        return kept_shift(table, index, dB, dL, [&] { return sea_record_shift(table, index, node_key, dB, dL); });
    }
};

const CellNodes& land_cell(const ParamTable& land, int code) { return cell_nodes(land, code, LandGrid{land}); }

// The sea grid's cell is the one that the key of the point's cell names. A
// cell the key cannot name has no sea-grid nodes.
const CellNodes& sea_cell(const ParamTable& sea, int code) {
    static const CellNodes no_nodes{};
    const int key = geodesy::mesh_to_key(code);
    if (key == geodesy::NO_KEY) return no_nodes;
    return cell_nodes(sea, geodesy::key_to_mesh(key), SeaGrid{sea});
}

}  // namespace

double bilinear(const std::array<double, 4>& v, double s, double t) {
    return (1 - s) * ((1 - t) * v[0] + t * v[2]) + s * ((1 - t) * v[1] + t * v[3]);
}

void interpolate_cell(const MeshCorner& corner, const std::array<double, 4>& dB, const std::array<double, 4>& dL,
                      double lat, double lon, double& dlat, double& dlon) {
    const double s = (lon - corner.lon0) * COLUMNS_PER_DEGREE;
    const double t = (lat - corner.lat0) * ROWS_PER_DEGREE;
    // Corners in the order SW, E, N, NE.
    const std::array<double, 4> b = {dB[0] * SECONDS_TO_DEGREES, dB[1] * SECONDS_TO_DEGREES,
                                     dB[3] * SECONDS_TO_DEGREES, dB[2] * SECONDS_TO_DEGREES};
    const std::array<double, 4> l = {dL[0] * SECONDS_TO_DEGREES, dL[1] * SECONDS_TO_DEGREES,
                                     dL[3] * SECONDS_TO_DEGREES, dL[2] * SECONDS_TO_DEGREES};
    dlat = bilinear(b, s, t);
    dlon = bilinear(l, s, t);
}

double interpolate_cell_value(const MeshCorner& corner, const std::array<double, 4>& v, double lat, double lon) {
    const double s = (lon - corner.lon0) * COLUMNS_PER_DEGREE;
    const double t = (lat - corner.lat0) * ROWS_PER_DEGREE;
    return bilinear({v[0], v[1], v[3], v[2]}, s, t);
}

int land_node_shift(const ParamTable& land, int code, double& dB, double& dL) {
    return land_record_shift(land, find_param_index(land, code), dB, dL);
}

int sea_node_shift(const ParamTable& sea, int key, double& dB, double& dL) {
    return sea_record_shift(sea, find_param_index(sea, key), key, dB, dL);
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

int shift_by_land(const ParamTable& land, double lat, double lon, double& lat_out, double& lon_out) {
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const CellNodes& cell = land_cell(land, code);
    return shift_over_cell(cell, on_mesh_corner(cell.corner, lat, lon), lat, lon, lat_out, lon_out);
}

int shift_by_sea(const ParamTable& sea, double lat, double lon, double& lat_out, double& lon_out) {
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const bool on_corner = on_mesh_corner(mesh_corner(code), lat, lon);
    return shift_over_cell(sea_cell(sea, code), on_corner, lat, lon, lat_out, lon_out);
}

// The point's cell is found once for both grids; the corner test is made on
// it, as each grid's own shift makes it.
int forward_shift(const GridSet& tables, double lat, double lon, double& lat_out,
                  double& lon_out, GridKind& source) {
    source = GridKind::sea;
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH) return 1;
    const CellNodes& land_nodes = land_cell(tables.land, code);
    const bool on_corner = on_mesh_corner(land_nodes.corner, lat, lon);
    if (shift_over_cell(land_nodes, on_corner, lat, lon, lat_out, lon_out) == 0) {
        source = GridKind::land;
        return 0;
    }
    return shift_over_cell(sea_cell(tables.sea, code), on_corner, lat, lon, lat_out, lon_out);
}

}  // namespace grids
