// The NTv2 export: which cells the subgrids cover, which nodes the lattice
// holds, the file's header, PROJ's hgridshift on the exported sample grids
// against the conversion's own forward shift, and the exported correction
// file read back and chained in PROJ against pellowen-batch --correction;
// the GTX export of a height correction file, its bytes and its refusals,
// and vgridshift on it in the chain against pellowen-batch's heights.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/projection.h"
#include "grids/correction.h"
#include "grids/datum_shift.h"
#include "grids/param_file.h"
#include "ntv2_export.h"
#include "recording_feedback.h"

namespace {

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
    std::string path;
    TempDir() {
        const char* t = std::getenv("TMPDIR");
        path = std::string(t != nullptr ? t : "/tmp") + "/ntv2_export_tests_XXXXXX";
        if (mkdtemp(path.data()) == nullptr) path.clear();
    }
    ~TempDir() {
        if (!path.empty()) std::filesystem::remove_all(path);
    }
};

// A fixed sequence of pseudo-random numbers.
std::uint64_t next(std::uint64_t& s) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return s >> 11;
}

// A lattice from a picture: '#' a node, '.' none; the first line is the
// northmost row.
ntv2::NodeLattice picture(const std::vector<std::string>& lines) {
    ntv2::NodeLattice l{4000, 3000, static_cast<int>(lines.size()), static_cast<int>(lines[0].size()), {}, {}, {}};
    l.present.assign(static_cast<std::size_t>(l.rows * l.cols), 0);
    l.dlat = l.dlon = std::vector<double>(l.present.size(), 0);
    for (int r = 0; r < l.rows; ++r) {
        for (int c = 0; c < l.cols; ++c) l.present[l.index(l.row0 + l.rows - 1 - r, l.col0 + c)] = lines[r][c] == '#';
    }
    return l;
}

// Every cell with four nodes covered once and no other cell, which is what a
// reader needs. Returns the number of covered cells.
int expect_exact_cover(const ntv2::NodeLattice& l, const std::vector<ntv2::CellBlock>& blocks) {
    std::map<std::pair<int, int>, int> times;
    for (const ntv2::CellBlock& b : blocks) {
        EXPECT_TRUE(b.rows > 0 && b.cols > 0);
        for (int r = b.row0; r < b.row0 + b.rows; ++r) {
            for (int k = b.col0; k < b.col0 + b.cols; ++k) ++times[{r, k}];
        }
    }
    int covered = 0;
    for (int r = l.row0 - 1; r <= l.row0 + l.rows; ++r) {
        for (int k = l.col0 - 1; k <= l.col0 + l.cols; ++k) {
            const bool four = l.has(r, k) && l.has(r + 1, k) && l.has(r, k + 1) && l.has(r + 1, k + 1);
            covered += four ? 1 : 0;
            const auto it = times.find({r, k});
            EXPECT_EQ(it == times.end() ? 0 : it->second, four ? 1 : 0) << "cell " << r << "," << k;
        }
    }
    return covered;
}

// Fixed shapes, with the most blocks each may take, then random coasts.
TEST(CoverCells, EveryCellWithFourNodesOnceAndNoOther) {
    const std::pair<std::vector<std::string>, std::size_t> cases[] = {
        {{"####", "####", "####"}, 1},
        {{"#####", "##.##", "#####"}, 4},
        {{"##...", "##...", "#####", "#####"}, 2},
        {{"##..", "##..", "..##", "..##"}, 2},  // corners touching only
        {{"#.#", ".#.", "#.#"}, 0},
        {{"..####", ".#####", "######", "####..", "###..."}, 6},
    };
    for (const auto& [nodes, most_blocks] : cases) {
        const std::vector<ntv2::CellBlock> blocks = ntv2::cover_cells(picture(nodes));
        EXPECT_EQ(blocks.empty(), expect_exact_cover(picture(nodes), blocks) == 0) << nodes[0];
        EXPECT_LE(blocks.size(), most_blocks) << nodes[0];
    }
    std::uint64_t s = 7;
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines(2 + next(s) % 14, std::string(2 + next(s) % 14, '#'));
        const unsigned holes = static_cast<unsigned>(next(s) % 40);
        for (std::string& line : lines) {
            for (char& ch : line) ch = next(s) % 100 < holes ? '.' : '#';
        }
        SCOPED_TRACE(round);
        expect_exact_cover(picture(lines), ntv2::cover_cells(picture(lines)));
    }
}

struct Loaded {
    grids::ParamTable land;
    grids::ParamTable sea;
};

void load(const std::string& land, const std::string& sea, Loaded& t) {
    RecordingFeedback ui;
    std::string version;
    ASSERT_EQ(grids::create_param_table(t.land, grids::LAND_TABLE_CAPACITY), 0);
    ASSERT_EQ(grids::create_param_table(t.sea, grids::SEA_TABLE_CAPACITY), 0);
    ASSERT_EQ(grids::read_land_param_file(ui, 1, land, version, t.land), 0);
    ASSERT_EQ(grids::read_sea_param_file(ui, 1, sea, version, t.sea), 0);
}

TEST(Lattice, HoldsOnlyTheNodesALookupFinds) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    // 53394600 is 35 40'N 139 45'E. A blank line, a key a lookup never
    // prints (leading zero) and a code with a second-level digit 8 are no
    // nodes; nor is a sea key of 7 digits written with a leading zero.
    std::ofstream(dir + "/t.par", std::ios::binary)
        << "T V1\r\nheader\r\n53394600  11.60000 -11.50000\r\n53394601  11.70000 -11.40000\r\n\r\n"
           "05339460   9.00000   9.00000\r\n53398600   1.00000   1.00000\r\n";
    std::ofstream(dir + "/t.jhd", std::ios::binary) << "*V1\r\n 9801940 20010   -30\r\n09801941 20010   -30\r\n";
    Loaded t;
    load(dir + "/t.par", dir + "/t.jhd", t);
    ntv2::NodeLattice land;
    ntv2::NodeLattice sea;
    ASSERT_EQ(ntv2::land_lattice(t.land, land) + ntv2::sea_lattice(t.sea, sea), 0);
    const int row = 53 * 80 + 4 * 10 + 0;
    const int col = 39 * 80 + 6 * 10 + 0;
    EXPECT_EQ(std::vector<int>({land.row0, land.col0, land.rows, land.cols}), std::vector<int>({row, col, 1, 2}));
    ASSERT_TRUE(land.has(row, col) && land.has(row, col + 1));
    EXPECT_DOUBLE_EQ(land.dlat[land.index(row, col + 1)], 11.7);
    EXPECT_DOUBLE_EQ(land.dlon[land.index(row, col + 1)], -11.4);
    EXPECT_EQ(sea.rows * sea.cols, 1);
}

// The file's overview record: each name, "=", and its value as the file
// holds it (texts with their padding).
std::string overview(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string shown;
    char record[16];
    for (int i = 0; i < 11 && in.read(record, sizeof record); ++i) {
        std::int32_t count = 0;
        double number = 0;
        std::memcpy(&count, record + 8, sizeof count);
        std::memcpy(&number, record + 8, sizeof number);
        char value[40];
        if (i < 3) std::snprintf(value, sizeof value, "%d", static_cast<int>(count));
        if (i >= 3 && i < 7) std::snprintf(value, sizeof value, "%.8s", record + 8);
        if (i >= 7) std::snprintf(value, sizeof value, "%.6f", number);
        shown += std::string(record, 8) + "=" + value + " ";
    }
    return shown;
}

// PROJ's cct beside the sample grids, in a folder of the test's own.
class Proj : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::system("command -v cct >/dev/null 2>&1"), 0) << "cct (Debian's proj-bin) is needed";
        load(PELLOWEN_SOURCE_DIR "/examples/sample_land.par", PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd", t);
        ASSERT_FALSE(temp.path.empty());
    }
    Loaded t;
    const TempDir temp;
    const std::string& dir = temp.path;
};

// Near a line of the grid squares, where the conversion's own tolerance
// decides the square: a point short of a line by up to 1e-5 of the square
// counts as beyond it: 0.7 m short of a 40' latitude line, 0.9 m short of
// a whole-degree meridian, 1 cm short of a 30" line. Points within twice
// that, on either side, are near.
bool near_cell_line(double lat, double lon) {
    const std::pair<double, double> squares[] = {{2.0 / 3, 1}, {1.0 / 12, 1.0 / 8}, {1.0 / 120, 1.0 / 80}};
    for (const auto& [lat_size, lon_size] : squares) {
        const double f = lat / lat_size - std::floor(lat / lat_size);
        const double g = lon / lon_size - std::floor(lon / lon_size);
        if (f < 2e-5 || f > 1 - 2e-5 || g < 2e-5 || g > 1 - 2e-5) return true;
    }
    return false;
}

