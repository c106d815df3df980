// The datum-shift grids: reading the two parameter files, finding grid
// squares, shifting points by the land or the sea grid, the inverse shift and
// whole survey points in plane coordinates. Small grids are written by the
// tests themselves; the synthetic grids in examples/ give realistic cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/mesh_key.h"
#include "geodesy/projection.h"
#include "text/number.h"
#include "grids/mesh.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"
#include "recording_feedback.h"
#include "scratch_files.h"

namespace fs = std::filesystem;
using namespace grids;

namespace {

constexpr double SEC = 1.0 / 3600;  // one arc-second in degrees

using scratch::temp_file;

int read_grid(bool land, UserFeedback& ui, int full, const std::string& path, std::string& version, ParamTable& t) {
    return land ? read_land_param_file(ui, full, path, version, t) : read_sea_param_file(ui, full, path, version, t);
}

// Land nodes: shifts in arc-seconds. Sea nodes: file values, thousandths of
// an arc-second (latitude with 20000 added).
struct Node { int code; double dB, dL; };

std::string grid_file(bool land, const std::vector<Node>& nodes) {
    std::string text = land ? "GRID V2.10\r\nmeshcode  lat(sec)  lon(sec)\r\n" : "*V1.00 2003\n";  // sea: bare LF
    char line[64];
    for (const Node& n : nodes) {
        if (land) std::snprintf(line, sizeof line, "%8d%10.5f%10.5f\r\n", n.code, n.dB, n.dL);
        else std::snprintf(line, sizeof line, "%8d%6d%6d\n", geodesy::mesh_to_key(n.code), int(n.dB), int(n.dL));
        text += line;
    }
    return text;
}

// The four nodes of a cell (SW, E, NE, N), all with the same values.
std::vector<Node> cell(int code, double dB, double dL) {
    const MeshNeighbours n = mesh_neighbours(code);
    return {{code, dB, dL}, {n.east, dB, dL}, {n.north_east, dB, dL}, {n.north, dB, dL}};
}

ParamTable load(bool land, const std::string& text, int capacity = 100) {
    RecordingFeedback ui;
    ParamTable table;
    std::string version;
    create_param_table(table, capacity);
    EXPECT_EQ(read_grid(land, ui, 1, temp_file("load", text.c_str()), version, table), 0);
    return table;
}

// No grid at all, and the synthetic grids of the examples.
const ParamTable& grid(int which) {
    static const std::array<ParamTable, 3> grids = [] {
        const std::string examples = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";
        std::array<ParamTable, 3> g;
        RecordingFeedback ui;
        std::string version;
        create_param_table(g[0], 1);
        create_param_table(g[1], LAND_TABLE_CAPACITY);
        create_param_table(g[2], SEA_TABLE_CAPACITY);
        EXPECT_EQ(read_land_param_file(ui, 1, examples + "sample_land.par", version, g[1]), 0);
        EXPECT_EQ(read_sea_param_file(ui, 1, examples + "sample_sea.jhd", version, g[2]), 0);
        return g;
    }();
    return grids[static_cast<std::size_t>(which)];
}
enum { NONE, SAMPLE_LAND, SAMPLE_SEA };

}  // namespace

TEST(ParamFiles, EveryLineIsARecordAndNodesInAnyOrderAreFoundWithTheirShifts) {
    RecordingFeedback ui;
    ParamTable land, sea;
    create_param_table(land, 10);
    create_param_table(sea, 10);
    std::string version;
    // The version is the land header's second word. Nodes out of order; a
    // line is split after 59 characters; blank and note lines are records
    // too; the last line has no line end.
    std::string text = "  JGD2000-TokyoDatum\tVer.2.1.1 2001\r\nh\r\n53394611  11.50000 -11.25000";
    text.resize(text.size() + 31, ' ');
    text += "52394000  10.12500  -9.50000\r\n\r\n# note\n53394610  -0.37500   0.00000";
    ASSERT_EQ(read_land_param_file(ui, 1, temp_file("a.par", text.c_str()), version, land), 0);
    EXPECT_EQ(land.count, 5);
    EXPECT_EQ(version, "Ver.2.1.1");
    // The sea header's first word after its first character, whatever that
    // is. The seven-digit key 7200160 (20N 122E) right-aligned with a blank.
    const char* sea_text = "V1.00 2003\n25201520 20150   -80\n 7200160 20000     0\n";
    ASSERT_EQ(read_sea_param_file(ui, 1, temp_file("a.jhd", sea_text), version, sea), 0);
    EXPECT_EQ(version, "1.00");
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
        ASSERT_EQ(c.land ? land_node_shift(land, c.key, dB, dL) : sea_node_shift(sea, c.key, dB, dL), 0) << c.key;
        EXPECT_NEAR(dB, c.dB, 1e-8) << c.key;
        EXPECT_NEAR(dL, c.dL, 1e-8) << c.key;
    }
    double dB = 0, dL = 0;
    EXPECT_EQ(land_node_shift(land, 53394612, dB, dL), 1);
    // With a leading zero in place of the blank the key is never found.
    EXPECT_EQ(sea_node_shift(load(false, "*V1.00\r\n07200160 20000     0\r\n"), 7200160, dB, dL), 1);
}

