// The datum-shift grids: reading the two parameter files, finding grid
// squares, shifting points by the land or the sea grid, the inverse shift and
// whole survey points in plane coordinates. Small grids are written by the
// tests themselves; the synthetic grids in examples/ give realistic cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/mesh_key.h"
#include "geodesy/projection.h"
#include "grids/datum_shift.h"
#include "grids/decimal.h"
#include "grids/feedback.h"
#include "grids/mesh.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"
#include "recording_feedback.h"

namespace fs = std::filesystem;
using namespace grids;

namespace {

constexpr double SEC = 1.0 / 3600;  // one arc-second in degrees

// A folder of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir()
        : path_(fs::temp_directory_path() /
                ("pellowen_grids_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "_" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path_);
    }
    ~TempDir() { std::error_code ec; fs::remove_all(path_, ec); }
    std::string path(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return path(name);
    }

private:
    fs::path path_;
};

int read_grid(bool land, UserFeedback& ui, int full, const std::string& path, std::string& version, ParamTable& t) {
    return land ? read_gsi_param_file(ui, full, path, version, t) : read_jcg_param_file(ui, full, path, version, t);
}

struct LandNode { int code; double dB, dL; };            // shift, arc-seconds
struct SeaNode { int code; int lat_field, lon_field; };  // file values, 1/1000 arc-second

std::string land_file(const std::vector<LandNode>& nodes) {
    std::string text = "GRID V2.10\r\nmeshcode  lat(sec)  lon(sec)\r\n";
    char line[64];
    for (const LandNode& n : nodes) {
        std::snprintf(line, sizeof line, "%8d%10.5f%10.5f\r\n", n.code, n.dB, n.dL);
        text += line;
    }
    return text;
}

std::string sea_file(const std::vector<SeaNode>& nodes) {  // bare LF line ends
    std::string text = "*V1.00 2003\n";
    char line[64];
    for (const SeaNode& n : nodes) {
        std::snprintf(line, sizeof line, "%8d%6d%6d\n", geodesy::mesh_to_key(n.code), n.lat_field, n.lon_field);
        text += line;
    }
    return text;
}

// The four nodes of a cell: SW, E, NE, N.
std::array<int, 4> cell_nodes(int code) {
    const MeshNeighbours n = mesh_neighbours(code);
    return {code, n.east, n.north_east, n.north};
}

std::vector<LandNode> land_cell(int code, double dB, double dL) {
    std::vector<LandNode> nodes;
    for (int c : cell_nodes(code)) nodes.push_back({c, dB, dL});
    return nodes;
}

// A sea cell whose four nodes have the same latitude field.
std::vector<SeaNode> sea_cell(int code, int lat_field) {
    std::vector<SeaNode> nodes;
    for (int c : cell_nodes(code)) nodes.push_back({c, lat_field, 0});
    return nodes;
}

ParamTable load(bool land, const std::string& text, int capacity = 100) {
    TempDir dir;
    RecordingFeedback ui;
    ParamTable table;
    std::string version;
    create_param_table(table, capacity);
    EXPECT_EQ(read_grid(land, ui, 1, dir.write("grid", text), version, table), 0);
    return table;
}

const std::string EXAMPLES = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";

struct SampleGrids {
    ParamTable gsi, jcg, none;
};

const SampleGrids& samples() {
    static const SampleGrids grids = [] {
        SampleGrids g;
        RecordingFeedback ui;
        std::string version;
        create_param_table(g.gsi, GSI_TABLE_CAPACITY);
        create_param_table(g.jcg, JCG_TABLE_CAPACITY);
        create_param_table(g.none, 1);
        EXPECT_EQ(read_gsi_param_file(ui, 1, EXAMPLES + "sample_land.par", version, g.gsi), 0);
        EXPECT_EQ(read_jcg_param_file(ui, 1, EXAMPLES + "sample_sea.jhd", version, g.jcg), 0);
        return g;
    }();
    return grids;
}

}  // namespace

TEST(ParamFiles, VersionComesFromTheHeaderLine) {
    struct Case { bool land; const char* header; const char* version; };
    const Case cases[] = {
        {true, "GRID V2.10", "V2.10"},  // the second word
        {true, "GRID", ""},             // no second word
        {true, "  JGD2000-TokyoDatum\tVer.2.1.1 2001", "Ver.2.1.1"},
        {false, "*V1.00 2003", "V1.00"},  // first word after the first character
        {false, " V1.00", "V1.00"},
        {false, "V1.00", "1.00"},  // the first character is skipped whatever it is
    };
    for (const Case& c : cases) {
        TempDir dir;
        RecordingFeedback ui;
        ParamTable table;
        create_param_table(table, 4);
        std::string version = "old";
        EXPECT_EQ(read_grid(c.land, ui, 0, dir.write("grid", std::string(c.header) + "\r\nline 2\r\n"), version, table), 0);
        EXPECT_EQ(version, c.version) << c.header;
    }
}