// 20,000 points drawn over the sample area, (lon, lat), with seed. Points
// near a cell line are left out.
void add_random_points(std::uint64_t seed, std::vector<std::pair<double, double>>& points) {
    std::uint64_t s = seed;
    for (int i = 0; i < 20000; ++i) {
        const double lon = 139.45 + 1.1 * static_cast<double>(next(s)) / 9007199254740992.0;
        const double lat = 34.95 + 1.1 * static_cast<double>(next(s)) / 9007199254740992.0;
        if (!near_cell_line(lat, lon)) points.emplace_back(lon, lat);
    }
}

// The points as cct reads them: "lon lat" a line, every digit kept.
void write_points(const std::string& path, const std::vector<std::pair<double, double>>& points) {
    std::ofstream in(path);
    in.precision(17);
    for (const auto& [lon, lat] : points) in << lon << ' ' << lat << '\n';
}

// PROJ's cct with hgridshift on both exported sample grids, against the
// forward shift, at the centre of every cell around the grids and at
// scattered points.
TEST_F(Proj, HgridshiftOnExportedGridsMatchesTheForwardShift) {
    // Tokyo on Bessel to JGD2000: on GRS80 on land, placed on WGS84 at sea.
    for (const bool land : {true, false}) {
        ntv2::NodeLattice l;
        ASSERT_EQ(land ? ntv2::land_lattice(t.land, l) : ntv2::sea_lattice(t.sea, l), 0);
        const std::string path = dir + (land ? "/land.gsb" : "/sea.gsb");
        const std::vector<ntv2::CellBlock> blocks = ntv2::cover_cells(l);
        ASSERT_EQ(ntv2::write_gsb(path, l, blocks, land ? ntv2::land_datums() : ntv2::sea_datums(), land ? 'L' : 'S'), 0);
        EXPECT_EQ(overview(path), "NUM_OREC=11 NUM_SREC=11 NUM_FILE=" + std::to_string(blocks.size()) +
                                      " GS_TYPE =SECONDS  VERSION =NTv2.0   SYSTEM_F=TOKYO    SYSTEM_T=JGD2000  "
                                      "MAJOR_F =6377397.155000 MINOR_F =6356078.962832 MAJOR_T =6378137.000000 "
                                      "MINOR_T =" + (land ? "6356752.314140 " : "6356752.314245 "));
    }

    std::vector<std::pair<double, double>> points;  // lon, lat
    for (int r = 35 * 120 - 2; r < 36 * 120 + 2; ++r) {
        for (int c = 39 * 80 + 38; c < 40 * 80 + 42; ++c) points.emplace_back(100 + (c + 0.5) / 80, (r + 0.5) / 120);
    }
    add_random_points(12345, points);
    write_points(dir + "/points.txt", points);
    const std::string command = "cct -d 12 -z 0 -t 0 +proj=hgridshift +grids=@" + dir + "/land.gsb,@" + dir +
                                "/sea.gsb " + dir + "/points.txt > " + dir + "/out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream out(dir + "/out.txt");
    std::size_t record = 0;
    int outside_both = 0;
    for (std::string line; std::getline(out, line) && record < points.size();) {
        if (line.rfind(" (", 0) == 0) continue;  // the reason of an error line
        const auto [lon, lat] = points[record++];
        double lat_out = 0, lon_out = 0, proj_lon = 0, proj_lat = 0;
        grids::GridKind source = grids::GridKind::land;
        const int ours = grids::forward_shift({t.land, t.sea}, lat, lon, lat_out, lon_out, source);
        SCOPED_TRACE(testing::Message() << "point " << record << ": " << lon << " " << lat << ": " << line);
        const bool outside = line.rfind("# Record", 0) == 0;
        outside_both += outside ? 1 : 0;
        EXPECT_EQ(ours, outside ? 1 : 0);
        if (outside || !(std::istringstream(line) >> proj_lon >> proj_lat)) continue;
        EXPECT_NEAR(proj_lon, lon_out, 1e-9);
        EXPECT_NEAR(proj_lat, lat_out, 1e-9);
    }
    EXPECT_EQ(record, points.size());
    // Both kinds of points were there to compare.
    EXPECT_GT(outside_both, 1000);
    EXPECT_GT(static_cast<int>(points.size()) - outside_both, 10000);
}

// Each sample grid exported as one subgrid over its bounding box, alone in
// cct's hgridshift: wherever the grid has all four nodes of a point's cell,
// PROJ gives the shift that grid gives; the cells that lack a node are in the
// file too.
TEST_F(Proj, OneSubgridOverTheBoundingBoxShiftsAsTheGridWhereItHasAllFourNodes) {
    std::vector<std::pair<double, double>> points;  // lon, lat
    add_random_points(777, points);
    write_points(dir + "/points.txt", points);
    for (const bool land : {true, false}) {
        SCOPED_TRACE(land ? "land" : "sea");
        ntv2::NodeLattice l;
        ASSERT_EQ(land ? ntv2::land_lattice(t.land, l) : ntv2::sea_lattice(t.sea, l), 0);
        ntv2::fill_missing_nodes(l);
        const std::vector<ntv2::CellBlock> blocks = ntv2::bounding_box(l);
        ASSERT_EQ(blocks.size(), 1u);
        const std::string path = dir + "/one.gsb";
        ASSERT_EQ(ntv2::write_gsb(path, l, blocks, land ? ntv2::land_datums() : ntv2::sea_datums(), 'B'), 0);
        EXPECT_EQ(overview(path).substr(0, 40), "NUM_OREC=11 NUM_SREC=11 NUM_FILE=1 GS_TY");
        const std::string command = "cct -d 12 -z 0 -t 0 +proj=hgridshift +grids=" + path + " " + dir +
                                    "/points.txt > " + dir + "/out.txt 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream out(dir + "/out.txt");
        std::size_t record = 0;
        int compared = 0;
        int only_proj = 0;
        for (std::string line; std::getline(out, line) && record < points.size();) {
            if (line.rfind(" (", 0) == 0) continue;
            const auto [lon, lat] = points[record++];
            double lat_out = 0, lon_out = 0, proj_lon = 0, proj_lat = 0;
            const int ours = land ? grids::shift_by_land(t.land, lat, lon, lat_out, lon_out)
                                  : grids::shift_by_sea(t.sea, lat, lon, lat_out, lon_out);
            const bool read = line.rfind("# Record", 0) != 0 && (std::istringstream(line) >> proj_lon >> proj_lat);
            if (ours != 0) {
                only_proj += read ? 1 : 0;
                continue;
            }
            SCOPED_TRACE(testing::Message() << "point " << record << ": " << lon << " " << lat << ": " << line);
            ASSERT_TRUE(read);
            EXPECT_NEAR(proj_lon, lon_out, 1e-9);
            EXPECT_NEAR(proj_lat, lat_out, 1e-9);
            ++compared;
        }
        EXPECT_EQ(record, points.size());
        EXPECT_GT(compared, 1000);
        EXPECT_GT(only_proj, 100);
    }
}

// ---- Correction files

// A node's code ppuuqvrw from its lattice row and column.
int code_of(int row, int col) {
    return row / 80 * 1000000 + col / 80 * 10000 + row % 80 / 10 * 1000 + col % 80 / 10 * 100 + row % 10 * 10 +
           col % 10;
}

// One subgrid of an NTv2 file read back: its edges in arc-seconds
// (longitudes positive west), its spacing, and its node records.
struct Subgrid {
    double s_lat = 0, n_lat = 0, e_long = 0, w_long = 0, lat_inc = 0, long_inc = 0;
    std::vector<std::array<float, 4>> nodes;
};

