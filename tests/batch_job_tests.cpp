// Whole runs over files: what lands in the output, the log and the map file,
// what the user is told, and that no run ever damages an input.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch/job.h"
#include "batch/run_files.h"
#include "grids/param_file.h"
#include "recording_feedback.h"
#include "scratch_files.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const fs::path SOURCE_DIR = PELLOWEN_SOURCE_DIR;
const char* const CLOSING_CLEAN = "変換は無事終了しました、変換条件の内容を表示しますので必ず確認してください !!";
const char* const CLOSING_WITH_ERRORS = "変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!";

using scratch::read_bytes;
using scratch::write_bytes;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Each test runs in a fresh folder holding copies of the examples, so that
// the log shows short relative paths.
class ConversionRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RecordingFeedback ui;
        std::string version;
        ASSERT_EQ(grids::create_param_table(land_, grids::LAND_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::create_param_table(sea_, grids::SEA_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::read_land_param_file(ui, 1, (SOURCE_DIR / "examples/sample_land.par").string(), version, land_), 0);
        ASSERT_EQ(grids::read_sea_param_file(ui, 1, (SOURCE_DIR / "examples/sample_sea.jhd").string(), version, sea_), 0);
    }

    void SetUp() override {
        // A folder of this run's own: runs of the tests side by side never share one.
        static const std::string run_folder = "pellowen_job_" + std::to_string(std::random_device{}());
        dir_ = fs::temp_directory_path() / run_folder / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const char* name : {"sample.sim", "sample_jgd.sim", "sample_xy.csv", "sample_land.par", "sample_sea.jhd",
                                 "sample_correction.par", "sample_height.par"}) {
            fs::copy_file(SOURCE_DIR / "examples" / name, dir_ / name);
        }
        old_dir_ = fs::current_path();
        fs::current_path(dir_);
        job_ = {.direction = batch::Direction::tokyo_to_jgd, .zone = 9, .decimals = 3,
                .in_file_type = batch::InputType::sima, .out_file_type = batch::OutputType::sima, .in_file = "sample.sim", .out_file = "out.sim",
                .para_file = "sample_land.par", .para_version = "S1.00", .parak_file = "sample_sea.jhd",
                .parak_version = "S1.00", .correction_files = {}, .correction_titles = {}};
    }

    void TearDown() override {
        fs::current_path(old_dir_);
        fs::remove_all(dir_);
        std::error_code ec;
        fs::remove(dir_.parent_path(), ec);  // the run's folder, once empty
    }

    // Reads the correction files named into the job.
    void use_corrections(const std::vector<std::string>& names) {
        corrections_.assign(names.size(), {});
        job_.correction_files = names;
        job_.correction_titles.clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(grids::read_correction_file(ui_, names[i], corrections_[i]), 0) << names[i];
            job_.correction_titles.push_back(corrections_[i].title);
        }
    }

    int run() {
        error_flag_ = -1;
        return batch::run_conversion(ui_, job_, {land_, sea_, corrections_}, error_flag_);
    }

    std::string expected(const char* name) { return read_bytes(SOURCE_DIR / "tests/data" / name); }

    static inline grids::ParamTable land_;
    static inline grids::ParamTable sea_;
    fs::path dir_;
    fs::path old_dir_;
    batch::ConversionJob job_;
    std::vector<grids::CorrectionGrid> corrections_;
    RecordingFeedback ui_;
    int error_flag_ = -1;
};

}  // namespace