TEST(ParamFiles, NodesListedInAnyOrderAreFoundWithTheirShifts) {
    TempDir dir;
    RecordingFeedback ui;
    ParamTable land, sea;
    create_param_table(land, 10);
    create_param_table(sea, 10);
    std::string version;
    ASSERT_EQ(read_gsi_param_file(ui, 1, dir.write("a.par", land_file({{53394611, 11.5, -11.25}, {52394000, 10.125, -9.5},
                                                                        {53394610, -0.375, 0.0}})), version, land), 0);
    // The seven-digit key 7200160 (20N 122E) right-aligned with a blank.
    ASSERT_EQ(read_jcg_param_file(ui, 1, dir.write("a.jhd", "*V1.00\n 7200160 20000     0\n25201520 20150   -80\n"),
                                  version, sea), 0);
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み中", "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み終了",
                                                     "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み中", "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み終了"}));
    EXPECT_TRUE(ui.messages.empty());
    // Land: the shift as written. Sea: the residual (thousandths, latitude
    // less 20000) on top of the three-parameter shift at the node, worked
    // out apart from this program.
    struct Case { bool land; int key; double dB, dL; };  // arc-seconds
    const Case cases[] = {
        {true, 52394000, 10.125, -9.5}, {true, 53394610, -0.375, 0.0}, {true, 53394611, 11.5, -11.25},
        {false, 7200160, 16.526068076, -4.977600269},
        {false, 25201520, 11.859707080 + 0.150, -11.311606190 - 0.080},  // 35N 139E
    };
    for (const Case& c : cases) {
        double dB = 99, dL = 99;
        ASSERT_EQ(c.land ? gsi_node_shift(land, c.key, dB, dL) : jcg_node_shift(sea, c.key, dB, dL), 0) << c.key;
        EXPECT_NEAR(dB, c.dB, 1e-8) << c.key;
        EXPECT_NEAR(dL, c.dL, 1e-8) << c.key;
    }
    double dB = 0, dL = 0;
    EXPECT_EQ(gsi_node_shift(land, 53394612, dB, dL), 1);
    // With a leading zero in place of the blank the key is never found.
    EXPECT_EQ(jcg_node_shift(load(false, "*V1.00\r\n07200160 20000     0\r\n"), 7200160, dB, dL), 1);
}

TEST(ParamFiles, EveryLineAfterTheHeaderIsARecordAndLongLinesAreSplitAt59Characters) {
    std::string first = "52394000  11.00000 -11.00000";
    first.resize(59, ' ');
    const ParamTable land = load(true, "GRID V2.10\r\nheader\r\n" + first + "52394001  12.00000 -12.00000\r\n\r\n" +
                                           "# note\n52394010  13.00000 -13.00000");  // no line end at the end
    EXPECT_EQ(land.count, 5);  // two halves of the long line, the blank line, the note, the last node
    for (const auto& [code, shift] : {std::pair{52394000, 11.0}, {52394001, 12.0}, {52394010, 13.0}}) {
        double dB = 0, dL = 0;
        ASSERT_EQ(gsi_node_shift(land, code, dB, dL), 0) << code;
        EXPECT_EQ(dB, shift) << code;
        EXPECT_EQ(dL, -shift) << code;
    }
}

