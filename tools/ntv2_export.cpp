#include "ntv2_export.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "geodesy/ellipsoids.h"
#include "geodesy/mesh_key.h"
#include "export_common.h"
#include "grids/datum_shift.h"

namespace ntv2 {

namespace {

static_assert(std::endian::native == std::endian::little, "the file is written in the machine's byte order");

constexpr int ROWS_PER_FIRST_LEVEL = 80;  // 2/3 degree of 30" rows
constexpr int COLS_PER_FIRST_LEVEL = 80;  // 1 degree of 45" columns
constexpr double ROW_SECONDS = 30;
constexpr double COL_SECONDS = 45;
constexpr double WEST_EDGE_SECONDS = 100 * 3600;  // column 0 is 100 E

// The key as a lookup prints it ("%8ld"), or -1 when the record's key text is
// not such a print of a non-negative number: a lookup can never find it.
long findable_key(const grids::ParamRecord& r) {
    char* end = nullptr;
    const long value = std::strtol(r.key, &end, 10);
    if (value < 0 || value == LONG_MAX) return -1;
    char printed[24];
    std::snprintf(printed, sizeof printed, "%8ld", value);
    return std::strcmp(printed, r.key) == 0 ? value : -1;
}

struct Node {
    int row, col;
    double dlat, dlon;
};

int make_lattice(const std::vector<Node>& nodes, NodeLattice& lattice) {
    if (nodes.empty()) return 1;
    tools::node_box(nodes, lattice.row0, lattice.col0, lattice.rows, lattice.cols);
    const std::size_t size = static_cast<std::size_t>(lattice.rows) * static_cast<std::size_t>(lattice.cols);
    lattice.present.assign(size, 0);
    lattice.dlat.assign(size, 0);
    lattice.dlon.assign(size, 0);
    for (const Node& n : nodes) {
        const std::size_t i = lattice.index(n.row, n.col);
        lattice.present[i] = 1;
        lattice.dlat[i] = n.dlat;
        lattice.dlon[i] = n.dlon;
    }
    return 0;
}

bool cell_covered(const NodeLattice& l, int row, int col) {
    return l.has(row, col) && l.has(row, col + 1) && l.has(row + 1, col) && l.has(row + 1, col + 1);
}

// The runs of covered cells of one row, as [first, end) columns.
void covered_runs(const NodeLattice& lattice, int row, std::vector<std::pair<int, int>>& runs) {
    runs.clear();
    const int col_end = lattice.col0 + lattice.cols - 1;
    for (int col = lattice.col0; col < col_end;) {
        if (!cell_covered(lattice, row, col)) {
            ++col;
            continue;
        }
        const int start = col;
        while (col < col_end && cell_covered(lattice, row, col)) ++col;
        runs.emplace_back(start, col);
    }
}

// A run that repeats the columns of a block ending on the row below extends
// that block northward; every other run starts a block.
std::vector<CellBlock> blocks_of_equal_runs(const NodeLattice& lattice) {
    std::vector<CellBlock> done;
    std::vector<CellBlock> open;  // in column order
    std::vector<CellBlock> next;
    std::vector<std::pair<int, int>> runs;
    for (int row = lattice.row0; row < lattice.row0 + lattice.rows - 1; ++row) {
        covered_runs(lattice, row, runs);
        next.clear();
        std::size_t k = 0;
        for (const auto& [start, end] : runs) {
            while (k < open.size() && open[k].col0 < start) done.push_back(open[k++]);
            if (k < open.size() && open[k].col0 == start && open[k].cols == end - start) {
                CellBlock b = open[k++];
                ++b.rows;
                next.push_back(b);
            } else {
                next.push_back(CellBlock{row, start, 1, end - start});
            }
        }
        while (k < open.size()) done.push_back(open[k++]);
        open.swap(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

// A block goes on northward while a run covers its columns; the parts of a
// run beside the blocks that go on start new blocks.
std::vector<CellBlock> blocks_kept_open(const NodeLattice& lattice) {
    std::vector<CellBlock> done;
    std::vector<CellBlock> open;  // in column order
    std::vector<CellBlock> next;
    std::vector<std::pair<int, int>> runs;
    for (int row = lattice.row0; row < lattice.row0 + lattice.rows - 1; ++row) {
        covered_runs(lattice, row, runs);
        next.clear();
        std::size_t k = 0;
        for (const auto& [start, end] : runs) {
            while (k < open.size() && open[k].col0 < start) done.push_back(open[k++]);
            int col = start;
            while (k < open.size() && open[k].col0 + open[k].cols <= end) {
                CellBlock b = open[k++];
                if (b.col0 > col) next.push_back(CellBlock{row, col, 1, b.col0 - col});
                ++b.rows;
                next.push_back(b);
                col = b.col0 + b.cols;
            }
            if (col < end) next.push_back(CellBlock{row, col, 1, end - col});
        }
        while (k < open.size()) done.push_back(open[k++]);
        open.swap(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

// ---- writing

void put_name(std::string& out, const char* name) {
    char field[8];
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, name, std::min(std::strlen(name), sizeof field));
    out.append(field, sizeof field);
}

void put_int(std::string& out, const char* name, std::int32_t value) {
    put_name(out, name);
    char bytes[8] = {};
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

void put_double(std::string& out, const char* name, double value) {
    put_name(out, name);
    char bytes[8];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

void put_text(std::string& out, const char* name, const char* value) {
    put_name(out, name);
    put_name(out, value);
}

void put_float(std::string& out, double value) {
    const float f = static_cast<float>(value);
    char bytes[4];
    std::memcpy(bytes, &f, sizeof f);
    out.append(bytes, sizeof bytes);
}

}  // namespace

int land_lattice(const grids::ParamTable& land, NodeLattice& lattice) {
    std::vector<Node> nodes;
    for (const grids::ParamRecord& r : land.loaded()) {
        const long code = findable_key(r);
        if (code <= 0 || code > INT_MAX) continue;
        const geodesy::MeshDigits d = geodesy::mesh_digits(static_cast<int>(code));
        // Digits a grid square code never has (q or v of 8 or 9) name no node.
        if (d.q > 7 || d.v > 7) continue;
        Node n{};
        n.row = d.pp * ROWS_PER_FIRST_LEVEL + d.q * 10 + d.r;
        n.col = d.uu * COLS_PER_FIRST_LEVEL + d.v * 10 + d.w;
        // The shift a lookup finds (of two records with one key, the one the
        // search ends on).
        if (grids::land_node_shift(land, static_cast<int>(code), n.dlat, n.dlon) != 0) continue;
        nodes.push_back(n);
    }
    return make_lattice(nodes, lattice);
}

int sea_lattice(const grids::ParamTable& sea, NodeLattice& lattice) {
    std::vector<Node> nodes;
    for (const grids::ParamRecord& r : sea.loaded()) {
        const long key = findable_key(r);
        if (key < 0 || key > INT_MAX) continue;
        const int mesh = geodesy::key_to_mesh(static_cast<int>(key));
        // Only keys that a grid square of two-digit first-level numbers
        // gives back are ever looked up.
        if (mesh < 0 || mesh > 99999999 || geodesy::mesh_to_key(mesh) != key) continue;
        const geodesy::MeshDigits d = geodesy::mesh_digits(mesh);
        Node n{};
        n.row = d.pp * ROWS_PER_FIRST_LEVEL + d.q * 10 + d.r;
        n.col = d.uu * COLS_PER_FIRST_LEVEL + d.v * 10 + d.w;
        if (grids::sea_node_shift(sea, static_cast<int>(key), n.dlat, n.dlon) != 0) continue;
        nodes.push_back(n);
    }
    return make_lattice(nodes, lattice);
}

int correction_lattice(const grids::CorrectionGrid& correction, NodeLattice& lattice) {
    std::vector<Node> nodes;
    for (std::size_t i = 0; i < correction.codes.size(); ++i) {
        const int code = correction.codes[i];
        if (code < 0 || !std::isfinite(correction.dB[i]) || !std::isfinite(correction.dL[i])) continue;
        const geodesy::MeshDigits d = geodesy::mesh_digits(code);
        if (d.q > 7 || d.v > 7) continue;
        Node n{};
        n.row = d.pp * ROWS_PER_FIRST_LEVEL + d.q * 10 + d.r;
        n.col = d.uu * COLS_PER_FIRST_LEVEL + d.v * 10 + d.w;
        n.dlat = correction.dB[i];
        n.dlon = correction.dL[i];
        nodes.push_back(n);
    }
    return make_lattice(nodes, lattice);
}

std::vector<CellBlock> cover_cells(const NodeLattice& lattice) {
    // Two ways of cutting the covered cells into rectangles, row by row from
    // the south; the one that needs fewer is kept.
    std::vector<CellBlock> blocks = blocks_of_equal_runs(lattice);
    std::vector<CellBlock> other = blocks_kept_open(lattice);
    if (other.size() < blocks.size()) blocks.swap(other);
    // Largest first: a reader that tries the subgrids in file order finds
    // most points in the first few.
    std::stable_sort(blocks.begin(), blocks.end(), [](const CellBlock& a, const CellBlock& b) {
        return static_cast<long>(a.rows) * a.cols > static_cast<long>(b.rows) * b.cols;
    });
    return blocks;
}

std::vector<CellBlock> bounding_box(const NodeLattice& lattice) {
    if (lattice.rows < 2 || lattice.cols < 2) return {};
    return {CellBlock{lattice.row0, lattice.col0, lattice.rows - 1, lattice.cols - 1}};
}

void fill_missing_nodes(NodeLattice& lattice) {
    const std::size_t size = lattice.present.size();
    std::vector<std::size_t> reached;
    reached.reserve(size);
    std::vector<unsigned char> done(lattice.present);
    for (std::size_t i = 0; i < size; ++i) {
        if (done[i] != 0) reached.push_back(i);
    }
    const std::size_t cols = static_cast<std::size_t>(lattice.cols);
    for (std::size_t k = 0; k < reached.size(); ++k) {
        const std::size_t from = reached[k];
        const std::size_t row = from / cols;
        const std::size_t col = from % cols;
        const std::size_t next[4] = {row > 0 ? from - cols : size, from + cols < size ? from + cols : size,
                                     col > 0 ? from - 1 : size, col + 1 < cols ? from + 1 : size};
        for (const std::size_t to : next) {
            if (to == size || done[to] != 0) continue;
            done[to] = 1;
            lattice.dlat[to] = lattice.dlat[from];
            lattice.dlon[to] = lattice.dlon[from];
            reached.push_back(to);
        }
    }
}

Datums land_datums() {
    const geodesy::EllipsoidConstants from = geodesy::ellipsoid_constants(geodesy::ELLIPSOID_BESSEL);
    const geodesy::EllipsoidConstants to = geodesy::ellipsoid_constants(geodesy::ELLIPSOID_GRS80);
    return Datums{"TOKYO", "JGD2000", from.a, from.b, to.a, to.b};
}

Datums sea_datums() {
    const geodesy::EllipsoidConstants from = geodesy::ellipsoid_constants(geodesy::ELLIPSOID_BESSEL);
    const geodesy::EllipsoidConstants to = geodesy::ellipsoid_constants(geodesy::ELLIPSOID_WGS84);
    return Datums{"TOKYO", "JGD2000", from.a, from.b, to.a, to.b};
}

Datums correction_datums() {
    const geodesy::EllipsoidConstants grs80 = geodesy::ellipsoid_constants(geodesy::ELLIPSOID_GRS80);
    return Datums{"JGD2000", "JGD2011", grs80.a, grs80.b, grs80.a, grs80.b};
}

int write_gsb(const std::string& path, const NodeLattice& lattice, const std::vector<CellBlock>& blocks,
              const Datums& datums, char prefix) {
    std::string out;
    put_int(out, "NUM_OREC", 11);
    put_int(out, "NUM_SREC", 11);
    put_int(out, "NUM_FILE", static_cast<std::int32_t>(blocks.size()));
    put_text(out, "GS_TYPE", "SECONDS");
    put_text(out, "VERSION", "NTv2.0");
    put_text(out, "SYSTEM_F", datums.from);
    put_text(out, "SYSTEM_T", datums.to);
    put_double(out, "MAJOR_F", datums.major_from);
    put_double(out, "MINOR_F", datums.minor_from);
    put_double(out, "MAJOR_T", datums.major_to);
    put_double(out, "MINOR_T", datums.minor_to);
    long number = 0;
    for (const CellBlock& b : blocks) {
        char name[32];
        std::snprintf(name, sizeof name, "%c%07ld", prefix, ++number);
        const int node_rows = b.rows + 1;
        const int node_cols = b.cols + 1;
        put_text(out, "SUB_NAME", name);
        put_text(out, "PARENT", "NONE");
        put_text(out, "CREATED", "");
        put_text(out, "UPDATED", "");
        // Longitudes positive west.
        put_double(out, "S_LAT", b.row0 * ROW_SECONDS);
        put_double(out, "N_LAT", (b.row0 + b.rows) * ROW_SECONDS);
        put_double(out, "E_LONG", -(WEST_EDGE_SECONDS + (b.col0 + b.cols) * COL_SECONDS));
        put_double(out, "W_LONG", -(WEST_EDGE_SECONDS + b.col0 * COL_SECONDS));
        put_double(out, "LAT_INC", ROW_SECONDS);
        put_double(out, "LONG_INC", COL_SECONDS);
        put_int(out, "GS_COUNT", node_rows * node_cols);
        // South to north, and east to west within a row.
        for (int row = b.row0; row < b.row0 + node_rows; ++row) {
            for (int col = b.col0 + node_cols - 1; col >= b.col0; --col) {
                const std::size_t i = lattice.index(row, col);
                put_float(out, lattice.dlat[i]);
                put_float(out, -lattice.dlon[i]);
                put_float(out, 0);
                put_float(out, 0);
            }
        }
    }
    put_name(out, "END");
    out.append(8, '\0');

    return tools::write_whole_file(path, out);
}

}  // namespace ntv2
