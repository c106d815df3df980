// The XY text input (point name, X, Y per line) and the XYBL text output
// (X, Y, latitude, longitude before and after conversion per line).
#pragma once

#include <string>
#include <string_view>

#include "batch/sima.h"

namespace batch {

// Fields 1 to 3 of an XY line into name, x and y (of the record; number and
// height are left as they are).
void read_xy_line(std::string_view line, SimaRecord& record);

struct XyblFormats {
    std::string short_format;  // name, X, Y, B, L
    std::string full_format;   // and X', Y', B', L'
};
XyblFormats xybl_formats(int decimals);

// Scratch storage for one XYBL line, reused from point to point.
struct XyblScratch {
    std::string name;
    std::string b, l, b_out, l_out;
};

// The line of a converted point, without its mark. Latitudes and longitudes
// in degrees.
void format_xybl_line(const XyblFormats& formats, int decimals, const std::string& name, double x, double y,
                      double lat, double lon, double x_out, double y_out, double lat_out, double lon_out,
                      XyblScratch& scratch, std::string& out);

// The short line of a point that was not converted, without its mark.
void format_xybl_short_line(const XyblFormats& formats, int decimals, const std::string& name, double x, double y,
                            double lat, double lon, XyblScratch& scratch, std::string& out);

}  // namespace batch
