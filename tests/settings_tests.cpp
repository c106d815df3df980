// The settings file: what a file written by hand or by an older Run gives the
// next start, what a Run writes, and the folder each file chooser opens in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "recording_feedback.h"
#include "scratch_files.h"
#include "settings/env_file.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder for the running test, in a folder of this run's own removed
// when the tests end, and the settings file's path in it.
std::string settings_path() {
    const fs::path dir = scratch::folder() / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    return (dir / "Pellowen.env").string();
}

// The six file settings as "in type|out type|in|out|land grid|sea grid".
std::string settings_of(const batch::ConversionJob& j) {
    return std::to_string(static_cast<int>(j.in_file_type)) + "|" + std::to_string(static_cast<int>(j.out_file_type)) + "|" + j.in_file + "|" + j.out_file +
           "|" + j.para_file + "|" + j.parak_file;
}

// Reads the file into a job that holds a value in every file setting, so
// that a setting the file leaves alone can be told from one it clears.
std::string read_into_preset(const std::string& path, RecordingFeedback& ui, int& result) {
    batch::ConversionJob job{.in_file_type = batch::InputType{7}, .out_file_type = batch::OutputType{8}, .in_file = "in", .out_file = "out",
                             .para_file = "par", .para_version = {}, .parak_file = "jhd", .parak_version = {}, .correction_files = {}, .correction_titles = {}};
    result = settings::read_env_file(ui, path, job);
    return settings_of(job);
}