TEST(ParamFiles, KeyIndexFindsWhatTheKeyTextSearchFinds) {
    // Out of order, duplicated, negative, short, blank and non-numeric keys.
    const ParamTable table = load(true, std::string("GRID V1\r\nh\r\n") +
        "52394001  1.0  1.0\r\n      -5  2.0  2.0\r\n     -12  3.0  3.0\r\n52394001  4.0  4.0\r\n"
        "       7  5.0  5.0\r\n\r\nabc\r\n99999999  6.0  6.0\r\n 7200160  7.0  7.0\r\n52394000  8.0  8.0\r\n"
        "5239\t001  9.0  9.0\r\n");
    for (long key : {52394001L, 52394000L, -5L, -12L, 7L, 99999999L, 7200160L, 0L, 52394002L, -9999999L,
                     100000000L, -10000000L, 5239L}) {
        EXPECT_EQ(find_param_record(table, key), find_param_record(table.loaded(), key)) << key;
    }
    EXPECT_NE(find_param_record(table, -12), nullptr);
    EXPECT_EQ(find_param_record(table, 52394002), nullptr);
    // Many blocks of unique keys, in order and shuffled; lookups with and
    // without a place to start from.
    std::vector<int> codes;
    for (int i = 0; i < 700; i += 1 + i % 3) codes.push_back(52390000 + (i / 10) * 100 + i % 10);
    std::vector<int> shuffled = codes;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
    for (const std::vector<int>* order : {&codes, &shuffled}) {
        std::vector<LandNode> nodes;
        for (int c : *order) nodes.push_back({c, 1, 1});
        const ParamTable grid = load(true, land_file(nodes), 1000);
        for (int key = 52389990; key < 52397000; key += 7) {
            const ParamRecord* expected = find_param_record(grid.loaded(), key);
            EXPECT_EQ(find_param_record(grid, key), expected) << key;
            for (int after : {-1, 0, 5, 200, 999}) {
                const int index = find_param_index(grid, key, after);
                EXPECT_EQ(index < 0 ? nullptr : &grid.records[index], expected) << key << " after " << after;
            }
        }
    }
}

