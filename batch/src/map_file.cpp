#include "batch/map_file.h"

#include <cmath>

#include "batch/conversion_log.h"
#include "batch/text_fields.h"
#include "geodesy/angles.h"
#include "text/convert.h"

namespace batch {

namespace {

// Decimals of a longitude or latitude in degrees: 1e-9 degree is 0.1 mm.
constexpr int DEGREE_DECIMALS = 9;

// GSI Maps' circle for a point: outline, and a fill by the point's fate
// (blue: the land grid shifted it; teal: the sea grid; red: not converted),
// and the end of the feature.
#define CIRCLE_STYLE(fill) \
    R"(,"_markerType":"CircleMarker","_radius":6,"_color":"#000000","_fillColor":")" fill \
    R"(","_weight":1,"_opacity":1,"_fillOpacity":0.8}})"
constexpr std::string_view LAND_STYLE = CIRCLE_STYLE("#1E50DC");
constexpr std::string_view SEA_STYLE = CIRCLE_STYLE("#00A0B4");
constexpr std::string_view FAILED_STYLE = CIRCLE_STYLE("#FF0000");
#undef CIRCLE_STYLE
constexpr std::string_view FEATURE_START = R"({"type":"Feature","geometry":)";
constexpr std::string_view POINT_START = R"({"type":"Point","coordinates":[)";
constexpr std::string_view PROPERTIES_START = R"(,"properties":{"name":)";

bool needs_escape(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped, every other byte as it is.
void append_json_string(std::string& out, std::string_view utf8) {
    static const char HEX[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (!needs_escape(c)) continue;
        out.append(utf8.substr(start, i - start));
        start = i + 1;
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20) {
            out.append("\\u00");
            out.push_back(HEX[u >> 4]);
            out.push_back(HEX[u & 0xF]);
        } else {
            out.push_back('\\');
            out.push_back(c);
        }
    }
    out.append(utf8.substr(start));
    out.push_back('"');
}

// The program's own CP932 text as a JSON string, once per job.
std::string json_text(std::string_view cp932) {
    std::string utf8;
    text::cp932_to_utf8_replacing(cp932, utf8);
    std::string json;
    append_json_string(json, utf8);
    return json;
}

// A property's key with the comma before it and the colon after it.
std::string json_key(std::string_view cp932) {
    std::string key(1, ',');
    key.append(json_text(cp932)).push_back(':');
    return key;
}

// A CP932 text of the input as a JSON string. Only ASCII bytes need escaping
// (no byte of a UTF-8 character beyond ASCII is below 0x80): a text without
// any such byte goes straight in.
void append_input_text(std::string& out, std::string_view cp932, MapScratch& scratch) {
    bool plain = true;
    for (const char c : cp932) plain = plain && !needs_escape(c);
    if (plain) {
        out.push_back('"');
        text::append_cp932_as_utf8(cp932, out);
        out.push_back('"');
        return;
    }
    text::cp932_to_utf8_replacing(cp932, scratch.utf8);
    append_json_string(out, scratch.utf8);
}

// A number with decimals places, as the outputs write numbers, or null
// when it is none: JSON has no NaN and no infinity.
void append_number(std::string& out, double value, int decimals) {
    if (std::isfinite(value)) {
        append_fixed(out, value, decimals, 0);
    } else {
        out.append("null");
    }
}

// A plane coordinate as the outputs round it, to the run's decimals.
void append_coordinate_number(std::string& out, double value, int decimals) {
    append_number(out, std::isfinite(value) ? geodesy::round_decimals(value, decimals) : value, decimals);
}

}  // namespace

void make_map_format(const ConversionJob& job, std::size_t correction_count, MapFormat& f) {
    f.forward = job.direction == Direction::tokyo_to_jgd;
    f.sima_input = job.in_file_type == InputType::sima;
    f.decimals = job.decimals;
    f.corrections = correction_count;
    f.number_key = json_key("点番号");
    f.corrections_key = json_key("補正");
    f.height_key = json_key("標高");
    f.coordinate_keys[0] = json_key("旧日本測地系X");
    f.coordinate_keys[1] = json_key("旧日本測地系Y");
    f.coordinate_keys[2] = json_key("世界測地系X");
    f.coordinate_keys[3] = json_key("世界測地系Y");
    const std::string state_key = json_key("状態");
    f.states[0] = state_key + json_text("国土地理院で変換");
    f.states[1] = state_key + json_text("海上保安庁で変換");
    f.states[2] = state_key + json_text("変換できず");
    const std::string place_key = json_key("地図の位置");
    const std::string places[4] = {
        json_text("変換後の世界測地系の位置"),
        json_text("入力の世界測地系の位置"),
        json_text("入力の旧日本測地系の位置(世界測地系の地図では約400mずれて表示されます)"),
        json_text("位置なし"),
    };
    const std::string_view styles[3] = {LAND_STYLE, SEA_STYLE, FAILED_STYLE};
    for (int place = 0; place < 4; ++place) {
        for (int style = 0; style < 3; ++style) f.endings[place][style] = place_key + places[place] + std::string(styles[style]);
    }
}

void write_map_start(text::TextWriter& map) { map.write("{\"type\":\"FeatureCollection\",\"features\":[\n"); }

void write_map_separator(text::TextWriter& map) { map.write(",\n"); }

void write_map_end(text::TextWriter& map) { map.write("\n]}\n"); }

void format_map_feature(const MapFormat& f, const MapPoint& point, MapScratch& scratch, std::string& out) {
    const SimaRecord& r = point.record;
    const grids::PointResult& p = point.result;
    const bool converted = point.fate == PointFate::converted;
    out.clear();

    // Where the point is drawn: its JGD position when converted (the output
    // from the Tokyo datum, the input from JGD), else its input position.
    const double lat = converted && f.forward ? p.lat_out : p.lat_in;
    const double lon = converted && f.forward ? p.lon_out : p.lon_in;
    const bool placed = point.fate != PointFate::unreadable && std::isfinite(lat) && std::isfinite(lon);
    out.append(FEATURE_START);
    if (placed) {
        out.append(POINT_START);
        append_number(out, lon, DEGREE_DECIMALS);
        out.push_back(',');
        append_number(out, lat, DEGREE_DECIMALS);
        out.append("]}");
    } else {
        out.append("null");
    }
    out.append(PROPERTIES_START);
    append_input_text(out, r.name, scratch);
    if (f.sima_input) {
        out.append(f.number_key);
        append_input_text(out, r.number, scratch);
    }
    const int fate = !converted ? 2 : p.source == grids::GridKind::land ? 0 : 1;
    out.append(f.states[fate]);
    if (f.corrections > 0) {
        out.append(f.corrections_key);
        if (converted) {
            correction_marks(p, f.corrections, scratch.marks);
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
    const double in_x = readable ? r.x : nan;
    const double in_y = readable ? r.y : nan;
    const double out_x = converted ? p.x_out : nan;
    const double out_y = converted ? p.y_out : nan;
    const double values[4] = {f.forward ? in_x : out_x, f.forward ? in_y : out_y, f.forward ? out_x : in_x,
                              f.forward ? out_y : in_y};
    for (int k = 0; k < 4; ++k) {
        out.append(f.coordinate_keys[k]);
        append_coordinate_number(out, values[k], f.decimals);
    }
    if (f.sima_input) {
        out.append(f.height_key);
        append_input_text(out, r.height, scratch);
    }
    const int place = !placed ? 3 : converted ? 0 : f.forward ? 2 : 1;
    out.append(f.endings[place][fate]);
}

}  // namespace batch
