// The nineteen plane rectangular coordinate systems (zones) of Japan.
#pragma once

#include <array>

namespace geodesy {

inline constexpr int ZONE_COUNT = 19;
inline constexpr double ZONE_SCALE_FACTOR = 0.9999;

// Display names in zone order (index zone - 1), CP932 text. Each begins with
// its zone number right-aligned in two characters; the dialog reads the
// number back from there.
extern const std::array<const char*, ZONE_COUNT> ZONE_NAMES;

struct ZoneOrigin {
    double lat;  // packed sexagesimal DD.MM
    double lon;  // packed sexagesimal DDD.MM
};

// The stored packed origin of zone 1..19.
ZoneOrigin zone_origin(int zone);

}  // namespace geodesy
