// The whole conversion job over any input, with the example grids. The first
// three bytes choose direction, input and output types, decimals (3..8) and
// zone (mostly 9, where the grids lie); the rest is the input file. Checked
// after every run, against a reading of the input made here:
// - the input file is byte-identical afterwards;
// - with SIMA in and SIMA out, every other input line comes out byte for
//   byte, in order, with one line per converted record and nothing else;
// - the log holds the nine header lines and one entry per point: a
//   converted record with its grid's mark, or (after the banner) the failed
//   point's input line; with XYBL output one fixed-column line per point;
// - every number and angle written is made of digits (never "nan" or "inf");
// - the error flag is set exactly when some point was not converted.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/conversion_log.h"
#include "batch/job.h"
#include "grids/param_file.h"

namespace {

struct QuietFeedback : grids::UserFeedback {
    std::vector<std::string> messages;
    void set_status(std::string_view) override {}
    void show_message(std::string_view text, std::string_view) override { messages.emplace_back(text); }
    void open_in_editor(std::string_view) override {}
};

grids::ParamTable gsi;
grids::ParamTable jcg;
std::string work_dir;

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "CHECK FAILED: %s %s\n", what, detail.c_str());
    std::abort();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// An input line: its bytes without the line end, and whether it had one.
struct Line {
    std::string text;
    bool ended;
    std::string as_read() const { return ended ? text + "\r\n" : text; }
};

// CR LF, LF and a lone CR end a line; 0x1A ends the text.
std::vector<Line> split_lines(std::string_view data) {
    std::vector<Line> lines;
    std::string current;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == 0x1A) break;
        if (c == '\n' || c == '\r') {
            lines.push_back({current, true});
            current.clear();
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back({current, false});
    return lines;
}

std::string field(const std::string& text, int n) {
    std::size_t start = 0;
    for (int f = 1; f < n; ++f) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) return {};
        start = comma + 1;
    }
    return text.substr(start, text.find(',', start) - start);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the text up to the next comma at pos.
std::string_view token(std::string_view s, std::size_t& pos) {
    const std::size_t end = s.find(',', pos);
    if (end == std::string_view::npos) fail("missing comma");
    const std::string_view t = s.substr(pos, end - pos);
    pos = end;
    return t;
}

void literal(std::string_view s, std::size_t& pos, std::string_view text) {
    if (s.compare(pos, text.size(), text) != 0) fail("expected text", std::string(text));
    pos += text.size();
}

// A number or angle the job wrote: digits, blanks, '-' and '.' only ('*'
// too for a value that is no number, where allowed), in at least width
// columns, with decimals digits after the point.
void written_value(std::string_view s, std::size_t& pos, std::size_t width, std::size_t decimals, bool stars_allowed) {
    const std::string_view t = token(s, pos);
    if (stars_allowed && t == std::string(width, '*')) return;
    const std::size_t point = t.rfind('.');
    bool ok = t.size() >= width && point != std::string_view::npos && t.size() - point - 1 == decimals;
    for (char c : t) ok = ok && (is_digit(c) || c == ' ' || c == '-' || c == '.' || (stars_allowed && c == '*'));
    if (!ok) fail("a written value is no number", std::string(t));
}

void number(std::string_view s, std::size_t& pos, int decimals, bool stars_allowed) {
    written_value(s, pos, static_cast<std::size_t>(decimals) + 9, static_cast<std::size_t>(decimals), stars_allowed);
}

void angle(std::string_view s, std::size_t& pos, bool stars_allowed) { written_value(s, pos, 16, 4, stars_allowed); }

// One half of an XYBL line: X, Y, latitude and longitude.
void xybl_half(std::string_view s, std::size_t& pos, const char* lead, int decimals, bool input_half) {
    literal(s, pos, lead);
    number(s, pos, decimals, input_half);
    literal(s, pos, ",  ");
    number(s, pos, decimals, input_half);
    literal(s, pos, ",  ");
    angle(s, pos, input_half);
    literal(s, pos, ",  ");
    angle(s, pos, input_half);
    literal(s, pos, ",");
}

std::string in_file_form(const char* mark) {
    std::string m(mark);
    m.insert(m.size() - 1, "\r");
    return m;
}

