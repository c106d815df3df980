// make_sample_grids OUTDIR
//
// Writes OUTDIR/sample_land.par and OUTDIR/sample_sea.jhd: small synthetic
// land and sea grids around a made-up bay; OUTDIR/sample_correction.par, a
// synthetic correction file (JGD2000 to JGD2011) over part of the same
// region; and OUTDIR/sample_height.par, a synthetic height correction file
// (an event's subsidence) over part of the correction file's area, for
// trying the converter and for the tests. The values only look realistic;
// they are not survey data.
//
// Everything is integer arithmetic on node indices and every number is
// formatted from integers, so each build on each machine writes the same
// bytes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "geodesy/mesh_key.h"

namespace {

// Nodes of the region 35N..36N, 139.5E..140.5E: rows of 30" counted from the
// equator, columns of 45" counted from 100E.
constexpr int ROW0 = 35 * 120;
constexpr int ROWS = 121;
constexpr int COL0 = 395 * 8;  // 139.5E
constexpr int COLS = 81;

// How many nodes each grid reaches past the coast line, so that cells along
// the coast are covered by both grids.
constexpr int BAND = 2;

// The bay, in node indices relative to the south-west node: a parabola that
// opens to the south, 139.61E..140.09E wide on 35N, narrowing northward to its
// head near 35.7N 139.76E while its axis leans west.
bool is_sea(int i, int j) {
    const long d = 12L * j - 336 + i;  // offset from the axis, 1/12 column
    return i < 84 && d * d * 84 < 144L * 400 * (84 - i);
}

// True when a node within BAND rows and columns of (i, j) is sea (or land).
bool near(int i, int j, bool sea) {
    for (int di = -BAND; di <= BAND; ++di) {
        for (int dj = -BAND; dj <= BAND; ++dj) {
            const int ni = i + di;
            const int nj = j + dj;
            if (ni >= 0 && ni < ROWS && nj >= 0 && nj < COLS && is_sea(ni, nj) == sea) return true;
        }
    }
    return false;
}

int mesh_code(int row, int col) {
    return (row / 80) * 1000000 + (col / 80) * 10000 + (row / 10 % 8) * 1000 +
           (col / 10 % 8) * 100 + (row % 10) * 10 + col % 10;
}

// Land shift (JGD2000 minus Tokyo) in 1e-5 arc-seconds: about +11.6" in
// latitude and -11.6" in longitude, drifting by a few tenths across the region.
int land_lat_shift(int i, int j) {
    return 1160000 + 300 * (i - 60) - 200 * (j - 40) + 2 * (i - 60) * (j - 40);
}
int land_lon_shift(int i, int j) {
    return -1160000 + 250 * (j - 40) - 150 * (i - 60) - 3 * (j - 40) * (j - 40);
}

// Sea residuals left after the three-parameter shift, in 1e-3 arc-seconds.
int sea_lat_residual(int i, int j) {
    return 2 * (i - 40) + 2 * (j - 28) - (i - 40) * (j - 28) / 24;
}
int sea_lon_residual(int i, int j) {
    return -3 * (j - 40) + (i - 60) + (i - 60) * (i - 60) / 30 - 60;
}

// The correction file's area, in node indices of the region: 35.25N..35.95N,
// 139.675E..140.25E, over land and part of the bay.
constexpr int CORRECTION_ROWS[2] = {30, 114};
constexpr int CORRECTION_COLS[2] = {14, 60};

// Corrections (JGD2011 minus JGD2000) in 1e-5 arc-seconds: about -0.03" in
// latitude and +0.05" in longitude (1 to 2 m), varying across the area.
int correction_lat(int i, int j) { return -3000 + 30 * (i - 72) - 25 * (j - 37) + (i - 72) * (j - 37) / 2; }
int correction_lon(int i, int j) { return 5000 - 40 * (j - 37) + 20 * (i - 72) - (j - 37) * (j - 37) / 2; }

bool in_correction_area(int i, int j) {
    return i >= CORRECTION_ROWS[0] && i <= CORRECTION_ROWS[1] && j >= CORRECTION_COLS[0] && j <= CORRECTION_COLS[1];
}

// The height file's area, in node indices of the region: the land east and
// north of the bay's head, inside the correction file's area, its edges
// stepping by a node or two every few rows and columns as the published
// files' edges follow the ground. West of the bay's head (rows 76 on) it
// reaches the shore; further south it stays east of the bay.
int height_west(int i) { return (i >= 76 ? 18 : 27) + i / 7 % 3; }
int height_east(int i) { return 56 + i / 4 % 3; }
int height_south(int j) { return 54 + j / 6 % 3; }
int height_north(int j) { return 110 + j / 5 % 3; }

// Nodes left out inside the area (a block the event's levelling did not
// reach): the cells among them have no listed node, the cells around them
// only some.
constexpr int HEIGHT_HOLE_ROWS[2] = {93, 96};
constexpr int HEIGHT_HOLE_COLS[2] = {44, 47};

bool in_height_area(int i, int j) {
    const bool in_hole = i >= HEIGHT_HOLE_ROWS[0] && i <= HEIGHT_HOLE_ROWS[1] && j >= HEIGHT_HOLE_COLS[0] &&
                         j <= HEIGHT_HOLE_COLS[1];
    return !in_hole && i >= height_south(j) && i <= height_north(j) && j >= height_west(i) && j <= height_east(i);
}

// Height corrections in 1e-5 m: a subsidence bowl centred near row 96,
// column 42, -0.45 m at its centre, rising to -0.15 m at the area's southern
// corners (a little more steeply southward than northward).
int height_correction(int i, int j) {
    return -45000 +
           14 * ((i - 96) * (i - 96) + (j - 42) * (j - 42)) -
           40 * (i - 96);
}

// v / 100000 with five decimals, e.g. -1160000 -> "-11.60000".
std::string fixed5(int v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%s%d.%05d", v < 0 ? "-" : "", std::abs(v) / 100000,
                  std::abs(v) % 100000);
    return buf;
}

