// The NTv2 export: which cells the subgrids cover, which nodes the lattice
// holds, the file's header, PROJ's hgridshift on the exported sample grids
// against the conversion's own forward shift, and the exported correction
// file read back.
#include <gtest/gtest.h>

#include <array>
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
#include <vector>

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

// 20,000 points drawn over the sample area, (lon, lat), with seed. Within
// about a metre of a cell line the conversion's own tolerance decides the
// cell; those points are left out.
void add_random_points(std::uint64_t seed, std::vector<std::pair<double, double>>& points) {
    std::uint64_t s = seed;
    for (int i = 0; i < 20000; ++i) {
        const double lon = 139.45 + 1.1 * static_cast<double>(next(s)) / 9007199254740992.0;
        const double lat = 34.95 + 1.1 * static_cast<double>(next(s)) / 9007199254740992.0;
        const double fr = lat * 120 - std::floor(lat * 120);
        const double fc = lon * 80 - std::floor(lon * 80);
        if (fr > 1e-3 && fr < 1 - 1e-3 && fc > 1e-3 && fc < 1 - 1e-3) points.emplace_back(lon, lat);
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

}  // namespace
