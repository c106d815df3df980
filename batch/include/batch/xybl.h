// The XY text input (point name, X, Y per line) and the XYBL text output
// (X, Y, latitude, longitude before and after conversion per line).
#pragma once

#include <string>
#include <string_view>

#include "batch/sima.h"

namespace batch {

// Fields 1 to 3 of an XY line into name, x and y, and whether both
// coordinates are readable (of the record; number and height are left as
// they are).
void read_xy_line(std::string_view line, SimaRecord& record);

// Scratch storage for one XYBL line, reused from point to point.
struct XyblScratch {
    std::string angle;
};

// The line of a converted point, without its mark: the name and a comma in
// 15 columns (a longer name is not cut), X and Y in decimals + 9 columns,
// latitude and longitude as angle text in 16, then the same four of the
// converted point. Latitudes and longitudes in degrees.
void format_xybl_line(int decimals, const std::string& name, double x, double y, double lat, double lon,
                      double x_out, double y_out, double lat_out, double lon_out, XyblScratch& scratch,
                      std::string& out);

// The short line of a point that was not converted, without its mark.
void format_xybl_short_line(int decimals, const std::string& name, double x, double y, double lat, double lon,
                            XyblScratch& scratch, std::string& out);

}  // namespace batch
