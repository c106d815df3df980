// The correction grids: reading a correction file (and refusing what is
// none), the correction at a point and its undoing, several files in order,
// and whole survey points shifted and then corrected, both ways.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "grids/correction.h"
#include "grids/mesh.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"
#include "recording_feedback.h"
#include "scratch_files.h"
#include "text/text_file.h"

namespace fs = std::filesystem;
using namespace grids;

namespace {

constexpr double SEC = 1.0 / 3600;  // one arc-second in degrees
const std::string EXAMPLES = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";

using scratch::temp_file;

// The node of row (30" steps from the equator) and column (45" steps from
// 100 E), as its code.
int node(int row, int col) {
    return (row / 80) * 1000000 + (col / 80) * 10000 + (row / 10 % 8) * 1000 + (col / 10 % 8) * 100 +
           (row % 10) * 10 + col % 10;
}
double row_lat(double row) { return row / 120.0; }
double col_lon(double col) { return 100 + col / 80.0; }

// Rows and columns near 35.5N 139.7E.
constexpr int R = 35 * 120 + 60;
constexpr int C = 39 * 80 + 16;

struct Entry { int code; const char* dB; const char* dL; };

std::string correction_text(const std::vector<Entry>& nodes, const char* header = "TEST C1.00\r\nMeshCode dB(sec) dL(sec)\r\n") {
    std::string text = header;
    for (const Entry& e : nodes) {
        char line[96];
        std::snprintf(line, sizeof line, "%08d   %s   %s\r\n", e.code, e.dB, e.dL);
        text += line;
    }
    return text;
}

// A 3 x 3 block of nodes (rows R..R+2, columns C..C+2): four complete cells.
std::vector<Entry> block() {
    return {{node(R, C), "-0.01000", "0.02000"},         {node(R, C + 1), "-0.02000", "0.04000"},
            {node(R, C + 2), "-0.03000", "0.06000"},     {node(R + 1, C), "-0.05000", "0.01000"},
            {node(R + 1, C + 1), "-0.06000", "0.03000"}, {node(R + 1, C + 2), "-0.07000", "0.05000"},
            {node(R + 2, C), "-0.09000", "0.00000"},     {node(R + 2, C + 1), "-0.10000", "0.02000"},
            {node(R + 2, C + 2), "-0.11000", "0.04000"}};
}

int load(const std::string& name, const std::string& text, CorrectionGrid& grid, RecordingFeedback& ui) {
    return read_correction_file(ui, temp_file(name, &text), grid);
}

// The message shown for a refused file, with "%s" as the path and "%ld" as
// the line.
std::string expected(const char* format, const std::string& path, long line = 0, const std::string& code = "") {
    std::string text = format;
    text.replace(text.find("%s"), 2, path);
    if (auto at = text.find("%ld"); at != std::string::npos) text.replace(at, 3, std::to_string(line));
    if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, code);
    return text;
}

// The text up to and including the first occurrence of what on line n
// (counted from 1).
std::string cut(const std::string& text, const std::string& what, int n) {
    std::size_t at = 0;
    for (int line = 1; line < n; ++line) at = text.find('\n', at) + 1;
    return text.substr(0, text.find(what, at) + what.size());
}

}  // namespace

