#include "batch/sima.h"

#include "batch/text_fields.h"
#include "text/number.h"

namespace batch {

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