// The subgrids of an NTv2 file; 1 when a record is not where the layout
// puts it or the file does not end with END.
int read_gsb(const std::string& path, std::vector<Subgrid>& subgrids) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::size_t at = 0;
    const auto record = [&](std::string name, void* value, std::size_t size) {
        name.resize(8, ' ');
        if (at + 16 > bytes.size() || bytes.compare(at, 8, name) != 0) return false;
        if (value != nullptr) std::memcpy(value, bytes.data() + at + 8, size);
        at += 16;
        return true;
    };
    std::int32_t count = 0;
    bool ok = record("NUM_OREC", nullptr, 0) && record("NUM_SREC", nullptr, 0) && record("NUM_FILE", &count, 4);
    for (const char* name :
         {"GS_TYPE", "VERSION", "SYSTEM_F", "SYSTEM_T", "MAJOR_F", "MINOR_F", "MAJOR_T", "MINOR_T"}) {
        ok = ok && record(name, nullptr, 0);
    }
    subgrids.clear();
    for (std::int32_t k = 0; ok && k < count; ++k) {
        Subgrid g;
        std::int32_t nodes = 0;
        ok = record("SUB_NAME", nullptr, 0) && record("PARENT", nullptr, 0) && record("CREATED", nullptr, 0) &&
             record("UPDATED", nullptr, 0) && record("S_LAT", &g.s_lat, 8) && record("N_LAT", &g.n_lat, 8) &&
             record("E_LONG", &g.e_long, 8) && record("W_LONG", &g.w_long, 8) && record("LAT_INC", &g.lat_inc, 8) &&
             record("LONG_INC", &g.long_inc, 8) && record("GS_COUNT", &nodes, 4) && nodes > 0 &&
             at + static_cast<std::size_t>(nodes) * 16 <= bytes.size();
        for (std::int32_t n = 0; ok && n < nodes; ++n, at += 16) {
            std::array<float, 4> node{};
            std::memcpy(node.data(), bytes.data() + at, 16);
            g.nodes.push_back(node);
        }
        subgrids.push_back(std::move(g));
    }
    return ok && record("END", nullptr, 0) && at == bytes.size() ? 0 : 1;
}

// What a subgrid holds, on the lattice: each node's (row, col) with its
// record, and each cell it covers.
void subgrid_contents(const Subgrid& g, std::map<std::pair<int, int>, std::array<float, 4>>& nodes,
                      std::map<std::pair<int, int>, int>& cells) {
    const int row0 = static_cast<int>(std::lround(g.s_lat / 30));
    const int rows = static_cast<int>(std::lround((g.n_lat - g.s_lat) / g.lat_inc)) + 1;
    const int cols = static_cast<int>(std::lround((g.w_long - g.e_long) / g.long_inc)) + 1;
    const int west_col = static_cast<int>(std::lround((-g.w_long - 100 * 3600) / 45));
    ASSERT_EQ(static_cast<std::size_t>(rows * cols), g.nodes.size());
    for (std::size_t k = 0; k < g.nodes.size(); ++k) {
        // South to north, east to west within a row.
        const int row = row0 + static_cast<int>(k) / cols;
        const int col = west_col + cols - 1 - static_cast<int>(k) % cols;
        nodes[{row, col}] = g.nodes[k];
        if (row < row0 + rows - 1 && col < west_col + cols - 1) ++cells[{row, col}];
    }
}

// The nodes of a correction file as the test wrote it: every node listed,
// the usable ones with their values in arc-seconds.
struct CorrectionNodes {
    std::set<std::pair<int, int>> listed;
    std::map<std::pair<int, int>, std::pair<double, double>> usable;  // dB, dL
    double largest = 0;  // largest |dB| or |dL| of a usable node
};

bool four_usable(const CorrectionNodes& n, int row, int col) {
    return n.usable.count({row, col}) + n.usable.count({row, col + 1}) + n.usable.count({row + 1, col}) +
               n.usable.count({row + 1, col + 1}) == 4;
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// pellowen-ntv2 with its arguments; its exit status, its standard error in
// err.
int run_ntv2(const std::string& dir, const std::string& arguments, std::string& err) {
    const std::string command = std::string(PELLOWEN_NTV2) + " " + arguments + " 2>" + dir + "/ntv2_err.txt";
    const int status = std::system(command.c_str());
    std::ifstream in(dir + "/ntv2_err.txt");
    err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A correction file of 5 rows by 6 columns of nodes across a second-level
// corner, each node's values its own, with one node missing, one "nan", one
// beyond the plausible limit, one node on its own two columns east of the
// block, and a code whose second-level row is 8, which no cell has.
// Exported with the exact cover, every node read back carries its values
// (longitude positive west) and the cells covered are those with four
// usable nodes, each once; exported as one subgrid, the box of the usable
// nodes holds their values and 0 at every other node.
TEST(CorrectionExport, ReadBackGivesEachUsableNodeAndTheCellsOfFourUsableNodes) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    const int row0 = 53 * 80 + 47;  // 35 35' 30"N, rows across 35 37' 30"
    const int col0 = 39 * 80 + 67;  // 139 50' 15"E, columns across 139 52' 30"
    CorrectionNodes n;
    std::string file = "TEST C1.00\r\nMeshCode dB(sec) dL(sec)\r\n";
    char line[80];
    const auto add = [&](int row, int col, const char* dB, const char* dL) {
        std::snprintf(line, sizeof line, "%08d %s %s\r\n", code_of(row, col), dB, dL);
        file += line;
        n.listed.insert({row, col});
    };
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 6; ++j) {
            if (i == 2 && j == 2) continue;
            const double dB = -(1000 + 37 * i + 11 * j) * 1e-5;
            const double dL = (2000 + 13 * i - 29 * j) * 1e-5;
            char b[24], l[24];
            std::snprintf(b, sizeof b, "%.5f", dB);
            std::snprintf(l, sizeof l, "%.5f", dL);
            if (i == 1 && j == 4) std::snprintf(b, sizeof b, "nan");
            if (i == 3 && j == 1) std::snprintf(l, sizeof l, "1.50000");
            add(row0 + i, col0 + j, b, l);
            if (std::strcmp(b, "nan") != 0 && std::strcmp(l, "1.50000") != 0) n.usable[{row0 + i, col0 + j}] = {dB, dL};
        }
    }
    add(row0 + 2, col0 + 8, "-0.00500", "0.00700");
    n.usable[{row0 + 2, col0 + 8}] = {-0.005, 0.007};
    file += "53398600 -0.01000 0.01000\r\n";
    write_file(dir + "/c.par", file);

    struct Case {
        const char* option;
        std::size_t subgrids;  // 0: the exact cover, any number
    };
    for (const Case& c : {Case{"", 0}, Case{"--single ", 1}}) {
        SCOPED_TRACE(c.option);
        std::string err;
        ASSERT_EQ(run_ntv2(dir, std::string(c.option) + "correction " + dir + "/c.par " + dir + "/c.gsb", err), 0)
            << err;
        EXPECT_EQ(overview(dir + "/c.gsb").substr(overview(dir + "/c.gsb").find("SYSTEM_F")),
                  "SYSTEM_F=JGD2000  SYSTEM_T=JGD2011  MAJOR_F =6378137.000000 MINOR_F =6356752.314140 "
                  "MAJOR_T =6378137.000000 MINOR_T =6356752.314140 ");
        std::vector<Subgrid> subgrids;
        ASSERT_EQ(read_gsb(dir + "/c.gsb", subgrids), 0);
        if (c.subgrids != 0) {
            EXPECT_EQ(subgrids.size(), c.subgrids);
        }
        std::map<std::pair<int, int>, std::array<float, 4>> nodes;
        std::map<std::pair<int, int>, int> cells;
        for (const Subgrid& g : subgrids) {
            EXPECT_EQ(g.lat_inc, 30);
            EXPECT_EQ(g.long_inc, 45);
            subgrid_contents(g, nodes, cells);
        }
        for (const auto& [at, record] : nodes) {
            SCOPED_TRACE(testing::Message() << "node " << code_of(at.first, at.second));
            const auto it = n.usable.find(at);
            // Only the one-subgrid export has nodes that are not usable: 0.
            EXPECT_TRUE(it != n.usable.end() || c.subgrids == 1);
            const auto [dB, dL] = it != n.usable.end() ? it->second : std::pair<double, double>(0, 0);
            EXPECT_EQ(record, (std::array<float, 4>{static_cast<float>(dB), static_cast<float>(-dL), 0, 0}));
        }
        for (int row = row0 - 1; row < row0 + 6; ++row) {
            for (int col = col0 - 1; col < col0 + 10; ++col) {
                const auto it = cells.find({row, col});
                const bool in_box = row >= row0 && row < row0 + 4 && col >= col0 && col < col0 + 8;
                const int expected = c.subgrids == 1 ? (in_box ? 1 : 0) : (four_usable(n, row, col) ? 1 : 0);
                EXPECT_EQ(it == cells.end() ? 0 : it->second, expected) << "cell " << row << "," << col;
            }
        }
        if (c.subgrids == 0) {
            EXPECT_EQ(cells.size(), 9u);  // of the 20 cells of the block
        }
    }
}