// Whole runs compared with the expected files in tests/data: outputs, logs
// (an XYBL output is its own) and map files, with and without correction
// files; the heights come back on the way back. mixed.csv adds to the
// sample points one just south of the correction file's area (half its
// nodes listed), a name of awkward bytes (quote, backslash, tab, markup, a
// 0x5C second byte, bytes no CP932 text has), a point off the Earth and an
// unreadable one; far.par lies where no point is.
TEST_F(ConversionRun, OutputsLogsAndMapsByteForByte) {
    write_bytes("far.par", "FAR C0.1\r\nMeshCode dB(sec) dL(sec)\r\n64414277  0.01  0.01\r\n");
    write_bytes("mixed.csv", read_bytes("sample_xy.csv") + "縁1,-84052.027,4653.351\r\n"
                "q\"uo\\te\t<b>表\x85" "A\x80\x81,-60975.196,-25716.974\r\noff,15000000,0\r\n"
                "unreadable,-6O975.196,-25716.974\r\n");
    const auto FORWARD = batch::Direction::tokyo_to_jgd;
    const auto BACK = batch::Direction::jgd_to_tokyo;
    const std::vector<std::string> NONE, TWO = {"sample_correction.par", "far.par"},
                                         HEIGHTS = {"sample_correction.par", "sample_height.par"};
    struct Case {
        batch::Direction direction;
        int decimals;
        std::string in, out;
        std::vector<std::string> corrections;
        const char *expected_out, *expected_log, *expected_map;
        bool all_converted = false;
    };
    const Case cases[] = {
        {FORWARD, 3, "sample.sim", "out.sim", NONE, "forward_sima.sim", "forward_sima_Log.txt", nullptr},
        {BACK, 3, "sample_jgd.sim", "back.sim", NONE, nullptr, "reverse_sima_Log.txt", nullptr},
        {FORWARD, 3, "sample_xy.csv", "out.txt", NONE, nullptr, "forward_xybl.txt", nullptr},
        {BACK, 8, "sample_jgd.sim", "back.sim", NONE, nullptr, "reverse_sima_8_Log.txt", nullptr},
        {FORWARD, 3, "mixed.csv", "mixed.txt", TWO, nullptr, "forward_corrected.txt", "forward_corrected_map.geojson"},
        {FORWARD, 8, "sample.sim", "out.sim", HEIGHTS, "forward_heights.sim", "forward_heights_Log.txt",
         "forward_heights_map.geojson"},
        {BACK, 3, "out.sim", "back.sim", HEIGHTS, nullptr, "reverse_heights_Log.txt", "reverse_heights_map.geojson", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected_log);
        job_.direction = c.direction;
        job_.decimals = c.decimals;
        job_.in_file = c.in;
        job_.in_file_type = c.in.ends_with(".sim") ? batch::InputType::sima : batch::InputType::xy;
        job_.out_file = c.out;
        const bool sima_out = c.out.ends_with(".sim");
        job_.out_file_type = sima_out ? batch::OutputType::sima : batch::OutputType::xybl;
        job_.write_map = c.expected_map != nullptr;
        use_corrections(c.corrections);
        const std::string stem = c.out.substr(0, c.out.find('.'));
        fs::remove(stem + "_Log.txt");
        fs::remove(stem + "_map.geojson");
        ui_ = RecordingFeedback();
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(error_flag_, c.all_converted ? 0 : 1);
        const std::string log = sima_out ? stem + "_Log.txt" : c.out;
        EXPECT_EQ(read_bytes(log), expected(c.expected_log));
        EXPECT_EQ(fs::exists(stem + "_Log.txt"), sima_out);
        if (c.expected_out != nullptr) {
            EXPECT_EQ(read_bytes(c.out), expected(c.expected_out));
        }
        // A map file only when asked for, and JSON, which has no NaN.
        EXPECT_EQ(fs::exists(stem + "_map.geojson"), job_.write_map);
        if (job_.write_map) {
            const std::string map = read_bytes(stem + "_map.geojson");
            EXPECT_EQ(map, expected(c.expected_map));
            EXPECT_TRUE(nlohmann::json::accept(map));
        }
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0], c.all_converted ? std::pair(std::string(CLOSING_CLEAN), std::string("終了"))
                                                   : std::pair(std::string(CLOSING_WITH_ERRORS), std::string("Error")));
        EXPECT_EQ(ui_.opened, std::vector<std::string>{log});
        // The third point is the third coordinate record, whatever its line.
        EXPECT_EQ(ui_.statuses.at(2).substr(0, 2), "3 ");
    }
}

