// Whole runs over files: what lands in the output and the log, what the user
// is told, and that no run ever damages an input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "batch/job.h"
#include "grids/param_file.h"
#include "recording_feedback.h"

namespace fs = std::filesystem;

namespace {

const fs::path SOURCE_DIR = PELLOWEN_SOURCE_DIR;

std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_bytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

const char* const CLOSING_CLEAN = "変換は無事終了しました、変換条件の内容を表示しますので必ず確認してください !!";
const char* const CLOSING_WITH_ERRORS = "変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!";

// Each test runs in a fresh folder holding copies of the examples, so that
// the log shows short relative paths.
class ConversionRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RecordingFeedback ui;
        std::string version;
        ASSERT_EQ(grids::create_param_table(gsi_, grids::GSI_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::create_param_table(jcg_, grids::JCG_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::read_gsi_param_file(ui, 1, (SOURCE_DIR / "examples/sample_land.par").string(), version, gsi_), 0);
        ASSERT_EQ(grids::read_jcg_param_file(ui, 1, (SOURCE_DIR / "examples/sample_sea.jhd").string(), version, jcg_), 0);
    }

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("pellowen_job_") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const char* name : {"sample.sim", "sample_jgd.sim", "sample_xy.csv", "sample_land.par", "sample_sea.jhd"}) {
            fs::copy_file(SOURCE_DIR / "examples" / name, dir_ / name);
        }
        old_dir_ = fs::current_path();
        fs::current_path(dir_);
        job_.direction = 0;
        job_.zone = 9;
        job_.decimals = 3;
        job_.in_file_type = batch::FILE_TYPE_SIMA;
        job_.out_file_type = batch::FILE_TYPE_SIMA;
        job_.in_file = "sample.sim";
        job_.out_file = "out.sim";
        job_.para_file = "sample_land.par";
        job_.para_version = "S1.00";
        job_.parak_file = "sample_sea.jhd";
        job_.parak_version = "S1.00";
    }

    void TearDown() override {
        fs::current_path(old_dir_);
        fs::remove_all(dir_);
    }

    int run() {
        error_flag_ = -1;
        return batch::run_conversion(ui_, job_, gsi_, jcg_, error_flag_);
    }

    std::string expected(const char* name) { return read_bytes(SOURCE_DIR / "tests/data" / name); }

    static grids::ParamTable gsi_;
    static grids::ParamTable jcg_;
    fs::path dir_;
    fs::path old_dir_;
    batch::ConversionJob job_;
    RecordingFeedback ui_;
    int error_flag_ = -1;
};

grids::ParamTable ConversionRun::gsi_;
grids::ParamTable ConversionRun::jcg_;

}  // namespace

TEST_F(ConversionRun, SimaFileToJgd2000WritesOutputAndLogByteForByte) {
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(error_flag_, 1);  // two points lie outside both grids
    EXPECT_EQ(read_bytes("out.sim"), expected("forward_sima.sim"));
    EXPECT_EQ(read_bytes("out_Log.txt"), expected("forward_sima_Log.txt"));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].first, CLOSING_WITH_ERRORS);
    EXPECT_EQ(ui_.messages[0].second, "Error");
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0], "out_Log.txt");
    // The third coordinate record is the third point, whatever its line.
    EXPECT_EQ(ui_.statuses[2].substr(0, 2), "3 ");
}

TEST_F(ConversionRun, ReverseRunReturnsTheOriginalTokyoCoordinates) {
    job_.direction = 1;
    job_.in_file = "sample_jgd.sim";
    job_.out_file = "back.sim";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(read_bytes("back_Log.txt"), expected("reverse_sima_Log.txt"));
    // Every converted record carries the coordinates the forward run started
    // from (sample_jgd.sim holds the forward run's own rounded output).
    std::istringstream original(read_bytes("sample.sim"));
    std::istringstream back(read_bytes("back.sim"));
    std::string a, b;
    int compared = 0;
    while (std::getline(back, b)) {
        if (b.rfind("A01", 0) != 0) continue;
        while (std::getline(original, a) && a.substr(0, a.find(',', 4)) != b.substr(0, b.find(',', 4))) {
        }
        const double xa = std::stod(a.substr(a.find(',', a.find(',', 4) + 1) + 1));
        const double xb = std::stod(b.substr(b.find(',', b.find(',', 4) + 1) + 1));
        EXPECT_NEAR(xa, xb, 0.0015) << b;  // within the rounding of both outputs
        ++compared;
    }
    EXPECT_EQ(compared, 10);
}