// Correction files the export refuses, with status 2 and a message.
TEST(CorrectionExport, RefusesFilesWithoutAUsableCell) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    const std::string title = "T\r\nMeshCode dB(sec) dL(sec)\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        const char* option;
        const char* message;
    };
    const Case cases[] = {
        {"no usable node", title + "53394600 nan 0.01\r\n53394601 0.01 2.5\r\n", "", "holds no usable grid node"},
        {"no cell of four", title + "53394600 0.01 0.01\r\n53394601 0.01 0.01\r\n53394611 0.01 0.01\r\n", "",
         "has no cell with all four nodes"},
        {"one node, one subgrid", title + "53394600 0.01 0.01\r\n", "--single ", "has no cell with all four nodes"},
        {"heights", "T\r\nMeshCode dH(m)\r\n53394600 0.01\r\n", "", "dH"},
    };
    for (const Case& c : cases) {
        write_file(dir + "/c.par", c.bytes);
        std::string err;
        EXPECT_EQ(run_ntv2(dir, std::string(c.option) + "correction " + dir + "/c.par " + dir + "/c.gsb", err), 2)
            << c.what;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
    }
}

// ---- The correction chain in PROJ against pellowen-batch

// A node's lattice row and column from its code ppuuqvrw.
std::pair<int, int> node_of(int code) {
    const int pp = code / 1000000, uu = code / 10000 % 100, q = code / 1000 % 10;
    const int v = code / 100 % 10, r = code / 10 % 10, w = code % 10;
    return {pp * 80 + q * 10 + r, uu * 80 + v * 10 + w};
}

// The sample correction file with a block of 4 by 4 nodes taken out inside
// its area (the 9 cells between them lie outside the file again, the cells
// round them are partial) and two nodes whose values the reader cannot use
// ("NaN", and 2" beyond the plausible limit).
void write_chain_correction(const std::string& path, CorrectionNodes& n) {
    std::ifstream in(PELLOWEN_SOURCE_DIR "/examples/sample_correction.par", std::ios::binary);
    std::string out;
    int line_number = 0;
    for (std::string line; std::getline(in, line);) {
        if (++line_number <= 2) {
            out += line + "\n";
            continue;
        }
        int code = 0;
        double dB = 0, dL = 0;
        std::istringstream(line) >> code >> dB >> dL;
        const auto [row, col] = node_of(code);
        const int i = row - 35 * 120;  // node indices of the sample region
        const int j = col - 395 * 8;
        if (i >= 60 && i <= 63 && j >= 30 && j <= 33) continue;
        n.listed.insert({row, col});
        char text[80];
        if (i == 90 && j == 45) {
            std::snprintf(text, sizeof text, "%08d NaN %.5f\r\n", code, dL);
        } else if (i == 40 && j == 20) {
            std::snprintf(text, sizeof text, "%08d %.5f 2.00000\r\n", code, dB);
        } else {
            std::snprintf(text, sizeof text, "%s\n", line.c_str());
            n.usable[{row, col}] = {dB, dL};
            n.largest = std::max({n.largest, std::fabs(dB), std::fabs(dL)});
        }
        out += text;
    }
    write_file(path, out);
}

// How a correction file covers the cell of a position.
enum class Cover {
    full,     // four usable nodes: corrected
    none,     // no node listed: outside the file's area
    partial,  // some node listed, but not four usable ones
};

Cover cover_at(const CorrectionNodes& n, double lat, double lon) {
    const int row = static_cast<int>(std::floor(lat * 120));
    const int col = static_cast<int>(std::floor((lon - 100) * 80));
    if (four_usable(n, row, col)) return Cover::full;
    const std::size_t listed = n.listed.count({row, col}) + n.listed.count({row, col + 1}) +
                               n.listed.count({row + 1, col}) + n.listed.count({row + 1, col + 1});
    return listed == 0 ? Cover::none : Cover::partial;
}

// A cell that is not fully covered within reach (degrees) of the position,
// in either direction.
bool uncovered_cell_within(const CorrectionNodes& n, double lat, double lon, double reach) {
    for (const double a : {lat - reach, lat + reach}) {
        for (const double b : {lon - reach, lon + reach}) {
            if (cover_at(n, a, b) != Cover::full) return true;
        }
    }
    return false;
}

// One point as pellowen-batch wrote it in an XYBL output.
struct Batched {
    bool converted = false;
    double x = 0, y = 0;
    std::string marks;  // what follows the coordinates
};