// Inputs as they come from instruments, old software and half-copied files:
// what is written, what the user is told, and the input left as it was.
TEST_F(ConversionRun, InputsOfEveryKind) {
    const std::string P1 = "A01,1,P1,-60975.196,-25716.974,1.0,";
    const std::string OUT = "A01,1,P1,  -60621.549,  -26014.528,", P1_OUT = OUT + "1.0,";
    const std::string XY_FAILED = "  <3ﾊﾟﾗないし範囲外で変換できず>\r\n";
    const std::string start = "A01,1,P1,-60975.196,-25716.974,";
    const std::string filler(65536 - start.size(), 'h');  // a record of 65536 bytes
    struct Case {
        const char* what;
        batch::InputType in_type;
        batch::OutputType out_type;
        std::string input;
        int result, error_flag;
        std::string message;  // the first one shown, or the closing one
        std::string written;  // SIMA output, or the XYBL lines after the header
    };
    const auto SIMA_IN = batch::InputType::sima;
    const auto XY = batch::InputType::xy;
    const auto SIMA = batch::OutputType::sima;
    const auto XYBL = batch::OutputType::xybl;
    const std::string P1_XYBL = "P1," + std::string(12, ' ') +
                                "    -60975.196,    -25716.974,     35-26-59.9999,    139-32-59.9999,"
                                "      -60621.549,    -26014.528,     35-27-11.6583,    139-32-48.2801,"
                                "  <国土地理院で変換>\r\n";
    const Case cases[] = {
        {"empty input", SIMA_IN, SIMA, "", 0, 0, CLOSING_CLEAN, ""},
        // XY points are numbered; comments and empty lines are no points.
        {"XY to SIMA", XY, SIMA, "# name,X,Y\r\n\r\nP1,-60975.196,-25716.974\r\n#\r\nP2,-11087.233,10530.052,extra\r\n",
         0, 0, CLOSING_CLEAN, OUT + ",\r\nA01,2,P2,  -10726.697,   10237.957,,\r\n"},
        // Lines that are no records have no place in an XYBL output.
        {"SIMA to XYBL", SIMA_IN, XYBL, "G00,x\r\n" + P1 + "\r\nZ00\r\n", 0, 0, CLOSING_CLEAN, P1_XYBL},
        {"lone CR line ends", SIMA_IN, SIMA, "G00,x\r\r" + P1 + "\rZ00\r", 0, 0, CLOSING_CLEAN,
         "G00,x\r\n\r\n" + P1_OUT + "\r\nZ00\r\n"},
        {"DOS end of file", SIMA_IN, SIMA, P1 + "\r\n\x1a" "A01,2,Q,0,0,\r\n", 0, 0, CLOSING_CLEAN, P1_OUT + "\r\n"},
        {"NUL bytes in fields", SIMA_IN, SIMA, "A01,1\0X,AB\0CD,-60975.196,-25716.974,12\0.5\r\nZ\0Z\r\n"s, 0, 0,
         CLOSING_CLEAN, "A01,1\0X,AB\0CD,  -60621.549,  -26014.528,12\0.5,\r\nZ\0Z\r\n"s},
        {"long line that is no record", SIMA_IN, SIMA, "C00," + std::string(200000, 'c') + "\r\n" + P1 + "\r\n", 0, 0,
         CLOSING_CLEAN, "C00," + std::string(200000, 'c') + "\r\n" + P1_OUT + "\r\n"},
        {"longest record", SIMA_IN, SIMA, start + filler + "\r\n", 0, 0, CLOSING_CLEAN,
         OUT + filler + ",\r\n"},
        {"longest record, last and with no line end", SIMA_IN, SIMA, start + filler, 0, 0, CLOSING_CLEAN,
         OUT + filler + ",\r\n"},
        {"record too long", SIMA_IN, SIMA, "G00\r\n" + start + "x" + filler + "\r\n" + P1, 1, 1,
         "in.sim 読込みｴﾗｰ !! 2行目が65536ﾊﾞｲﾄを超えています", "G00\r\n"},
        {"long note in XY to SIMA", XY, SIMA, "#" + std::string(70000, 'c') + "\r\nP1,-60975.196,-25716.974\r\n", 0, 0,
         CLOSING_CLEAN, OUT + ",\r\n"},
        {"point line too long", XY, XYBL, "#" + std::string(70000, 'c') + "\r\nP" + std::string(70000, 'p'), 1, 1,
         "in.sim 読込みｴﾗｰ !! 2行目が65536ﾊﾞｲﾄを超えています", ""},
        {"huge and overflowing coordinates", SIMA_IN, SIMA, "A01,1,P,12345678901,0,\r\nA01,2,Q,1e999,0,\r\n", 0, 1,
         CLOSING_WITH_ERRORS, ""},
        {"no position for a point out of reach", XY, XYBL, "P,1e999,5\r\n", 0, 1, CLOSING_WITH_ERRORS,
         "P,               ************,         5.000,   ****-**-**.****,   ****-**-**.****," + XY_FAILED},
        // A spreadsheet's missing value is no coordinate, never the origin.
        {"NaN and infinity fields", XY, XYBL, "P,NaN,5\r\nQ,-60975.196,-Infinity\r\n", 0, 1, CLOSING_WITH_ERRORS,
         "P,               ************,         5.000,   ****-**-**.****,   ****-**-**.****," + XY_FAILED +
             "Q,                 -60975.196,  ************,   ****-**-**.****,   ****-**-**.****," + XY_FAILED},
    };
    for (const Case& c : cases) {
        write_bytes("in.sim", c.input);
        job_.in_file = "in.sim";
        job_.in_file_type = c.in_type;
        job_.out_file_type = c.out_type;
        job_.out_file = c.out_type == SIMA ? "out.sim" : "out.txt";
        ui_ = RecordingFeedback();
        EXPECT_EQ(run(), c.result) << c.what;
        EXPECT_EQ(error_flag_, c.error_flag) << c.what;
        ASSERT_FALSE(ui_.messages.empty()) << c.what;
        EXPECT_EQ(ui_.messages[0].first, c.message) << c.what;
        std::string written = read_bytes(job_.out_file);
        for (int line = 0; c.out_type == XYBL && line < 9; ++line) written.erase(0, written.find('\n') + 1);
        // Compared whole, shown in part: some are long.
        EXPECT_TRUE(written == c.written) << c.what << ": " << written.substr(0, 300);
        EXPECT_TRUE(read_bytes("in.sim") == c.input) << c.what;
        const std::string log = read_bytes(c.out_type == SIMA ? "out_Log.txt" : "out.txt");
        EXPECT_TRUE(log.find("nan") == log.npos && log.find("inf") == log.npos) << c.what;
    }
}

