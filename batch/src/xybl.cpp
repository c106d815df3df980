#include "batch/xybl.h"

#include "batch/text_fields.h"
#include "geodesy/angles.h"
#include "text/number.h"

namespace batch {

namespace {

// Decimals of the second in the latitude and longitude columns.
constexpr int DMS_DECIMALS = 4;
constexpr std::size_t NAME_COLUMNS = 15;
constexpr std::size_t ANGLE_COLUMNS = 16;

void append_angle(std::string& out, double degrees, XyblScratch& scratch) {
    format_dms(geodesy::deg_to_rad(degrees), DMS_DECIMALS, scratch.angle);
    if (scratch.angle.size() < ANGLE_COLUMNS) out.append(ANGLE_COLUMNS - scratch.angle.size(), ' ');
    out.append(scratch.angle);
}

// One half of a line: X, Y, latitude and longitude, each closed by a comma,
// the first one after lead blanks.
void append_half(std::string& out, const char* lead, int decimals, double x, double y, double lat, double lon,
                 XyblScratch& scratch) {
    out.append(lead);
    append_coordinate(out, x, decimals);
    out.append(",  ");
    append_coordinate(out, y, decimals);
    out.append(",  ");
    append_angle(out, lat, scratch);
    out.append(",  ");
    append_angle(out, lon, scratch);
    out.push_back(',');
}

void append_name(std::string& out, const std::string& name) {
    out.assign(name).push_back(',');
    if (out.size() < NAME_COLUMNS) out.append(NAME_COLUMNS - out.size(), ' ');
}

}  // namespace

void read_xy_line(std::string_view line, SimaRecord& record) {
    get_field(line, 1, record.name);
    get_field(line, 2, record.x_text);
    record.x = text::read_decimal(record.x_text);
    get_field(line, 3, record.y_text);
    record.y = text::read_decimal(record.y_text);
    record.coordinates_readable = text::is_decimal_number(record.x_text) && text::is_decimal_number(record.y_text);
}

void format_xybl_line(int decimals, const std::string& name, double x, double y, double lat, double lon,
                      double x_out, double y_out, double lat_out, double lon_out, XyblScratch& scratch,
                      std::string& out) {
    append_name(out, name);
    append_half(out, "  ", decimals, x, y, lat, lon, scratch);
    append_half(out, "    ", decimals, x_out, y_out, lat_out, lon_out, scratch);
}

void format_xybl_short_line(int decimals, const std::string& name, double x, double y, double lat, double lon,
                            XyblScratch& scratch, std::string& out) {
    append_name(out, name);
    append_half(out, "  ", decimals, x, y, lat, lon, scratch);
}

}  // namespace batch