TEST(ParamFiles, FailuresAreReportedAndNeverLeaveAHalfTable) {
    const std::vector<LandNode> land4 = {{52394000, 1, 1}, {52394001, 2, 2}, {52394010, 3, 3}, {52394011, 4, 4}};
    const std::vector<SeaNode> sea4 = {{52394000, 1, 1}, {52394001, 2, 2}, {52394010, 3, 3}, {52394011, 4, 4}};
    // The table holds three records and starts exactly full. records: -1 no
    // file, -2 a file whose reading fails at once (an I/O error, not its
    // end), else a file of that many records.
    struct Case { bool land; int records; const char* message; int count_after; };
    std::vector<Case> cases = {
        {true, -1, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", 3},  // table and version untouched
        {false, -1, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", 3},
        {true, 4, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!", 0},
        {false, 4, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!", 0},
    };
#ifdef __linux__
    cases.push_back({true, -2, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!", 0});
    cases.push_back({false, -2, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!", 0});
#endif
    for (const Case& c : cases) {
        TempDir dir;
        auto file = [&](int n) {
            return c.land ? land_file({land4.begin(), land4.begin() + n}) : sea_file({sea4.begin(), sea4.begin() + n});
        };
        ParamTable table = load(c.land, file(3), 3);
        ASSERT_EQ(table.count, 3);
        const std::string path = c.records == -1   ? dir.path("no such file")
                                 : c.records == -2 ? std::string("/proc/self/mem")
                                                   : dir.write("grid", file(c.records));
        RecordingFeedback ui;
        std::string version = "V9.99";
        EXPECT_EQ(read_grid(c.land, ui, 1, path, version, table), 1) << c.message;
        EXPECT_EQ(table.count, c.count_after) << c.message;
        if (c.records == -1) {
            EXPECT_EQ(version, "V9.99");
        }
        EXPECT_EQ(ui.messages, (std::vector<std::pair<std::string, std::string>>{{path + c.message, "Error"}}));
    }
}

TEST(ParamFiles, ReloadedOrVersionOnlyTablesAreNeverAnsweredFromAnEarlierContent) {
    TempDir dir;
    RecordingFeedback ui;
    ParamTable land;
    create_param_table(land, 10);
    std::string version;
    double lat = 0, lon = 0;
    const double lat_in = 35.004166666666667, lon_in = 139.00625;  // middle of cell 52394000
    ASSERT_EQ(read_gsi_param_file(ui, 1, dir.write("a.par", land_file(land_cell(52394000, 10, -10))), version, land), 0);
    ASSERT_EQ(shift_by_gsi(land, lat_in, lon_in, lat, lon), 0);
    EXPECT_NEAR((lat - lat_in) * 3600, 10, 1e-9);
    ASSERT_EQ(read_gsi_param_file(ui, 1, dir.write("b.par", land_file(land_cell(52394000, 12, -12))), version, land), 0);
    ASSERT_EQ(shift_by_gsi(land, lat_in, lon_in, lat, lon), 0);
    EXPECT_NEAR((lat - lat_in) * 3600, 12, 1e-9);
    // A version-only read: the old nodes stay in memory, but none is found,
    // and a point the land grid covered goes to the sea grid.
    ASSERT_EQ(read_gsi_param_file(ui, 0, dir.path("b.par"), version, land), 0);
    EXPECT_EQ(land.count, 0);
    EXPECT_NE(land.records[0].key[0], '\0');
    EXPECT_EQ(shift_by_gsi(land, lat_in, lon_in, lat, lon), 1);
    ShiftSource source = SOURCE_GSI;
    ASSERT_EQ(forward_shift(land, load(false, sea_file(sea_cell(52394000, 19740))), lat_in, lon_in, lat, lon, source), 0);
    EXPECT_EQ(source, SOURCE_JCG);
    ASSERT_EQ(read_gsi_param_file(ui, 1, dir.write("c.par", land_file({{52394000, 1, 1}})), version, land), 0);
    EXPECT_EQ(shift_by_gsi(land, lat_in, lon_in, lat, lon), 1);
    EXPECT_EQ(shift_by_gsi(land, 35.0, 139.0, lat, lon), 0);
}

TEST(Numbers, DecimalTextReadsAsTheStandardConversionReadsIt) {
    std::mt19937_64 random(8);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 17), exponent(-30, 30), form(0, 3);
    for (int i = 0; i < 100000; ++i) {
        std::string text = form(random) == 0 ? "-" : "";
        const int n = length(random);
        const int point = std::uniform_int_distribution<int>(0, n)(random);
        for (int d = 0; d < n; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + digit(random));
        }
        if (form(random) == 1) {
            text += 'e';
            text += std::to_string(exponent(random));
        }
        ASSERT_EQ(read_decimal(text), std::strtod(text.c_str(), nullptr)) << text;
    }
    struct Case { const char* text; double value; };
    const Case cases[] = {{"  +12.5x", 12.5}, {".5", 0.5}, {"7e", 7.0}, {"1e-999", 0.0}, {"0x1A", 0.0},
                          {"inf", 0.0}, {"nan", 0.0}, {"-", 0.0}};
    for (const Case& c : cases) EXPECT_EQ(read_decimal(c.text), c.value) << c.text;
    EXPECT_FALSE(std::isfinite(read_decimal("-1e999")));  // too large for a double: no usable value
}

TEST(GridSquares, PointsFallInTheCellsSurveyorsExpect) {
    struct Case { double lat, lon; int code, on_corner; double tol; };  // tol: corner, degrees
    const Case cases[] = {
        {35.0, 139.0, 52394000, 1, 1e-12},
        {35.00000000005, 138.99999999995, 52394000, 1, 1e-10},  // within 1e-10 degree of the corner
        {35.004166666666667, 139.00625, 52394000, 0, 0},       // middle of the cell
        {35.4999999, 139.3, 53392204, 0, 0},                    // just south of 35°30': counts as north
        {35.499999, 139.3, 53391294, 0, 0},                     // far enough south to stay south
        {35.658, 139.745, 53393589, 0, 0},
        {35.9, 139.85, 53396688, 1, 1e-12},
        {36.0, 140.0, 54400000, 1, 1e-12},
    };
    for (const Case& c : cases) {
        int code = 0, on_corner = -1;
        locate_mesh(c.lat, c.lon, code, on_corner);
        EXPECT_EQ(code, c.code) << c.lat << " " << c.lon;
        EXPECT_EQ(on_corner, c.on_corner) << c.lat << " " << c.lon;
        if (c.on_corner == 1) {
            EXPECT_NEAR(mesh_corner(code).lat0, c.lat, c.tol) << code;
            EXPECT_NEAR(mesh_corner(code).lon0, c.lon, c.tol) << code;
        }
    }
}

TEST(GridSquares, NeighboursCarryAcrossSquareAndDegreeLines) {
    struct Case { int code, east, north_east, north; };
    const Case cases[] = {
        {52394000, 52394001, 52394011, 52394010},
        {53397799, 53407090, 54400000, 54390709},  // NE corner of a first-level square
        {53396679, 53396770, 53396780, 53396689},  // east into the next second-level column
        {53390799, 53400090, 53401000, 53391709},  // east across 140E, north into the next row
    };
    for (const Case& c : cases) {
        const MeshNeighbours n = mesh_neighbours(c.code);
        EXPECT_EQ((std::array{n.east, n.north_east, n.north}), (std::array{c.east, c.north_east, c.north})) << c.code;
    }
}

TEST(LandShift, CornerUsesItsOwnNodeAndInsideIsInterpolatedFromAllFour) {
    // Cell 52394000 (SW corner 35N 139E); node shifts in arc-seconds.
    const ParamTable land = load(true, land_file({{52394000, 10, -10}, {52394001, 11, -10.4}, {52394010, 12, -10.8},
                                                 {52394011, 14, -12}}));
    struct Case { double s, t; double dB, dL; double tol; };  // fractions east and north; tol in arc-seconds
    const Case cases[] = {
        {0.5, 0.5, 11.75, -10.8, 1e-8},  // middle: the mean of the four nodes
        {0.0, 0.5, 11.0, -10.4, 1e-8},   // on the west side
        {0.8, 0.2, 11.36, -10.608, 1e-8},
    };
    for (const Case& c : cases) {
        const double lat = 35.0 + c.t / 120, lon = 139.0 + c.s / 80;
        double lat_out = 0, lon_out = 0;
        ASSERT_EQ(shift_by_gsi(land, lat, lon, lat_out, lon_out), 0) << c.s << " " << c.t;
        EXPECT_NEAR((lat_out - lat) * 3600, c.dB, c.tol) << c.s << " " << c.t;
        EXPECT_NEAR((lon_out - lon) * 3600, c.dL, c.tol) << c.s << " " << c.t;
    }
    // At the corner only that node is needed.
    const ParamTable lone = load(true, land_file({{52394000, 11.25, -11.5}}));
    double lat_out = 0, lon_out = 0;
    ASSERT_EQ(shift_by_gsi(lone, 35.0, 139.0, lat_out, lon_out), 0);
    EXPECT_NEAR(lat_out, 35.0 + 11.25 * SEC, 1e-12);
    EXPECT_NEAR(lon_out, 139.0 - 11.5 * SEC, 1e-12);
    EXPECT_EQ(shift_by_gsi(lone, 35.004166666666667, 139.00625, lat_out, lon_out), 1);
}

TEST(SeaShift, CornerUsesItsOwnNodeAndTheMiddleIsTheMeanOfFour) {
    const ParamTable lone = load(false, sea_file({{52394000, 20150, -80}}));
    double lat = 0, lon = 0;
    ASSERT_EQ(shift_by_jcg(lone, 35.0, 139.0, lat, lon), 0);
    EXPECT_NEAR((lat - 35.0) * 3600, 11.859707080 + 0.150, 1e-8);  // arc-seconds
    EXPECT_NEAR((lon - 139.0) * 3600, -11.311606190 - 0.080, 1e-8);
    EXPECT_EQ(shift_by_jcg(lone, 35.004166666666667, 139.00625, lat, lon), 1);

    const ParamTable sea = load(false, sea_file({{52394000, 20150, -80}, {52394001, 19950, 40},
                                                 {52394010, 20000, 0}, {52394011, 20100, 120}}));
    double mean_B = 0, mean_L = 0;
    for (int code : cell_nodes(52394000)) {
        double dB = 0, dL = 0;
        ASSERT_EQ(jcg_node_shift(sea, geodesy::mesh_to_key(code), dB, dL), 0) << code;
        mean_B += dB / 4;
        mean_L += dL / 4;
    }
    ASSERT_EQ(shift_by_jcg(sea, 35.004166666666667, 139.00625, lat, lon), 0);
    EXPECT_NEAR((lat - 35.004166666666667) * 3600, mean_B, 1e-8);  // arc-seconds
    EXPECT_NEAR((lon - 139.00625) * 3600, mean_L, 1e-8);
}

TEST(GridChoice, LandGridFirstThenSeaGridElseNothing) {
    // Cell 52394000: the land grid lacks its NE node, the sea grid has all four.
    const ParamTable land = load(true, land_file({{52394000, 11, -11}, {52394001, 11, -11}, {52394010, 11, -11}}));
    const ParamTable sea = load(false, sea_file(sea_cell(52394000, 19740)));
    double lat = -1, lon = -2;
    ShiftSource source = SOURCE_GSI;
    EXPECT_EQ(forward_shift(land, sea, 35.004, 139.006, lat, lon, source), 0);
    EXPECT_EQ(source, SOURCE_JCG);
    // Neither grid covers the cell to the south: nothing is written.
    lat = -1, lon = -2, source = SOURCE_GSI;
    EXPECT_EQ(forward_shift(land, sea, 34.995, 139.006, lat, lon, source), 1);
    EXPECT_EQ(std::tuple(source, lat, lon), std::tuple(SOURCE_JCG, -1.0, -2.0));
    // Where both cover a cell, the land grid shifts it.
    const ParamTable full_land = load(true, land_file(land_cell(52394000, 11, -11)));
    EXPECT_EQ(forward_shift(full_land, sea, 35.004, 139.006, lat, lon, source), 0);
    EXPECT_EQ(source, SOURCE_GSI);
}

TEST(NodeValues, AValueNoDatumShiftCouldHaveMakesTheNodeMissing) {
    // Field text of the latitude value (land: arc-seconds; sea: thousandths
    // with 20000 added), and whether the node counts.
    struct Case { bool land; const char* lat; int found; };
    const Case cases[] = {
        {true, "  11.54800", 0},  {true, "-119.99999", 0}, {true, " 120.00001", 1}, {true, "     1e999", 1},
        {true, "     1e300", 1},  {true, "  99999999", 1}, {true, "    -1e999", 1},  {false, "20150 ", 0},
        {false, "999999", 1},     {false, "1e999 ", 1},    {false, "9e99  ", 1},
    };
    for (const Case& c : cases) {
        const std::string text = c.land ? "GRID V1\r\nh\r\n52394000" + std::string(c.lat) + " -11.00000\r\n"
                                        : "*V1\r\n25201520" + std::string(c.lat) + "   -80\r\n";
        const ParamTable table = load(c.land, text);
        double dB = 0, dL = 0;
        EXPECT_EQ(c.land ? gsi_node_shift(table, 52394000, dB, dL) : jcg_node_shift(table, 25201520, dB, dL), c.found)
            << c.lat;
        double lat = 0, lon = 0;
        ShiftSource source = -1;
        const ParamTable& none = samples().none;
        EXPECT_EQ(c.land ? forward_shift(table, none, 35.0, 139.0, lat, lon, source)
                         : forward_shift(none, table, 35.0, 139.0, lat, lon, source),
                  c.found)
            << c.lat;
    }
}

TEST(NodeValues, PositionsNoCellCanHaveAreShiftedByNoGrid) {
    const SampleGrids& g = samples();
    for (const auto& [lat, lon] : {std::pair{NAN, 139.5}, {35.5, NAN}, {INFINITY, 139.5}, {35.5, -INFINITY},
                                   {1e300, 139.5}, {35.5, 1e12}, {-1000.0, 139.5}}) {
        EXPECT_EQ(mesh_code_at(lat, lon), NO_MESH) << lat << " " << lon;
        double lat_out = 0, lon_out = 0, lat_t = 0, lon_t = 0;
        ShiftSource source = -1;
        EXPECT_EQ(forward_shift(g.gsi, g.jcg, lat, lon, lat_out, lon_out, source), 1) << lat << " " << lon;
        EXPECT_EQ(inverse_shift(g.gsi, g.jcg, lat, lon, lat_t, lon_t, source), 1) << lat << " " << lon;
    }
    EXPECT_NE(mesh_code_at(359.9, 359.9), NO_MESH);  // the widest a normalised position reaches
}

TEST(InverseShift, ConstantShiftIsSimplyTakenOffAndAFirstGuessOffTheGridsFails) {
    // Cell 53396688 (SW corner 35°54'N 139°51'E); the world point lies where
    // the Tokyo point (a, b) arc-seconds north and east of the corner goes.
    struct Case { double dB, dL, a, b; int result; double tol; };  // arc-seconds; tol in degrees
    const Case cases[] = {
        {11.5, -11.25, 15, 22.5, 0, 1e-10},
        {20.0, -30.0, 15, 22.5, 0, 1e-10},
        {0.5, -11.0, 5, 22, 1, 0},  // the first guess, 11" south, is already in the cell to the south
    };
    for (const Case& c : cases) {
        const ParamTable land = load(true, land_file(land_cell(53396688, c.dB, c.dL)));
        const double lat_j = 35.9 + (c.a + c.dB) * SEC, lon_j = 139.85 + (c.b + c.dL) * SEC;
        double lat_t = 0, lon_t = 0;
        ShiftSource source = -1;
        ASSERT_EQ(inverse_shift(land, samples().none, lat_j, lon_j, lat_t, lon_t, source), c.result) << c.dB;
        if (c.result != 0) continue;
        EXPECT_EQ(source, SOURCE_GSI);
        EXPECT_NEAR(lat_t, lat_j - c.dB * SEC, c.tol) << c.dB;
        EXPECT_NEAR(lon_t, lon_j - c.dL * SEC, c.tol) << c.dB;
    }
}

TEST(InverseShift, GuessesSwingingBetweenTheGridsStopAtTheStepLimit) {
    // Land cell 53396688 shifts 16" north, the sea cell south of it 6"
    // (latitude field 14419: 5.581" less than the three-parameter shift). A
    // world point 10" north of the line between them has no Tokyo position:
    // from the land cell the guess goes 6" south of the line, from the sea
    // cell 4" north of it, and so on for ever.
    const ParamTable land = load(true, land_file(land_cell(53396688, 16.0, -11.6)));
    const ParamTable sea = load(false, sea_file(sea_cell(53396678, 14419)));
    double lat_t = 0, lon_t = 0;
    ShiftSource source = -1;
    EXPECT_EQ(inverse_shift(land, sea, 35.9 + 10 * SEC, 139.85 + 11.2 * SEC, lat_t, lon_t, source), 1);
    // The first guess lies in the sea cell, so an even number of shifts ends
    // with one by the land grid.
    EXPECT_EQ(source, SOURCE_GSI);
    EXPECT_NEAR(lat_t, 35.9 - 6 * SEC, 1e-9);  // degrees
}

TEST(RoundTrip, ExamplePointsComeBackToTheirTokyoCoordinates) {
    // Zone 9, metres. JGD2000 values from examples/sample_jgd.sim, rounded to
    // the millimetre there (tolerance 0.51 mm); back to 0.2 mm.
    struct Case { const char* name; double x, y; ShiftSource source; double jgd_x, jgd_y; };
    const Case cases[] = {
        {"land", -60975.196, -25716.974, SOURCE_GSI, -60621.549, -26014.528},
        {"bay", -77650.258, -3031.126, SOURCE_JCG, -77294.814, -3324.753},
        {"quay", -73473.539, -17799.659, SOURCE_GSI, -73122.953, -18095.703},
    };
    const SampleGrids& g = samples();
    for (const Case& c : cases) {
        PointResult there, back;
        ASSERT_EQ(tokyo_to_jgd_point(g.gsi, g.jcg, 9, c.x, c.y, there), 0) << c.name;
        EXPECT_EQ(there.source, c.source) << c.name;
        EXPECT_NEAR(there.x_out, c.jgd_x, 0.00051) << c.name;
        EXPECT_NEAR(there.y_out, c.jgd_y, 0.00051) << c.name;
        ASSERT_EQ(jgd_to_tokyo_point(g.gsi, g.jcg, 9, there.x_out, there.y_out, back), 0) << c.name;
        EXPECT_EQ(back.source, c.source) << c.name;
        EXPECT_NEAR(back.x_out, c.x, 0.0002) << c.name;
        EXPECT_NEAR(back.y_out, c.y, 0.0002) << c.name;
    }
}

TEST(RoundTrip, PointsOutsideBothGridsAreNotConverted) {
    struct Case { bool to_jgd; double x, y, lat_in, lon_in; };  // lat_in, lon_in to 0.001 degree
    const Case cases[] = {
        {true, 5548.885, 6005.798, 36.05, 139.9},  // north of 36N
        {false, -55042.743, -35071.355, 35.5 + 11.6 / 3600, 139.45 - 11.6 / 3600},  // west of 139.5E
    };
    const SampleGrids& g = samples();
    for (const Case& c : cases) {
        PointResult r;
        EXPECT_EQ(c.to_jgd ? tokyo_to_jgd_point(g.gsi, g.jcg, 9, c.x, c.y, r) : jgd_to_tokyo_point(g.gsi, g.jcg, 9, c.x, c.y, r),
                  1) << c.x;
        EXPECT_NEAR(r.lat_in, c.lat_in, 0.001) << c.x;
        EXPECT_NEAR(r.lon_in, c.lon_in, 0.001) << c.x;
    }
}

TEST(RoundTrip, PlaneCoordinatesOffTheEarthOrUnreadableAreNotConverted) {
    const SampleGrids& g = samples();
    struct Case { double x, y; };
    const Case cases[] = {
        {999999999, 0},  // its latitude would wrap round into the grids
        {0, 1e9}, {-1e300, 5}, {read_decimal("1e999"), 0}, {0, read_decimal("-1e999")}, {NAN, 0},
    };
    for (const Case& c : cases) {
        for (bool to_jgd : {true, false}) {
            PointResult r;
            EXPECT_EQ(to_jgd ? tokyo_to_jgd_point(g.gsi, g.jcg, 9, c.x, c.y, r)
                             : jgd_to_tokyo_point(g.gsi, g.jcg, 9, c.x, c.y, r),
                      1)
                << c.x << " " << c.y << " " << to_jgd;
        }
    }
    // On GRS80 the latitude of X = 999,999,999 m wraps to one inside the grids.
    PointResult r;
    ASSERT_EQ(jgd_to_tokyo_point(g.gsi, g.jcg, 9, 999999999, 0, r), 1);
    EXPECT_TRUE(r.lat_in > 35 && r.lat_in < 36) << r.lat_in;
}

TEST(RoundTrip, JgdToTokyoAtTheLineBetweenTheGrids) {
    // Zone 9, metres. Half a metre apart in JGD2000, on either side of the
    // line where the land grid ends: the two Tokyo positions lie 2.6 m apart.
    struct Case { double x, y; ShiftSource source; double tokyo_x, tokyo_y; };
    const Case cases[] = {
        {-38470.500, -3292.795, SOURCE_JCG, -38828.5065, -3000.0001},
        {-38470.000, -3292.795, SOURCE_GSI, -38825.9315, -2998.9165},
    };
    const SampleGrids& g = samples();
    for (const Case& c : cases) {
        PointResult r;
        ASSERT_EQ(jgd_to_tokyo_point(g.gsi, g.jcg, 9, c.x, c.y, r), 0) << c.x;
        EXPECT_EQ(r.source, c.source) << c.x;
        EXPECT_NEAR(r.x_out, c.tokyo_x, 0.00005 + 1e-9) << c.x;  // 0.1 mm
        EXPECT_NEAR(r.y_out, c.tokyo_y, 0.00005 + 1e-9) << c.x;
    }
}

TEST(RoundTrip, PointWhoseEllipsoidKeepsSwitchingGridsIsRefused) {
    // Land cell 53396688 shifts 6" north, the sea cell south of it 16"
    // (latitude field 24419): a
    // world point 11" north of the line between them has a Tokyo position in
    // each, and the first guess (11" south) picks the cell. On GRS80 the point
    // lies about 1.2e-9 degree south of where it lies on WGS84: put the line
    // between the two first guesses.
    const ParamTable land = load(true, land_file(land_cell(53396688, 6.0, -11.6)));
    const ParamTable sea = load(false, sea_file(sea_cell(53396678, 24419)));
    auto world = [](geodesy::Ellipsoid e, double x, double y) {
        const geodesy::GeoPoint p = geodesy::plane_to_geo(e, 9, x, y);
        return std::pair(geodesy::rad_to_deg(p.lat), geodesy::rad_to_deg(p.lon));
    };
    auto guess_in_land_cell = [&](double x, double y) {
        const auto [lat, lon] = world(geodesy::ELLIPSOID_GRS80, x, y);
        return mesh_code_at(lat - 11 * SEC, lon + 11 * SEC) == 53396688;
    };
    const geodesy::PlanePoint start = geodesy::geo_to_plane(
        geodesy::ELLIPSOID_GRS80, 9, geodesy::deg_to_rad(35.9 + 11 * SEC), geodesy::deg_to_rad(139.85 + 11.2 * SEC));
    double south = start.x - 1, north = start.x + 1;  // metres
    ASSERT_FALSE(guess_in_land_cell(south, start.y));
    ASSERT_TRUE(guess_in_land_cell(north, start.y));
    while (north - south > 1e-7) {
        const double mid = (south + north) / 2;
        (guess_in_land_cell(mid, start.y) ? north : south) = mid;
    }
    // On GRS80 the point goes back through the sea cell, on WGS84 through the land cell.
    for (const auto& [e, expected] : {std::pair{geodesy::ELLIPSOID_GRS80, SOURCE_JCG}, {geodesy::ELLIPSOID_WGS84, SOURCE_GSI}}) {
        const auto [lat, lon] = world(e, south, start.y);
        double lat_t = 0, lon_t = 0;
        ShiftSource source = -1;
        ASSERT_EQ(inverse_shift(land, sea, lat, lon, lat_t, lon_t, source), 0) << e;
        ASSERT_EQ(source, expected) << e;
    }
    PointResult r;
    EXPECT_EQ(jgd_to_tokyo_point(land, sea, 9, south, start.y, r), 1);
}
