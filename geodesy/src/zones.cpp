#include "geodesy/zones.h"

namespace geodesy {

namespace {

// Zone origins as stored, packed DD.MM (140.15 is 140 deg 15 min).
constexpr std::array<ZoneOrigin, ZONE_COUNT> ZONE_ORIGINS = {{
    {33.0, 129.3},   // 1
    {33.0, 131.0},   // 2
    {36.0, 132.1},   // 3
    {33.0, 133.3},   // 4
    {36.0, 134.2},   // 5
    {36.0, 136.0},   // 6
    {36.0, 137.1},   // 7
    {36.0, 138.3},   // 8
    {36.0, 139.5},   // 9
    {40.0, 140.5},   // 10
    {44.0, 140.15},  // 11
    {44.0, 142.15},  // 12
    {44.0, 144.15},  // 13
    {26.0, 142.0},   // 14
    {26.0, 127.3},   // 15
    {26.0, 124.0},   // 16
    {26.0, 131.0},   // 17
    {20.0, 136.0},   // 18
    {26.0, 154.0},   // 19
}};

}  // namespace

// Roman numerals are the CP932 characters 0x8754..0x875D; the single
// numerals I..X stand after a full-width blank. Zone 2 keeps its trailing
// ASCII blank.
const std::array<const char*, ZONE_COUNT> ZONE_NAMES = {
    " 1【第　Ⅰ系】長崎・奄美諸島",
    " 2【第　Ⅱ系】九州 ",
    " 3【第　Ⅲ系】山陰",
    " 4【第　Ⅳ系】四国",
    " 5【第　Ⅴ系】山陽",
    " 6【第　Ⅵ系】近畿",
    " 7【第　Ⅶ系】石川・富山・岐阜・愛知",
    " 8【第　Ⅷ系】新潟・長野・山梨・静岡",
    " 9【第　Ⅸ系】関東",
    "10【第　Ⅹ系】東北",
    "11【第ⅩⅠ系】道南",
    "12【第ⅩⅡ系】道央・道北",
    "13【第ⅩⅢ系】道東",
    "14【第ⅩⅣ系】小笠原諸島",
    "15【第ⅩⅤ系】沖縄",
    "16【第ⅩⅥ系】先島諸島",
    "17【第ⅩⅦ系】大東諸島",
    "18【第ⅩⅧ系】沖ノ鳥島",
    "19【第ⅩⅨ系】南鳥島",
};

ZoneOrigin zone_origin(int zone) { return ZONE_ORIGINS[static_cast<std::size_t>(zone - 1)]; }

}  // namespace geodesy
