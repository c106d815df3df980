// Angle text, fields, SIMA records, XYBL lines and log names.
#include <gtest/gtest.h>

#include <string>

#include "batch/job.h"
#include "batch/sima.h"
#include "batch/text_fields.h"
#include "batch/xybl.h"
#include "geodesy/angles.h"

using namespace batch;

namespace {

struct DmsCase { double degrees; int n; const char* text; };

// Angles in degrees, converted to radians before formatting.
const DmsCase DMS_CASES[] = {
    {35.5, 4, "  35-30-00.0000"},
    {139.75, 4, " 139-45-00.0000"},
    {0.0, 4, "   0-00-00.0000"},
    {-0.5, 4, "  -0-30-00.0000"},
    {-35.25, 4, " -35-15-00.0000"},
    // Seconds are cut for n >= 1; the small addition carries n = 1 over.
    {35.99999999, 4, "  35-59-59.9999"},
    {35.99999999, 1, "  36-00-00.0"},
    {35.99999999, 0, "  36-00-00"},
    {35.50321, 4, "  35-30-11.5560"},
    {139.74673, 4, " 139-44-48.2280"},
    {35.5, 9, "  35-30-00.00000"},
};

std::string dms(double degrees, int n) {
    std::string text;
    format_dms(geodesy::deg_to_rad(degrees), n, text);
    return text;
}

std::string field(std::string_view line, int n) {
    std::string text = "stale";
    get_field(line, n, text);
    return text;
}

}  // namespace

TEST(AngleText, DegreesMinutesAndCutSeconds) {
    for (const DmsCase& c : DMS_CASES) {
        EXPECT_EQ(dms(c.degrees, c.n), c.text) << c.degrees << " with " << c.n;
    }
    EXPECT_EQ(normalize_seconds(-1.0), 1295999.0);
    EXPECT_EQ(normalize_seconds(1296000.00005), 1296000.00005);
    EXPECT_EQ(normalize_seconds(1296001.0), 1.0);
}

TEST(Fields, CommasSplitAndBlanksBelongToTheField) {
    const std::string line = "A01, 101 ,KIJUN-1,-12368.123,2301.456\n";
    EXPECT_EQ(field(line, 1), "A01");
    EXPECT_EQ(field(line, 2), " 101 ");
    EXPECT_EQ(field(line, 5), "2301.456");
    EXPECT_EQ(field(line, 6), "");
    EXPECT_EQ(field(",x", 1), "");
    EXPECT_EQ(field("", 1), "");
    // A line feed ends the line even when a comma follows it.
    EXPECT_EQ(field("a\n,b", 2), "");
}

TEST(SimaRecords, ConvertedRecordKeepsTextAndRewritesCoordinates) {
    SimaRecord r;
    read_sima_record("A01,101,KIJUN-1,-12368.123,2301.456,15.200\n", r);
    EXPECT_EQ(r.number, "101");
    EXPECT_EQ(r.name, "KIJUN-1");
    EXPECT_EQ(r.x, -12368.123);
    EXPECT_EQ(r.y, 2301.456);
    EXPECT_EQ(r.height, "15.200");
    std::string out;
    format_sima_record(3, r.number, r.name, -12345.67849, 2345.6785, r.height, out);
    EXPECT_EQ(out, "A01,101,KIJUN-1,  -12345.678,    2345.679,15.200,");
    // No height: two commas after Y; 0.5 fills 12 columns.
    read_sima_record("A01,7,  blank name  ,x,,", r);
    EXPECT_EQ(r.x, 0.0);
    format_sima_record(3, r.number, r.name, 0.5, 0.0, r.height, out);
    EXPECT_EQ(out, "A01,7,  blank name  ,       0.500,       0.000,,");
    EXPECT_TRUE(is_sima_record("A01"));
    EXPECT_TRUE(is_sima_record("A01x,1"));
    EXPECT_FALSE(is_sima_record("a01,1"));
    EXPECT_FALSE(is_sima_record("A0"));
}

TEST(XyText, NumbersReadAsDecimalPrefixes) {
    SimaRecord r;
    read_xy_line(" P 1 ,,5\n", r);
    EXPECT_EQ(r.name, " P 1 ");
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(r.y, 5.0);
    read_xy_line("P2,  -12.5m,1e3x\n", r);
    EXPECT_EQ(r.x, -12.5);
    EXPECT_EQ(r.y, 1000.0);
    // Only decimal notation is a number: no hexadecimal, infinity or NaN.
    read_xy_line("P3,0x10,inf\n", r);
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(r.y, 0.0);
    read_xy_line("P4,nan,.5e\n", r);
    EXPECT_EQ(r.x, 0.0);
    EXPECT_EQ(r.y, 0.5);
}

TEST(XyblLines, FixedColumnsOfBothHalves) {
    XyblScratch scratch;
    std::string line;
    format_xybl_line(3, "P1", -12368.123, 2301.456, 35.5, 139.75, -12013.4567, 2011.2345, 35.50321, 139.74673,
                     scratch, line);
    EXPECT_EQ(line,
              "P1,                -12368.123,      2301.456,     35-30-00.0000,    139-45-00.0000,"
              "      -12013.457,      2011.235,     35-30-11.5560,    139-44-48.2280,");
    format_xybl_short_line(3, "P1", -12368.123, 2301.456, 35.5, 139.75, scratch, line);
    EXPECT_EQ(line, "P1,                -12368.123,      2301.456,     35-30-00.0000,    139-45-00.0000,");
    // A long name is not cut; it pushes the line to the right.
    format_xybl_short_line(3, "A-VERY-LONG-NAME", 0, 0, 0, 0, scratch, line);
    EXPECT_EQ(line.substr(0, 21), "A-VERY-LONG-NAME,    ");
}

TEST(LogName, TakenFromTheOutputFileName) {
    struct Case { const char* out; int result; const char* log; };
    const Case cases[] = {
        {"D:\\work\\site1.sim", 0, "D:\\work\\site1_Log.txt"},
        {"site.v2.sim", 0, "site.v2_Log.txt"},
        {"/data/run.1/out.txt", 0, "/data/run.1/out_Log.txt"},
        // A "." in a folder name does not count: no log beside the parent.
        {"D:\\work.old\\out", 1, ""},
        {"/data/run.1/out", 1, ""},
        {"", 1, ""},
        // 0x5C as the second byte of a kanji (表) is no folder separator.
        {"D:\\x.表", 0, "D:\\x_Log.txt"},
    };
    for (const Case& c : cases) {
        std::string log;
        EXPECT_EQ(derive_log_path(c.out, log), c.result) << c.out;
        if (c.result == 0) {
            EXPECT_EQ(log, c.log) << c.out;
        }
    }
    std::string log;
    EXPECT_EQ(derive_log_path(std::string(247, 'a') + ".sim", log), 0);  // 255 bytes
    EXPECT_EQ(derive_log_path(std::string(248, 'a') + ".sim", log), 2);  // 256 bytes
}