// A coordinate field is one number, blanks around it aside, or the point is
// not converted. Each X or Y text stands for -11087.233 or 10530.052 (a land
// point) when it is a number, in SIMA and XY input.
TEST_F(ConversionRun, CoordinatesThatAreNoNumberAreNeverConverted) {
    struct Case { const char* x; const char* y; bool readable; };
    const Case cases[] = {
        {" -11087.233 ", "\t10530.052\t", true},
        {"-1.1087233E4", "+10530.052", true},
        {"-.11087233e+5", "1.0530052e4", true},
        {"-11087.", "10530.", true},  // a point without decimals: still its place
        {"-11087.233", "", false},      // Y left blank: today it would be 0
        {"-11087.233", "   ", false},
        {"-11O87.233", "10530.052", false},  // a letter O typed for a zero
        {"-11087.233m", "10530.052", false},
        {"-11087.233", "10530 052", false},
        {"-11087.233.1", "10530.052", false},
        {"\"-11087.233\"", "10530.052", false},
        {"-11087.233", "0x1A", false},
        {"-11087.233", "１０５３０", false},  // full-width digits
        {"X", "Y", false},                    // a spreadsheet's header row
        {"-11087.233", "1e", false},
        {"-", "+", false},
    };
    const std::string LAND = "  <国土地理院で変換>";
    const std::string UNREADABLE = "  <座標値が読めず変換できず>";
    for (const auto in_type : {batch::InputType::sima, batch::InputType::xy}) {
        std::string input;
        for (const Case& c : cases) {
            input += in_type == batch::InputType::sima ? "A01,1,P," : "P,";
            input += std::string(c.x) + "," + c.y + (in_type == batch::InputType::sima ? ",1.0,\r\n" : "\r\n");
        }
        write_bytes("in.txt", input);
        job_.in_file = "in.txt";
        job_.in_file_type = in_type;
        job_.out_file_type = batch::OutputType::xybl;
        job_.out_file = "out.txt";
        ui_ = RecordingFeedback();
        ASSERT_EQ(run(), 0);
        EXPECT_EQ(error_flag_, 1);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].first, CLOSING_WITH_ERRORS);
        const std::vector<std::string> in_lines = lines_of(input);
        const std::vector<std::string> out = lines_of(read_bytes("out.txt"));
        ASSERT_EQ(out.size(), 9 + std::size(cases));
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const std::string& line = out[9 + i];
            SCOPED_TRACE(in_lines[i]);
            EXPECT_TRUE(line.ends_with(cases[i].readable ? LAND : UNREADABLE)) << line;
            // No latitude or longitude is given for a point whose place is unknown.
            EXPECT_EQ(line.find("****-**-**.****") != std::string::npos, !cases[i].readable) << line;
        }
        // X and Y as their leading numbers read, as before.
        EXPECT_EQ(out[9 + 4], "P,                 -11087.233,         0.000,   ****-**-**.****,   ****-**-**.****," + UNREADABLE);
        EXPECT_EQ(out[9 + 6], "P,                    -11.000,     10530.052,   ****-**-**.****,   ****-**-**.****," + UNREADABLE);
    }
}