// pellowen-batch on the points "Pk,X,Y" of zone 9, XYBL out with 8 decimals,
// with the correction file when one is given; the points by k.
void run_batch(const std::string& dir, const char* direction, const std::string& correction, std::size_t count,
               std::vector<Batched>& points) {
    const std::string command = std::string(PELLOWEN_BATCH) + " --quiet --zone 9 --decimals 8 --direction " +
                                direction + " --input " + dir + "/points.csv --output " + dir +
                                "/batch.txt --output-format xybl --gsi-grid " PELLOWEN_SOURCE_DIR
                                "/examples/sample_land.par --jcg-grid " PELLOWEN_SOURCE_DIR
                                "/examples/sample_sea.jhd" +
                                (correction.empty() ? "" : " --correction " + correction) + " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    points.assign(count, Batched{});
    std::ifstream out(dir + "/batch.txt", std::ios::binary);
    std::size_t read = 0;
    for (std::string line; std::getline(out, line);) {
        if (line.empty() || line[0] != 'P') continue;
        if (line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
        const std::size_t k = std::stoul(fields[0].substr(1));
        ASSERT_LT(k, count);
        Batched& p = points[k];
        p.converted = fields.size() == 10;
        if (p.converted) {
            p.x = std::stod(fields[5]);
            p.y = std::stod(fields[6]);
        }
        p.marks = fields.back();
        ++read;
    }
    ASSERT_EQ(read, count);
}

// One point as cct wrote it: its result line, and whether it converted.
struct Projected {
    bool converted = false;
    double x = 0, y = 0;
    std::string line;
};

void run_cct(const std::string& dir, const std::string& pipeline, std::size_t count, std::vector<Projected>& points) {
    const std::string command =
        "cct -d 8 -z 0 -t 0 " + pipeline + " " + dir + "/points.cct > " + dir + "/cct.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    points.clear();
    std::ifstream out(dir + "/cct.txt");
    for (std::string line; std::getline(out, line);) {
        if (line.rfind(" (", 0) == 0) continue;  // the reason of an error line
        Projected p;
        p.line = line;
        p.converted = line.rfind("# Record", 0) != 0 && (std::istringstream(line) >> p.x >> p.y);
        points.push_back(p);
    }
    ASSERT_EQ(points.size(), count);
}

double plane_distance(double x1, double y1, double x2, double y2) {
    return std::max(std::fabs(x1 - x2), std::fabs(y1 - y2));
}

// The PROJ pipelines of zone 9 between the Tokyo datum and JGD2011: plane
// to geographic, hgridshift on the land and sea grids, hgridshift on the
// correction grid (points outside it fall to PROJ's "null" grid, no shift),
// and back to the plane; inverse, the steps reversed. No correction step
// when correction is empty. With a GTX file of height corrections, a
// vgridshift step after the correction adds the grid's value to the height
// (multiplier 1), "null" again behind it.
std::string chain(bool forward, const std::string& dir, const std::string& correction,
                  const std::string& heights = "") {
    const std::string zone9 = " +lat_0=36 +lon_0=139.8333333333333333 +k=0.9999 +x_0=0 +y_0=0";
    const std::string shift = "+proj=hgridshift +grids=@" + dir + "/land.gsb,@" + dir + "/sea.gsb";
    const std::string corrected = correction.empty() ? "" : "+proj=hgridshift +grids=" + correction + ",null";
    const std::string raised = heights.empty() ? "" : "+proj=vgridshift +grids=" + heights + ",null +multiplier=1";
    std::string p = "+proj=pipeline +step +proj=axisswap +order=2,1";
    if (forward) {
        p += " +step +inv +proj=tmerc" + zone9 + " +ellps=bessel +step " + shift;
        if (!corrected.empty()) p += " +step " + corrected;
        if (!raised.empty()) p += " +step " + raised;
        p += " +step +proj=tmerc" + zone9 + " +ellps=GRS80";
    } else {
        p += " +step +inv +proj=tmerc" + zone9 + " +ellps=GRS80";
        if (!raised.empty()) p += " +step +inv " + raised;
        if (!corrected.empty()) p += " +step +inv " + corrected;
        p += " +step +inv " + shift + " +step +proj=tmerc" + zone9 + " +ellps=bessel";
    }
    return p + " +step +proj=axisswap +order=2,1";
}

// The sample grids and the chain's correction file exported by
// pellowen-ntv2, the correction also loaded as pellowen-batch loads it.
class CorrectionChain : public Proj {
protected:
    void SetUp() override {
        Proj::SetUp();
        write_chain_correction(dir + "/corr.par", nodes);
        std::string err;
        for (const std::string kind : {"land", "sea", "correction"}) {
            const std::string from = kind == "land"  ? PELLOWEN_SOURCE_DIR "/examples/sample_land.par"
                                     : kind == "sea" ? PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd"
                                                     : dir + "/corr.par";
            const std::string to = dir + "/" + (kind == "correction" ? "corr" : kind) + ".gsb";
            ASSERT_EQ(run_ntv2(dir, kind + " " + from + " " + to, err), 0) << err;
        }
        RecordingFeedback ui;
        ASSERT_EQ(grids::read_correction_file(ui, dir + "/corr.par", correction), 0);
    }

    // Both programs on the same plane points ("Pk,X,Y" for pellowen-batch,
    // "X Y" for cct, the same digits), each with and without the correction.
    void convert(bool forward, const std::vector<std::pair<double, double>>& plane) {
        std::ofstream batch(dir + "/points.csv", std::ios::binary);
        std::ofstream proj_in(dir + "/points.cct");
        char line[96];
        for (std::size_t k = 0; k < plane.size(); ++k) {
            std::snprintf(line, sizeof line, "P%zu,%.6f,%.6f\r\n", k, plane[k].first, plane[k].second);
            batch << line;
            std::snprintf(line, sizeof line, "%.6f %.6f\n", plane[k].first, plane[k].second);
            proj_in << line;
        }
        batch.close();
        proj_in.close();
        const char* direction = forward ? "tokyo-to-jgd" : "jgd-to-tokyo";
        run_batch(dir, direction, dir + "/corr.par", plane.size(), ours);
        run_batch(dir, direction, "", plane.size(), ours_plain);
        run_cct(dir, chain(forward, dir, dir + "/corr.gsb"), plane.size(), proj);
        run_cct(dir, chain(forward, dir, ""), plane.size(), proj_plain);
    }

    CorrectionNodes nodes;
    grids::CorrectionGrid correction;
    std::vector<Batched> ours, ours_plain;
    std::vector<Projected> proj, proj_plain;
};

// Plane coordinates of zone 9 as text writes them (6 decimals) and reads
// them back, and their geographic position on the ellipsoid.
void plane_point(geodesy::Ellipsoid e, double lat, double lon, std::pair<double, double>& plane, double& lat_read,
                 double& lon_read) {
    const geodesy::PlanePoint p = geodesy::geo_to_plane(e, 9, geodesy::deg_to_rad(lat), geodesy::deg_to_rad(lon));
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %.6f", p.x, p.y);
    std::istringstream(text) >> plane.first >> plane.second;
    const geodesy::GeoPoint g = geodesy::plane_to_geo(e, 9, plane.first, plane.second);
    lat_read = geodesy::rad_to_deg(g.lat);
    lon_read = geodesy::rad_to_deg(g.lon);
}

const char* const LAND_MARK = "<国土地理院で変換>";
const char* const CORRECTED_MARK = "<補正1済>";
const char* const OUTSIDE_MARK = "<補正1範囲外>";
const char* const NO_GRID_MARK = "<3ﾊﾟﾗないし範囲外で変換できず>";
const char* const PARTIAL_MARK = "<補正1のﾊﾟﾗﾒｰﾀ不足で変換できず>";

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Tokyo plane coordinates to JGD2011 on about 40,000 points over the sample
// area, with and without the correction step, against pellowen-batch with
// and without --correction. Where the shifted position's cell has four
// usable correction nodes both correct it, where it has none both leave it
// as the shift puts it, and where neither grid covers the point neither
// converts it: both agree within 1 mm (points the sea grid shifts, which
// pellowen-batch projects on WGS84 and PROJ on GRS80, too; the largest
// differences are printed apart). The one class that differs is the
// partial cell (some node listed, not four usable ones): pellowen-batch does
// not convert the point, PROJ finds it outside the correction grid and
// takes the "null" grid, so that it comes out exactly as without the
// correction step.
TEST_F(CorrectionChain, TokyoToJgd2011AgreesWithPellowenBatch) {
    std::vector<std::pair<double, double>> drawn;  // lon, lat
    add_random_points(2011, drawn);
    add_random_points(311, drawn);
    struct Point {
        std::pair<double, double> plane;
        bool shifted;
        bool land;
        double lat, lon;  // JGD2000, when shifted
    };
    std::vector<Point> points;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        double lat = 0, lon = 0;
        plane_point(geodesy::ELLIPSOID_BESSEL, lat_drawn, lon_drawn, p.plane, lat, lon);
        grids::GridKind source = grids::GridKind::land;
        p.shifted = grids::forward_shift({t.land, t.sea}, lat, lon, p.lat, p.lon, source) == 0;
        p.land = source == grids::GridKind::land;
        if (near_cell_line(lat, lon) || (p.shifted && near_cell_line(p.lat, p.lon))) continue;
        points.push_back(p);
    }
    std::vector<std::pair<double, double>> plane;
    for (const Point& p : points) plane.push_back(p.plane);
    convert(true, plane);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest_land = 0, largest_sea = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].first << " " << plane[k].second << ": "
                                        << proj[k].line);
        if (!p.shifted) {
            ++count["no grid"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, NO_GRID_MARK));
            EXPECT_FALSE(proj[k].converted);
            continue;
        }
        const Cover cover = cover_at(nodes, p.lat, p.lon);
        if (cover == Cover::partial) {
            ++count["partial cell"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK));
            EXPECT_TRUE(ours_plain[k].converted && proj[k].converted);
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            continue;
        }
        ++count[cover == Cover::full ? "corrected" : "outside"];
        ASSERT_TRUE(ours[k].converted && proj[k].converted);
        EXPECT_EQ(has(ours[k].marks, LAND_MARK), p.land);
        EXPECT_TRUE(has(ours[k].marks, cover == Cover::full ? CORRECTED_MARK : OUTSIDE_MARK));
        const double moved = plane_distance(ours[k].x, ours[k].y, ours_plain[k].x, ours_plain[k].y);
        // The sample's corrections move a point by 0.7 m or more.
        if (cover == Cover::full) {
            EXPECT_GT(moved, 0.5);
        } else {
            EXPECT_EQ(moved, 0);
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
        }
        const double d = plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y);
        (p.land ? largest_land : largest_sea) = std::max(d, p.land ? largest_land : largest_sea);
        EXPECT_LT(d, 1e-3);
    }
    std::printf("%zu points:", points.size());
    for (const auto& [what, n] : count) std::printf(" %s %d,", what.c_str(), n);
    std::printf(" largest difference land %.6f m, sea %.6f m\n", largest_land, largest_sea);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside"], 5000);
    EXPECT_GT(count["partial cell"], 200);
    EXPECT_GT(count["no grid"], 1000);
}

// Which grid covers a position when the land grid is tried first: 0 none,
// 1 land, 2 sea.
int grid_at(const Loaded& t, double lat, double lon) {
    double a = 0, b = 0;
    if (grids::shift_by_land(t.land, lat, lon, a, b) == 0) return 1;
    return grids::shift_by_sea(t.sea, lat, lon, a, b) == 0 ? 2 : 0;
}