bool write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::cerr << "make_sample_grids: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample_grids OUTDIR\n";
        return 2;
    }
    std::string land = "SAMPLE-LAND S1.00 synthetic\r\nmeshcode  lat(sec)  lon(sec)\r\n";
    std::string sea = "*S1.00 synthetic sample sea grid\r\n";
    std::string correction =
        "SAMPLE-CORRECTION C1.00 synthetic JGD2000 to JGD2011, not survey data\r\n"
        "MeshCode dB(sec) dL(sec)\r\n";
    std::string height =
        "SAMPLE-HEIGHT H1.00 synthetic height correction (dH, m), not survey data\r\n"
        "synthetic subsidence of an invented event around the bay\r\n"
        "applies after sample_correction.par\r\n"
        "MeshCode   dH(m)     0.00000\r\n";
    char line[64];
    for (int i = 0; i < ROWS; ++i) {
        for (int j = 0; j < COLS; ++j) {
            const int code = mesh_code(ROW0 + i, COL0 + j);
            if (near(i, j, false)) {
                std::snprintf(line, sizeof line, "%8d%10s%10s\r\n", code,
                              fixed5(land_lat_shift(i, j)).c_str(),
                              fixed5(land_lon_shift(i, j)).c_str());
                land += line;
            }
            if (near(i, j, true)) {
                std::snprintf(line, sizeof line, "%8d%6d%6d\r\n", geodesy::mesh_to_key(code),
                              20000 + sea_lat_residual(i, j), sea_lon_residual(i, j));
                sea += line;
            }
            if (in_correction_area(i, j)) {
                std::snprintf(line, sizeof line, "%8d %10s %10s\r\n", code, fixed5(correction_lat(i, j)).c_str(),
                              fixed5(correction_lon(i, j)).c_str());
                correction += line;
            }
            if (in_height_area(i, j)) {
                std::snprintf(line, sizeof line, "%8d%10s%12s\r\n", code, fixed5(height_correction(i, j)).c_str(),
                              fixed5(0).c_str());
                height += line;
            }
        }
    }
    const std::string dir = argv[1];
    const bool ok = write_file(dir + "/sample_land.par", land) && write_file(dir + "/sample_sea.jhd", sea) &&
                    write_file(dir + "/sample_correction.par", correction) &&
                    write_file(dir + "/sample_height.par", height);
    return ok ? 0 : 1;
}
