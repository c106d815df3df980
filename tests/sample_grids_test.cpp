// The synthetic grids and example inputs in examples/: the generator still
// writes the committed bytes, the grid files keep the fixed columns the
// readers expect, and every example point lies where examples/README.md says.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "geodesy/mesh_key.h"

namespace fs = std::filesystem;
using namespace geodesy;

namespace {

const fs::path EXAMPLES = fs::path(PELLOWEN_SOURCE_DIR) / "examples";

// The region the generator fills: rows of 30" and columns of 45" counted from
// the equator and from 100E.
constexpr int ROW_MIN = 35 * 120, ROW_MAX = 36 * 120;
constexpr int COL_MIN = 395 * 8, COL_MAX = 405 * 8;

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines of a Windows text file; a bare LF or a last line without CR LF fails.
std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
        EXPECT_TRUE(lf > start && text[lf - 1] == '\r') << "bare LF in line " << lines.size() + 1;
        lines.push_back(text.substr(start, lf - start - 1));
    }
    EXPECT_EQ(start, text.size()) << "last line without CR LF";
    return lines;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string field; std::getline(in, field, sep);) out.push_back(field);
    return out;
}

using Node = std::pair<int, int>;  // row, column

Node node_of(int code) {
    return {code / 1000000 * 80 + code / 1000 % 10 * 10 + code / 10 % 10,
            code / 10000 % 100 * 80 + code / 100 % 10 * 10 + code % 10};
}

bool in_region(Node n) {
    return n.first >= ROW_MIN && n.first <= ROW_MAX && n.second >= COL_MIN && n.second <= COL_MAX;
}

struct Grids {
    std::map<Node, std::pair<double, double>> land;  // shifts, arc-seconds
    std::map<Node, std::pair<int, int>> sea;         // residuals, 1e-3 arc-seconds
};

const Grids& grids() {
    static const Grids g = [] {
        Grids r;
        const auto land = crlf_lines(read_bytes(EXAMPLES / "sample_land.par"));
        for (std::size_t i = 2; i < land.size(); ++i) {
            r.land[node_of(std::stoi(land[i].substr(0, 8)))] = {std::stod(land[i].substr(8, 10)),
                                                                std::stod(land[i].substr(18, 10))};
        }
        const auto sea = crlf_lines(read_bytes(EXAMPLES / "sample_sea.jhd"));
        for (std::size_t i = 1; i < sea.size(); ++i) {
            r.sea[node_of(key_to_mesh(std::stoi(sea[i].substr(0, 8))))] = {
                std::stoi(sea[i].substr(8, 6)) - 20000, std::stoi(sea[i].substr(14, 6))};
        }
        return r;
    }();
    return g;
}

enum class Coverage { Land, Sea, Both, Outside };

// A cell is covered by a grid when the grid has all four of its corners.
Coverage cell_coverage(int row, int col) {
    bool land = true, sea = true;
    for (int dr = 0; dr < 2; ++dr) {
        for (int dc = 0; dc < 2; ++dc) {
            land = land && grids().land.count({row + dr, col + dc});
            sea = sea && grids().sea.count({row + dr, col + dc});
        }
    }
    return land && sea ? Coverage::Both : land ? Coverage::Land : sea ? Coverage::Sea : Coverage::Outside;
}

}  // namespace

TEST(SampleGridGenerator, RewritesTheCommittedFilesByteForByte) {
    const fs::path out = fs::path(::testing::TempDir()) / "pellowen_sample_grids";
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = std::string("\"") + MAKE_SAMPLE_GRIDS + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name : {"sample_land.par", "sample_sea.jhd"}) {
        EXPECT_TRUE(read_bytes(out / name) == read_bytes(EXAMPLES / name))
            << name << " differs from examples/; rerun make_sample_grids examples";
    }
    fs::remove_all(out);
}

TEST(SampleGridFiles, LandRecordsHaveFixedColumnsAndSmoothRealisticShifts) {
    const auto lines = crlf_lines(read_bytes(EXAMPLES / "sample_land.par"));
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(split(lines[0], ' ').at(1), "S1.00");
    std::set<Node> seen;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string& r = lines[i];
        ASSERT_EQ(r.size(), 28u) << "line " << i + 1;
        ASSERT_EQ(r.find_first_not_of("0123456789"), 8u) << r;
        const Node n = node_of(std::stoi(r.substr(0, 8)));
        EXPECT_TRUE(in_region(n)) << r;
        EXPECT_TRUE(seen.empty() || *seen.rbegin() < n) << "out of row-column order or repeated: " << r;
        seen.insert(n);
        EXPECT_TRUE(r[12] == '.' && r[22] == '.') << "shifts not %10.5f: " << r;
        const auto [dlat, dlon] = grids().land.at(n);
        EXPECT_NEAR(dlat, 11.6, 0.4) << r;
        EXPECT_NEAR(dlon, -11.6, 0.4) << r;
        for (const Node& m : {Node{n.first - 1, n.second}, Node{n.first, n.second - 1}}) {
            if (!grids().land.count(m)) continue;
            EXPECT_NEAR(grids().land.at(m).first, dlat, 0.01) << r;
            EXPECT_NEAR(grids().land.at(m).second, dlon, 0.01) << r;
        }
    }
}

TEST(SampleGridFiles, SeaRecordsHaveBlankPaddedKeysAndSmallSmoothResiduals) {
    const auto lines = crlf_lines(read_bytes(EXAMPLES / "sample_sea.jhd"));
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(split(lines[0].substr(1), ' ').at(0), "S1.00");
    std::set<int> keys;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& r = lines[i];
        ASSERT_EQ(r.size(), 20u) << "line " << i + 1;
        const int key = std::stoi(r.substr(0, 8));
        char field[16];
        std::snprintf(field, sizeof field, "%8d", key);
        EXPECT_EQ(r.substr(0, 8), field) << "key not right-aligned with blanks: " << r;
        EXPECT_TRUE(keys.insert(key).second) << "repeated key: " << r;
        const Node n = node_of(key_to_mesh(key));
        EXPECT_TRUE(in_region(n)) << r;
        const auto [rlat, rlon] = grids().sea.at(n);
        EXPECT_LE(std::abs(rlat), 400) << r;
        EXPECT_LE(std::abs(rlon), 400) << r;
        if (grids().sea.count({n.first, n.second - 1})) {
            EXPECT_LE(std::abs(grids().sea.at({n.first, n.second - 1}).first - rlat), 10) << r;
        }
    }
}

TEST(SampleGridFiles, EveryCellIsCoveredAndTheGridsShareACoastBand) {
    int land = 0, sea = 0, both = 0;
    for (int row = ROW_MIN; row < ROW_MAX; ++row) {
        for (int col = COL_MIN; col < COL_MAX; ++col) {
            switch (cell_coverage(row, col)) {
                case Coverage::Land: ++land; break;
                case Coverage::Sea: ++sea; break;
                case Coverage::Both: ++both; break;
                case Coverage::Outside: ADD_FAILURE() << "gap at cell " << row << "," << col; break;
            }
        }
    }
    EXPECT_GT(sea, 1000);
    EXPECT_GT(land, 3 * sea);
    EXPECT_GT(both, 300);
}