// Files that cannot be used: a run refused before it wrote anything shows
// its message alone (no editor: the "log" may be a grid); one stopped after
// its log was begun also the closing message and the log. No input is touched.
TEST_F(ConversionRun, FilesThatCannotBeUsedEndWithTheirMessage) {
    const std::string long_name = std::string(251, 'n') + ".txt";  // 255 bytes
    fs::create_symlink("/dev/full", "full.sim");
    write_bytes("x_Log.txt", "A01,1,P,0,0,\r\n");
    write_bytes("x_map.geojson", "P1,-60975.196,-25716.974\r\n");
    // A SIMA file saved as UTF-8 with its mark, an XY file as Notepad's "Unicode".
    write_bytes("bom.sim", "\xEF\xBB\xBF" "A01,1,P1,-60975.196,-25716.974,1.0,\r\n");
    std::string utf16 = "\xFF\xFE";
    for (char ch : "P1,-60975.196,-25716.974\r\n"s) utf16 += {ch, '\0'};
    write_bytes("utf16.csv", utf16);
    const std::string inputs[] = {"sample.sim", "sample_land.par", "sample_sea.jhd", "x_Log.txt", "x_map.geojson",
                                  "bom.sim", "utf16.csv"};
    std::string before;
    for (const std::string& name : inputs) before += read_bytes(name);
    const auto folder = [] {
        std::set<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
        return names;
    };
    const std::set<std::string> folder_before = folder();
    struct Case { const char* in; std::string out; batch::OutputType out_type; int result; std::string message; int files_made; bool map = false; };
    const auto SIMA = batch::OutputType::sima;
    const auto XYBL = batch::OutputType::xybl;
    const char* const OVER = " 入力ﾌｧｲﾙを上書きしてしまいます !!";
    const char* const IN_UNICODE =
        " はUnicode(UTF-8/UTF-16)で保存されています、Shift_JIS(CP932)で保存し直してください !!";
    const std::string land_again = "../FilesThatCannotBeUsedEndWithTheirMessage/sample_land.par";
    const Case cases[] = {
        {"missing.sim", "out.sim", SIMA, 1, "missing.sim SIMA入力ﾌｧｲﾙ Open Error !!", 0},
        {"bom.sim", "out.sim", SIMA, 1, "bom.sim"s + IN_UNICODE, 0},
        {"utf16.csv", "out.txt", XYBL, 1, "utf16.csv"s + IN_UNICODE, 0},
        {"sample.sim", land_again, XYBL, 1, land_again + OVER, 0},
        {"sample.sim", "sample_sea.jhd", XYBL, 1, "sample_sea.jhd"s + OVER, 0},
        {"x_Log.txt", "x.sim", SIMA, 1, "x_Log.txt"s + OVER, 0},  // its log would be the input
        {"x_map.geojson", "x.txt", XYBL, 1, "x_map.geojson"s + OVER, 0, true},  // its map would be the input
        // A place nobody may create files in, root included.
        {"sample.sim", "/proc/out.txt", XYBL, 1, "/proc/out.txt Errorlog ﾌｧｲﾙ Open Error !!", 0},
        // Opens, but reading it fails at once.
        {"/proc/self/mem", "out.sim", SIMA, 1, "/proc/self/mem 読込みｴﾗｰ !!", 2},
        {"sample.sim", "full.sim", SIMA, 1, "full.sim 書込みｴﾗｰ !!", 1},
        // An XYBL output is its own log: only its own length counts.
        {"sample.sim", long_name, XYBL, 0, CLOSING_WITH_ERRORS, 1},
        {"sample.sim", long_name, SIMA, 1, "ﾛｸﾞﾌｧｲﾙの作成に失敗 !!", 0},
    };
    for (const Case& c : cases) {
        job_.in_file = c.in;
        job_.in_file_type = std::string_view(c.in).ends_with(".csv") ? batch::InputType::xy : batch::InputType::sima;
        job_.out_file = c.out;
        job_.out_file_type = c.out_type;
        job_.write_map = c.map;
        ui_ = RecordingFeedback();
        EXPECT_EQ(run(), c.result) << c.in << " " << c.out;
        int made = 0;
        for (const std::string& name : folder()) {
            if (folder_before.count(name) == 0 && fs::remove(name)) ++made;
        }
        EXPECT_EQ(made, c.files_made) << c.in << " " << c.out;
        EXPECT_EQ(error_flag_, 1);
        ASSERT_FALSE(ui_.messages.empty());
        EXPECT_EQ(ui_.messages[0], std::pair(c.message, std::string("Error"))) << c.in << " " << c.out;
        // Read and write errors come after the log was begun.
        const bool logged = c.files_made > 0;
        EXPECT_EQ(ui_.messages.size(), logged && c.result == 1 ? 2u : 1u) << c.in << " " << c.out;
        EXPECT_EQ(ui_.messages.back().first, logged ? std::string(CLOSING_WITH_ERRORS) : c.message);
        EXPECT_EQ(ui_.opened.size(), logged ? 1u : 0u) << c.in << " " << c.out;
        std::string after;
        for (const std::string& name : inputs) after += read_bytes(name);
        EXPECT_TRUE(after == before) << c.in << " " << c.out;
    }
}

