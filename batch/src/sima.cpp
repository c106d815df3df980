#include "batch/sima.h"

#include "batch/text_fields.h"
#include "geodesy/angles.h"
#include "text/number.h"

namespace batch {

namespace {
// Fewest decimals of a corrected height: millimetres.
constexpr int HEIGHT_DECIMALS_MIN = 3;
}  // namespace

bool is_sima_record(std::string_view line) { return line.substr(0, 3) == "A01"; }

void read_sima_record(std::string_view line, SimaRecord& record) {
    get_field(line, 2, record.number);
    get_field(line, 3, record.name);
    get_field(line, 4, record.x_text);
    record.x = text::read_decimal(record.x_text);
    get_field(line, 5, record.y_text);
    record.y = text::read_decimal(record.y_text);
    get_field(line, 6, record.height);
    record.coordinates_readable = text::is_decimal_number(record.x_text) && text::is_decimal_number(record.y_text);
}

int read_plain_height(std::string_view text, double& value, int& decimals) {
    const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    int after_point = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits, ++after_point;
    }
    if (digits == 0 || i != text.size()) return 1;
    value = text::read_decimal(text);
    decimals = after_point;
    return 0;
}

void format_height(double value, int decimals, std::string& out) {
    const int d = decimals < HEIGHT_DECIMALS_MIN ? HEIGHT_DECIMALS_MIN : decimals;
    out.clear();
    // A height that rounds to nothing is 0, never "-0.000": adding 0 turns
    // a negative zero into zero and changes no other value.
    append_fixed(out, geodesy::round_decimals(value, d) + 0.0, d, 0);
}

void format_sima_record(int decimals, const std::string& number, const std::string& name, double x, double y,
                        const std::string& height, std::string& out) {
    out.assign("A01,");
    out.append(number).push_back(',');
    out.append(name).push_back(',');
    append_coordinate(out, x, decimals);
    out.push_back(',');
    append_coordinate(out, y, decimals);
    out.push_back(',');
    out.append(height).push_back(',');
}

}  // namespace batch