TEST(ParamFiles, KeyIndexFindsWhatTheKeyTextSearchFinds) {
    // Out of order, duplicated, negative, short, blank, zero-led and
    // non-numeric keys; keys whose digits q or v are 8 or 9; the corners of a
    // first-level square.
    const std::string odd_keys = "      -5  2.0  2.0\r\n     -12  3.0  3.0\r\n       7  5.0  5.0\r\n\r\nabc\r\n"
        "99999999  6.0  6.0\r\n52394000  8.0  8.0\r\n5239\t001  9.0  9.0\r\n       0  1.0  1.0\r\n"
        "05239400  1.0  1.0\r\n52398001  1.0  1.0\r\n52390901  1.0  1.0\r\n52390000  1.0  1.0\r\n"
        "52397979  1.0  1.0\r\n52407070  1.0  1.0\r\n";
    const std::vector<long> keys = {52394001, 52394000, -5, -12, 7, 99999999, 0, 52394002, 100000000, -10000000,
                                    5239, 5239400, 52398001, 52390901, 52390000, 52397979, 52407070, 52407079, 1};
    for (const bool twice : {false, true}) {
        for (const bool land : {true, false}) {
            const std::string file = std::string(land ? "GRID V1\r\nh\r\n" : "*V1\r\n") + "52394001  1.0  1.0\r\n" +
                                     odd_keys + (twice ? "52394001  4.0  4.0\r\n" : "");
            const ParamTable table = load(land, file);
            for (long key : keys) {
                const ParamRecord* expected = find_param_record(table.loaded(), key);
                EXPECT_EQ(find_param_record(table, key), expected) << key << " land " << land << " twice " << twice;
            }
        }
    }
    // Many squares of keys, in order, shuffled, then each twice.
    std::vector<Node> nodes;
    for (int i = 0; i < 700; i += 1 + i % 3) nodes.push_back({52390000 + (i / 10) * 100 + i % 10, 1, 1});
    for (int order = 0; order < 3; ++order) {
        if (order == 1) std::shuffle(nodes.begin(), nodes.end(), std::mt19937(5));
        if (order == 2) nodes.insert(nodes.end(), nodes.begin(), nodes.end());
        const ParamTable t = load(true, grid_file(true, nodes), 2000);
        for (int key = 52389990; key < 52397000; key += 7) {
            EXPECT_EQ(find_param_record(t, key), find_param_record(t.loaded(), key)) << key;
        }
    }
}

