#include "settings/env_file.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "batch/text_fields.h"
#include "text/cp932.h"
#include "text/number.h"
#include "text/text_file.h"

namespace settings {

namespace {

// Longest type value taken; the rest of a longer one is dropped.
constexpr std::size_t TYPE_TEXT_MAX = 9;

// The end of the text in a file written by old editors.
constexpr char END_OF_FILE_MARK = '\x1A';

enum class Setting { InFileType, InFile, OutFileType, OutFile, ParaFile, ParakFile, CorrectionFile, MapFile };

struct EnvKey {
    std::string_view key;
    Setting setting;
};

// In the order in which a line is compared with them; the first key that
// begins the line decides.
constexpr std::array<EnvKey, 8> ENV_KEYS = {{
    {"INFILETYPE", Setting::InFileType},
    {"SIMAINFILE", Setting::InFile},
    {"OUTFILETYPE", Setting::OutFileType},
    {"SIMAOUTFILE", Setting::OutFile},
    {"PARAFILE", Setting::ParaFile},
    {"PARAKFILE", Setting::ParakFile},
    {"CORRFILE", Setting::CorrectionFile},
    {"MAPFILE", Setting::MapFile},
}};

// A correction file's line: after the six lines, one per file in order.
constexpr const char* CORRECTION_LINE_START = "CORRFILE     <";
// The map file asked for: after the correction files' lines, only when on.
constexpr const char* MAP_LINE = "MAPFILE      <1>\n";

// A type value: its first TYPE_TEXT_MAX characters read as a whole number
// (nine digits at most, so none is lost to the reading's stop).
int type_value(std::string_view text) {
    long value = 0;
    text::read_integer(text.substr(0, TYPE_TEXT_MAX), value);
    return static_cast<int>(value);
}

// The correction files of a settings file replace the job's as a whole: the
// first such line clears them.
struct Reading {
    batch::ConversionJob& job;
    bool corrections_seen = false;
};

void apply_line(std::string_view line, Reading& reading) {
    batch::ConversionJob& job = reading.job;
    const std::size_t open = line.find('<');
    if (open == std::string_view::npos) return;
    std::string value = extract_env_value(line.substr(open + 1));
    // The value is zero-terminated text: a zero byte ends it.
    const std::size_t zero = value.find('\0');
    if (zero != std::string::npos) value.resize(zero);
    for (const EnvKey& k : ENV_KEYS) {
        if (line.substr(0, k.key.size()) != k.key) continue;
        std::string* path = nullptr;
        switch (k.setting) {
        case Setting::InFileType: job.in_file_type = static_cast<batch::InputType>(type_value(value)); return;
        case Setting::OutFileType: job.out_file_type = static_cast<batch::OutputType>(type_value(value)); return;
        case Setting::InFile: path = &job.in_file; break;
        case Setting::OutFile: path = &job.out_file; break;
        case Setting::ParaFile: path = &job.para_file; break;
        case Setting::ParakFile: path = &job.parak_file; break;
        case Setting::CorrectionFile:
            if (!reading.corrections_seen) job.correction_files.clear();
            reading.corrections_seen = true;
            if (!value.empty() && value.size() <= batch::TEXT_MAX) job.correction_files.push_back(std::move(value));
            return;
        case Setting::MapFile:
            job.write_map = type_value(value) == 1;
            return;
        }
        // A path that no path field can hold is ignored rather than cut.
        if (value.size() <= batch::TEXT_MAX) *path = std::move(value);
        return;
    }
}

}  // namespace

std::string extract_env_value(std::string_view source) {
    return std::string(source.substr(0, source.find('>')));
}

std::string directory_part(std::string_view path) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' && i >= 1) last = i;
        if (text::is_cp932_lead_byte(static_cast<unsigned char>(path[i]))) ++i;  // skip the trail byte
    }
    return std::string(path.substr(0, last));
}

int read_env_file(grids::UserFeedback& ui, const std::string& path, batch::ConversionJob& job) {
    text::FilePtr file = text::open_cp932_path(path, "rb");
    if (!file) {
        ui.show_message(ENV_OPEN_ERROR, ENV_CAPTION);
        return 1;
    }
    std::string text;
    std::array<char, 4096> chunk;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) text.append(chunk.data(), n);
    if (text::starts_with_unicode_mark(text)) {
        std::string message;
        batch::format_into(message, text::UNICODE_FILE_ERROR, path.c_str());
        ui.show_message(message, ENV_CAPTION);
        return 1;
    }
    text.resize(std::min(text.size(), text.find(END_OF_FILE_MARK)));

    // CR LF, LF and a lone CR each end a line; none of them is part of it.
    Reading reading{job};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        apply_line(std::string_view(text).substr(start, end - start), reading);
        start = end;
        if (start < text.size() && text[start] == '\r') ++start;
        if (start < text.size() && text[start] == '\n') ++start;
    }
    return 0;
}

int write_env_file(grids::UserFeedback& ui, const std::string& path, const batch::ConversionJob& job) {
    text::FilePtr file = text::open_cp932_path(path, "wb");
    if (!file) {
        ui.show_message(ENV_OPEN_ERROR, ENV_CAPTION);
        return 1;
    }
    text::TextWriter out(std::move(file));
    out.write("INFILETYPE   <" + std::to_string(static_cast<int>(job.in_file_type)) + ">\n");
    out.write("SIMAINFILE   <" + job.in_file + ">\n");
    out.write("OUTFILETYPE  <" + std::to_string(static_cast<int>(job.out_file_type)) + ">\n");
    out.write("SIMAOUTFILE  <" + job.out_file + ">\n");
    out.write("PARAFILE     <" + job.para_file + ">\n");
    out.write("PARAKFILE    <" + job.parak_file + ">\n");
    for (const std::string& correction : job.correction_files) out.write(CORRECTION_LINE_START + correction + ">\n");
    if (job.write_map) out.write(MAP_LINE);
    return out.close();
}

}  // namespace settings