TEST(CorrectionFile, ReadsHeaderTitleAndRecordsInAnyOrder) {
    std::vector<Entry> nodes = block();
    std::swap(nodes[0], nodes[8]);
    std::swap(nodes[3], nodes[5]);
    // A bare LF, tabs between fields, a blank line and a lone CR line end.
    std::string text = correction_text(nodes, "JGD2000-JGD2011 Ver.1.0.0\r\nsecond header line\nMESHCODE\tDB(sec)\tdl(sec)\r");
    text += "\r\n   \r\n";
    text += correction_text({{node(R, C), "-0.01000", "0.02000"}}, "");  // the same node again, same values
    text += "  \x1A";  // blanks without a line end, and the old DOS end of file as the last byte
    RecordingFeedback ui;
    CorrectionGrid grid;
    ASSERT_EQ(load("ok.par", text, grid, ui), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(grid.title, "JGD2000-JGD2011 Ver.1.0.0");
    ASSERT_EQ(grid.codes.size(), 9u);
    EXPECT_TRUE(std::is_sorted(grid.codes.begin(), grid.codes.end()));
    const auto at = std::find(grid.codes.begin(), grid.codes.end(), node(R + 1, C + 1)) - grid.codes.begin();
    EXPECT_EQ(grid.dB[at], -0.06);
    EXPECT_EQ(grid.dL[at], 0.03);
    // A title line of exactly 1,024 bytes (表 is two bytes): its first 255.
    std::string title = "x";
    while (title.size() < CORRECTION_LINE_MAX - 1) title += "表";
    ASSERT_EQ(load("title.par", correction_text(block(), (title + "y\r\nMeshCode dB dL\r\n").c_str()), grid, ui), 0);
    EXPECT_EQ(grid.title, title.substr(0, 255));
}

TEST(CorrectionFile, RefusesWhatIsNoHorizontalCorrectionFileWithItsMessage) {
    namespace m = correction_messages;
    const std::string folder = temp_file("a_folder");
    fs::create_directories(folder);
    const std::string fifo = temp_file("a_fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The land grid with the published file's column titles: about 11.6" at
    // every node; as the sample has it ("lat(sec) lon(sec)"), of no kind.
    std::string land = "JGD2000 TKY2JGD\r\nMeshCode dB(sec) dL(sec)\r\n";
    std::ifstream sample(EXAMPLES + "sample_land.par", std::ios::binary);
    int line_number = 0;
    for (std::string line; std::getline(sample, line);) {
        if (++line_number > 2) land += line + "\n";  // the records after the sample's two header lines
    }
    std::string many = "T\r\nMeshCode dB dL\r\n";
    for (std::size_t i = 0; i < CORRECTION_NODES_MAX; ++i) many += "53394500 0 0\n";
    const std::string long_title(CORRECTION_LINE_MAX + 1, 'x');
    std::vector<Entry> twice = block();
    twice.push_back({node(R + 1, C + 1), "-0.06001", "0.03000"});
    std::vector<Entry> twice_unusable = block();
    twice_unusable.push_back({node(R + 5, C), "1.5", "0"});
    twice_unusable.push_back({node(R + 5, C), "2.5", "0"});
    // name (a path of its own when there is no text), text, message, line, code
    struct Case { std::string name, text; const char* format; long line; std::string code; } cases[] = {
        // Semi-dynamic files (dB dL dH), and titles that name neither kind.
        {"both.par", correction_text(block(), "TITLE\r\nMeshCode dB(sec) dL(sec) dH(m)\r\n"), m::UNSUPPORTED, 0, ""},
        {"latitude_only.par", correction_text(block(), "TITLE\r\nMeshCode dB(sec)\r\n"), m::UNSUPPORTED, 0, ""},
        {"height_and_lat.par", correction_text(block(), "TITLE\r\nMeshCode dH(m) dB(sec)\r\n"), m::UNSUPPORTED, 0, ""},
        {"lon_and_height.par", correction_text(block(), "TITLE\r\nMeshCode dL(sec) dH(m)\r\n"), m::UNSUPPORTED, 0, ""},
        {"bare_title.par", correction_text(block(), "TITLE\r\nMeshCode\r\n"), m::UNSUPPORTED, 0, ""},
        {"untitled.par", correction_text(block(), "TITLE\r\n"), m::NO_TITLE, 0, ""},
        {"empty.par", "", m::NO_TITLE, 0, ""},
        {"no_nodes.par", "TITLE\r\nMeshCode dB(sec) dL(sec)\r\n\r\n", m::NO_NODES, 0, ""},
        {"letters.par", correction_text({{node(R, C), "abc", "0.1"}}), m::BAD_RECORD, 3, ""},
        {"trailing.par", correction_text({{node(R, C), "0.01x", "0.1"}}), m::BAD_RECORD, 3, ""},
        {"short_code.par", "T\r\nMeshCode dB dL\r\n5339451 0.01 0.02\r\n", m::BAD_RECORD, 3, ""},
        {"columns.par", "T\r\nMeshCode dB dL\r\n53394510 0.01 0.02 0.03\r\n", m::BAD_RECORD, 3, ""},
        {"one_value.par", "T\r\nMeshCode dB dL\r\n53394510 0.01\r\n", m::BAD_RECORD, 3, ""},
        {"height_four.par", "T\r\nMeshCode dH\r\n53394510 0.01 0 0\r\n", m::BAD_RECORD, 3, ""},
        {"long.par", long_title + "\r\nMeshCode dB dL\r\n", m::LONG_LINE, 1, ""},
        {"long_record.par", "T\r\nMeshCode dB dL\r\n53394510 0.01 0." + std::string(CORRECTION_LINE_MAX, '1') + "\r\n",
         m::LONG_LINE, 3, ""},
        {"twice.par", correction_text(twice), m::TWICE, 12, std::to_string(node(R + 1, C + 1))},
        // Twice, both beyond the limit: unusable values still differ.
        {"twice_unusable.par", correction_text(twice_unusable), m::TWICE, 13, std::to_string(node(R + 5, C))},
        // Damaged files: a 0x1A inside the text (the nodes after it would be
        // dropped), a download cut inside its last record or after it.
        {"eof_inside.par", cut(correction_text(block()), "0.0", 5) + "\x1A" "1000\r\n" + correction_text(block(), ""),
         m::END_MARK, 5, ""},
        {"eof_line_start.par", correction_text(block()) + "\x1A\r\n", m::END_MARK, 12, ""},
        {"cut_inside.par", cut(correction_text(block()), "0.0", 11), m::CUT, 11, ""},
        {"cut_after.par", correction_text(block()).substr(0, correction_text(block()).size() - 2), m::CUT, 11, ""},
        {"utf8.par", "\xEF\xBB\xBF" + correction_text(block()), text::UNICODE_FILE_ERROR, 0, ""},
        {"too_many.par", many + "53394500 0 0\n", m::TOO_MANY, 0, ""},  // two million nodes and one more
        {"land.par", land, m::SHIFT_GRID, 0, ""},
        {EXAMPLES + "sample_land.par", "", m::UNSUPPORTED, 0, ""},
        {EXAMPLES + "sample_sea.jhd", "", m::NO_TITLE, 0, ""},
        {temp_file("missing.par"), "", m::OPEN_ERROR, 0, ""},
        {folder, "", m::OPEN_ERROR, 0, ""},
        {fifo, "", m::OPEN_ERROR, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFeedback ui;
        CorrectionGrid grid;
        const std::string path = c.name.find('/') != std::string::npos ? c.name : temp_file(c.name, &c.text);
        EXPECT_EQ(read_correction_file(ui, path, grid), 1);
        EXPECT_EQ(ui.messages, (std::vector<std::pair<std::string, std::string>>{{expected(c.format, path, c.line, c.code), "Error"}}));
        EXPECT_TRUE(grid.codes.empty());
    }
    // Two million nodes are read.
    RecordingFeedback ui;
    CorrectionGrid grid;
    EXPECT_EQ(load("most.par", many, grid, ui), 0);
}

TEST(Correction, InterpolatesAtNodesCentresAndEdgesWithTheLandGridsWeights) {
    RecordingFeedback ui;
    CorrectionGrid grid;
    ASSERT_EQ(load("block.par", correction_text(block()), grid, ui), 0);
    struct Case { double row, col, dB, dL; } cases[] = {  // position in node steps; correction, arc-seconds
        {R, C, -0.01, 0.02},                                      // a node
        {R + 1, C + 1, -0.06, 0.03},                              // an inner node
        {R + 0.5, C + 0.5, (-0.01 - 0.02 - 0.05 - 0.06) / 4, (0.02 + 0.04 + 0.01 + 0.03) / 4},  // a centre
        {R, C + 0.25, -0.0125, 0.025},                            // the south edge
        {R + 0.75, C, -0.04, 0.0125},                             // the west edge
        {R + 1.5, C + 1.25, -0.0825, 0.03},                       // a point of the north-east cell
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row - R << "," << c.col - C);
        const double lat = row_lat(c.row), lon = col_lon(c.col);
        double lat_out = 0, lon_out = 0;
        ASSERT_EQ(apply_correction(grid, lat, lon, lat_out, lon_out), CorrectionOutcome::corrected);
        EXPECT_NEAR((lat_out - lat) / SEC, c.dB, 1e-9);
        EXPECT_NEAR((lon_out - lon) / SEC, c.dL, 1e-9);
    }
}

TEST(Correction, CarriesPointsOutsideAndStopsWhereNodesAreIncompleteOrUnusable) {
    std::vector<Entry> nodes = block();
    nodes[8].dB = "nan";  // node (R+2, C+2): the north-east cell is unusable
    nodes.push_back({node(R + 10, C + 10), "0.50000", "1.00001"});  // beyond the limit: unusable
    // A cell of three nodes (its north-west one missing), its south-west on the limit.
    for (int i : {0, 1, 81}) nodes.push_back({node(R + 20 + i / 80, C + 20 + i % 80), "1.00000", "-1.00000"});
    RecordingFeedback ui;
    CorrectionGrid grid;
    ASSERT_EQ(load("holes.par", correction_text(nodes), grid, ui), 0);
    // undone: the corrected position leads back
    struct Case { double row, col; CorrectionOutcome outcome; bool undone = true; } cases[] = {
        {R + 0.5, C + 0.5, CorrectionOutcome::corrected},
        {R + 1.5, C + 1.5, CorrectionOutcome::unknown},   // a corner node is not a number
        {R - 0.5, C + 0.5, CorrectionOutcome::unknown},   // south of the block: two nodes of four
        {R + 0.5, C + 2.5, CorrectionOutcome::unknown},   // east of it
        {R - 0.5, C - 0.5, CorrectionOutcome::unknown},   // one node, the north-east
        {R + 5.5, C + 5.5, CorrectionOutcome::outside},   // no node at all
        {R + 10.5, C + 10.5, CorrectionOutcome::unknown}, // its own node unusable, the rest missing
        // On a node whose own cell lacks nodes: its own value. Going back
        // starts a hair off the node, in that incomplete cell.
        {R + 2, C, CorrectionOutcome::corrected, false},
        {R + 10, C + 10, CorrectionOutcome::unknown},     // on the unusable node
        {R + 20.5, C + 20.5, CorrectionOutcome::unknown}, // three nodes of four
        {R + 20, C + 20, CorrectionOutcome::corrected, false},  // on a node of exactly 1"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row - R << "," << c.col - C);
        const double lat = row_lat(c.row), lon = col_lon(c.col);
        double lat_out = -1, lon_out = -1, lat_back = 0, lon_back = 0;
        EXPECT_EQ(apply_correction(grid, lat, lon, lat_out, lon_out), c.outcome);
        EXPECT_TRUE(c.outcome != CorrectionOutcome::outside || (lat_out == lat && lon_out == lon));
        if (c.outcome != CorrectionOutcome::unknown && c.undone) {
            EXPECT_EQ(undo_correction(grid, lat_out, lon_out, lat_back, lon_back), c.outcome);
            EXPECT_NEAR(lat_back, lat, 1e-13);
            EXPECT_NEAR(lon_back, lon, 1e-13);
        } else if (c.outcome == CorrectionOutcome::unknown) {
            EXPECT_EQ(undo_correction(grid, lat, lon, lat_back, lon_back), CorrectionOutcome::unknown);
        }
    }
    // Half the nodes beyond the limit (one of two, the other on it) is no shift grid yet.
    EXPECT_EQ(load("half.par", correction_text({{node(R, C), "1.00000", "-1.00000"}, {node(R, C + 1), "1.5", "0"}}), grid, ui), 0);
}

// A height file: the same cells, weights and rules as a horizontal file,
// the values metres of height. The block's dB column stands for dH here;
// the published files' second number (always 0) is read and not used, and
// a record without it is read as well.
TEST(HeightCorrection, SameCellsAndRulesAsTheHorizontalFilesInMetres) {
    std::vector<Entry> nodes = block();
    nodes[8].dB = "10.00001";                                   // (R+2, C+2) beyond 10 m: unusable
    nodes.push_back({node(R + 10, C + 10), "0.30000", "0.00000"});
    nodes.push_back({node(R + 20, C + 20), "-10.00000", "0.00000"});
    std::string text = correction_text(nodes, "HEIGHT C1.00\r\nMeshCode   dH(m)     0.00000\r\n");
    text += "53394511 -0.25\r\n";                            // no second number
    RecordingFeedback ui;
    CorrectionGrid grid;
    ASSERT_EQ(load("height.par", text, grid, ui), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(grid.kind, CorrectionKind::height);
    // The cells' weights, the same as a horizontal file's, are met below.
    struct Case { double row, col; CorrectionOutcome outcome; double dh; } cases[] = {  // dh: metres
        {R + 0.5, C + 0.5, CorrectionOutcome::corrected, (-0.01 - 0.02 - 0.05 - 0.06) / 4},  // a centre
        {R + 1.5, C + 1.5, CorrectionOutcome::unknown, 0},       // a corner beyond 10 m
        {R - 0.5, C + 0.5, CorrectionOutcome::unknown, 0},       // half the cell listed
        {R + 5.5, C + 5.5, CorrectionOutcome::outside, 0},       // the hole between the blocks
        {R + 10, C + 10, CorrectionOutcome::corrected, 0.3},     // a lone node, on it
        {R + 10.5, C + 10.5, CorrectionOutcome::unknown, 0},     // beside it
        {R + 20, C + 20, CorrectionOutcome::corrected, -10},     // on the limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row - R << "," << c.col - C);
        double dh = 99;
        EXPECT_EQ(height_correction(grid, row_lat(c.row), col_lon(c.col), dh), c.outcome);
        EXPECT_NEAR(dh, c.outcome == CorrectionOutcome::corrected ? c.dh : 99, 1e-12);  // else untouched
    }
    // A height file in the list: down it forward, back up it in reverse; a
    // point without a height passes every height file by, whatever it covers.
    std::vector<CorrectionGrid> files(3);
    ASSERT_EQ(load("first.par", correction_text(block()), files[0], ui), 0);
    files[1] = grid;
    files[2] = grid;
    const double lat = row_lat(R + 0.25), lon = col_lon(C + 0.5);
    PointHeight height{true, 12.345};
    CorrectionMarks marks;
    double lat_out = 0, lon_out = 0;
    ASSERT_EQ(apply_corrections(files, lat, lon, lat_out, lon_out, marks, &height), 0);
    // Moved by -0.025" and 0.0275" first; each height file gives the
    // block's value where the point was moved to.
    EXPECT_NEAR(height.value, 12.345 + 2 * (-0.025 - 0.01 * 0.0275 / 45 + 0.04 * 0.025 / 30), 1e-12);
    EXPECT_NEAR((lat_out - lat) / SEC, -0.025, 1e-9);
    EXPECT_EQ(marks.corrected, 0b111);
    double lat_back = 0, lon_back = 0;
    ASSERT_EQ(undo_corrections(files, lat_out, lon_out, lat_back, lon_back, marks, &height), 0);
    EXPECT_NEAR(height.value, 12.345, 1e-12);
    EXPECT_NEAR(lat_back, lat, 1e-12);
    PointHeight none;
    ASSERT_EQ(apply_corrections(files, lat, lon, lat_out, lon_out, marks, &none), 0);
    EXPECT_EQ(marks.corrected, 0b001);
    EXPECT_EQ(marks.no_height, 0b110);
    // A height file that stops the point leaves the height as it was.
    height = PointHeight{true, 5.0};
    EXPECT_EQ(apply_corrections(files, row_lat(R - 0.5), col_lon(C + 0.5), lat_out, lon_out, marks, &height), 1);
    EXPECT_EQ(height.value, 5.0);
    // Without a height file the height is never looked at.
    files.resize(1);
    height = PointHeight{true, 5.0};
    ASSERT_EQ(apply_corrections(files, lat, lon, lat_out, lon_out, marks, &height), 0);
    EXPECT_EQ(height.value, 5.0);
    EXPECT_EQ(marks.no_height, 0);
}

TEST(Correction, SeveralFilesApplyInOrderAndUndoInReverse) {
    // The second file moves more strongly where the first put the point, in
    // latitude by the same everywhere: undone, latitude settles first.
    std::vector<Entry> second;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            static const char* values[] = {"0.00000", "0.20000", "0.40000"};
            second.push_back({node(R + r, C + c), "0.20000", values[c]});
        }
    }
    RecordingFeedback ui;
    std::vector<CorrectionGrid> files(3);
    ASSERT_EQ(load("first.par", correction_text(block()), files[0], ui), 0);
    ASSERT_EQ(load("second.par", correction_text(second), files[1], ui), 0);
    ASSERT_EQ(load("elsewhere.par", correction_text({{node(R + 40, C + 40), "0.1", "0.1"}}), files[2], ui), 0);
    const double lat = row_lat(R + 0.3), lon = col_lon(C + 0.6);
    double lat_out = 0, lon_out = 0;
    CorrectionMarks marks;
    ASSERT_EQ(apply_corrections(files, lat, lon, lat_out, lon_out, marks), 0);
    // The first moves it by -0.028" and 0.029", the second by 0.2" and by
    // 0.2" per column it has reached.
    EXPECT_NEAR((lat_out - lat) / SEC, -0.028 + 0.2, 1e-9);
    EXPECT_NEAR((lon_out - lon) / SEC, 0.029 + 0.2 * (0.6 + 0.029 / 45), 1e-9);
    EXPECT_EQ(marks.corrected, 0b011);
    EXPECT_EQ(marks.failed, -1);
    double lat_back = 0, lon_back = 0;
    ASSERT_EQ(undo_corrections(files, lat_out, lon_out, lat_back, lon_back, marks), 0);
    EXPECT_NEAR(lat_back, lat, 1e-10);
    EXPECT_NEAR(lon_back, lon, 1e-10);
    EXPECT_EQ(marks.corrected, 0b011);

    // Where the first file moves the point into a cell the second only half
    // covers, the second stops it and is named.
    const double edge_lat = row_lat(R) + 0.02 * SEC;
    ASSERT_EQ(apply_corrections(files, edge_lat, col_lon(C + 1.5), lat_out, lon_out, marks), 1);
    EXPECT_EQ(marks.failed, 1);
    // Undone, the last file is the first to stop a point, and is named.
    EXPECT_EQ(undo_corrections(files, row_lat(R + 39.5), col_lon(C + 39.5), lat_back, lon_back, marks), 1);
    EXPECT_EQ(marks.failed, 2);
}

TEST(CorrectedPoints, RoundTripOnThePlaneOverLandAndSeaOfTheSampleGrids) {
    RecordingFeedback ui;
    ParamTable land, sea;
    std::string version;
    create_param_table(land, LAND_TABLE_CAPACITY);
    create_param_table(sea, SEA_TABLE_CAPACITY);
    ASSERT_EQ(read_land_param_file(ui, 1, EXAMPLES + "sample_land.par", version, land), 0);
    ASSERT_EQ(read_sea_param_file(ui, 1, EXAMPLES + "sample_sea.jhd", version, sea), 0);
    std::vector<CorrectionGrid> files(1);
    ASSERT_EQ(read_correction_file(ui, EXAMPLES + "sample_correction.par", files[0]), 0);
    const GridSet corrected{land, sea, files};
    const GridSet plain{land, sea};

    int counts[2][2] = {};  // [grid][corrected]
    int stopped = 0;
    constexpr int ZONE = 9;
    for (double x = -110000; x <= 0; x += 2500) {
        for (double y = -30000; y <= 50000; y += 2500) {
            PointResult p, q, back;
            const int shifted = tokyo_to_jgd_point(plain, ZONE, x, y, p);
            const int done = tokyo_to_jgd_point(corrected, ZONE, x, y, q);
            if (shifted != 0) {
                EXPECT_EQ(done, 1);
                continue;
            }
            if (done != 0) {
                // Only a correction can stop a point the shift converted.
                EXPECT_EQ(q.corrections.failed, 0);
                ++stopped;
                continue;
            }
            const bool is_corrected = q.corrections.corrected == 1;
            ++counts[q.source == GridKind::land ? 0 : 1][is_corrected ? 1 : 0];
            EXPECT_EQ(q.source, p.source);
            EXPECT_TRUE(is_corrected || (q.x_out == p.x_out && q.y_out == p.y_out)) << x << " " << y;
            // Near the grids' north edge the inverse shift's first guess
            // leaves them, with or without corrections.
            PointResult plain_back;
            if (jgd_to_tokyo_point(plain, ZONE, p.x_out, p.y_out, plain_back) != 0) continue;
            ASSERT_EQ(jgd_to_tokyo_point(corrected, ZONE, q.x_out, q.y_out, back), 0) << x << " " << y;
            EXPECT_EQ(back.corrections.corrected, q.corrections.corrected);
            EXPECT_NEAR(back.x_out, x, 1e-4);
            EXPECT_NEAR(back.y_out, y, 1e-4);
        }
    }
    // The lattice reaches every kind of point.
    EXPECT_TRUE(counts[0][0] > 0 && counts[0][1] > 0 && counts[1][0] > 0 && counts[1][1] > 0 && stopped > 0);
}
