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
    text = text::trim_blanks(text);
    int fraction_digits = 0;
    const std::size_t plain = text::plain_decimal_length(text, fraction_digits);
    if (plain == 0 || plain != text.size()) return 1;
    value = text::read_decimal(text);
    decimals = fraction_digits;
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
