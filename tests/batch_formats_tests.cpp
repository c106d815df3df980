// Text as it is read and written: lines, fields, numbers and angles in their
// columns, SIMA records, XYBL lines and log names.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "batch/job.h"
#include "batch/run_files.h"
#include "batch/sima.h"
#include "batch/text_fields.h"
#include "batch/xybl.h"
#include "geodesy/angles.h"
#include "text/text_file.h"

using namespace batch;
using namespace std::string_literals;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

}  // namespace

TEST(AngleText, DegreesMinutesAndCutSeconds) {
    struct Case { double degrees; int n; const char* text; };
    const Case cases[] = {
        {35.50321, 4, "  35-30-11.5560"},
        {-0.5, 4, "  -0-30-00.0000"},
        // Seconds are cut when they have decimals, rounded when not.
        {35.99999999, 4, "  35-59-59.9999"},
        {35.99999999, 0, "  36-00-00"},
        // 59.99999995" carries with the 1e-7" added at 4 decimals;
        // 59.99999985" does not.
        {35.516666666652775, 4, "  35-31-00.0000"},
        {35.516666666624999, 4, "  35-30-59.9999"},
        // Whole circles are taken off; a value that is no number shows no
        // digits.
        {360.5, 4, "   0-30-00.0000"},
        {1e306, 4, "****-**-**.****"},
        {NaN, 4, "****-**-**.****"},
        {-INF, 0, "****-**-**"},
    };
    for (const Case& c : cases) {
        std::string text;
        format_dms(geodesy::deg_to_rad(c.degrees), c.n, text);
        EXPECT_EQ(text, c.text) << c.degrees << " with " << c.n;
    }
    // Into one circle for any value, in bounded time.
    const double C = 1296000;
    for (auto [in, out] : {std::pair{-1.0, C - 1}, {C + 0.00005, C + 0.00005}, {C + 1, 1.0}, {2 * C, C}}) {
        EXPECT_EQ(normalize_seconds(in), out) << in;
    }
    for (double huge : {1e300, -1e300}) {
        EXPECT_TRUE(normalize_seconds(huge) >= 0 && normalize_seconds(huge) <= C) << huge;
    }
}

TEST(NumberText, RoundedHalfAwayFromZeroInTheirColumns) {
    struct Case { double value; int decimals; const char* text; };
    const Case cases[] = {
        // Below the halfway point in binary, yet rounded up as written.
        {0.5005, 3, "       0.501"},
        {1.0005, 3, "       1.001"},
        {-12345.67849, 3, "  -12345.678"},
        {-0.0004, 3, "      -0.000"},
        {-1.5, 8, "      -1.50000000"},
        {NaN, 3, "************"},
        {-INF, 5, "**************"},
    };
    for (const Case& c : cases) {
        std::string text;
        append_coordinate(text, c.value, c.decimals);
        EXPECT_EQ(text, c.text) << c.value;
    }
    // Too large to round: written as it is, never as infinity.
    std::string text;
    append_coordinate(text, 1e306, 3);
    EXPECT_EQ(text.substr(0, 8), "10000000");
    EXPECT_EQ(text.size(), 307u + 4u);
}

// Coordinates are written with the digits of the standard fixed conversion:
// the exact binary value rounded half to even, carries, negative zero and
// values at every scale included, whatever way the digits are made.
TEST(NumberText, FixedTextIsTheStandardConversionsToTheLastDigit) {
    std::mt19937_64 random(20);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> scale(-12, 12), decimals(0, 9);
    const auto standard = [](double v, int d) {
        char text[400];
        const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, d);
        return std::string(text, r.ptr);
    };
    std::vector<std::pair<double, int>> values = {
        {0.125, 2}, {0.375, 2}, {2.5, 0}, {3.5, 0}, {-0.125, 2}, {-0.0, 3}, {-0.0004, 3}, {0.9999999999, 3},
        {999999999.99999, 4}, {1e9, 3}, {5e-324, 9}, {139.8333333333333, 9}, {-60975.1955, 3}, {1e300, 3},
    };
    for (int i = 0; i < 2000000; ++i) values.emplace_back(unit(random) * std::pow(10.0, scale(random)), decimals(random));
    // Halves at the last decimal, exact in binary: ties at every decimals.
    for (int d = 0; d <= 9; ++d) {
        for (int k = 0; k < 2000; ++k) values.emplace_back((k + 0.5) / std::pow(2.0, d), d);
    }
    std::string text;
    for (const auto& [v, d] : values) {
        text.clear();
        append_fixed(text, v, d, 0);
        ASSERT_EQ(text, standard(v, d)) << std::hexfloat << v << " " << d;
    }
}

