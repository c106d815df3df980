#include "batch/map_file.h"

#include <charconv>
#include <cmath>

#include "batch/conversion_log.h"
#include "geodesy/angles.h"
#include "text/convert.h"

namespace batch {

namespace {

// Decimals of a longitude or latitude in degrees: 1e-9 degree is 0.1 mm.
constexpr int DEGREE_DECIMALS = 9;

// GSI Maps' circle for a point: outline, and a fill by the point's fate.
constexpr const char* STYLE_START = R"(,"_markerType":"CircleMarker","_radius":6,"_color":"#000000","_fillColor":")";
constexpr const char* STYLE_END = R"(","_weight":1,"_opacity":1,"_fillOpacity":0.8}})";
constexpr const char* LAND_COLOUR = "#1E50DC";  // blue: the land grid shifted it
constexpr const char* SEA_COLOUR = "#00A0B4";   // teal: the sea grid
constexpr const char* FAILED_COLOUR = "#FF0000";  // red: not converted

// The program's own texts in the map file, CP932 here, UTF-8 there.
struct MapTexts {
    std::string number = utf8("点番号");
    std::string state = utf8("状態");
    std::string corrections = utf8("補正");
    std::string tokyo_x = utf8("旧日本測地系X");
    std::string tokyo_y = utf8("旧日本測地系Y");
    std::string jgd_x = utf8("世界測地系X");
    std::string jgd_y = utf8("世界測地系Y");
    std::string height = utf8("標高");
    std::string place = utf8("地図の位置");
    std::string by_land = utf8("国土地理院で変換");
    std::string by_sea = utf8("海上保安庁で変換");
    std::string failed = utf8("変換できず");
    std::string place_converted = utf8("変換後の世界測地系の位置");
    std::string place_jgd_input = utf8("入力の世界測地系の位置");
    std::string place_tokyo_input = utf8("入力の旧日本測地系の位置(世界測地系の地図では約400mずれて表示されます)");
    std::string place_none = utf8("位置なし");

    static std::string utf8(std::string_view cp932) {
        std::string text;
        text::cp932_to_utf8_replacing(cp932, text);
        return text;
    }
};

const MapTexts& texts() {
    static const MapTexts t;
    return t;
}

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped, every other byte as it is.
void append_json_string(std::string& out, std::string_view utf8) {
    static const char HEX[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (u < 0x20) {
            out.append("\\u00");
            out.push_back(HEX[u >> 4]);
            out.push_back(HEX[u & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

// A CP932 text of the input as a JSON string.
void append_input_text(std::string& out, std::string_view cp932, MapScratch& scratch) {
    text::cp932_to_utf8_replacing(cp932, scratch.utf8);
    append_json_string(out, scratch.utf8);
}

void append_key(std::string& out, std::string_view utf8_key) {
    out.push_back(',');
    append_json_string(out, utf8_key);
    out.push_back(':');
}

// A number with decimals places, or null when it is none: JSON has no NaN
// and no infinity.
void append_number(std::string& out, double value, int decimals) {
    char digits[400];
    std::to_chars_result r{digits, std::errc::value_too_large};
    if (std::isfinite(value)) r = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        out.append("null");
        return;
    }
    out.append(digits, static_cast<std::size_t>(r.ptr - digits));
}

// A plane coordinate as the outputs round it, to the run's decimals.
void append_coordinate_number(std::string& out, double value, int decimals) {
    append_number(out, std::isfinite(value) ? geodesy::round_decimals(value, decimals) : value, decimals);
}

}  // namespace

void write_map_start(text::TextWriter& map) { map.write("{\"type\":\"FeatureCollection\",\"features\":[\n"); }

void write_map_end(text::TextWriter& map) { map.write("\n]}\n"); }

void write_map_point(text::TextWriter& map, const ConversionJob& job, const MapPoint& point, MapScratch& scratch) {
    const MapTexts& t = texts();
    const SimaRecord& r = point.record;
    const grids::PointResult& p = point.result;
    const bool converted = point.fate == PointFate::converted;
    const bool forward = job.direction == Direction::tokyo_to_jgd;
    std::string& out = scratch.line;
    out.clear();
    if (!scratch.first) out.append(",\n");
    scratch.first = false;

    // Where the point is drawn: its JGD position when converted (the output
    // from the Tokyo datum, the input from JGD), else its input position.
    const double lat = converted && forward ? p.lat_out : p.lat_in;
    const double lon = converted && forward ? p.lon_out : p.lon_in;
    const bool placed = point.fate != PointFate::unreadable && std::isfinite(lat) && std::isfinite(lon);
    out.append("{\"type\":\"Feature\",\"geometry\":");
    if (placed) {
        out.append("{\"type\":\"Point\",\"coordinates\":[");
        append_number(out, lon, DEGREE_DECIMALS);
        out.push_back(',');
        append_number(out, lat, DEGREE_DECIMALS);
        out.append("]}");
    } else {
        out.append("null");
    }
    out.append(",\"properties\":{\"name\":");
    append_input_text(out, r.name, scratch);
    if (job.in_file_type == InputType::sima) {
        append_key(out, t.number);
        append_input_text(out, r.number, scratch);
    }
    append_key(out, t.state);
    append_json_string(out, converted ? (p.source == grids::GridKind::land ? t.by_land : t.by_sea) : t.failed);
    if (point.corrections > 0) {
        append_key(out, t.corrections);
        if (converted) {
            correction_marks(p, point.corrections, scratch.marks);
        } else if (p.corrections.failed >= 0) {
            failed_mark(p, scratch.marks);
            // The mark without its blanks, brackets and line end.
            scratch.marks = scratch.marks.substr(3, scratch.marks.size() - 5);
        } else {
            scratch.marks.clear();
        }
        append_input_text(out, scratch.marks, scratch);
    }
    // The input's coordinates as read (none when unreadable), the output's
    // when converted.
    const bool readable = point.fate != PointFate::unreadable;
    const double nan = std::nan("");
    const double tokyo_x = forward ? (readable ? r.x : nan) : (converted ? p.x_out : nan);
    const double tokyo_y = forward ? (readable ? r.y : nan) : (converted ? p.y_out : nan);
    const double jgd_x = forward ? (converted ? p.x_out : nan) : (readable ? r.x : nan);
    const double jgd_y = forward ? (converted ? p.y_out : nan) : (readable ? r.y : nan);
    append_key(out, t.tokyo_x);
    append_coordinate_number(out, tokyo_x, job.decimals);
    append_key(out, t.tokyo_y);
    append_coordinate_number(out, tokyo_y, job.decimals);
    append_key(out, t.jgd_x);
    append_coordinate_number(out, jgd_x, job.decimals);
    append_key(out, t.jgd_y);
    append_coordinate_number(out, jgd_y, job.decimals);
    if (job.in_file_type == InputType::sima) {
        append_key(out, t.height);
        append_input_text(out, r.height, scratch);
    }
    append_key(out, t.place);
    append_json_string(out, !placed ? t.place_none
                            : converted ? t.place_converted
                            : forward ? t.place_tokyo_input
                                      : t.place_jgd_input);
    out.append(STYLE_START);
    out.append(!converted ? FAILED_COLOUR : p.source == grids::GridKind::land ? LAND_COLOUR : SEA_COLOUR);
    out.append(STYLE_END);
    map.write(out);
}

}  // namespace batch