// JGD2011 plane coordinates back to the Tokyo datum on about 40,000 points
// over the sample area, and on 400 points within 2 m of the north and west
// edges of the corrected cells, with and without the correction step,
// against pellowen-batch with and without --correction. Points both
// convert agree within 1 mm, and both leave out the same points, but for
// three classes:
// - the input lies in a partial cell: pellowen-batch does not convert it,
//   PROJ takes the "null" grid and comes out exactly as without the
//   correction step;
// - the input lies in a corrected cell, nearer to a cell that is not
//   corrected than the largest correction: where undoing the correction
//   steps into that cell, pellowen-batch does not convert the point and
//   PROJ does;
// - the grid that covers the JGD2000 position is not the grid whose shift
//   pellowen-batch inverts (near the edges of the land and sea grids; the
//   shift is about 460 m). PROJ starts with the grid at the JGD2000
//   position and keeps it while its steps stay in one subgrid: with no grid
//   there it does not convert the point; where its steps leave both grids
//   it gives the last of them, which neither grid covers (and which
//   pellowen-batch does not convert); otherwise it gives a position that
//   one of the grids shifts onto the JGD2000 position within 2 mm, another
//   than pellowen-batch's (often by metres), or the same one short of
//   PROJ's own tolerance.
TEST_F(CorrectionChain, Jgd2011ToTokyoAgreesWithPellowenBatch) {
    std::vector<std::pair<double, double>> drawn;  // lon, lat
    add_random_points(2016, drawn);
    add_random_points(414, drawn);
    // The north edge of the corrected cells, 35 57'N, and the west edge,
    // 139 40' 30"E, and up to 2 m inside them.
    std::uint64_t s = 99;
    for (int i = 0; i < 200; ++i) {
        const double along = static_cast<double>(next(s)) / 9007199254740992.0;
        const double inside = 2 * static_cast<double>(next(s)) / 9007199254740992.0;
        drawn.emplace_back(139.7 + 0.5 * along, 35.95 - inside / 111000);
        drawn.emplace_back(139.675 + inside / 90700, 35.3 + 0.6 * along);
    }
    const double reach = (nodes.largest + 1e-4) / 3600;
    struct Point {
        std::pair<double, double> plane;
        double lat, lon;    // JGD2011 as read
        double lat0, lon0;  // JGD2000, when the correction is undone
        bool undone;
        int start_grid;  // the grid that covers the JGD2000 position
        int end_grid;    // the grid that shifts the Tokyo position found
    };
    std::vector<Point> points;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        plane_point(geodesy::ELLIPSOID_GRS80, lat_drawn, lon_drawn, p.plane, p.lat, p.lon);
        p.undone =
            grids::undo_correction(correction, p.lat, p.lon, p.lat0, p.lon0) != grids::CorrectionOutcome::unknown;
        double lat_t = 0, lon_t = 0;
        grids::GridKind source = grids::GridKind::land;
        const bool shifted =
            p.undone && grids::inverse_shift({t.land, t.sea}, p.lat0, p.lon0, lat_t, lon_t, source) == 0;
        p.start_grid = p.undone ? grid_at(t, p.lat0, p.lon0) : 0;
        p.end_grid = !shifted ? 0 : source == grids::GridKind::land ? 1 : 2;
        if (near_cell_line(p.lat, p.lon) || (p.undone && near_cell_line(p.lat0, p.lon0)) ||
            (shifted && near_cell_line(lat_t, lon_t))) {
            continue;
        }
        points.push_back(p);
    }
    std::vector<std::pair<double, double>> plane;
    for (const Point& p : points) plane.push_back(p.plane);
    convert(false, plane);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest_land = 0, largest_sea = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].first << " " << plane[k].second << ": "
                                        << proj[k].line);
        const Cover cover = cover_at(nodes, p.lat, p.lon);
        const bool agree = ours[k].converted == proj[k].converted &&
                           (!ours[k].converted || plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y) < 1e-3);
        if (cover == Cover::partial) {
            ++count["partial cell"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK));
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            continue;
        }
        if (cover == Cover::none) {
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            EXPECT_EQ(ours[k].converted, ours_plain[k].converted);
            EXPECT_TRUE(ours[k].x == ours_plain[k].x && ours[k].y == ours_plain[k].y);
        }
        if (cover == Cover::full && uncovered_cell_within(nodes, p.lat, p.lon, reach)) {
            ++count[agree ? "edge of the corrected cells, agreeing" : "edge of the corrected cells, differing"];
            // Differing only where undoing the correction steps out of the
            // corrected cells.
            EXPECT_EQ(agree, p.undone);
            if (!agree) {
                EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK) && proj[k].converted);
            }
            continue;
        }
        ASSERT_TRUE(p.undone);
        if (p.start_grid != p.end_grid) {
            if (agree) {
                ++count["other grid, agreeing"];
                continue;
            }
            if (!proj[k].converted) {
                ++count["other grid: PROJ finds no grid at the JGD2000 position"];
                EXPECT_EQ(p.start_grid, 0);
                EXPECT_TRUE(ours[k].converted);
                continue;
            }
            const geodesy::GeoPoint g = geodesy::plane_to_geo(geodesy::ELLIPSOID_BESSEL, 9, proj[k].x, proj[k].y);
            const double lat_t = geodesy::rad_to_deg(g.lat);
            const double lon_t = geodesy::rad_to_deg(g.lon);
            const int there = grid_at(t, lat_t, lon_t);
            if (there == 0) {
                ++count["other grid: PROJ's last step, outside both grids"];
                EXPECT_FALSE(ours[k].converted);
                continue;
            }
            // The grid that shifts PROJ's result onto the JGD2000 position
            // (within 2e-8 degree, 2 mm).
            int fits = 0;
            for (const int grid : {1, 2}) {
                double lat_s = 0, lon_s = 0;
                const int outside = grid == 1 ? grids::shift_by_land(t.land, lat_t, lon_t, lat_s, lon_s)
                                              : grids::shift_by_sea(t.sea, lat_t, lon_t, lat_s, lon_s);
                if (outside == 0 && std::fabs(lat_s - p.lat0) < 2e-8 && std::fabs(lon_s - p.lon0) < 2e-8) fits = grid;
            }
            EXPECT_NE(fits, 0);
            ++count[fits == there ? "other grid: PROJ's result shifts onto the input too"
                                  : "other grid: PROJ's result shifted by a grid the conversion does not take there"];
            continue;
        }
        EXPECT_TRUE(agree) << ours[k].converted << " " << ours[k].marks;
        if (!agree) continue;
        if (!ours[k].converted) {
            ++count["no grid"];
            EXPECT_TRUE(has(ours[k].marks, NO_GRID_MARK));
            continue;
        }
        ++count[cover == Cover::full ? "corrected" : "outside"];
        EXPECT_TRUE(has(ours[k].marks, cover == Cover::full ? CORRECTED_MARK : OUTSIDE_MARK));
        const bool land = has(ours[k].marks, LAND_MARK);
        const double d = plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y);
        (land ? largest_land : largest_sea) = std::max(d, land ? largest_land : largest_sea);
    }
    std::printf("%zu points:", points.size());
    for (const auto& [what, n] : count) std::printf(" %s %d,", what.c_str(), n);
    std::printf(" largest difference land %.6f m, sea %.6f m\n", largest_land, largest_sea);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside"], 5000);
    EXPECT_GT(count["partial cell"], 200);
    EXPECT_GT(count["edge of the corrected cells, differing"], 20);
    EXPECT_GT(count["other grid: PROJ's result shifted by a grid the conversion does not take there"], 20);
}

// ---- Height correction files as GTX

// A GTX file read back (big-endian): its header and its values.
struct Gtx {
    double south = 0, west = 0, lat_step = 0, lon_step = 0;
    std::int32_t rows = 0, cols = 0;
    std::vector<float> values;
};

// Bytes from the file's order to the (little-endian) machine's.
template <typename T>
T big_endian(const std::string& bytes, std::size_t at) {
    char b[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) b[i] = bytes[at + sizeof(T) - 1 - i];
    T value;
    std::memcpy(&value, b, sizeof value);
    return value;
}

// 1 when the file is shorter than its header or not as long as its header says.
int read_gtx(const std::string& path, Gtx& g) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 40) return 1;
    g.south = big_endian<double>(bytes, 0);
    g.west = big_endian<double>(bytes, 8);
    g.lat_step = big_endian<double>(bytes, 16);
    g.lon_step = big_endian<double>(bytes, 24);
    g.rows = big_endian<std::int32_t>(bytes, 32);
    g.cols = big_endian<std::int32_t>(bytes, 36);
    if (g.rows <= 0 || g.cols <= 0 || bytes.size() != 40 + 4 * static_cast<std::size_t>(g.rows) * g.cols) return 1;
    for (std::size_t at = 40; at < bytes.size(); at += 4) g.values.push_back(big_endian<float>(bytes, at));
    return 0;
}

const char* const HEIGHT_TITLE = "TEST H1.00 synthetic\r\nMeshCode   dH(m)     0.00000\r\n";