TEST(Lines, EveryLineEndKindAndTheDosEndOfFile) {
    // after_mark: the 0x1A that ended the text was not the file's last byte.
    struct Case { std::string bytes; std::size_t max_chars; std::vector<std::string> lines; bool after_mark = false; };
    const std::string block(65535, 'x');
    const Case cases[] = {
        {"a\r\nb\nc\rd", 0, {"a\n", "b\n", "c\n", "d"}},
        {"a\r\r\nb\n\n", 0, {"a\n", "\n", "b\n", "\n"}},
        {"ab\x1a" "A01,9\r\n", 0, {"ab"}, true},
        {"\x1a", 0, {}},
        {"a\0b\r\n"s, 0, {"a\0b\n"s}},
        // A CR at the end of one block and its LF at the start of the next,
        // ending the first line of the file or a later one.
        {block + "\r\nz", 0, {block + "\n", "z"}},
        {"a\r\n" + block.substr(3) + "\r\nz", 0, {"a\n", block.substr(3) + "\n", "z"}},
        // The mark in a later block, and blocks of text after it.
        {block + "\r\nz\x1a" + block + "\r\nA01,9\r\n" + block, 0, {block + "\n", "z"}, true},
        // The mark as the last byte of a block: the file's last, or not.
        {block + "\x1a", 0, {block}},
        {block + "\x1a" "z", 0, {block}, true},
        // Pieces of at most max_chars, the LF counted.
        {"abcdef\r\nxy", 3, {"abc", "def", "\n", "xy"}},
        {"ab\rcd", 3, {"ab\n", "cd"}},
    };
    // Each file read by lines, and by pieces seen in place (a whole line
    // being a piece of at most a mebibyte).
    for (const Case& c : cases) {
        for (const bool in_place : {false, true}) {
            std::FILE* f = std::tmpfile();
            std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
            std::rewind(f);
            text::LineReader reader(f);
            std::vector<std::string> lines;
            std::string line;
            std::string_view piece;
            while (in_place ? reader.read_piece(piece, c.max_chars > 0 ? c.max_chars : 1 << 20) != 0
                            : reader.read_line(line, c.max_chars) != 0) {
                lines.emplace_back(in_place ? std::string(piece) : line);
            }
            EXPECT_FALSE(reader.failed());
            EXPECT_EQ(reader.text_after_end_mark(), c.after_mark) << c.bytes.substr(0, 20);
            std::fclose(f);
            EXPECT_EQ(lines, c.lines) << c.bytes.substr(0, 20) << (in_place ? " in place" : "");
        }
    }
}

// A corrected height as it is written back: its own decimals, at least
// millimetres, no blanks, and never "-0.000" for a height that rounds to
// nothing. (Which height texts are read: the job's height tests.)
TEST(SimaHeights, CorrectedHeightsWritten) {
    struct Write { double value; int decimals; const char* text; };
    const Write writes[] = {
        {12.40345, 1, "12.403"}, {7.2269, 5, "7.22690"}, {-0.39655, 1, "-0.397"}, {-1e-17, 3, "0.000"},
        {-0.0004, 3, "0.000"},   {-0.0006, 3, "-0.001"}, {1234.5, 0, "1234.500"},
    };
    for (const Write& w : writes) {
        std::string text = "old";
        format_height(w.value, w.decimals, text);
        EXPECT_EQ(text, w.text) << w.value;
    }
}

TEST(SimaRecords, FieldsKeptWholeAndCoordinatesRewritten) {
    struct Case { std::string line; double x, y; std::string written; };
    const Case cases[] = {
        {"A01,101,KIJUN-1,-12368.123,2301.456,15.200\n", -12345.67849, 2345.6785,
         "A01,101,KIJUN-1,  -12345.678,    2345.679,15.200,"},
        // Blanks belong to the field; no height: two commas after Y.
        {"A01, 7 ,  blank name  ,x,,", 0.5, 0, "A01, 7 ,  blank name  ,       0.500,       0.000,,"},
        // More than six fields: the rest is not written back; a line feed
        // ends the line before a later comma.
        {"A01,1,P,1,2,3,4,5\n", 1, 2, "A01,1,P,       1.000,       2.000,3,"},
        {"A01,1,P\n,1,2,3", 1, 2, "A01,1,P,       1.000,       2.000,,"},
    };
    for (const Case& c : cases) {
        SimaRecord r;
        read_sima_record(c.line, r);
        std::string out;
        format_sima_record(3, r.number, r.name, c.x, c.y, r.height, out);
        EXPECT_EQ(out, c.written);
    }
    for (const char* line : {"A01", "A01x,1"}) EXPECT_TRUE(is_sima_record(line)) << line;
    for (const char* line : {"a01,1", "A0", " A01"}) EXPECT_FALSE(is_sima_record(line)) << line;
}

