// Angle units, packed sexagesimal angles, rounding and the sign function.
// Every conversion between radians, degrees and arc-seconds takes pi from
// GEO_PI, so that all parts of the program agree to the last bit.
#pragma once

namespace geodesy {

// Pi as the 15-significant-digit decimal 3.14159265358979 (IEEE bits
// 400921FB54442D11), deliberately not the full-precision value.
inline constexpr double GEO_PI = 3.14159265358979;

double deg_to_rad(double deg);
double rad_to_deg(double rad);
double rad_to_sec(double rad);

// Packed sexagesimal DD.MMSSsss... (sign = sign of the angle) to radians.
double dms_to_rad(double packed);

// Brings an angle into [0, 2*GEO_PI).
double normalize_angle_2pi(double rad);

// 0.0 for +0.0 and -0.0, otherwise -1.0 or +1.0.
double sign_of(double v);

// Cut toward zero / round half away from zero to n decimals, with a tolerance
// of 1e-5 in units of the last kept decimal.
double truncate_decimals(double v, int n);
double round_decimals(double v, int n);

}  // namespace geodesy