// A height file of 3 rows by 4 columns of nodes across a second-level
// corner, each node's value its own: one node not listed, one "nan", one
// beyond 10 m, records with and without the unused third number, and a
// code whose second-level row is 8, which no cell has. The GTX file starts
// at the south-west node, goes row by row from the south, each row from
// the west, and holds -88.8888 where the file has no usable value.
TEST(GtxExport, HeaderRowOrderAndMissingNodes) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    const int row0 = 53 * 80 + 48;  // 35 36'N, rows across 35 37' 30"
    const int col0 = 39 * 80 + 68;  // 139 51'E, columns across 139 52' 30"
    std::string file = HEIGHT_TITLE;
    std::vector<float> expected;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double dh = -0.3 + 0.1 * i + 0.01 * j;
            char value[24];
            std::snprintf(value, sizeof value, "%.4f", dh);
            if (i == 2 && j == 0) std::snprintf(value, sizeof value, "nan");
            if (i == 0 && j == 3) std::snprintf(value, sizeof value, "12.5000");
            const bool missing = (i == 2 && j == 0) || (i == 0 && j == 3) || (i == 1 && j == 1);
            expected.push_back(missing ? -88.8888f : static_cast<float>(std::stod(value)));
            if (i == 1 && j == 1) continue;
            char line[80];
            std::snprintf(line, sizeof line, "%08d %s%s\r\n", code_of(row0 + i, col0 + j), value,
                          j % 2 == 0 ? " 0.00000" : "");
            file += line;
        }
    }
    file += "53398600 -0.10000\r\n";
    write_file(dir + "/h.par", file);
    std::string err;
    ASSERT_EQ(run_ntv2(dir, "height " + dir + "/h.par " + dir + "/h.gtx", err), 0) << err;
    Gtx g;
    ASSERT_EQ(read_gtx(dir + "/h.gtx", g), 0);
    EXPECT_EQ(g.south, row0 / 120.0);
    EXPECT_EQ(g.west, 100 + col0 / 80.0);
    EXPECT_EQ(g.lat_step, 1 / 120.0);
    EXPECT_EQ(g.lon_step, 1 / 80.0);
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.cols, 4);
    EXPECT_EQ(g.values, expected);
    EXPECT_EQ(std::count(g.values.begin(), g.values.end(), -88.8888f), 3);
}

// Files the GTX export refuses, with status 2, a message and no output.
TEST(GtxExport, RefusesWhatIsNoUsableHeightFile) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    struct Case {
        const char* what;
        std::string bytes;  // the file h.par, or empty for the sample file named in arguments
        std::string arguments;
        const char* message;
    };
    const std::string h = dir + "/h.par ";
    const std::string out = dir + "/h.gtx";
    const Case cases[] = {
        {"horizontal", "T\r\nMeshCode dB(sec) dL(sec)\r\n53394600 0.01 0.01\r\n", "height " + h + out,
         "is a horizontal correction file"},
        {"a sea grid", "", "height " PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd " + out,
         "cannot be read as a height correction file"},
        {"no usable node", std::string(HEIGHT_TITLE) + "53394600 nan\r\n53394601 10.5\r\n", "height " + h + out,
         "holds no usable grid node"},
        {"no cell of four", std::string(HEIGHT_TITLE) + "53394600 0.1\r\n53394601 0.1\r\n53394611 0.1\r\n",
         "height " + h + out, "has no cell with all four nodes"},
        {"--single", std::string(HEIGHT_TITLE) + "53394600 0.1\r\n", "--single height " + h + out,
         "--single has no meaning for height"},
        {"an output that cannot be written",
         std::string(HEIGHT_TITLE) + "53394600 0.1\r\n53394601 0.1\r\n53394610 0.1\r\n53394611 0.1\r\n",
         "height " + h + dir + "/no/such/folder.gtx", "cannot write"},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty()) write_file(dir + "/h.par", c.bytes);
        std::string err;
        EXPECT_EQ(run_ntv2(dir, c.arguments, err), 2) << c.what;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.what;
    }
}

// ---- The height chain in PROJ against pellowen-batch

// The height file of the chain: a block of nodes over 35 9'N to 35 39'N and
// 139 33'E to 140 03'E (the south-west of it outside the sample correction
// file's area, the rest inside), its north and east edges ragged, a hole
// of 4 by 4 nodes (the 9 cells between them lie outside the file again),
// one node "nan" and one beyond 10 m; values of tens of centimetres.
void write_height_chain_file(const std::string& path, CorrectionNodes& n) {
    const int row0 = 35 * 120 + 18;
    const int col0 = 39 * 80 + 44;
    std::string file = HEIGHT_TITLE;
    for (int i = 0; i < 61; ++i) {
        for (int j = 0; j < 41; ++j) {
            if (i > 60 - j * 3 % 4 || j > 40 - i * 7 % 5) continue;  // the ragged edges
            if (i >= 20 && i <= 23 && j >= 15 && j <= 18) continue;  // the hole
            const double dh = -0.3 + 0.12 * std::sin(i / 9.0) + 0.1 * std::cos(j / 7.0);  // -0.52 to -0.08 m
            char value[24];
            std::snprintf(value, sizeof value, "%.4f", dh);
            if (i == 40 && j == 10) std::snprintf(value, sizeof value, "nan");
            if (i == 10 && j == 30) std::snprintf(value, sizeof value, "12.5000");
            char line[80];
            std::snprintf(line, sizeof line, "%08d %8s%s\r\n", code_of(row0 + i, col0 + j), value,
                          j % 3 == 0 ? "" : "   0.00000");
            file += line;
            n.listed.insert({row0 + i, col0 + j});
            if (std::strcmp(value, "nan") != 0 && std::strcmp(value, "12.5000") != 0) {
                n.usable[{row0 + i, col0 + j}] = {std::stod(value), 0};
            }
        }
    }
    write_file(path, file);
}

// One point as pellowen-batch's log of a SIMA output lists it: converted,
// with its marks after the height, or not, as its input line (after the
// error banner, which comes with the first such point).
struct SimaLogged {
    bool listed = false;
    bool converted = false;
    double x = 0, y = 0;
    std::string height;
    std::string marks;
};

// The points "A01,k,Pk,..." of the log, by k.
void read_sima_log(const std::string& path, std::vector<SimaLogged>& points) {
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("A01,", 0) != 0) continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
        ASSERT_GE(fields.size(), 6u) << line;
        const std::size_t k = std::stoul(fields[1]);
        ASSERT_LT(k, points.size()) << line;
        SimaLogged& p = points[k];
        p.listed = true;
        p.converted = fields.size() > 6 && has(fields[6], "<");
        p.x = std::stod(fields[3]);
        p.y = std::stod(fields[4]);
        p.height = fields[5];
        p.marks = fields.size() > 6 ? fields[6] : "";
    }
}

// One point as cct wrote it, with the reason of an error.
struct ProjectedHeight {
    bool converted = false;
    double x = 0, y = 0, h = 0;
    std::string line;
};

void run_cct_heights(const std::string& dir, const std::string& pipeline, std::size_t count,
                     std::vector<ProjectedHeight>& points) {
    const std::string command = "cct -d 8 -t 0 " + pipeline + " " + dir + "/points.cct > " + dir + "/cct.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    points.clear();
    std::ifstream out(dir + "/cct.txt");
    for (std::string line; std::getline(out, line);) {
        if (line.rfind(" (", 0) == 0 && !points.empty()) {
            points.back().line += line;
            continue;
        }
        ProjectedHeight p;
        p.line = line;
        p.converted = line.rfind("# Record", 0) != 0 && (std::istringstream(line) >> p.x >> p.y >> p.h);
        points.push_back(p);
    }
    ASSERT_EQ(points.size(), count);
}

// The value PROJ's vgridshift takes in a cell with missing nodes: the
// bilinear weights of the usable corners, divided by their sum; NaN when
// none is usable.
double usable_corners_mean(const CorrectionNodes& n, double lat, double lon) {
    const int row = static_cast<int>(std::floor(lat * 120));
    const int col = static_cast<int>(std::floor((lon - 100) * 80));
    const double t = lat * 120 - row;
    const double s = (lon - 100) * 80 - col;
    double sum = 0, weights = 0;
    for (const auto& [dr, dc, w] : {std::tuple{0, 0, (1 - s) * (1 - t)}, std::tuple{0, 1, s * (1 - t)},
                                    std::tuple{1, 0, (1 - s) * t}, std::tuple{1, 1, s * t}}) {
        const auto it = n.usable.find({row + dr, col + dc});
        if (it == n.usable.end()) continue;
        sum += w * it->second.first;
        weights += w;
    }
    return weights > 0 ? sum / weights : std::nan("");
}

// The sample grids and the sample correction file exported by
// pellowen-ntv2, the correction also loaded as pellowen-batch loads it, and
// the chain's height file written and exported.
class HeightChain : public Proj {
protected:
    void SetUp() override {
        Proj::SetUp();
        write_height_chain_file(dir + "/height.par", heights);
        std::string err;
        const std::string exports[] = {
            "land " PELLOWEN_SOURCE_DIR "/examples/sample_land.par " + dir + "/land.gsb",
            "sea " PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd " + dir + "/sea.gsb",
            "correction " PELLOWEN_SOURCE_DIR "/examples/sample_correction.par " + dir + "/corr.gsb",
            "height " + dir + "/height.par " + dir + "/height.gtx",
        };
        for (const std::string& arguments : exports) ASSERT_EQ(run_ntv2(dir, arguments, err), 0) << err;
        RecordingFeedback ui;
        ASSERT_EQ(grids::read_correction_file(ui, PELLOWEN_SOURCE_DIR "/examples/sample_correction.par", horizontal),
                  0);
    }