TEST(SettingsFile, ReadsEachLineByItsKey) {
    const std::string path = settings_path();
    const std::string longest(batch::TEXT_MAX, 'q');
    const std::pair<std::string, std::string> cases[] = {
        {"INFILETYPE   <2>\r\nSIMAINFILE   <D:\\測量\\in.txt>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <D:\\out.sim>\r\n"
         "PARAFILE     <D:\\grid.par>\r\nPARAKFILE    <D:\\sea.jhd>\r\n",
         "2|1|D:\\測量\\in.txt|D:\\out.sim|D:\\grid.par|D:\\sea.jhd"},
        {"SIMAINFILE   <>\r\nPARAKFILE    <>\r\n", "7|8||out|par|"},
        // The land grid's key is not the start of the sea grid's, nor back.
        {"PARAKFILE    <k.jhd>\r\n", "7|8|in|out|par|k.jhd"},
        {"PARAFILE<p.par>\r\n", "7|8|in|out|p.par|jhd"},
        {" INFILETYPE   <2>\r\n SIMAINFILE <x>\r\n", "7|8|in|out|par|jhd"},  // a key after a blank is no key
        {"INFILETYPE=<1>\r\nSIMAOUTFILEXYZ  <o.sim>\r\n", "1|8|in|o.sim|par|jhd"},
        // A value without ">" ends at the line end, never taking its CR LF.
        {"SIMAINFILE   <in.sim\r\nPARAFILE     <p.par", "7|8|in.sim|out|p.par|jhd"},
        {"SIMAINFILE   <a.sim>\r\nSIMAINFILE   <b.sim>\r\n", "7|8|b.sim|out|par|jhd"},
        {"SIMAINFILE   <a.sim> note\r\nOUTFILETYPE  <2>1\r\n", "7|2|a.sim|out|par|jhd"},
        {"SIMAINFILE   <a\nSIMAOUTFILE  <b\rPARAFILE     <c>\n", "7|8|a|b|c|jhd"},
        {"SIMAINFILE   <a.sim>\x1A\r\nPARAFILE     <x.par>\r\n", "7|8|a.sim|out|par|jhd"},  // 0x1A ends the file
        {"SIMAINFILE a.sim\r\nNOTE <x>\r\n\r\n", "7|8|in|out|par|jhd"},
        // Types read as the decimal conversion does, from their first 9 characters.
        {"INFILETYPE   <  2abc>\r\nOUTFILETYPE  <x>\r\n", "2|0|in|out|par|jhd"},
        {"INFILETYPE   <1234567890123>\r\nOUTFILETYPE  <-12>\r\n", "123456789|-12|in|out|par|jhd"},
        {"INFILETYPE   <0000000012>\r\n", "1|8|in|out|par|jhd"},
        // A path too long for a path field is ignored; the longest is kept.
        {"SIMAINFILE   <" + longest + "q>\r\nSIMAOUTFILE  <" + longest + ">\r\n", "7|8|in|" + longest + "|par|jhd"},
        {std::string("PARAFILE     <a.par\0b>\r\n", 24), "7|8|in|out|a.par|jhd"},
        // Only the whole mark of UTF-8 or UTF-16 tells a file in Unicode.
        {"\xEF\xBB" "A\r\nSIMAINFILE   <a.sim>\r\n", "7|8|a.sim|out|par|jhd"},
        {"\xFF", "7|8|in|out|par|jhd"},
    };
    for (const auto& [file, expected] : cases) {
        std::ofstream(path, std::ios::binary) << file;
        RecordingFeedback ui;
        int result = -1;
        EXPECT_EQ(read_into_preset(path, ui, result), expected) << file;
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST(SettingsFile, MissingUnwritableOrUnicodeFileIsReportedAndChangesNothing) {
    const std::string path = settings_path();
    RecordingFeedback ui;
    int result = 0;
    EXPECT_EQ(read_into_preset(path, ui, result), "7|8|in|out|par|jhd");
    EXPECT_EQ(result, 1);
    fs::create_directories(path);  // a folder where the file should be
    EXPECT_EQ(settings::write_env_file(ui, path, batch::ConversionJob{}), 1);
    EXPECT_TRUE(fs::is_directory(path));
    const std::pair<std::string, std::string> message{"環境ﾌｧｲﾙのOpen Error !!", "ErrorMsg"};
    EXPECT_EQ(ui.messages, std::vector(2, message));

    // Saved as UTF-8, UTF-16 little-endian or big-endian, each with its mark.
    const std::string unicode_path = path + ".utf";
    const std::string line = "INFILETYPE   <2>\r\nSIMAINFILE   <a.sim>\r\n";
    std::string le = "\xFF\xFE";
    std::string be = "\xFE\xFF";
    for (char ch : line) {
        le += {ch, '\0'};
        be += {'\0', ch};
    }
    for (const std::string& file : {"\xEF\xBB\xBF" + line, le, be}) {
        std::ofstream(unicode_path, std::ios::binary) << file;
        RecordingFeedback refused;
        EXPECT_EQ(read_into_preset(unicode_path, refused, result), "7|8|in|out|par|jhd");
        EXPECT_EQ(result, 1);
        const std::pair<std::string, std::string> unicode{
            unicode_path + " はUnicode(UTF-8/UTF-16)で保存されています、Shift_JIS(CP932)で保存し直してください !!",
            "ErrorMsg"};
        EXPECT_EQ(refused.messages, std::vector(1, unicode));
    }
}

// A Run writes the six file settings (the zone is none), then one CORRFILE
// line for each correction file, in order; all read back unchanged.
TEST(SettingsFile, RunWritesTheFileSettingsThatReadBackUnchanged) {
    const std::string path = settings_path();
    batch::ConversionJob job;
    job.zone = 9;
    job.in_file_type = batch::InputType::sima;
    job.out_file_type = batch::OutputType::xybl;
    job.in_file = "C:\\現場\\in.sim";
    job.para_file = "p.par";
    job.parak_file = "k.jhd";
    const std::string six = "INFILETYPE   <1>\r\nSIMAINFILE   <C:\\現場\\in.sim>\r\nOUTFILETYPE  <2>\r\nSIMAOUTFILE  <>\r\n"
                            "PARAFILE     <p.par>\r\nPARAKFILE    <k.jhd>\r\n";
    std::string longest = "E:\\";
    while (longest.size() < batch::TEXT_MAX) longest += "能";
    longest.resize(batch::TEXT_MAX - 1);
    for (int round = 0; round < 3; ++round) {
        if (round == 1) job.correction_files = {"D:\\補正\\2008.par", "D:\\補正\\2011.par"};
        if (round == 2) {  // double-byte characters whose second byte is "\\" and paths of 255 bytes
            job.in_file = "D:\\表示\\ソフト\\in.txt";
            job.out_file = longest + "x";
            job.para_file = std::string(batch::TEXT_MAX, 'g');
            job.correction_files = {longest + "c"};
        }
        RecordingFeedback ui;
        ASSERT_EQ(settings::write_env_file(ui, path, job), 0);
        std::ostringstream written;
        written << std::ifstream(path, std::ios::binary).rdbuf();
        const std::string corrections = "CORRFILE     <D:\\補正\\2008.par>\r\nCORRFILE     <D:\\補正\\2011.par>\r\n";
        EXPECT_TRUE(round == 2 || written.str() == (round == 0 ? six : six + corrections)) << written.str();
        batch::ConversionJob read;
        EXPECT_EQ(settings::read_env_file(ui, path, read), 0);
        EXPECT_EQ(settings_of(read), settings_of(job));
        EXPECT_EQ(read.correction_files, job.correction_files);
        EXPECT_TRUE(ui.messages.empty());
    }
}

// A file without CORRFILE lines leaves the list alone, one with them
// replaces it; the map file is asked for by 1 alone.
TEST(SettingsFile, CorrectionFilesAndTheMapFileAsRead) {
    const std::string path = settings_path();
    const std::vector<std::string> preset = {"old.par"};
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"INFILETYPE   <1>\r\nPARAKFILE    <k.jhd>\r\n", preset},
        // Empty values are no file; lines in any place keep their order.
        {"CORRFILE     <a.par>\r\nINFILETYPE   <1>\r\nCORRFILE     <>\r\nCORRFILE<b.par>\n", {"a.par", "b.par"}},
        {"CORRFILE     <>\r\n", {}},
        // A path of 255 bytes is kept, a longer one ignored.
        {"CORRFILE     <" + std::string(batch::TEXT_MAX, 'c') + ">\r\nCORRFILE     <" + std::string(batch::TEXT_MAX + 1, 'd') + ">\r\n",
         {std::string(batch::TEXT_MAX, 'c')}},
        {" CORRFILE     <x.par>\r\n", preset},  // a key after a blank is no key
    };
    RecordingFeedback ui;
    for (const auto& [text, files] : cases) {
        std::ofstream(path, std::ios::binary) << text;
        batch::ConversionJob read;
        read.correction_files = preset;
        EXPECT_EQ(settings::read_env_file(ui, path, read), 0);
        EXPECT_EQ(read.correction_files, files) << text;
    }
    for (const auto& [text, map] : {std::pair{"MAPFILE      <1>\r\n", true}, std::pair{"MAPFILE      <2>\r\n", false}}) {
        std::ofstream(path, std::ios::binary) << text;
        batch::ConversionJob read;
        EXPECT_EQ(settings::read_env_file(ui, path, read), 0);
        EXPECT_EQ(read.write_map, map) << text;
    }
}

TEST(SettingsValues, ChooserFolderIsTheDirectoryPart) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\survey\\in.sim", "D:\\survey"}, {"D:\\in.sim", "D:"}, {"in.sim", "in.sim"}, {"\\in.sim", "\\in.sim"},
        {"\\\\server\\share\\a.sim", "\\\\server\\share"},
        {"D:\\表示\\in.sim", "D:\\表示"},  // the second byte of 表 is "\"
        {"D:\\ソ", "D:"}, {"ソ", "ソ"}, {"", ""},
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(settings::directory_part(path), folder) << path;
}

}  // namespace
