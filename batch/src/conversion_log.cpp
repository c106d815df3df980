#include "batch/conversion_log.h"

#include <array>
#include <string>

namespace batch {

namespace {

// Every label pads to put its colon in the 22nd byte (CP932 bytes).
constexpr const char* DIRECTION_TOKYO_TO_JGD = "#変換方法            : 日本測地系→世界測地系,\n";
constexpr const char* DIRECTION_JGD_TO_TOKYO = "#変換方法            : 世界測地系→日本測地系,\n";
constexpr const char* ZONE_LINE = "#座標系              : %d,\n";
constexpr const char* DECIMALS_LINE = "#表示桁数            : %d,\n";
constexpr const char* SIMA_INPUT_LINE = "#SIMA入力ﾌｧｲﾙ        : %s,\n";
constexpr const char* XY_INPUT_LINE = "#XY入力ﾌｧｲﾙ          : %s,\n";
constexpr const char* SIMA_OUTPUT_LINE = "#SIMA出力ﾌｧｲﾙ        : %s,\n";
constexpr const char* XYBL_OUTPUT_LINE = "#XYBL出力ﾌｧｲﾙ        : %s,\n";
constexpr const char* LAND_FILE_LINE = "#地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ    : %s,\n";
constexpr const char* LAND_VERSION_LINE = "#地理院ﾊﾟﾗﾒｰﾀVersion : %s,\n";
constexpr const char* SEA_FILE_LINE = "#海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ      : %s,\n";
constexpr const char* SEA_VERSION_LINE = "#海保ﾊﾟﾗﾒｰﾀVersion   : %s,\n";
// Per correction file, numbered from 1 in the order they apply; one digit
// keeps the colon in its place.
constexpr const char* CORRECTION_FILE_LINE = "#補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ%d     : %s,\n";
constexpr const char* CORRECTION_TITLE_LINE = "#補正ﾊﾟﾗﾒｰﾀ%d ﾀｲﾄﾙ    : %s,\n";
constexpr const char* CORRECTED = "補正%d済";
constexpr const char* OUTSIDE = "補正%d範囲外";
constexpr const char* NO_HEIGHT = "補正%d標高なし";
constexpr const char* CORRECTION_FAILED_MARK = "  <補正%dのﾊﾟﾗﾒｰﾀ不足で変換できず>\n";

constexpr const char* ERROR_BANNER =
    "*********************************************************************\n"
    "変換エラー\n"
    "以下に表示された座標は3パラメータないし他の原因で変換出来ませんでした\n"
    "*********************************************************************\n";

}  // namespace

const char* const LAND_MARK = "  <国土地理院で変換>\n";
const char* const SEA_MARK = "  <海上保安庁で変換>\n";
const char* const FAILED_MARK = "  <3ﾊﾟﾗないし範囲外で変換できず>\n";
const char* const UNREADABLE_MARK = "  <座標値が読めず変換できず>\n";

namespace {
// A header line: its format with the one conversion in it ("%s" or "%d")
// replaced by the value's text, every byte of it.
void write_header_line(text::TextWriter& log, std::string_view format, std::string_view value) {
    const std::size_t at = format.find('%');
    std::string line(format.substr(0, at));
    line.append(value).append(format.substr(at + 2));
    log.write(line);
}
// A format with its "%d" replaced by the number's text.
std::string with_number(std::string_view format, std::string_view number) {
    const std::size_t at = format.find("%d");
    std::string text(format.substr(0, at));
    text.append(number).append(format.substr(at + 2));
    return text;
}
}  // namespace

void write_log_header(text::TextWriter& log, const ConversionJob& job) {
    log.write(job.direction == Direction::tokyo_to_jgd ? DIRECTION_TOKYO_TO_JGD : DIRECTION_JGD_TO_TOKYO);
    write_header_line(log, ZONE_LINE, std::to_string(job.zone));
    write_header_line(log, DECIMALS_LINE, std::to_string(job.decimals));
    write_header_line(log, job.in_file_type == InputType::sima ? SIMA_INPUT_LINE : XY_INPUT_LINE, job.in_file);
    write_header_line(log, job.out_file_type == OutputType::sima ? SIMA_OUTPUT_LINE : XYBL_OUTPUT_LINE, job.out_file);
    write_header_line(log, LAND_FILE_LINE, job.para_file);
    write_header_line(log, LAND_VERSION_LINE, job.para_version);
    write_header_line(log, SEA_FILE_LINE, job.parak_file);
    write_header_line(log, SEA_VERSION_LINE, job.parak_version);
    for (std::size_t i = 0; i < job.correction_files.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        const std::string title = i < job.correction_titles.size() ? job.correction_titles[i] : std::string();
        write_header_line(log, with_number(CORRECTION_FILE_LINE, number), job.correction_files[i]);
        write_header_line(log, with_number(CORRECTION_TITLE_LINE, number), title);
    }
}

namespace {

// The words of the marks for each file a run may have, made once: what the
// file did to a point, by kind (corrected, outside, no height).
using MarkWords = std::array<std::array<std::string, 3>, grids::CORRECTION_FILES_MAX>;
const MarkWords& mark_words() {
    static const MarkWords words = [] {
        MarkWords w;
        for (std::size_t i = 0; i < w.size(); ++i) {
            const std::string number = std::to_string(i + 1);
            w[i] = {with_number(CORRECTED, number), with_number(OUTSIDE, number), with_number(NO_HEIGHT, number)};
        }
        return w;
    }();
    return words;
}

}  // namespace

void append_correction_marks(const grids::PointResult& point, std::size_t correction_count, std::string& text) {
    const MarkWords& words = mark_words();
    for (std::size_t i = 0; i < correction_count; ++i) {
        if (i > 0) text += ' ';
        const bool corrected = (point.corrections.corrected >> i) & 1u;
        const bool no_height = (point.corrections.no_height >> i) & 1u;
        const std::size_t kind = corrected ? 0 : no_height ? 2 : 1;
        if (i < words.size()) {
            text += words[i][kind];
        } else {
            text += with_number(kind == 0 ? CORRECTED : kind == 2 ? NO_HEIGHT : OUTSIDE, std::to_string(i + 1));
        }
    }
}

void correction_marks(const grids::PointResult& point, std::size_t correction_count, std::string& text) {
    text.clear();
    append_correction_marks(point, correction_count, text);
}

void append_point_marks(std::string& line, const grids::PointResult& point, std::size_t correction_count) {
    const std::string_view mark = source_mark(point.source);
    if (correction_count == 0) {
        line.append(mark);
        return;
    }
    line.append(mark.substr(0, mark.size() - 1)).append("  <");
    append_correction_marks(point, correction_count, line);
    line.append(">\n");
}

void failed_mark(const grids::PointResult& point, std::string& text) {
    text = point.corrections.failed < 0
               ? std::string(FAILED_MARK)
               : with_number(CORRECTION_FAILED_MARK, std::to_string(point.corrections.failed + 1));
}

void write_failed_mark(text::TextWriter& log, const grids::PointResult& point) {
    std::string mark;
    failed_mark(point, mark);
    log.write(mark);
}

const char* source_mark(grids::GridKind source) { return source == grids::GridKind::land ? LAND_MARK : SEA_MARK; }

void log_failed_point(text::TextWriter& log, std::string_view input_line, int failed_count) {
    if (failed_count == 0) log.write(ERROR_BANNER);
    log.write(input_line);
}

}  // namespace batch