TEST_F(ConversionRun, XyTextToXyblIsItsOwnLog) {
    job_.in_file_type = batch::FILE_TYPE_XY;
    job_.out_file_type = batch::FILE_TYPE_XYBL;
    job_.in_file = "sample_xy.csv";
    job_.out_file = "out.txt";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(read_bytes("out.txt"), expected("forward_xybl.txt"));
    EXPECT_FALSE(fs::exists("out_Log.txt"));
    EXPECT_EQ(ui_.opened, std::vector<std::string>{"out.txt"});
}

TEST_F(ConversionRun, XyTextToSimaNumbersThePointsAndLeavesHeightsEmpty) {
    write_bytes("in.txt", "# name,X,Y\r\n\r\nP1,-60975.196,-25716.974\r\n#\r\nP2,-11087.233,10530.052,extra\r\n");
    job_.in_file_type = batch::FILE_TYPE_XY;
    job_.in_file = "in.txt";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(error_flag_, 0);
    EXPECT_EQ(read_bytes("out.sim"),
              "A01,1,P1,  -60621.549,  -26014.528,,\r\n"
              "A01,2,P2,  -10726.697,   10237.957,,\r\n");
    // Comments and the empty line are neither counted nor converted.
    ASSERT_EQ(ui_.statuses.size(), 2u);
    EXPECT_EQ(ui_.statuses[0], "1 P1,-60975.196,-25716.974\n");
    EXPECT_EQ(ui_.messages.back().first, CLOSING_CLEAN);
    EXPECT_EQ(ui_.messages.back().second, "終了");
}

TEST_F(ConversionRun, SimaToXyblWritesOnlyThePoints) {
    job_.out_file_type = batch::FILE_TYPE_XYBL;
    job_.out_file = "out.txt";
    EXPECT_EQ(run(), 0);
    const std::string out = read_bytes("out.txt");
    EXPECT_EQ(out.find("G00"), std::string::npos);
    EXPECT_EQ(out.find("A99"), std::string::npos);
    std::size_t lines = 0;
    for (char c : out) lines += c == '\n';
    EXPECT_EQ(lines, 9u + 12u);
}

TEST_F(ConversionRun, EmptyInputGivesTheHeaderAloneAndACleanEnd) {
    write_bytes("empty.sim", "");
    job_.in_file = "empty.sim";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(error_flag_, 0);
    EXPECT_EQ(read_bytes("out.sim"), "");
    // The header of the sample run, nine lines, naming this input.
    std::string header = expected("forward_sima_Log.txt");
    std::size_t end = 0;
    for (int line = 0; line < 9; ++line) end = header.find('\n', end) + 1;
    header = header.substr(0, end);
    header.replace(header.find("sample.sim"), 10, "empty.sim");
    EXPECT_EQ(read_bytes("out_Log.txt"), header);
    EXPECT_EQ(ui_.messages.back().second, "終了");
}

TEST_F(ConversionRun, LongLinesAreReadWholeNeverInPieces) {
    const std::string name(400, 'N');
    write_bytes("long.sim", "Z00," + std::string(300, 'z') + "\r\nA01,1," + name + ",-60975.196,-25716.974,1.0,\r\n");
    job_.in_file = "long.sim";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(error_flag_, 0);
    EXPECT_EQ(read_bytes("out.sim"), "Z00," + std::string(300, 'z') + "\r\nA01,1," + name +
                                         ",  -60621.549,  -26014.528,1.0,\r\n");
}

