// The settings file: what a file written by hand or by an older Run gives the
// next start, what a Run writes, and the folder each file chooser opens in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "recording_feedback.h"
#include "settings/env_file.h"

namespace fs = std::filesystem;

namespace {

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

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("pellowen_settings_") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "Pellowen.env").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A job holding a value in every file setting, so that a setting the
    // file leaves alone can be told from one it clears.
    static batch::ConversionJob preset() {
        batch::ConversionJob job;
        job.in_file_type = 7;
        job.out_file_type = 8;
        job.in_file = "old_in";
        job.out_file = "old_out";
        job.para_file = "old_par";
        job.parak_file = "old_jhd";
        return job;
    }

    fs::path dir_;
    std::string path_;
};

struct ReadCase {
    const char* what;
    std::string file;
    int in_type, out_type;
    std::string in, out, par, jhd;
};

TEST_F(SettingsFile, ReadsEachLineByItsKey) {
    const std::string long_path(256, 'p');
    const std::string longest_path(255, 'q');
    const ReadCase cases[] = {
        {"a file as a Run writes it",
         "INFILETYPE   <2>\r\nSIMAINFILE   <D:\\測量\\in.txt>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <D:\\out.sim>\r\n"
         "PARAFILE     <D:\\grid.par>\r\nPARAKFILE    <D:\\sea.jhd>\r\n",
         2, 1, "D:\\測量\\in.txt", "D:\\out.sim", "D:\\grid.par", "D:\\sea.jhd"},
        {"empty paths read back empty", "SIMAINFILE   <>\r\nPARAKFILE    <>\r\n", 7, 8, "", "old_out", "old_par", ""},
        {"the sea grid key never sets the land grid and back",
         "PARAKFILE    <k.jhd>\r\n", 7, 8, "old_in", "old_out", "old_par", "k.jhd"},
        {"the land grid key never sets the sea grid", "PARAFILE<p.par>\r\n", 7, 8, "old_in", "old_out", "p.par", "old_jhd"},
        {"a key after a blank is no key", " INFILETYPE   <2>\r\n SIMAINFILE <x>\r\n", 7, 8, "old_in", "old_out", "old_par",
         "old_jhd"},
        {"any text between key and \"<\"", "INFILETYPE=<1>\r\nSIMAOUTFILEXYZ  <o.sim>\r\n", 1, 8, "old_in", "o.sim",
         "old_par", "old_jhd"},
        {"a value without \">\" ends at the line end", "SIMAINFILE   <in.sim\r\nPARAFILE     <p.par", 7, 8, "in.sim",
         "old_out", "p.par", "old_jhd"},
        {"the later of two lines wins", "SIMAINFILE   <a.sim>\r\nSIMAINFILE   <b.sim>\r\n", 7, 8, "b.sim", "old_out",
         "old_par", "old_jhd"},
        {"text after \">\" is ignored", "SIMAINFILE   <a.sim> note\r\nOUTFILETYPE  <2>1\r\n", 7, 2, "a.sim", "old_out",
         "old_par", "old_jhd"},
        {"LF and a lone CR end lines too", "SIMAINFILE   <a\nSIMAOUTFILE  <b\rPARAFILE     <c>\n", 7, 8, "a", "b", "c",
         "old_jhd"},
        {"0x1A ends the file", "SIMAINFILE   <a.sim>\r\n\x1APARAFILE     <x.par>\r\n", 7, 8, "a.sim", "old_out",
         "old_par", "old_jhd"},
        {"lines without \"<\" or key are skipped", "SIMAINFILE a.sim\r\nNOTE <x>\r\n\r\n", 7, 8, "old_in", "old_out",
         "old_par", "old_jhd"},
        {"type values read as the decimal conversion does", "INFILETYPE   <  2abc>\r\nOUTFILETYPE  <x>\r\n", 2, 0,
         "old_in", "old_out", "old_par", "old_jhd"},
        {"a long type value is cut to its first 9 characters", "INFILETYPE   <1234567890123>\r\nOUTFILETYPE  <-12>\r\n",
         123456789, -12, "old_in", "old_out", "old_par", "old_jhd"},
        {"a path too long for a path field is ignored, the longest is kept",
         "SIMAINFILE   <" + long_path + ">\r\nSIMAOUTFILE  <" + longest_path + ">\r\n", 7, 8, "old_in", longest_path,
         "old_par", "old_jhd"},
        {"a zero byte ends a value", std::string("PARAFILE     <a.par\0b>\r\n", 24), 7, 8, "old_in", "old_out", "a.par",
         "old_jhd"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        write_bytes(path_, c.file);
        RecordingFeedback ui;
        batch::ConversionJob job = preset();
        EXPECT_EQ(settings::read_env_file(ui, path_, job), 0);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(job.in_file_type, c.in_type);
        EXPECT_EQ(job.out_file_type, c.out_type);
        EXPECT_EQ(job.in_file, c.in);
        EXPECT_EQ(job.out_file, c.out);
        EXPECT_EQ(job.para_file, c.par);
        EXPECT_EQ(job.parak_file, c.jhd);
    }
}

TEST_F(SettingsFile, MissingFileIsReportedAndChangesNothing) {
    RecordingFeedback ui;
    batch::ConversionJob job = preset();
    EXPECT_EQ(settings::read_env_file(ui, path_, job), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, "環境ﾌｧｲﾙのOpen Error !!");
    EXPECT_EQ(ui.messages[0].second, "ErrorMsg");
    EXPECT_EQ(job.in_file_type, 7);
    EXPECT_EQ(job.parak_file, "old_jhd");
}

TEST_F(SettingsFile, RunWritesSixLinesInTheirFormats) {
    batch::ConversionJob job;
    job.in_file_type = 1;
    job.in_file = "C:\\現場\\in.sim";
    job.out_file_type = 2;
    job.para_file = "p.par";
    job.parak_file = "k.jhd";
    job.zone = 9;  // not a file setting: never written
    RecordingFeedback ui;
    ASSERT_EQ(settings::write_env_file(ui, path_, job), 0);
    EXPECT_EQ(read_bytes(path_),
              "INFILETYPE   <1>\r\nSIMAINFILE   <C:\\現場\\in.sim>\r\nOUTFILETYPE  <2>\r\nSIMAOUTFILE  <>\r\n"
              "PARAFILE     <p.par>\r\nPARAKFILE    <k.jhd>\r\n");
}

TEST_F(SettingsFile, PathsOfAnyLengthUpToTheFieldSurviveWriteAndRead) {
    // Double-byte characters whose second byte is "\" and paths of 255 bytes.
    std::string kanji_path = "D:\\表示\\ソフト\\";
    std::string longest = "E:\\";
    while (longest.size() < batch::TEXT_MAX) longest += "能";
    longest.resize(batch::TEXT_MAX - 1);
    longest += "x";
    batch::ConversionJob written;
    written.in_file_type = 2;
    written.out_file_type = 1;
    written.in_file = kanji_path + "in.txt";
    written.out_file = longest;
    written.para_file = std::string(batch::TEXT_MAX, 'g');
    written.parak_file = "";
    RecordingFeedback ui;
    ASSERT_EQ(settings::write_env_file(ui, path_, written), 0);
    batch::ConversionJob read = preset();
    ASSERT_EQ(settings::read_env_file(ui, path_, read), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(read.in_file_type, 2);
    EXPECT_EQ(read.out_file_type, 1);
    EXPECT_EQ(read.in_file, written.in_file);
    EXPECT_EQ(read.out_file, written.out_file);
    EXPECT_EQ(read.para_file, written.para_file);
    EXPECT_EQ(read.parak_file, "");
}

TEST_F(SettingsFile, FileThatCannotBeCreatedIsReportedAndOldContentKept) {
    fs::create_directories(path_);  // a folder where the file should be
    RecordingFeedback ui;
    EXPECT_EQ(settings::write_env_file(ui, path_, preset()), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, "環境ﾌｧｲﾙのOpen Error !!");
    EXPECT_EQ(ui.messages[0].second, "ErrorMsg");
    EXPECT_TRUE(fs::is_directory(path_));
}

TEST(SettingsValues, ValueEndsAtTheFirstClosingMark) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.sim>", "a.sim"}, {"a.sim", "a.sim"}, {">", ""}, {"", ""}, {"a>b>", "a"}, {"<a>", "<a"},
    };
    for (const auto& [source, value] : cases) EXPECT_EQ(settings::extract_env_value(source), value) << source;
}

TEST(SettingsValues, ChooserFolderIsTheDirectoryPart) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\survey\\in.sim", "D:\\survey"},
        {"D:\\in.sim", "D:"},
        {"in.sim", "in.sim"},
        {"\\in.sim", "\\in.sim"},
        {"\\\\server\\share\\a.sim", "\\\\server\\share"},
        {"D:\\表示\\in.sim", "D:\\表示"},  // the second byte of 表 is "\"
        {"D:\\ソ", "D:"},
        {"ソ", "ソ"},
        {"", ""},
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(settings::directory_part(path), folder) << path;
}

}  // namespace
