// The NTv2 export: which cells the subgrids cover, the file's layout and
// sign conventions, and PROJ's hgridshift on the exported sample grids
// against the conversion's own forward shift.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "grids/datum_shift.h"
#include "grids/param_file.h"
#include "ntv2_export.h"
#include "recording_feedback.h"

namespace {

const std::string SOURCE_DIR = PELLOWEN_SOURCE_DIR;

std::string temp_dir() {
    const char* t = std::getenv("TMPDIR");
    std::string dir = std::string(t != nullptr ? t : "/tmp") + "/ntv2_export_tests_XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) return "/tmp";
    return dir;
}

// A lattice from a picture: '#' a node, '.' none; the first line is the
// northmost row.
ntv2::NodeLattice picture(const std::vector<std::string>& lines) {
    ntv2::NodeLattice l;
    l.row0 = 4000;
    l.col0 = 3000;
    l.rows = static_cast<int>(lines.size());
    l.cols = static_cast<int>(lines[0].size());
    l.present.assign(static_cast<std::size_t>(l.rows * l.cols), 0);
    l.dlat.assign(l.present.size(), 0);
    l.dlon.assign(l.present.size(), 0);
    for (int r = 0; r < l.rows; ++r) {
        for (int c = 0; c < l.cols; ++c) {
            const int row = l.row0 + l.rows - 1 - r;
            l.present[l.index(row, l.col0 + c)] = lines[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == '#';
        }
    }
    return l;
}

// How often the blocks cover each cell; every cell with four nodes once and
// no other cell is what a reader needs. Returns the number of covered cells.
int expect_exact_cover(const ntv2::NodeLattice& l, const std::vector<ntv2::CellBlock>& blocks) {
    std::map<std::pair<int, int>, int> times;
    for (const ntv2::CellBlock& b : blocks) {
        EXPECT_GT(b.rows, 0);
        EXPECT_GT(b.cols, 0);
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

TEST(CoverCells, EveryCellWithFourNodesOnceAndNoOther) {
    struct Case {
        const char* name;
        std::vector<std::string> nodes;
        std::size_t most_blocks;
    };
    const Case cases[] = {
        {"full rectangle", {"####", "####", "####"}, 1},
        {"one node missing inside", {"#####", "##.##", "#####"}, 4},
        {"L shape", {"##...", "##...", "#####", "#####"}, 2},
        {"corners touching only", {"##..", "##..", "..##", "..##"}, 2},
        {"no cell", {"#.#", ".#.", "#.#"}, 0},
        {"single node", {"#"}, 0},
        {"ragged coast", {"..####", ".#####", "######", "####..", "###..."}, 6},
        {"widening northward", {"#######", "#######", ".#####.", "..###..", "..###.."}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ntv2::NodeLattice l = picture(c.nodes);
        const std::vector<ntv2::CellBlock> blocks = ntv2::cover_cells(l);
        const int covered = expect_exact_cover(l, blocks);
        EXPECT_LE(blocks.size(), c.most_blocks);
        EXPECT_EQ(blocks.empty(), covered == 0);
    }
}

TEST(CoverCells, RandomCoastsAreCoveredExactly) {
    std::uint64_t s = 7;
    auto next = [&s]() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return s >> 33;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines(2 + next() % 14, std::string(2 + next() % 14, '#'));
        const unsigned holes = static_cast<unsigned>(next() % 40);
        for (std::string& line : lines) {
            for (char& ch : line) ch = next() % 100 < holes ? '.' : '#';
        }
        SCOPED_TRACE(round);
        const ntv2::NodeLattice l = picture(lines);
        expect_exact_cover(l, ntv2::cover_cells(l));
    }
}

struct Loaded {
    grids::ParamTable gsi;
    grids::ParamTable jcg;
};

void load(const std::string& land, const std::string& sea, Loaded& t) {
    RecordingFeedback ui;
    std::string version;
    ASSERT_EQ(grids::create_param_table(t.gsi, grids::GSI_TABLE_CAPACITY), 0);
    ASSERT_EQ(grids::create_param_table(t.jcg, grids::JCG_TABLE_CAPACITY), 0);
    ASSERT_EQ(grids::read_gsi_param_file(ui, 1, land, version, t.gsi), 0);
    ASSERT_EQ(grids::read_jcg_param_file(ui, 1, sea, version, t.jcg), 0);
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Lattice, HoldsTheNodesALookupFindsWithTheShiftsItUses) {
    const std::string dir = temp_dir();
    // 53394600 is 35 40'N 139 45'E. A blank line, a key a lookup never
    // prints (leading zero) and a code with a second-level digit 8 are no
    // nodes.
    write_text(dir + "/t.par",
               "T V1\r\nheader\r\n"
               "53394600  11.60000 -11.50000\r\n"
               "53394601  11.70000 -11.40000\r\n"
               "\r\n"
               "05339460   9.00000   9.00000\r\n"
               "53398600   1.00000   1.00000\r\n");
    // Keys 7 digits wide take a leading blank; the same key with a zero is
    // never found.
    write_text(dir + "/t.jhd",
               "*V1\r\n"
               " 9801940 20010   -30\r\n"
               "09801941 20010   -30\r\n");
    Loaded t;
    load(dir + "/t.par", dir + "/t.jhd", t);

    ntv2::NodeLattice land;
    ASSERT_EQ(ntv2::land_lattice(t.gsi, land), 0);
    EXPECT_EQ(land.rows, 1);
    EXPECT_EQ(land.cols, 2);
    const int row = 53 * 80 + 4 * 10 + 0;
    const int col = 39 * 80 + 6 * 10 + 0;
    ASSERT_TRUE(land.has(row, col));
    ASSERT_TRUE(land.has(row, col + 1));
    EXPECT_DOUBLE_EQ(land.dlat[land.index(row, col + 1)], 11.7);
    EXPECT_DOUBLE_EQ(land.dlon[land.index(row, col + 1)], -11.4);

    // A sea node carries what the shift of a point on that node adds.
    ntv2::NodeLattice sea;
    ASSERT_EQ(ntv2::sea_lattice(t.jcg, sea), 0);
    EXPECT_EQ(sea.rows * sea.cols, 1);
    const double lat = sea.row0 / 120.0;
    const double lon = 100 + sea.col0 / 80.0;
    double lat_out = 0;
    double lon_out = 0;
    ASSERT_EQ(grids::shift_by_jcg(t.jcg, lat, lon, lat_out, lon_out), 0);
    EXPECT_NEAR(sea.dlat[0], (lat_out - lat) * 3600, 1e-9);
    EXPECT_NEAR(sea.dlon[0], (lon_out - lon) * 3600, 1e-9);
}

// The file read back: record values by name, and the nodes.
struct GsbFile {
    std::vector<std::map<std::string, std::string>> headers;  // overview, then each subgrid
    std::vector<std::vector<float>> nodes;                     // per subgrid, 4 floats per node
};

GsbFile read_gsb(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    GsbFile f;
    std::size_t pos = 0;
    auto header = [&]() {
        std::map<std::string, std::string> h;
        for (int i = 0; i < 11 && pos + 16 <= bytes.size(); ++i, pos += 16) {
            std::string name = bytes.substr(pos, 8);
            name.erase(name.find_last_not_of(' ') + 1);
            h[name] = bytes.substr(pos + 8, 8);
        }
        return h;
    };
    f.headers.push_back(header());
    std::int32_t count = 0;
    std::memcpy(&count, f.headers[0]["NUM_FILE"].data(), 4);
    for (int s = 0; s < count; ++s) {
        f.headers.push_back(header());
        std::int32_t nodes = 0;
        std::memcpy(&nodes, f.headers.back()["GS_COUNT"].data(), 4);
        std::vector<float> v(static_cast<std::size_t>(nodes) * 4);
        std::memcpy(v.data(), bytes.data() + pos, v.size() * 4);
        pos += v.size() * 4;
        f.nodes.push_back(v);
    }
    f.headers.push_back({{"END", bytes.substr(pos, 8)}});
    return f;
}

double value_of(const std::string& field) {
    double v = 0;
    std::memcpy(&v, field.data(), 8);
    return v;
}

TEST(GsbFile, LongitudesPositiveWestAndNodesEastToWest) {
    // Two rows of three nodes: two cells at 35 N, 140 E.
    ntv2::NodeLattice l = picture({"###", "###"});
    l.row0 = 35 * 120;
    l.col0 = 40 * 80;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            l.dlat[l.index(l.row0 + r, l.col0 + c)] = 10 + r;
            l.dlon[l.index(l.row0 + r, l.col0 + c)] = -11 - 0.25 * c;
        }
    }
    const std::string path = temp_dir() + "/t.gsb";
    const std::vector<ntv2::CellBlock> blocks = ntv2::cover_cells(l);
    ASSERT_EQ(blocks.size(), 1u);
    ASSERT_EQ(ntv2::write_gsb(path, l, blocks, ntv2::land_datums(), 'L'), 0);
    const GsbFile f = read_gsb(path);
    ASSERT_EQ(f.headers.size(), 3u);
    EXPECT_EQ(f.headers[0].at("GS_TYPE"), "SECONDS ");
    EXPECT_EQ(f.headers[0].at("SYSTEM_F"), "TOKYO   ");
    EXPECT_DOUBLE_EQ(value_of(f.headers[0].at("MAJOR_F")), 6377397.155);
    EXPECT_DOUBLE_EQ(value_of(f.headers[0].at("MAJOR_T")), 6378137.0);
    const auto& s = f.headers[1];
    EXPECT_EQ(s.at("PARENT"), "NONE    ");
    EXPECT_DOUBLE_EQ(value_of(s.at("S_LAT")), 35 * 3600.0);
    EXPECT_DOUBLE_EQ(value_of(s.at("N_LAT")), 35 * 3600.0 + 30);
    EXPECT_DOUBLE_EQ(value_of(s.at("W_LONG")), -140 * 3600.0);
    EXPECT_DOUBLE_EQ(value_of(s.at("E_LONG")), -140 * 3600.0 - 90);
    EXPECT_DOUBLE_EQ(value_of(s.at("LONG_INC")), 45);
    const std::vector<float>& n = f.nodes[0];
    ASSERT_EQ(n.size(), 6u * 4);
    // The first node is the south-east one; its longitude shift is west.
    EXPECT_FLOAT_EQ(n[0], 10);
    EXPECT_FLOAT_EQ(n[1], 11.5f);
    EXPECT_FLOAT_EQ(n[4 * 2 + 1], 11.0f);   // south-west
    EXPECT_FLOAT_EQ(n[4 * 3 + 0], 11.0f);   // north row begins, east
    EXPECT_EQ(f.headers[2].count("END"), 1u);
}

// PROJ's cct with hgridshift on both exported sample grids, against the
// forward shift, at the centre of every cell around the grids and at
// scattered points.
TEST(Proj, HgridshiftOnExportedGridsMatchesTheForwardShift) {
    ASSERT_EQ(std::system("command -v cct >/dev/null 2>&1"), 0) << "cct (Debian's proj-bin) is needed";
    Loaded t;
    load(SOURCE_DIR + "/examples/sample_land.par", SOURCE_DIR + "/examples/sample_sea.jhd", t);
    const std::string dir = temp_dir();
    for (int land = 0; land < 2; ++land) {
        ntv2::NodeLattice l;
        ASSERT_EQ(land == 1 ? ntv2::land_lattice(t.gsi, l) : ntv2::sea_lattice(t.jcg, l), 0);
        ASSERT_EQ(ntv2::write_gsb(dir + (land == 1 ? "/land.gsb" : "/sea.gsb"), l, ntv2::cover_cells(l),
                                  land == 1 ? ntv2::land_datums() : ntv2::sea_datums(), land == 1 ? 'L' : 'S'),
                  0);
    }

    std::vector<std::pair<double, double>> points;  // lon, lat
    for (int r = 35 * 120 - 2; r < 36 * 120 + 2; ++r) {
        for (int c = 39 * 80 + 38; c < 40 * 80 + 42; ++c) points.emplace_back(100 + (c + 0.5) / 80, (r + 0.5) / 120);
    }
    std::uint64_t s = 12345;
    auto uniform = [&s]() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0;
    };
    for (int i = 0; i < 20000; ++i) {
        const double lon = 139.45 + 1.1 * uniform();
        const double lat = 34.95 + 1.1 * uniform();
        // Within about a metre of a cell line the conversion's own tolerance
        // decides the cell; those points are left out.
        const double fr = lat * 120 - std::floor(lat * 120);
        const double fc = lon * 80 - std::floor(lon * 80);
        if (fr < 1e-3 || fr > 1 - 1e-3 || fc < 1e-3 || fc > 1 - 1e-3) continue;
        points.emplace_back(lon, lat);
    }
    {
        std::ofstream in(dir + "/points.txt");
        in.precision(17);
        for (const auto& [lon, lat] : points) in << lon << ' ' << lat << '\n';
    }
    const std::string command = "cct -d 12 -z 0 -t 0 +proj=hgridshift +grids=@" + dir + "/land.gsb,@" + dir +
                                "/sea.gsb " + dir + "/points.txt > " + dir + "/out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream out(dir + "/out.txt");
    std::string line;
    std::size_t record = 0;
    int outside_both = 0;
    int converted = 0;
    while (std::getline(out, line) && record < points.size()) {
        if (line.rfind(" (", 0) == 0) continue;  // the reason of an error line
        const auto [lon, lat] = points[record];
        double lat_out = 0, lon_out = 0;
        grids::ShiftSource source = 0;
        const int ours = grids::forward_shift(t.gsi, t.jcg, lat, lon, lat_out, lon_out, source);
        SCOPED_TRACE(testing::Message() << "point " << record << ": " << lon << " " << lat);
        if (line.rfind("# Record", 0) == 0) {
            EXPECT_EQ(ours, 1) << line;
            ++outside_both;
        } else {
            EXPECT_EQ(ours, 0) << line;
            std::istringstream fields(line);
            double proj_lon = 0, proj_lat = 0;
            fields >> proj_lon >> proj_lat;
            EXPECT_NEAR(proj_lon, lon_out, 1e-9);
            EXPECT_NEAR(proj_lat, lat_out, 1e-9);
            ++converted;
        }
        ++record;
    }
    EXPECT_EQ(record, points.size());
    // Both kinds of points were there to compare.
    EXPECT_GT(outside_both, 1000);
    EXPECT_GT(converted, 10000);
}

}  // namespace
