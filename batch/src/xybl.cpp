#include "batch/xybl.h"

#include "batch/text_fields.h"
#include "geodesy/angles.h"
#include "grids/decimal.h"

namespace batch {

namespace {
// Decimals of the second in the latitude and longitude columns.
constexpr int DMS_DECIMALS = 4;
}  // namespace

void read_xy_line(std::string_view line, SimaRecord& record) {
    get_field(line, 1, record.name);
    get_field(line, 2, record.x_text);
    record.x = grids::read_decimal(record.x_text);
    get_field(line, 3, record.y_text);
    record.y = grids::read_decimal(record.y_text);
}

XyblFormats xybl_formats(int decimals) {
    std::string t;
    format_into(t, "%d.%dlf", decimals + 9, decimals);
    XyblFormats f;
    f.short_format = "%-15s  %" + t + ",  %" + t + ",  %16s,  %16s,";
    f.full_format = f.short_format + "    %" + t + ",  %" + t + ",  %16s,  %16s,";
    return f;
}

void format_xybl_line(const XyblFormats& formats, int decimals, const std::string& name, double x, double y,
                      double lat, double lon, double x_out, double y_out, double lat_out, double lon_out,
                      XyblScratch& scratch, std::string& out) {
    scratch.name.assign(name).push_back(',');
    format_dms(geodesy::deg_to_rad(lat), DMS_DECIMALS, scratch.b);
    format_dms(geodesy::deg_to_rad(lon), DMS_DECIMALS, scratch.l);
    format_dms(geodesy::deg_to_rad(lat_out), DMS_DECIMALS, scratch.b_out);
    format_dms(geodesy::deg_to_rad(lon_out), DMS_DECIMALS, scratch.l_out);
    format_into(out, formats.full_format.c_str(), scratch.name.c_str(), geodesy::round_decimals(x, decimals),
                  geodesy::round_decimals(y, decimals), scratch.b.c_str(), scratch.l.c_str(),
                  geodesy::round_decimals(x_out, decimals), geodesy::round_decimals(y_out, decimals),
                  scratch.b_out.c_str(), scratch.l_out.c_str());
}

void format_xybl_short_line(const XyblFormats& formats, int decimals, const std::string& name, double x, double y,
                            double lat, double lon, XyblScratch& scratch, std::string& out) {
    scratch.name.assign(name).push_back(',');
    format_dms(geodesy::deg_to_rad(lat), DMS_DECIMALS, scratch.b);
    format_dms(geodesy::deg_to_rad(lon), DMS_DECIMALS, scratch.l);
    format_into(out, formats.short_format.c_str(), scratch.name.c_str(), geodesy::round_decimals(x, decimals),
                  geodesy::round_decimals(y, decimals), scratch.b.c_str(), scratch.l.c_str());
}

}  // namespace batch
