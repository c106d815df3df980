#include "batch/conversion_log.h"

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

constexpr const char* ERROR_BANNER =
    "*********************************************************************\n"
    "変換エラー\n"
    "以下に表示された座標は3パラメータないし他の原因で変換出来ませんでした\n"
    "*********************************************************************\n";

}  // namespace

const char* const LAND_MARK = "  <国土地理院で変換>\n";
const char* const SEA_MARK = "  <海上保安庁で変換>\n";
const char* const FAILED_MARK = "  <3ﾊﾟﾗないし範囲外で変換できず>\n";

namespace {
// A header line: its format with the one conversion in it ("%s" or "%d")
// replaced by the value's text, every byte of it.
void write_header_line(text::TextWriter& log, std::string_view format, std::string_view value) {
    const std::size_t at = format.find('%');
    std::string line(format.substr(0, at));
    line.append(value).append(format.substr(at + 2));
    log.write(line);
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
}

const char* source_mark(grids::GridKind source) { return source == grids::GridKind::land ? LAND_MARK : SEA_MARK; }

void log_failed_point(text::TextWriter& log, std::string_view input_line, int failed_count) {
    if (failed_count == 0) log.write(ERROR_BANNER);
    log.write(input_line);
}

}  // namespace batch