// Thousands of points over both threads and reused batches write what runs
// too short for a second thread write: a first batch of notes then points,
// points mixed with notes and failures, a long note that ends a batch.
TEST_F(ConversionRun, ThousandsOfPointsAsShortRunsWriteThem) {
    std::mt19937 random(13);
    std::uniform_real_distribution<double> x(-105000, 5000), y(-36000, 60000);  // the grids and around them
    int number = 0;
    const auto point = [&] {
        char text[96];
        ++number;
        std::snprintf(text, sizeof text, "A01,%d,P%d,%.3f,%.3f,%d.5,\r\n", number, number, x(random), y(random),
                      number % 50);
        return std::string(text);
    };
    std::vector<std::string> lines;
    for (int i = 0; i < 2048; ++i) lines.push_back("C00,note " + std::to_string(i) + "\r\n");
    for (int i = 0; i < 2048; ++i) lines.push_back(point());
    for (int i = 0; i < 5001; ++i) {
        lines.push_back(i % 7 == 3 ? "Z00,\r\n" : point());
        if (i == 2500) lines.push_back("C00," + std::string(1100000, 'c') + "\r\n");
    }
    const std::string BANNER =
        "*********************************************************************\r\n変換エラー\r\n"
        "以下に表示された座標は3パラメータないし他の原因で変換出来ませんでした\r\n"
        "*********************************************************************\r\n";
    const auto log_body = [](std::string log) {
        for (int line = 0; line < 9; ++line) log.erase(0, log.find('\n') + 1);
        return log;
    };
    job_.in_file = "in.sim";
    for (batch::Direction direction : {batch::Direction::tokyo_to_jgd, batch::Direction::jgd_to_tokyo}) {
        job_.direction = direction;
        std::string input;
        for (const std::string& l : lines) input += l;
        write_bytes("in.sim", input);
        std::string log_path = "out_Log.txt";
        int error_flag = -1;
        ASSERT_EQ(batch::convert_file(ui_, job_, {land_, sea_}, log_path, error_flag), 0);
        EXPECT_EQ(error_flag, 1);
        const std::string output = read_bytes("out.sim"), log = read_bytes("out_Log.txt");
        // The same lines, a hundred at a time.
        std::string expected_output, expected_log = log.substr(0, log.size() - log_body(log).size());
        bool banner_written = false;
        for (std::size_t from = 0; from < lines.size(); from += 100) {
            std::string part;
            for (std::size_t i = from; i < std::min(lines.size(), from + 100); ++i) part += lines[i];
            write_bytes("in.sim", part);
            ASSERT_EQ(batch::convert_file(ui_, job_, {land_, sea_}, log_path, error_flag), 0);
            expected_output += read_bytes("out.sim");
            std::string body = log_body(read_bytes("out_Log.txt"));
            const std::size_t banner = body.find(BANNER);
            if (banner != std::string::npos && banner_written) body.erase(banner, BANNER.size());
            banner_written = banner_written || banner != std::string::npos;
            expected_log += body;
        }
        ASSERT_TRUE(banner_written);
        EXPECT_TRUE(output == expected_output) << "direction " << static_cast<int>(direction);
        EXPECT_TRUE(log == expected_log) << "direction " << static_cast<int>(direction);
    }
}