TEST(XyblLines, LongNamesWholeAndNoDigitsForNoNumber) {
    XyblScratch scratch;
    std::string line;
    format_xybl_short_line(8, "A-VERY\0LONG-NAME"s, INF, 0, NaN, 139.75, scratch, line);
    EXPECT_EQ(line, "A-VERY\0LONG-NAME,  *****************,         0.00000000,   ****-**-**.****,    139-45-00.0000,"s);
}

// The log and the map file are named from the output: its path up to the
// last "." of its file name.
TEST(JobFileNames, TakenFromTheOutputFileName) {
    struct Case { std::string out; int result; const char* log; const char* map; };
    const Case cases[] = {
        {"D:\\work\\site1.sim", 0, "D:\\work\\site1_Log.txt", "D:\\work\\site1_map.geojson"},
        {"site.v2.sim", 0, "site.v2_Log.txt", "site.v2_map.geojson"},
        {"/data/run.1/out.txt", 0, "/data/run.1/out_Log.txt", "/data/run.1/out_map.geojson"},
        // A "." in a folder name does not count: no log beside the parent.
        {"D:\\work.old\\out", 1, "", "D:\\work.old\\out_map.geojson"},
        {"/data/run.1/out", 1, "", ""},
        {"D:\\w\\.sim", 0, "D:\\w\\_Log.txt", "D:\\w\\_map.geojson"},  // a name that starts with its "."
        // 0x5C as the second byte of a kanji (表) is no folder separator.
        {"D:\\x.表", 0, "D:\\x_Log.txt", "D:\\x_map.geojson"},
        {std::string(243, 'a') + ".sim", 0, "", ""},  // a map name of 255 bytes
        {std::string(244, 'a') + ".sim", 3, "", ""},  // 256 bytes
        {std::string(247, 'a') + ".sim", 3, "", ""},  // a log name of 255 bytes
        {std::string(248, 'a') + ".sim", 2, "", ""},  // 256 bytes
    };
    for (const Case& c : cases) {
        batch::ConversionJob job;
        job.out_file = c.out;
        job.out_file_type = batch::OutputType::sima;
        job.write_map = true;
        batch::JobFiles files;
        EXPECT_EQ(name_job_files(job, files), c.result) << c.out;
        EXPECT_TRUE(*c.log == '\0' || files.log == c.log) << c.out << ": " << files.log;
        EXPECT_TRUE(*c.map == '\0' || files.map == c.map) << c.out << ": " << files.map;
        // An XYBL output is its own log; without a map asked for, none.
        job.out_file_type = batch::OutputType::xybl;
        job.write_map = false;
        name_job_files(job, files);
        EXPECT_EQ(files.log, c.out);
        EXPECT_EQ(files.map, "");
    }
}

// Names compared as Windows compares them: the letters CP932 has in two
// cases fold to the small ones (each Roman numeral's three codes to one),
// and nothing else; a trail byte is never taken for a letter.
TEST(JobFileNames, FoldedAsWindowsComparesThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\OUT.SIM", "d:\\out.sim"},
        {"\x82\x60\x82\x79", "\x82\x81\x82\x9A"},  // full-width A Z
        {"\x83\x9F\x83\xB6", "\x83\xBF\x83\xD6"},  // Greek Alpha Omega
        {"\x84\x40\x84\x4E\x84\x4F\x84\x60", "\x84\x70\x84\x7E\x84\x80\x84\x91"},  // Cyrillic A N O Ya
        // Roman one and ten: NEC, IBM, and small NEC-selected IBM codes.
        {"\x87\x54\x87\x5D\xFA\x4A\xFA\x53\xEE\xEF\xEE\xF8", "\xFA\x40\xFA\x49\xFA\x40\xFA\x49\xFA\x40\xFA\x49"},
        {"\x83\x41\x95\x5C", "\x83\x41\x95\x5C"},  // katakana A, the kanji 0x955C
    };
    for (const auto& [name, folded] : cases) EXPECT_EQ(folded_name(name), folded) << name;
}
