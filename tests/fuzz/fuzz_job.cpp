// The whole conversion job over any input, with the example grids. The first
// three bytes choose direction, input and output types, whether a map file
// is written, decimals (3..8) and zone (mostly 9, where the grids lie); the
// rest is the input file. Checked:
// the input is never written; with SIMA in and out, every other line comes
// out byte for byte and in order, with one line per converted record; the
// log holds its header and one entry per point; only points whose X and Y
// are each one number are converted, the others marked as unreadable; every
// coordinate and angle written is digits (never "nan" or "inf"); the error
// flag is set exactly when some point was not converted; a map file is JSON
// with one feature per point. An input in Unicode is refused.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch/conversion_log.h"
#include "batch/job.h"
#include "batch/run_files.h"
#include "fuzz_common.h"
#include "grids/param_file.h"

namespace {

using namespace fuzz;

grids::ParamTable land;
grids::ParamTable sea;
std::string work_dir;

// The input's lines as read back, each with CR LF when it had a line end:
// CR LF, LF and a lone CR end a line; 0x1A ends the text.
std::vector<std::string> split_lines(const std::string& data) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < data.size() && data[i] != 0x1A; ++i) {
        if (data[i] == '\n' || data[i] == '\r') {
            lines.push_back(current + "\r\n");
            current.clear();
            if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        } else {
            current += data[i];
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

std::string field(const std::string& line, int n) {
    std::size_t start = 0;
    for (int f = 1; f < n; ++f) {
        start = line.find(',', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    const std::size_t end = line.find_first_of(",\r", start);
    return line.substr(start, end == std::string::npos ? end : end - start);
}

// A coordinate field that is one number, as the C library reads one: blanks
// and tabs around it aside, strtod takes all of it, and it is no
// hexadecimal and no "nan(...)".
bool one_number(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    text.erase(0, start);
    if (std::isspace(static_cast<unsigned char>(text[0])) || text.find_first_of("xX(") != std::string::npos) return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

// Only what numbers and angles are written with, and so many commas.
bool written_numbers(const std::string& text, long commas, bool stars_allowed) {
    return text.find_first_not_of(stars_allowed ? "0123456789 -.,*" : "0123456789 -.,") == std::string::npos &&
           std::count(text.begin(), text.end(), ',') == commas;
}

bool starts_at(const std::string& s, std::size_t pos, const std::string& text) {
    return s.compare(pos, text.size(), text) == 0;
}

// A mark as it stands in a file: its line end is CR LF.
std::string in_file_form(const char* mark) {
    std::string m(mark);
    return m.insert(m.size() - 1, "\r");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RecordingFeedback ui;
    std::string version;
    const std::string examples = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";
    if (grids::create_param_table(land, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY) != 0 ||
        grids::read_land_param_file(ui, 1, examples + "sample_land.par", version, land) != 0 ||
        grids::read_sea_param_file(ui, 1, examples + "sample_sea.jhd", version, sea) != 0) {
        fail("the example grids do not load");
    }
    // The product's texts are CP932 in this build too ("3ﾊﾟﾗ" of the mark).
    if (std::string(batch::FAILED_MARK).substr(0, 7) != "  <3\xCA\xDF\xD7") fail("texts are not CP932");
    work_dir = scratch_folder("job");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 60000) return 0;
    const bool sima_in = (data[0] & 2) == 0;
    const bool sima_out = (data[0] & 4) == 0;
    batch::ConversionJob job{.direction = (data[0] & 1) != 0 ? batch::Direction::jgd_to_tokyo : batch::Direction::tokyo_to_jgd,
                             .zone = data[2] < 128 ? 9 : 1 + data[2] % 19,
                             .decimals = 3 + data[1] % 6,
                             .in_file_type = sima_in ? batch::InputType::sima : batch::InputType::xy,
                             .out_file_type = sima_out ? batch::OutputType::sima : batch::OutputType::xybl,
                             .in_file = work_dir + "/in.txt", .out_file = work_dir + (sima_out ? "/out.sim" : "/out.txt"),
                             .para_file = "sample_land.par", .para_version = "S1.00",
                             .parak_file = "sample_sea.jhd", .parak_version = "S1.00"};
    job.write_map = (data[0] & 8) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 3, size - 3);
    for (const char* name : {"/out.sim", "/out.txt", "/out_Log.txt", "/out_map.geojson"}) {
        std::remove((work_dir + name).c_str());
    }
    write_file(job.in_file, input);

    RecordingFeedback ui;
    batch::JobFiles files;
    if (batch::name_job_files(job, files) != 0) fail("no log name");
    int error_flag = -1;
    const int result = batch::convert_file(ui, job, {land, sea}, files.log, error_flag);
    if (read_file(job.in_file) != input) fail("the input was written");
    if (unicode_text(input)) {
        if (result != batch::JOB_REFUSED) fail("an input in Unicode is not refused");
        return 0;
    }
    if (result != 0) fail("the job failed", ui.messages.empty() ? "" : ui.messages[0].first);

    const std::string log = read_file(files.log);
    const std::string out = sima_out ? read_file(job.out_file) : std::string();
    std::size_t lp = 0;
    for (int h = 0; h < 9; ++h) {
        const std::size_t end = log.find("\r\n", lp);
        if (end == std::string::npos || log[lp] != '#' || log[end - 1] != ',') fail("header line");
        lp = end + 2;
    }
    const std::string marks[2] = {in_file_form(batch::LAND_MARK), in_file_form(batch::SEA_MARK)};
    const std::string failed_mark = in_file_form(batch::FAILED_MARK);
    const std::string unreadable_mark = in_file_form(batch::UNREADABLE_MARK);
    const std::string banner_edge = std::string(69, '*') + "\r\n";

    std::size_t op = 0;
    int failed = 0;
    long counter = 0;
    for (const std::string& line : split_lines(input)) {
        if (sima_in && line.compare(0, 3, "A01") != 0) {
            if (sima_out && !starts_at(out, op, line)) fail("a non-record line changed", line);
            op += sima_out ? line.size() : 0;
            continue;
        }
        if (!sima_in && (line[0] == '#' || line == "\r\n")) continue;
        ++counter;
        const std::string name = field(line, sima_in ? 3 : 1);
        // Only a point whose X and Y are each one number can be converted.
        const bool readable = one_number(field(line, sima_in ? 4 : 2)) && one_number(field(line, sima_in ? 5 : 3));
        if (sima_out) {
            // Converted: the output's next line is the rebuilt record with
            // new coordinates only, and the log holds it with a grid's mark.
            const std::string number = sima_in ? field(line, 2) : std::to_string(counter);
            const std::string head = "A01," + number + "," + name + ",";
            const std::string tail = "," + (sima_in ? field(line, 6) : std::string()) + ",";
            const std::size_t end = out.find("\r\n", op);
            const std::string record = end == std::string::npos ? std::string() : out.substr(op, end - op);
            bool converted = false;
            for (const std::string& mark : marks) {
                if (converted || !starts_at(record, 0, head) || !starts_at(log, lp, record + mark)) continue;
                if (record.size() < head.size() + tail.size() || !record.ends_with(tail) ||
                    !written_numbers(record.substr(head.size(), record.size() - head.size() - tail.size()), 1, false)) {
                    fail("a converted record is not as read with new coordinates", record);
                }
                if (!readable) fail("a point without readable coordinates converted", line);
                converted = true;
                op = end + 2;
                lp += record.size() + mark.size();
            }
            if (converted) continue;
            // The first failed point comes after a banner of four lines.
            if (failed == 0 && !starts_at(log, lp, banner_edge)) fail("error banner");
            for (int b = 0; failed == 0 && b < 4; ++b) lp = log.find("\r\n", lp) + 2;
            if (!starts_at(log, lp, line)) fail("failed point not logged as read", line);
            lp += line.size();
            ++failed;
        } else {
            // Name, then X, Y, latitude and longitude as read, then either
            // the failed mark or the four converted values and a grid mark.
            if (!starts_at(log, lp, name + ",")) fail("XYBL line without the point's name", line);
            const std::size_t values = lp + name.size() + 1;
            const std::size_t mark_at = log.find("  <", values);
            if (mark_at == std::string::npos) fail("XYBL line without a mark");
            const std::string text = log.substr(values, mark_at - values);
            const std::string* mark = nullptr;
            if (starts_at(log, mark_at, failed_mark) && written_numbers(text, 4, true)) {
                if (!readable) fail("unreadable coordinates given another mark", line);
                mark = &failed_mark;
                ++failed;
            }
            if (starts_at(log, mark_at, unreadable_mark) && written_numbers(text, 4, true)) {
                if (readable || text.find("****-**-**.****,   ****-**-**.****") == std::string::npos) {
                    fail("readable coordinates, or a position, with the unreadable mark", line);
                }
                mark = &unreadable_mark;
                ++failed;
            }
            for (const std::string& m : marks) {
                if (starts_at(log, mark_at, m) && written_numbers(text, 8, false)) {
                    if (!readable) fail("a point without readable coordinates converted", line);
                    mark = &m;
                }
            }
            if (mark == nullptr) fail("an XYBL line is not numbers and a mark", log.substr(lp, 300));
            lp = mark_at + mark->size();
        }
    }
    if (op != out.size()) fail("the output holds more than the input gave", out.substr(op, 80));
    if (lp != log.size()) fail("the log holds more than one entry per point", log.substr(lp, 80));
    if (error_flag != (failed > 0 ? 1 : 0)) fail("error flag");
    // The map file is JSON (no NaN, no infinity) with one feature per point.
    if (job.write_map) {
        const nlohmann::json map = nlohmann::json::parse(read_file(files.map), nullptr, false, false);
        if (map.is_discarded() || !map.contains("features") || map["features"].size() != static_cast<std::size_t>(counter)) {
            fail("the map file is no JSON of one feature per point", read_file(files.map).substr(0, 200));
        }
    }
    return 0;
}