    CorrectionNodes heights;
    grids::CorrectionGrid horizontal;
};

const char* const HEIGHT_CORRECTED_MARK = "補正2済";
const char* const HEIGHT_OUTSIDE_MARK = "補正2範囲外";

// Points of SIMA records on the Tokyo datum, zone 9, with heights of 3
// decimals, over and around the height file's block: pellowen-batch with
// the sample correction file and the height file (SIMA out, 8 decimals)
// against cct with hgridshift on the land, sea and correction grids and
// vgridshift (+multiplier=1) on the GTX export of the height file, "null"
// behind both. Where the position at the height step (JGD2011) has four
// usable nodes both add the same correction: the heights agree within 1 mm
// (pellowen-batch rounds to the millimetre; the largest difference is
// printed). Outside the box of the file's nodes both keep the height. The
// classes that differ: a cell of the hole, where the file lists no node,
// pellowen-batch keeps the height and PROJ refuses the point (its four
// nodes are missing: nodata); a cell with some nodes listed but not four
// usable ones, pellowen-batch does not convert the point and PROJ weighs
// the usable corners alone (or refuses the point when none is usable), or,
// for a cell beside the box, keeps the height by the null grid. Points
// whose horizontal correction is unknown pellowen-batch does not convert.
TEST_F(HeightChain, HeightsByVgridshiftAgreeWithPellowenBatch) {
    int row_min = INT_MAX, row_max = INT_MIN, col_min = INT_MAX, col_max = INT_MIN;
    for (const auto& [row, col] : heights.listed) {
        row_min = std::min(row_min, row);
        row_max = std::max(row_max, row);
        col_min = std::min(col_min, col);
        col_max = std::max(col_max, col);
    }

    struct Point {
        std::pair<double, double> plane;
        std::string height;  // as written, 3 decimals
        bool shifted = false;
        bool corrected = false;  // the horizontal correction is known
        double lat = 0, lon = 0;  // at the height step (JGD2011), when corrected
    };
    std::vector<Point> points;
    std::uint64_t s = 2025;
    for (int i = 0; i < 20000; ++i) {
        const double lon_drawn = 139.5 + 0.6 * static_cast<double>(next(s)) / 9007199254740992.0;
        const double lat_drawn = 35.1 + 0.6 * static_cast<double>(next(s)) / 9007199254740992.0;
        const long mm = static_cast<long>(next(s) % 155001) - 5000;  // -5 m to 150 m
        Point p;
        double lat = 0, lon = 0, lat0 = 0, lon0 = 0;
        plane_point(geodesy::ELLIPSOID_BESSEL, lat_drawn, lon_drawn, p.plane, lat, lon);
        char text[32];
        std::snprintf(text, sizeof text, "%s%ld.%03ld", mm < 0 ? "-" : "", std::labs(mm) / 1000, std::labs(mm) % 1000);
        p.height = text;
        grids::GridKind source = grids::GridKind::land;
        p.shifted = grids::forward_shift({t.land, t.sea}, lat, lon, lat0, lon0, source) == 0;
        p.corrected = p.shifted && grids::apply_correction(horizontal, lat0, lon0, p.lat, p.lon) !=
                                       grids::CorrectionOutcome::unknown;
        if (near_cell_line(lat, lon) || (p.shifted && near_cell_line(lat0, lon0)) ||
            (p.corrected && near_cell_line(p.lat, p.lon))) {
            continue;
        }
        points.push_back(p);
    }
    {
        std::ofstream sima(dir + "/points.sim", std::ios::binary);
        std::ofstream proj_in(dir + "/points.cct");
        sima << "G00,01,height chain,\r\nZ00,座標ﾃﾞｰﾀ,\r\nA00,\r\n";
        char line[128];
        for (std::size_t k = 0; k < points.size(); ++k) {
            const Point& p = points[k];
            std::snprintf(line, sizeof line, "A01,%zu,P%zu,%.6f,%.6f,%s,\r\n", k, k, p.plane.first, p.plane.second,
                          p.height.c_str());
            sima << line;
            std::snprintf(line, sizeof line, "%.6f %.6f %s\n", p.plane.first, p.plane.second, p.height.c_str());
            proj_in << line;
        }
        sima << "A99,END,\r\n";
    }
    const std::string command = std::string(PELLOWEN_BATCH) + " --quiet --zone 9 --decimals 8 --input " + dir +
                                "/points.sim --output " + dir + "/out.sim --gsi-grid " PELLOWEN_SOURCE_DIR
                                "/examples/sample_land.par --jcg-grid " PELLOWEN_SOURCE_DIR
                                "/examples/sample_sea.jhd --correction " PELLOWEN_SOURCE_DIR
                                "/examples/sample_correction.par --correction " +
                                dir + "/height.par 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    std::vector<SimaLogged> logged(points.size());
    read_sima_log(dir + "/out_Log.txt", logged);
    if (HasFatalFailure()) return;
    std::vector<ProjectedHeight> projected;
    run_cct_heights(dir, chain(true, dir, dir + "/corr.gsb", dir + "/height.gtx"), points.size(), projected);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << p.plane.first << " " << p.plane.second << " "
                                        << p.height << ": " << logged[k].height << " " << logged[k].marks << " / "
                                        << projected[k].line);
        ASSERT_TRUE(logged[k].listed);
        const double h = std::stod(p.height);
        if (!p.shifted) {
            ++count["outside both grids"];
            EXPECT_FALSE(logged[k].converted);
            EXPECT_FALSE(projected[k].converted);
            continue;
        }
        if (!p.corrected) {
            ++count["horizontal correction unknown (pellowen-batch does not convert)"];
            EXPECT_FALSE(logged[k].converted);
            continue;
        }
        const Cover cover = cover_at(heights, p.lat, p.lon);
        const int row = static_cast<int>(std::floor(p.lat * 120));
        const int col = static_cast<int>(std::floor((p.lon - 100) * 80));
        const bool in_box = row >= row_min && row < row_max && col >= col_min && col < col_max;
        if (cover == Cover::partial) {
            EXPECT_FALSE(logged[k].converted);
            if (!in_box) {
                // Beside the box, outside the GTX file: the null grid.
                ++count["partial cell beside the box, PROJ keeps the height"];
                ASSERT_TRUE(projected[k].converted);
                EXPECT_EQ(projected[k].h, h);
                continue;
            }
            // PROJ weighs the usable corners alone.
            const double mean = usable_corners_mean(heights, p.lat, p.lon);
            ++count[std::isnan(mean) ? "partial cell, PROJ nodata" : "partial cell, PROJ interpolates"];
            EXPECT_EQ(projected[k].converted, !std::isnan(mean));
            if (projected[k].converted) {
                EXPECT_NEAR(projected[k].h, h + mean, 1e-6);
            }
            continue;
        }
        ASSERT_TRUE(logged[k].converted);
        if (cover == Cover::none) {
            EXPECT_TRUE(has(logged[k].marks, HEIGHT_OUTSIDE_MARK));
            EXPECT_EQ(logged[k].height, p.height);
            if (in_box) {
                ++count["hole, PROJ nodata"];
                EXPECT_FALSE(projected[k].converted);
                EXPECT_TRUE(has(projected[k].line, "nodata"));
                continue;
            }
            ++count["outside, unchanged"];
            ASSERT_TRUE(projected[k].converted);
            EXPECT_EQ(projected[k].h, h);
        } else {
            ++count["corrected"];
            EXPECT_TRUE(has(logged[k].marks, HEIGHT_CORRECTED_MARK));
            ASSERT_TRUE(projected[k].converted);
            const double d = std::fabs(std::stod(logged[k].height) - projected[k].h);
            largest = std::max(largest, d);
            EXPECT_LT(d, 1e-3);
            // The corrections are 8 cm at least.
            EXPECT_GT(std::fabs(projected[k].h - h), 0.07);
        }
        EXPECT_LT(plane_distance(logged[k].x, logged[k].y, projected[k].x, projected[k].y), 1e-3);
    }
    std::printf("%zu points:", points.size());
    for (const auto& [what, n] : count) std::printf(" %s %d,", what.c_str(), n);
    std::printf(" largest height difference %.7f m\n", largest);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside, unchanged"], 1000);
    EXPECT_GT(count["hole, PROJ nodata"], 50);
    EXPECT_GT(count["partial cell, PROJ interpolates"], 500);
    EXPECT_GT(count["partial cell beside the box, PROJ keeps the height"], 200);
    EXPECT_GT(count["horizontal correction unknown (pellowen-batch does not convert)"], 100);
}

}  // namespace