// Batches reuse their storage: a point outside both grids where, in the
// batch before, a point stopped by a correction file stood has its own
// mark. The first point's JGD2000 position lies in the cell row just south
// of the correction file's area, where half the nodes are listed.
TEST_F(ConversionRun, EachPointOfABatchHasItsOwnCorrectionMarks) {
    use_corrections({"sample_correction.par"});
    std::string many = "縁2,-84052.027,4653.351\r\n";
    for (int i = 0; i < 4095; ++i) many += "P,-60975.196,-25716.974\r\n";
    write_bytes("many.csv", many + "外1,5548.885,6005.798\r\n");
    job_.in_file = "many.csv";
    job_.in_file_type = batch::InputType::xy;
    job_.out_file_type = batch::OutputType::xybl;
    job_.out_file = "many.txt";
    ASSERT_EQ(run(), 0);
    const std::vector<std::string> lines = lines_of(read_bytes("many.txt"));
    EXPECT_TRUE(lines[11].ends_with("  <補正1のﾊﾟﾗﾒｰﾀ不足で変換できず>")) << lines[11];
    EXPECT_TRUE(lines.back().ends_with("  <3ﾊﾟﾗないし範囲外で変換できず>")) << lines.back();
}

namespace {

// A height file over the sample region (35N..36N, 139.5E..140.5E): one dH in
// metres at every node.
std::string height_file(double dH) {
    std::string text = "TEST-HEIGHT H1.00\r\nMeshCode   dH(m)     0.00000\r\n";
    for (int row = 35 * 120; row <= 36 * 120; ++row) {
        for (int col = 395 * 8; col <= 405 * 8; ++col) {
            char line[64];
            const int code = (row / 80) * 1000000 + (col / 80) * 10000 + (row / 10 % 8) * 1000 +
                             (col / 10 % 8) * 100 + (row % 10) * 10 + col % 10;
            std::snprintf(line, sizeof line, "%08d %9.5f   0.00000\r\n", code, dH);
            text += line;
        }
    }
    return text;
}

}  // namespace