bool starts_at(const std::string& s, std::size_t pos, const std::string& text) {
    return s.compare(pos, text.size(), text) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QuietFeedback ui;
    std::string version;
    const std::string examples = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";
    if (grids::create_param_table(gsi, grids::GSI_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(jcg, grids::JCG_TABLE_CAPACITY) != 0 ||
        grids::read_gsi_param_file(ui, 1, examples + "sample_land.par", version, gsi) != 0 ||
        grids::read_jcg_param_file(ui, 1, examples + "sample_sea.jhd", version, jcg) != 0) {
        fail("the example grids do not load");
    }
    // The product's texts are CP932 in this build too ("3ﾊﾟﾗ" of the mark).
    if (std::string_view(batch::FAILED_MARK).substr(0, 7) != "  <3\xCA\xDF\xD7") fail("texts are not CP932");
    char pattern[] = "/tmp/pellowen_fuzz_job_XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) fail("no temporary folder");
    work_dir = made;
    std::atexit([] {
        for (const char* name : {"/in.txt", "/out.sim", "/out.txt", "/out_Log.txt"}) std::remove((work_dir + name).c_str());
        rmdir(work_dir.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 60000) return 0;
    batch::ConversionJob job;
    job.direction = data[0] & 1;
    job.in_file_type = (data[0] & 2) ? batch::FILE_TYPE_XY : batch::FILE_TYPE_SIMA;
    job.out_file_type = (data[0] & 4) ? batch::FILE_TYPE_XYBL : batch::FILE_TYPE_SIMA;
    job.decimals = 3 + data[1] % 6;
    job.zone = data[2] < 128 ? 9 : 1 + data[2] % 19;
    const std::string input(reinterpret_cast<const char*>(data) + 3, size - 3);
    const bool sima_in = job.in_file_type == batch::FILE_TYPE_SIMA;
    const bool sima_out = job.out_file_type == batch::FILE_TYPE_SIMA;

    job.in_file = work_dir + "/in.txt";
    job.out_file = work_dir + (sima_out ? "/out.sim" : "/out.txt");
    job.para_file = "sample_land.par";
    job.para_version = "S1.00";
    job.parak_file = "sample_sea.jhd";
    job.parak_version = "S1.00";
    for (const char* name : {"/out.sim", "/out.txt", "/out_Log.txt"}) std::remove((work_dir + name).c_str());
    {
        std::ofstream in(job.in_file, std::ios::binary);
        in << input;
    }

    QuietFeedback ui;
    std::string log_path;
    if (batch::derive_log_path(job.out_file, log_path) != 0) fail("no log name");
    int error_flag = -1;
    const int result = batch::convert_file(ui, job, gsi, jcg, log_path, error_flag);
    if (result != 0) fail("the job failed", ui.messages.empty() ? "" : ui.messages[0]);
    if (read_file(job.in_file) != input) fail("the input was written");
    if (!sima_out && (log_path != job.out_file || exists(work_dir + "/out_Log.txt"))) fail("an XYBL output has a log");

    const std::string log = read_file(log_path);
    const std::string out = sima_out ? read_file(job.out_file) : std::string();
    std::size_t lp = 0;
    for (int h = 0; h < 9; ++h) {
        const std::size_t end = log.find("\r\n", lp);
        if (end == std::string::npos || log[lp] != '#' || log[end - 1] != ',') fail("header line");
        lp = end + 2;
    }
    const std::string marks[2] = {in_file_form(batch::GSI_MARK), in_file_form(batch::JCG_MARK)};
    const std::string failed_mark = in_file_form(batch::FAILED_MARK);
    const std::string stars(69, '*');

    std::size_t op = 0;
    int failed = 0;
    long counter = 0;
    for (const Line& line : split_lines(input)) {
        if (sima_in && line.text.compare(0, 3, "A01") != 0) {
            if (sima_out) {
                if (!starts_at(out, op, line.as_read())) fail("a non-record line changed", line.text);
                op += line.as_read().size();
            }
            continue;
        }
        if (!sima_in && (line.text.empty() || line.text[0] == '#')) continue;
        ++counter;
        const std::string number_text = sima_in ? field(line.text, 2) : std::to_string(counter);
        const std::string name = field(line.text, sima_in ? 3 : 1);
        const std::string height = sima_in ? field(line.text, 6) : std::string();
        if (sima_out) {
            // Converted: the output's next line is the rebuilt record, and
            // the log holds the same text with a grid's mark.
            bool converted = false;
            const std::string prefix = "A01," + number_text + "," + name + ",";
            const std::size_t end = out.find("\r\n", op);
            if (starts_at(out, op, prefix) && end != std::string::npos) {
                const std::string record = out.substr(op, end - op);
                for (const std::string& mark : marks) {
                    if (!starts_at(log, lp, record + mark)) continue;
                    std::size_t pos = prefix.size();
                    number(record, pos, job.decimals, false);
                    literal(record, pos, ",");
                    number(record, pos, job.decimals, false);
                    literal(record, pos, ",");
                    if (record.substr(pos) != height + ",") fail("height changed", record);
                    converted = true;
                    op = end + 2;
                    lp += record.size() + mark.size();
                    break;
                }
            }
            if (!converted) {
                if (failed == 0) {
                    for (int b = 0; b < 4; ++b) {
                        const std::size_t e = log.find("\r\n", lp);
                        if (e == std::string::npos || ((b == 0 || b == 3) && log.substr(lp, e - lp) != stars)) {
                            fail("error banner");
                        }
                        lp = e + 2;
                    }
                }
                if (!starts_at(log, lp, line.as_read())) fail("failed point not logged as read", line.text);
                lp += line.as_read().size();
                ++failed;
            }
        } else {
            const std::string_view s(log);
            std::size_t pos = lp;
            literal(s, pos, name + ",");
            while (pos < lp + 15) literal(s, pos, " ");
            xybl_half(s, pos, "  ", job.decimals, true);
            if (starts_at(log, pos, failed_mark)) {
                pos += failed_mark.size();
                ++failed;
            } else {
                xybl_half(s, pos, "    ", job.decimals, false);
                if (starts_at(log, pos, marks[0])) {
                    pos += marks[0].size();
                } else if (starts_at(log, pos, marks[1])) {
                    pos += marks[1].size();
                } else {
                    fail("no mark after a point", log.substr(lp, pos - lp));
                }
            }
            lp = pos;
        }
    }
    if (op != out.size()) fail("the output holds more than the input gave", out.substr(op, 80));
    if (lp != log.size()) fail("the log holds more than one entry per point", log.substr(lp, 80));
    if (error_flag != (failed > 0 ? 1 : 0)) fail("error flag");
    return 0;
}
