#include "gtx_export.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "geodesy/mesh_key.h"
#include "export_common.h"

namespace gtx {

namespace {

constexpr int ROWS_PER_FIRST_LEVEL = 80;  // 2/3 degree of 30" rows
constexpr int COLS_PER_FIRST_LEVEL = 80;  // 1 degree of 45" columns
constexpr double ROWS_PER_DEGREE = 120;
constexpr double COLS_PER_DEGREE = 80;
constexpr double WEST_EDGE_DEGREES = 100;  // column 0 is 100 E

struct Node {
    int row, col;
    double dh;
};

void put_be(std::string& out, const void* value, std::size_t size) {
    char bytes[8];
    std::memcpy(bytes, value, size);
    if constexpr (std::endian::native == std::endian::little) std::reverse(bytes, bytes + size);
    out.append(bytes, size);
}

void put_double(std::string& out, double v) { put_be(out, &v, sizeof v); }
void put_int(std::string& out, std::int32_t v) { put_be(out, &v, sizeof v); }
void put_float(std::string& out, float v) { put_be(out, &v, sizeof v); }

}  // namespace

int height_lattice(const grids::CorrectionGrid& heights, HeightLattice& lattice) {
    std::vector<Node> nodes;
    bool usable = false;
    for (std::size_t i = 0; i < heights.codes.size(); ++i) {
        const int code = heights.codes[i];
        if (code < 0) continue;
        const geodesy::MeshDigits d = geodesy::mesh_digits(code);
        if (d.q > 7 || d.v > 7) continue;
        const Node n{d.pp * ROWS_PER_FIRST_LEVEL + d.q * 10 + d.r, d.uu * COLS_PER_FIRST_LEVEL + d.v * 10 + d.w,
                     heights.dB[i]};
        usable = usable || std::isfinite(n.dh);
        nodes.push_back(n);
    }
    if (!usable) return 1;
    tools::node_box(nodes, lattice.row0, lattice.col0, lattice.rows, lattice.cols);
    lattice.values.assign(static_cast<std::size_t>(lattice.rows) * static_cast<std::size_t>(lattice.cols), MISSING);
    for (const Node& n : nodes) {
        if (!std::isfinite(n.dh)) continue;
        lattice.values[static_cast<std::size_t>(n.row - lattice.row0) * static_cast<std::size_t>(lattice.cols) +
                       static_cast<std::size_t>(n.col - lattice.col0)] = static_cast<float>(n.dh);
    }
    return 0;
}

bool has_complete_cell(const HeightLattice& l) {
    const auto usable = [&](int row, int col) { return l.at(row, col) != MISSING; };
    for (int row = l.row0; row + 1 < l.row0 + l.rows; ++row) {
        for (int col = l.col0; col + 1 < l.col0 + l.cols; ++col) {
            if (usable(row, col) && usable(row, col + 1) && usable(row + 1, col) && usable(row + 1, col + 1)) {
                return true;
            }
        }
    }
    return false;
}

int write_gtx(const std::string& path, const HeightLattice& lattice) {
    std::string out;
    out.reserve(40 + lattice.values.size() * 4);
    put_double(out, lattice.row0 / ROWS_PER_DEGREE);
    // Degrees east: PROJ takes a west edge of 180 or more as 360 less.
    put_double(out, WEST_EDGE_DEGREES + lattice.col0 / COLS_PER_DEGREE);
    put_double(out, 1 / ROWS_PER_DEGREE);
    put_double(out, 1 / COLS_PER_DEGREE);
    put_int(out, lattice.rows);
    put_int(out, lattice.cols);
    for (const float v : lattice.values) put_float(out, v);

    return tools::write_whole_file(path, out);
}

}  // namespace gtx
