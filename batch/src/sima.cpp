#include "batch/sima.h"

#include "batch/text_fields.h"
#include "geodesy/angles.h"
#include "grids/decimal.h"

namespace batch {

namespace {
// "%W.Dlf" without its leading "%", for a coordinate of decimals places.
std::string number_conversion(int decimals) {
    std::string text;
    format_into(text, "%d.%dlf", decimals + 9, decimals);
    return text;
}
}  // namespace

bool is_sima_record(std::string_view line) { return line.substr(0, 3) == "A01"; }

void read_sima_record(std::string_view line, SimaRecord& record) {
    get_field(line, 2, record.number);
    get_field(line, 3, record.name);
    get_field(line, 4, record.x_text);
    record.x = grids::read_decimal(record.x_text);
    get_field(line, 5, record.y_text);
    record.y = grids::read_decimal(record.y_text);
    get_field(line, 6, record.height);
}

std::string sima_format(int decimals) {
    const std::string n = number_conversion(decimals);
    return "%s,%s,%s,%" + n + ",%" + n + ",%s,";
}

void format_sima_record(const std::string& format, int decimals, const std::string& number,
                        const std::string& name, double x, double y, const std::string& height, std::string& out) {
    format_into(out, format.c_str(), "A01", number.c_str(), name.c_str(), geodesy::round_decimals(x, decimals),
                  geodesy::round_decimals(y, decimals), height.c_str());
}

}  // namespace batch