// Heights through height files: a plain decimal height corrected and written
// to its own decimals (at least millimetres); any other text kept, marked.
TEST_F(ConversionRun, HeightFilesCorrectPlainHeightsInTheirOrder) {
    write_bytes("plus.par", height_file(0.12345));
    write_bytes("minus.par", height_file(-0.02));
    use_corrections({"sample_correction.par", "plus.par", "minus.par"});
    struct Case { const char* height; const char* written; };
    const Case cases[] = {
        {"12.3", "12.403"},      // at least millimetres
        {"7.12345", "7.22690"},  // its own five decimals
        {"-0.5", "-0.397"}, {"100", "100.103"}, {" 5.2", "5.303"}, {"-.5", "-0.397"}, {"+1.5", "1.603"},
        {"5.", "5.103"},
        // No plain height: kept byte for byte, no file applies to it.
        {"", nullptr}, {"   ", nullptr}, {"abc", nullptr}, {"1e3", nullptr}, {"12.3m", nullptr}, {"1.2.3", nullptr},
        {".", nullptr}, {"-", nullptr}, {"1 2", nullptr}, {"nan", nullptr}, {"１２", nullptr},
    };
    std::string input = "G00,heights\r\n";
    for (const Case& c : cases) input += "A01,2,P,-11087.233,10530.052," + std::string(c.height) + ",\r\n";
    write_bytes("in.sim", input);
    job_.in_file = "in.sim";
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(error_flag_, 0);  // points without a height are no failure
    const std::vector<std::string> out = lines_of(read_bytes("out.sim"));
    const std::vector<std::string> log = lines_of(read_bytes("out_Log.txt"));
    ASSERT_EQ(out.size(), 1 + std::size(cases));
    ASSERT_EQ(log.size(), 9 + 6 + std::size(cases));
    const std::string head = "A01,2,P,  -10727.280,   10239.406,";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.height);
        const std::string height = c.written != nullptr ? c.written : c.height;
        EXPECT_EQ(out[1 + i], head + height + ",");
        EXPECT_EQ(log[15 + i], head + height + "," + "  <国土地理院で変換>  " +
                                  (c.written != nullptr ? "<補正1済 補正2済 補正3済>" : "<補正1済 補正2標高なし 補正3標高なし>"));
    }

    // Outside every height file's area.
    write_bytes("far.par", "T\r\nMeshCode dH(m)\r\n64414277 0.1\r\n");
    use_corrections({"sample_correction.par", "far.par"});
    write_bytes("in.sim", "A01,2,P,-11087.233,10530.052, 5.2,\r\n");
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(read_bytes("out.sim"), head + " 5.2,\r\n");
    EXPECT_EQ(lines_of(read_bytes("out_Log.txt")).back(), head + " 5.2,  <国土地理院で変換>  <補正1済 補正2範囲外>");
}