namespace {

// The records of a land file as the table holds them, in file order.
std::vector<ParamRecord> records_of(const std::vector<Node>& nodes) {
    std::vector<ParamRecord> records;
    char line[64];
    for (const Node& n : nodes) {
        std::snprintf(line, sizeof line, "%8d%10.5f%10.5f", n.code, n.dB, n.dL);
        ParamRecord r{};
        std::memcpy(r.key, line, 8);
        std::memcpy(r.lat, line + 8, 10);
        std::memcpy(r.lon, line + 18, 10);
        records.push_back(r);
    }
    return records;
}

bool same_records(const ParamTable& t, const std::vector<ParamRecord>& expected) {
    return t.count == static_cast<int>(expected.size()) &&
           std::memcmp(t.records.get(), expected.data(), expected.size() * sizeof(ParamRecord)) == 0;
}

// The nodes in pieces of `piece` nodes, the pieces in a shuffled order.
std::vector<Node> shuffled_pieces(const std::vector<Node>& nodes, std::size_t piece, unsigned seed) {
    std::vector<std::vector<Node>> pieces;
    for (std::size_t i = 0; i < nodes.size(); i += piece) {
        pieces.emplace_back(nodes.begin() + static_cast<long>(i),
                            nodes.begin() + static_cast<long>(std::min(nodes.size(), i + piece)));
    }
    std::shuffle(pieces.begin(), pieces.end(), std::mt19937(seed));
    std::vector<Node> out;
    for (const auto& p : pieces) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

// The records end as a sort by key of the file's records; of records with
// one key, in the order that the loader's sort has always left them, so that
// the record a lookup finds stays the one it found.
TEST(ParamFiles, AFileInAnyOrderLoadsToTheTableOfItsRecordsInKeyOrder) {
    // Keys that never repeat, each node with values of its own, in order, in
    // shuffled pieces, shuffled and reversed.
    std::vector<Node> sorted;
    for (int i = 0; i < 5000; i += 1 + i % 4) sorted.push_back({52390000 + (i / 80) * 100 + i % 80, 0.001 * i, -0.002 * i});
    sorted.insert(sorted.end(), {{52399000, 5, 5}, {52399001, 6, 6}});  // a radix bucket of their own
    std::vector<Node> random = sorted;
    std::shuffle(random.begin(), random.end(), std::mt19937(3));
    // Some keys twice or three times with other values, the repeats placed in
    // pieces in order (a repeat right after the first), shuffled in pieces and
    // shuffled.
    std::vector<Node> nodes;
    for (int i = 0; i < 3000; i += 1 + i % 3) {
        nodes.push_back({52390000 + (i / 80) * 100 + i % 80, 0.001 * i, 0.5});
        if (i % 7 == 0) nodes.push_back({nodes.back().code, 0.001 * i + 100, 1.5});
        if (i % 49 == 0) nodes.push_back({nodes.back().code, 0.001 * i + 200, 2.5});
    }
    std::vector<Node> random_twice = nodes;
    std::shuffle(random_twice.begin(), random_twice.end(), std::mt19937(4));
    // Shuffled with only the least key twice; two pieces in order that overlap.
    std::vector<Node> least_twice = {{52390000, 9.0, 9.5}};
    std::vector<Node> overlap;
    for (int i = 0; i < 1000; ++i) {
        least_twice.push_back({52390000 + (i / 80) * 100 + i % 80, 11 + 0.001 * i, 0.5});
        if (i >= 400) overlap.push_back({least_twice.back().code, 12.5, 0.5});
    }
    overlap.insert(overlap.end(), least_twice.begin() + 1, least_twice.begin() + 601);
    std::shuffle(least_twice.begin(), least_twice.end(), std::mt19937(6));
    const std::vector<std::vector<Node>> files = {sorted, shuffled_pieces(sorted, 40, 1), shuffled_pieces(sorted, 333, 2),
        random, {sorted.rbegin(), sorted.rend()}, nodes, shuffled_pieces(nodes, 50, 5), random_twice, least_twice, overlap};
    for (std::size_t f = 0; f < files.size(); ++f) {
        std::vector<ParamRecord> expected = records_of(files[f]);
        std::sort(expected.begin(), expected.end(),
                  [](const ParamRecord& a, const ParamRecord& b) { return packed_key(a.key) < packed_key(b.key); });
        const ParamTable t = load(true, grid_file(true, files[f]), 4000);
        EXPECT_TRUE(same_records(t, expected)) << "file " << f;
        EXPECT_EQ(t.unique_keys, f < 5) << "file " << f;
    }
}

TEST(ParamFiles, FailuresAreReportedAndNeverLeaveAHalfTable) {
    const std::vector<Node> nodes = {{52394000, 1, 1}, {52394001, 2, 2}, {52394010, 3, 3}, {52394011, 4, 4}};
    // The table holds three records and starts exactly full. records: -1 no
    // file, -2 a file whose reading fails at once (an I/O error, not its
    // end), else a file of that many records, after the bytes of mark.
    // full: a whole read, or the version only.
    struct Case { bool land; int records; const char* mark; int full; const char* message; int count_after; };
    const char* const UNICODE_SAVED =
        " はUnicode(UTF-8/UTF-16)で保存されています、Shift_JIS(CP932)で保存し直してください !!";
    std::vector<Case> cases = {
        {true, -1, "", 1, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", 3},  // table and version untouched
        {false, -1, "", 1, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", 3},
        {true, 4, "", 1, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!", 0},
        {false, 4, "", 1, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!", 0},
        // Saved as UTF-8 or UTF-16 with a byte-order mark.
        {true, 3, "\xEF\xBB\xBF", 1, UNICODE_SAVED, 0},
        {false, 3, "\xFF\xFE", 1, UNICODE_SAVED, 0},
        {true, 3, "\xFE\xFF", 0, UNICODE_SAVED, 0},
        {false, 3, "\xEF\xBB\xBF", 0, UNICODE_SAVED, 0},
    };
#ifdef __linux__
    cases.push_back({true, -2, "", 1, " 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!", 0});
    cases.push_back({false, -2, "", 1, " 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!", 0});
#endif
    for (const Case& c : cases) {
        ParamTable table = load(c.land, grid_file(c.land, {nodes.begin(), nodes.begin() + 3}), 3);
        ASSERT_EQ(table.count, 3);
        const std::string file = c.mark + grid_file(c.land, {nodes.begin(), nodes.begin() + std::max(c.records, 0)});
        const std::string path = c.records == -1   ? temp_file("no such file")
                                 : c.records == -2 ? std::string("/proc/self/mem")
                                                   : temp_file("grid", file.c_str());
        RecordingFeedback ui;
        std::string version = "V9.99";
        EXPECT_EQ(read_grid(c.land, ui, c.full, path, version, table), 1) << c.message;
        EXPECT_EQ(table.count, c.count_after) << c.message;
        EXPECT_EQ(version == "V9.99", c.records == -1) << c.message;
        EXPECT_EQ(ui.messages, (std::vector<std::pair<std::string, std::string>>{{path + c.message, "Error"}}));
    }
}

// A correction file (centimetres to metres at each node) given as the land
// grid would shift every point by almost nothing and call it converted:
// a land grid most of whose nodes shift less than 1" both ways is refused.
// Only nodes count: lines whose key is no 8-digit code are never looked up.
TEST(ParamFiles, ALandGridOfMostlySmallShiftsIsRefusedAsACorrectionFile) {
    const char* const REFUSED = " 変換量が小さすぎます、補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙのようです、地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙを指定してください !!";
    const std::vector<Node> real = {{52394000, 11.6, -11.6}, {52394001, 11.7, -11.5}};
    const std::vector<Node> small = {{52394010, 0.99999, -0.99999}, {52394011, 0, 0}};
    const auto join = [](std::vector<Node> a, const std::vector<Node>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case { std::string name; std::string text; bool refused; };
    const Case cases[] = {
        {"sample correction file", "", true},
        {"every shift 0", grid_file(true, cell(52394000, 0, 0)), true},
        {"empty file", "", false},
        {"header only", grid_file(true, {}), false},
        {"half small", grid_file(true, join(real, small)), false},
        {"1\" written 01.0 is no small shift", grid_file(true, join(real, small)) + "52394020  01.00000   0.50000\r\n", false},
        {"more than half small", grid_file(true, join(real, join(small, {{52394020, 0.5, 0.5}}))), true},
        {"small one way only", grid_file(true, join(small, {{52394020, 0.5, 1}, {52394021, -1, 0.5}, {52394022, 1, 1}})),
         false},
        // Blank and short lines are records but no nodes.
        {"blank lines", grid_file(true, {{52394000, 11.6, -11.6}}) + "\r\n\r\n1234567  0.0  0.0\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.name == "sample correction file"
                                     ? std::string(PELLOWEN_SOURCE_DIR) + "/examples/sample_correction.par"
                                     : temp_file("small_shifts", c.text.c_str());
        ParamTable table = load(true, grid_file(true, real), 10000);
        RecordingFeedback ui;
        std::string version;
        EXPECT_EQ(read_land_param_file(ui, 1, path, version, table), c.refused ? 1 : 0);
        if (c.refused) {
            EXPECT_EQ(ui.messages, (std::vector<std::pair<std::string, std::string>>{{path + REFUSED, "Error"}}));
            EXPECT_EQ(table.count, 0);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
    // The sea grid holds residuals, small by nature: never refused for it.
    const ParamTable sea = load(false, grid_file(false, {{52394000, 20000, 0}, {52394001, 20001, 1}}));
    EXPECT_EQ(sea.count, 2);

    // A land grid of the published size, shifts about 12" and 9" with a
    // small drift: loaded whole.
    std::vector<Node> published;
    const std::size_t capacity = LAND_TABLE_CAPACITY;
    for (int r = 20 * 120; published.size() < capacity; ++r) {
        for (int c = 22 * 80; c < 54 * 80 && published.size() < capacity; c += 3) {
            published.push_back({mesh_code_at((r + 0.5) / 120, 100 + (c + 0.5) / 80), 12.0 - r % 100 * 0.01, -9.0 + c % 70 * 0.01});
        }
    }
    EXPECT_EQ(load(true, grid_file(true, published), LAND_TABLE_CAPACITY).count, LAND_TABLE_CAPACITY);
}

TEST(ParamFiles, ReloadedOrVersionOnlyTablesAreNeverAnsweredFromAnEarlierContent) {
    RecordingFeedback ui;
    ParamTable land;
    create_param_table(land, 200);
    std::string version;
    double lat = 0, lon = 0;
    // A hundred cells read again and again into the same table, each time
    // with other shifts, and between two reads a different number of other
    // tables made or read, as in a day of Runs: every point shifts by the
    // content just read, never by a cell remembered from an earlier one.
    std::set<int> codes;
    const auto middle = [](int cell_number) {
        return std::pair(35 + (cell_number / 10 + 0.5) / 120, 139 + (cell_number % 10 + 0.5) / 80);
    };
    for (int c = 0; c < 100; ++c) {
        for (const Node& node : cell(mesh_code_at(middle(c).first, middle(c).second), 0, 0)) codes.insert(node.code);
    }
    std::vector<std::string> files;
    for (const char* name : {"r10.par", "r11.par", "r12.par"}) {
        const double shift = 10.0 + static_cast<double>(files.size());
        std::vector<Node> nodes;
        for (int code : codes) nodes.push_back({code, shift, -shift});
        files.push_back(temp_file(name, grid_file(true, nodes).c_str()));
    }
    for (int load = 0; load < 400; ++load) {
        ASSERT_EQ(read_land_param_file(ui, 1, files[load % 3], version, land), 0);
        for (int c = 0; c < 100; ++c) {
            const auto [lat_in, lon_in] = middle(c);
            ASSERT_EQ(shift_by_land(land, lat_in, lon_in, lat, lon), 0);
            ASSERT_NEAR((lat - lat_in) * 3600, 10.0 + load % 3, 1e-9) << "read " << load << ", cell " << c;
        }
        for (int other = 0; other < load; ++other) { ParamTable table; create_param_table(table, 1); }
    }
    const double lat_in = 35.004166666666667, lon_in = 139.00625;  // middle of cell 52394000
    // A version-only read: the old nodes stay in memory, but none is found.
    ASSERT_EQ(read_land_param_file(ui, 0, files[0], version, land), 0);
    EXPECT_NE(land.records[0].key[0], '\0');
    EXPECT_EQ(shift_by_land(land, lat_in, lon_in, lat, lon), 1);
    const std::string one_node = grid_file(true, {{52394000, 1, 1}});
    ASSERT_EQ(read_land_param_file(ui, 1, temp_file("r.par", one_node.c_str()), version, land), 0);
    EXPECT_EQ(shift_by_land(land, lat_in, lon_in, lat, lon), 1);
    EXPECT_EQ(shift_by_land(land, 35.0, 139.0, lat, lon), 0);
}

TEST(ParamFiles, ASmallerGridReadAfterABiggerOneFindsOnlyItsOwnNodes) {
    // 20 by 10 cells, then only the southern 3 rows of nodes (with and
    // without a node twice): the nodes further north stay in the table's
    // storage but are no longer the grid's.
    std::vector<Node> big;
    for (int row = 0; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            big.push_back({mesh_code_at(35 + (row + 0.5) / 120, 139 + (column + 0.5) / 80), 10, -10});
        }
    }
    std::sort(big.begin(), big.end(), [](const Node& a, const Node& b) { return a.code < b.code; });
    std::vector<Node> small(big.begin(), big.begin() + 30);
    std::vector<Node> small_twice = small;
    small_twice.push_back(small.front());
    for (const std::vector<Node>* smaller : {&small, &small_twice}) {
        RecordingFeedback ui;
        ParamTable table;
        std::string version;
        create_param_table(table, 400);
        ASSERT_EQ(read_land_param_file(ui, 1, temp_file("big.par", grid_file(true, big).c_str()), version, table), 0);
        ASSERT_EQ(read_land_param_file(ui, 1, temp_file("small.par", grid_file(true, *smaller).c_str()), version, table), 0);
        for (std::size_t i = 0; i < big.size(); ++i) {
            const bool kept = i < small.size();
            EXPECT_EQ(find_param_record(table, big[i].code) != nullptr, kept) << big[i].code;
            EXPECT_EQ(find_param_index(table, big[i].code) >= 0, kept) << big[i].code;
        }
        double lat = 0, lon = 0;
        EXPECT_EQ(shift_by_land(table, 35 + 0.5 / 120, 139 + 0.5 / 80, lat, lon), 0);
        EXPECT_EQ(shift_by_land(table, 35 + 10.5 / 120, 139 + 0.5 / 80, lat, lon), 1);
    }
}

TEST(Numbers, DecimalTextReadsAsTheStandardConversionReadsIt) {
    std::mt19937_64 random(8);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 17), exponent(-30, 30), form(0, 3);
    for (int i = 0; i < 50000; ++i) {
        std::string text = form(random) == 0 ? "-" : "";
        const int n = length(random);
        const int point = std::uniform_int_distribution<int>(0, n)(random);
        for (int d = 0; d < n; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + digit(random));
        }
        if (form(random) == 1) text += 'e' + std::to_string(exponent(random));
        ASSERT_EQ(text::read_decimal(text), std::strtod(text.c_str(), nullptr)) << text;
    }
    // Hexadecimal text reads as its leading 0; the words for infinity and
    // not-a-number, as spreadsheets write a missing value, read as no number.
    struct Case { const char* text; double value; };
    const Case cases[] = {{"  +12.5x", 12.5}, {".5", 0.5},      {"7e", 7.0},           {"1e-999", 0.0},
                          {"0x1A", 0.0},      {"-", 0.0},       {"info", INFINITY},    {" -Infinity", -INFINITY},
                          {"+INF", INFINITY}, {"NaN", NAN},     {"-nan(0x7)", NAN},    {"-1e999", -INFINITY},
                          {"na", 0.0},        {"in", 0.0},      {"-1.5E+2", -150.0}};
    for (const Case& c : cases) {
        const double v = text::read_decimal(c.text);
        EXPECT_TRUE(std::isnan(c.value) ? std::isnan(v) : v == c.value) << c.text << " read as " << v;
    }
}

TEST(GridSquares, PointsFallInTheCellsSurveyorsExpectWithTheirNeighbours) {
    struct Case { double lat, lon; int code, on_corner; };
    const Case cases[] = {
        {35.00000000005, 138.99999999995, 52394000, 1},  // within 1e-10 degree of the corner
        {35.004166666666667, 139.00625, 52394000, 0},    // middle of the cell
        {35.4999999, 139.3, 53392204, 0},                // just south of 35°30': counts as north
        {35.499999, 139.3, 53391294, 0},                 // far enough south to stay south
    };
    for (const Case& c : cases) {
        int code = 0, on_corner = -1;
        locate_mesh(c.lat, c.lon, code, on_corner);
        EXPECT_EQ(std::pair(code, on_corner), std::pair(c.code, c.on_corner)) << c.lat << " " << c.lon;
    }
    struct Neighbours { int code, east, north_east, north; };
    const Neighbours neighbours[] = {
        {53397799, 53407090, 54400000, 54390709},  // NE corner of a first-level square
        {53396679, 53396770, 53396780, 53396689},  // east into the next second-level column
        {53390799, 53400090, 53401000, 53391709},  // east across 140E, north into the next row
    };
    for (const Neighbours& c : neighbours) {
        const MeshNeighbours n = mesh_neighbours(c.code);
        EXPECT_EQ((std::array{n.east, n.north_east, n.north}), (std::array{c.east, c.north_east, c.north})) << c.code;
    }
}

TEST(Shifts, CornerUsesItsOwnNodeInsideAllFourAndTheLandGridComesFirst) {
    // Cell 52394000 (SW corner 35N 139E); node shifts in arc-seconds.
    const std::vector<Node> nodes = {{52394000, 10, -10}, {52394001, 11, -10.4}, {52394010, 12, -10.8},
                                     {52394011, 14, -12}};
    const ParamTable land = load(true, grid_file(true, nodes));
    const ParamTable partial = load(true, grid_file(true, {nodes.begin(), nodes.end() - 1}));  // no NE node
    struct Case { const ParamTable* land; double s, t, dB, dL; };  // fractions east and north of the corner
    const Case cases[] = {
        {&land, 0.5, 0.5, 11.75, -10.8},  // middle: the mean of the four nodes
        {&land, 0.8, 0.2, 11.36, -10.608},
        {&partial, 0.0, 6e-9, 10, -10},   // within 1e-10 degree of the corner only its own node is needed
    };
    for (const Case& c : cases) {
        const double lat = 35.0 + c.t / 120, lon = 139.0 + c.s / 80;
        double lat_out = 0, lon_out = 0;
        ASSERT_EQ(shift_by_land(*c.land, lat, lon, lat_out, lon_out), 0) << c.s << " " << c.t;
        EXPECT_NEAR((lat_out - lat) * 3600, c.dB, 1e-8) << c.s << " " << c.t;
        EXPECT_NEAR((lon_out - lon) * 3600, c.dL, 1e-8) << c.s << " " << c.t;
    }
    // The land grid shifts what it covers, the sea grid the rest; where
    // neither covers a point, nothing is written.
    const ParamTable sea = load(false, grid_file(false, cell(52394000, 19740, 0)));
    struct Choice { const ParamTable* land; double lat; int result; GridKind source; };
    const Choice choices[] = {{&land, 35.004, 0, GridKind::land}, {&partial, 35.004, 0, GridKind::sea},
                              {&land, 34.995, 1, GridKind::sea}};
    for (const Choice& c : choices) {
        double lat = -1, lon = -2;
        GridKind source = static_cast<GridKind>(-1);
        EXPECT_EQ(forward_shift({*c.land, sea}, c.lat, 139.006, lat, lon, source), c.result) << c.lat;
        EXPECT_EQ(source, c.source) << c.lat;
        EXPECT_EQ(lat == -1 && lon == -2, c.result != 0) << c.lat;
    }
}

TEST(NodeValues, AValueNoDatumShiftCouldHaveMakesTheNodeMissing) {
    // The node's value fields (land: arc-seconds; sea: thousandths, latitude
    // with 20000 added), and whether the point on the node is left unshifted.
    struct Case { bool land; const char* values; int missing; };
    const Case cases[] = {
        {true, "-119.99999 -11.00000", 0}, {true, " 120.00001 -11.00000", 1}, {true, "     1e999 -11.00000", 1},
        {true, "  99999999 -11.00000", 1}, {true, "  11.00000-120.00001", 1},
        {false, "20150    -80", 0},        {false, "999999   -80", 1},        {false, "1e999    -80", 1},
        {false, "20150 999999", 1},
    };
    for (const Case& c : cases) {
        const ParamTable table = load(c.land, (c.land ? "GRID V1\r\nh\r\n52394000" : "*V1\r\n25201520") +
                                                  std::string(c.values) + "\r\n");
        double lat = 0, lon = 0;
        GridKind source = static_cast<GridKind>(-1);
        EXPECT_EQ(forward_shift({c.land ? table : grid(NONE), c.land ? grid(NONE) : table}, 35.0, 139.0, lat, lon, source),
                  c.missing)
            << c.values;
    }
}

TEST(NodeValues, ANodeFoundMissingOnceIsMissingForEveryCellItCorners) {
    // The node at 35 N 139 E beyond any datum shift; the cell west of it has
    // its other three nodes. On the node, then in that cell: missing both times.
    const int west = mesh_code_at(35.0 + 0.5 / 120, 139.0 - 0.5 / 80);
    std::vector<Node> nodes = cell(west, 1, 1);
    nodes[1].dB = 130;
    const ParamTable table = load(true, grid_file(true, nodes));
    double lat = 0, lon = 0;
    EXPECT_EQ(shift_by_land(table, 35.0, 139.0, lat, lon), 1);
    EXPECT_EQ(shift_by_land(table, 35.0 + 0.5 / 120, 139.0 - 0.5 / 80, lat, lon), 1);
}

TEST(NodeValues, PositionsNoCellCanHaveAreShiftedByNoGrid) {
    // Not a number, beyond any angle, and outside the codes' domain: south of
    // the equator, west of 100 E, from 200 E on (a longitude 90 degrees east
    // of zone 19's meridian reaches 244 E), from 66 40' N on.
    const std::pair<double, double> positions[] = {{NAN, 139.5},   {35.5, -INFINITY}, {1e300, 139.5},
                                                   {-1000.0, 139.5}, {-0.01, 139.5},  {35.0, 99.99},
                                                   {35.0, 200.01},   {66.7, 139.5},   {359.9, 359.9}};
    for (const auto& [lat, lon] : positions) {
        EXPECT_EQ(mesh_code_at(lat, lon), NO_MESH) << lat << " " << lon;
        double lat_out = 0, lon_out = 0;
        GridKind source = static_cast<GridKind>(-1);
        EXPECT_EQ(forward_shift({grid(SAMPLE_LAND), grid(SAMPLE_SEA)}, lat, lon, lat_out, lon_out, source), 1) << lat;
        EXPECT_EQ(inverse_shift({grid(SAMPLE_LAND), grid(SAMPLE_SEA)}, lat, lon, lat_out, lon_out, source), 1) << lat;
    }
    // Just inside the domain's corners a code is still found.
    EXPECT_EQ(mesh_code_at(0.001, 100.001), 0);
    EXPECT_EQ(mesh_code_at(66.66, 199.99), 99997799);
}

TEST(NodeValues, ACellOutsideAKeysDomainTakesNoNodeFromFarAway) {
    // Points whose cell the sea grid's key or the land grid's code cannot
    // name, and the real cell that the key or code would name once wrapped
    // round: a point west of 120 E would take the sea cell off Boso at
    // 144 59' E, 40' further north; one west of 100 E the land cell at 199 59' E.
    struct Case { const char* what; double lat, lon; bool land; std::vector<Node> far_cell; };
    const Case cases[] = {
        {"sea, west of 120 E", 35.0041667, 119.99375, false, cell(53443799, 20150, -80)},
        {"land, west of 100 E", 35.0041667, 99.99375, true,
         {{51994709, 10, -10}, {52004000, 10, -10}, {52004010, 10, -10}, {51994719, 10, -10}}},
    };
    for (const Case& c : cases) {
        const ParamTable far = load(c.land, grid_file(c.land, c.far_cell));
        double lat = 0, lon = 0;
        GridKind source = static_cast<GridKind>(-1);
        EXPECT_EQ(forward_shift({c.land ? far : grid(NONE), c.land ? grid(NONE) : far}, c.lat, c.lon, lat, lon, source), 1)
            << c.what << ": shifted by " << (lat - c.lat) * 3600 << "\" " << (lon - c.lon) * 3600 << "\"";
    }
}

TEST(InverseShift, GivesUpWhenGuessesOrEllipsoidsKeepSwitchingGrids) {
    // Land cell 53396688 (SW corner 35°54'N 139°51'E) shifts 16" north, the
    // sea cell south of it 6" (field 14419): a world point 10" north of the
    // line between them has no Tokyo position, each guess landing in the
    // other cell; the first (11" south) is in the sea cell, so an even number
    // of shifts ends with one by the land grid.
    ParamTable land = load(true, grid_file(true, cell(53396688, 16.0, -11.6)));
    ParamTable sea = load(false, grid_file(false, cell(53396678, 14419, 0)));
    double lat_t = 0, lon_t = 0;
    GridKind source = static_cast<GridKind>(-1);
    EXPECT_EQ(inverse_shift({land, sea}, 35.9 + 10 * SEC, 139.85 + 11.2 * SEC, lat_t, lon_t, source), 1);
    EXPECT_EQ(source, GridKind::land);
    EXPECT_NEAR(lat_t, 35.9 - 6 * SEC, 1e-9);  // degrees
    // Now 6" north and 16" (field 24419): a world point 11" north of the line
    // has a Tokyo position in each cell, and its first guess picks the cell.
    // The point below lies 1.2e-9 degree further south on GRS80 than on
    // WGS84, and the line runs between its two first guesses: each ellipsoid
    // leads to the grid of the other.
    land = load(true, grid_file(true, cell(53396688, 6.0, -11.6)));
    sea = load(false, grid_file(false, cell(53396678, 24419, 0)));
    const double x = -10755.524510548998, y = 1785.238814655439;  // metres, zone 9
    for (const auto& [e, expected] : {std::pair{geodesy::ELLIPSOID_GRS80, GridKind::sea}, {geodesy::ELLIPSOID_WGS84, GridKind::land}}) {
        const geodesy::GeoPoint p = geodesy::plane_to_geo(e, 9, x, y);
        ASSERT_EQ(inverse_shift({land, sea}, geodesy::rad_to_deg(p.lat), geodesy::rad_to_deg(p.lon), lat_t, lon_t, source), 0);
        ASSERT_EQ(source, expected) << e;
    }
    PointResult r;
    EXPECT_EQ(jgd_to_tokyo_point({land, sea}, 9, x, y, r), 1);
}

TEST(Points, PlaneCoordinatesOffTheEarthOrUnreadableAreNotConverted) {
    // The first two on GRS80 and on Bessel: latitudes that would wrap round
    // into the grids.
    for (const auto& [x, y] : {std::pair{999999999.0, 0.0}, {39924048.0, -20000.0}, {text::read_decimal("1e999"), 0.0},
                               {0.0, text::read_decimal("-1e999")}}) {
        PointResult r;
        EXPECT_EQ(tokyo_to_jgd_point({grid(SAMPLE_LAND), grid(SAMPLE_SEA)}, 9, x, y, r), 1) << x << " " << y;
        EXPECT_EQ(jgd_to_tokyo_point({grid(SAMPLE_LAND), grid(SAMPLE_SEA)}, 9, x, y, r), 1) << x << " " << y;
    }
}

TEST(Points, JgdToTokyoAtTheLineBetweenTheGrids) {
    // Zone 9, metres. Half a metre apart in JGD2000, on either side of the
    // line where the land grid ends: the two Tokyo positions lie 2.6 m apart.
    struct Case { double x, y; GridKind source; double tokyo_x, tokyo_y; };
    const Case cases[] = {
        {-38470.500, -3292.795, GridKind::sea, -38828.5065, -3000.0001},
        {-38470.000, -3292.795, GridKind::land, -38825.9315, -2998.9165},
    };
    for (const Case& c : cases) {
        PointResult r;
        ASSERT_EQ(jgd_to_tokyo_point({grid(SAMPLE_LAND), grid(SAMPLE_SEA)}, 9, c.x, c.y, r), 0) << c.x;
        EXPECT_EQ(r.source, c.source) << c.x;
        EXPECT_NEAR(r.x_out, c.tokyo_x, 0.00005 + 1e-9) << c.x;  // 0.1 mm
        EXPECT_NEAR(r.y_out, c.tokyo_y, 0.00005 + 1e-9) << c.x;
    }
}
