// Correction files: the index a loaded file is looked up through gives what
// searching its codes gives, bit for bit; a file read into a grid that held
// another keeps nothing of it; a refused file's message shows its path as it
// is.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "grids/correction.h"
#include "recording_feedback.h"
#include "scratch_files.h"

namespace fs = std::filesystem;
using namespace grids;

namespace {

using scratch::write_bytes;
const auto temp_folder = scratch::folder;

// The code of the grid square at row (30" from the equator) and column (45"
// from 100 E).
int code_of(int row, int col) {
    return row / 80 * 1000000 + col / 80 * 10000 + row / 10 % 8 * 1000 + col / 10 % 8 * 100 + row % 10 * 10 + col % 10;
}

// A rectangle of nodes with smoothly varying values, some squares not listed,
// some listed as not a number, some beyond the node limit; and perhaps two
// nodes far away, in the first-level square (pp 53, uu 00) that the column
// east of 199.9875 E would wrap round to.
struct Area {
    const char* what;
    int row0, row1, col0, col1;
};

std::string area_file(const Area& a, bool far_node) {
    std::string text = "TEST-CORRECTION V1\r\nMeshCode dB(sec) dL(sec)\r\n";
    char line[80];
    for (int row = a.row0; row <= a.row1; ++row) {
        for (int col = a.col0; col <= a.col1; ++col) {
            const int kind = (row * 7 + col * 3) % 23;
            if (kind == 0) continue;
            const double dB = kind == 2 ? 1.5 : 0.1 + 0.003 * (row - a.row0) - 0.002 * (col - a.col0);
            const double dL = -0.2 + 0.001 * (row - a.row0) + 0.004 * (col - a.col0);
            if (kind == 1) std::snprintf(line, sizeof line, "%08d nan %.5f\r\n", code_of(row, col), dL);
            else std::snprintf(line, sizeof line, "%08d %.5f %.5f\r\n", code_of(row, col), dB, dL);
            text += line;
        }
    }
    if (far_node) text += "53004050 0.01 0.01\r\n53004060 0.01 0.01\r\n";
    return text;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Areas across the lines of first-level squares (52/53, 39/40) and at the
// east end of the codes' domain (column 99, 200 E).
const Area AREAS[] = {
    {"across first-level lines", 4150, 4175, 3190, 3215},
    {"at 200 E", 4200, 4212, 7990, 7999},
};

TEST(CorrectionIndex, LooksUpWhatASearchOfTheCodesFinds) {
    for (const Area& a : AREAS) {
        SCOPED_TRACE(a.what);
        RecordingFeedback ui;
        CorrectionGrid indexed;
        CorrectionGrid searched;
        ASSERT_EQ(read_correction_file(ui, write_bytes(temp_folder() / "indexed.par", area_file(a, true)), indexed), 0);
        ASSERT_FALSE(indexed.index_nodes.empty());
        // The same nodes without the index, under a name of their own so
        // that no cell remembered from the indexed grid answers for them.
        searched = indexed;
        searched.index_blocks.clear();
        searched.index_nodes.clear();
        searched.load_id = ~indexed.load_id;
        // Every seventh of a cell over the area and one cell around it, the
        // corners included; the far node is nowhere near.
        int corrected = 0, outside = 0, unknown = 0;
        for (int i = -7; i <= (a.row1 - a.row0 + 1) * 7; ++i) {
            for (int j = -7; j <= (a.col1 - a.col0 + 1) * 7; ++j) {
                const double lat = (a.row0 + i / 7.0) / 120.0;
                const double lon = 100 + (a.col0 + j / 7.0) / 80.0;
                for (auto correct : {apply_correction, undo_correction}) {
                    double x[2] = {-1, -1}, y[2] = {-1, -1};
                    const CorrectionOutcome got = correct(indexed, lat, lon, x[0], x[1]);
                    ASSERT_EQ(got, correct(searched, lat, lon, y[0], y[1])) << lat << ' ' << lon;
                    ASSERT_TRUE(same_bits(x[0], y[0]) && same_bits(x[1], y[1])) << lat << ' ' << lon;
                    corrected += got == CorrectionOutcome::corrected;
                    outside += got == CorrectionOutcome::outside;
                    unknown += got == CorrectionOutcome::unknown;
                }
            }
        }
        // The comparison met every outcome.
        EXPECT_GT(corrected, 0);
        EXPECT_GT(outside, 0);
        EXPECT_GT(unknown, 0);
    }
}

TEST(CorrectionIndex, AFileReadAgainIntoTheSameGridKeepsNothingOfTheOldOne) {
    RecordingFeedback ui;
    const std::string first = write_bytes(temp_folder() / "first.par", area_file(AREAS[0], false));
    const std::string second = write_bytes(temp_folder() / "second.par", area_file(AREAS[1], false));
    CorrectionGrid reused;
    CorrectionGrid fresh;
    ASSERT_EQ(read_correction_file(ui, first, reused), 0);
    ASSERT_EQ(read_correction_file(ui, second, reused), 0);
    ASSERT_EQ(read_correction_file(ui, second, fresh), 0);
    const double lat = (AREAS[0].row0 + 5.5) / 120.0;
    const double lon = 100 + (AREAS[0].col0 + 5.5) / 80.0;
    double lat_out = 0, lon_out = 0;
    EXPECT_EQ(apply_correction(reused, lat, lon, lat_out, lon_out), CorrectionOutcome::outside);
    EXPECT_EQ(reused.index_blocks, fresh.index_blocks);
    EXPECT_EQ(reused.index_nodes, fresh.index_nodes);

    // Refused: no node and no index left.
    ASSERT_EQ(read_correction_file(ui, write_bytes(temp_folder() / "height.par", "T\r\nMeshCode dH(m)\r\n"), reused), 1);
    EXPECT_TRUE(reused.codes.empty());
    EXPECT_TRUE(reused.index_blocks.empty());
    EXPECT_TRUE(reused.index_nodes.empty());

    // A cell loaded with new values again and again, looked up after each
    // load: of any 257 loads two share a remembered place, never their cell.
    const double cell_lat = 4150.5 / 120.0, cell_lon = 100 + 3190.5 / 80.0;
    for (int k = 0; k < 257; ++k) {
        std::string text = "T\r\nMeshCode dB dL\r\n";
        for (int node : {code_of(4150, 3190), code_of(4150, 3191), code_of(4151, 3191), code_of(4151, 3190)}) {
            text += std::to_string(node) + " " + std::to_string(k / 1000.0) + " 0\r\n";
        }
        ASSERT_EQ(read_correction_file(ui, write_bytes(temp_folder() / "cell.par", text), reused), 0);
        double x[2] = {0, 0};
        ASSERT_EQ(apply_correction(reused, cell_lat, cell_lon, x[0], x[1]), CorrectionOutcome::corrected);
        ASSERT_NEAR((x[0] - cell_lat) * 3600, k / 1000.0, 1e-9) << k;
    }
}

TEST(CorrectionMessages, APathHoldingPercentSignsIsShownAsItIs) {
    const fs::path folder = temp_folder() / "survey %ld %s";
    fs::create_directories(folder);
    const std::pair<const char*, const char*> cases[] = {  // the file, the message after the path
        {"T\r\nMeshCode dB(sec) dL(sec)\r\n52397504 0.1 0.1\r\nnot a record\r\n", " 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ 4行目が読めません !!"},
        {"T\r\nMeshCode dB(sec) dL(sec)\r\n52397504 0.1 0.1\r\n52397504 0.2 0.1\r\n",
         " 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ 4行目 ﾒｯｼｭｺｰﾄﾞ 52397504 が異なる値で2度あります !!"},
    };
    for (const auto& [text, shown] : cases) {
        const std::string path = write_bytes(folder / "event.par", text);
        RecordingFeedback ui;
        CorrectionGrid grid;
        ASSERT_EQ(read_correction_file(ui, path, grid), 1);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].first, path + shown);
    }
}

}  // namespace