TEST_F(ConversionRun, OutputOverAnInputIsRefusedAndTheInputStaysIntact) {
    struct Case { int out_type; const char* in_file; const char* out_file; const char* colliding; };
    write_bytes("out_Log.txt", "A01,1,P,0,0,\r\n");
    const Case cases[] = {
        {batch::FILE_TYPE_SIMA, "sample.sim", "./sample.sim", "./sample.sim"},
        {batch::FILE_TYPE_XYBL, "sample.sim", "../" "pellowen_job_OutputOverAnInputIsRefusedAndTheInputStaysIntact/sample_land.par",
         "../pellowen_job_OutputOverAnInputIsRefusedAndTheInputStaysIntact/sample_land.par"},
        {batch::FILE_TYPE_XYBL, "sample.sim", "sample_sea.jhd", "sample_sea.jhd"},
        // The log of out.sim would be the input.
        {batch::FILE_TYPE_SIMA, "out_Log.txt", "out.sim", "out_Log.txt"},
    };
    for (const Case& c : cases) {
        const std::string before_in = read_bytes(c.in_file);
        const std::string before_land = read_bytes("sample_land.par");
        const std::string before_sea = read_bytes("sample_sea.jhd");
        job_.out_file_type = c.out_type;
        job_.in_file = c.in_file;
        job_.out_file = c.out_file;
        ui_.messages.clear();
        EXPECT_EQ(run(), 1) << c.out_file;
        EXPECT_EQ(error_flag_, 1);
        ASSERT_EQ(ui_.messages.size(), 2u) << c.out_file;
        EXPECT_EQ(ui_.messages[0].first, std::string(c.colliding) + " 入力ﾌｧｲﾙを上書きしてしまいます !!");
        EXPECT_EQ(ui_.messages[0].second, "Error");
        EXPECT_EQ(ui_.messages[1].first, CLOSING_WITH_ERRORS);
        EXPECT_EQ(read_bytes(c.in_file), before_in);
        EXPECT_EQ(read_bytes("sample_land.par"), before_land);
        EXPECT_EQ(read_bytes("sample_sea.jhd"), before_sea);
        EXPECT_FALSE(fs::exists("out.sim"));
    }
}

TEST_F(ConversionRun, AWriteErrorIsReportedAndNeverCalledSuccess) {
    fs::create_symlink("/dev/full", "full.txt");
    job_.out_file_type = batch::FILE_TYPE_XYBL;
    job_.out_file = "full.txt";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(error_flag_, 1);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].first, "full.txt 書込みｴﾗｰ !!");
    EXPECT_EQ(ui_.messages[0].second, "Error");
    EXPECT_EQ(ui_.messages[1].first, CLOSING_WITH_ERRORS);

    fs::create_symlink("/dev/full", "full.sim");
    ui_.messages.clear();
    job_.out_file_type = batch::FILE_TYPE_SIMA;
    job_.out_file = "full.sim";
    EXPECT_EQ(run(), 1);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].first, "full.sim 書込みｴﾗｰ !!");
}

TEST_F(ConversionRun, FilesThatCannotBeOpenedEndWithTheErrorMessage) {
    job_.in_file = "missing.sim";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(error_flag_, 1);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].first, "missing.sim SIMA入力ﾌｧｲﾙ Open Error !!");
    EXPECT_EQ(ui_.messages[1].first, CLOSING_WITH_ERRORS);

    ui_.messages.clear();
    job_.in_file = "sample.sim";
    job_.out_file = "no_such_folder/out.sim";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(ui_.messages[0].first, "no_such_folder/out.sim SIMA出力ﾌｧｲﾙ Open Error !!");

    // No "." in the file name: no log name, no job, no closing message.
    ui_.messages.clear();
    ui_.opened.clear();
    job_.out_file = "run.1/out";
    EXPECT_EQ(run(), 1);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].first, "ﾛｸﾞﾌｧｲﾙの作成に失敗 !!");
    EXPECT_TRUE(ui_.opened.empty());
}
