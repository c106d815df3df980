#include "geodesy/angles.h"

#include <cmath>
#include <limits>

namespace geodesy {

namespace {

// 1/180 as the nearest double.
constexpr double ONE_OVER_180 = 0.005555555555555556;

// 1/648000 as its 15-digit decimal (one ulp above 1/648000 itself): arc
// seconds to radians once multiplied by GEO_PI.
constexpr double ONE_OVER_648000 = 1.54320987654321e-6;

// Tolerance, in units of the last kept decimal, that absorbs the
// representation error of values such as 134.2 * 100 = 13419.999999999998.
constexpr double DECIMAL_TOLERANCE = 0.00001;

// 10^n; the powers a double holds exactly come from a table (the same
// values the power function gives), the rest from the power function.
constexpr double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
double power_of_ten(int n) {
    if (n >= 0 && n <= 22) return EXACT_POWERS_OF_TEN[n];
    return std::pow(10.0, n);
}

}  // namespace

double deg_to_rad(double deg) { return GEO_PI * deg * ONE_OVER_180; }

double rad_to_deg(double rad) { return (rad * 180) / GEO_PI; }

double rad_to_sec(double rad) { return ((rad * 180) / GEO_PI) * 3600; }

double sign_of(double v) {
    if (v == 0.0) return 0.0;
    return v / std::fabs(v);
}

double truncate_decimals(double v, int n) {
    double magnitude;
    if (n == 0) {
        magnitude = std::floor(std::fabs(v) + DECIMAL_TOLERANCE);
    } else {
        const double p = power_of_ten(n);
        magnitude = std::floor(std::fabs(v) * p + DECIMAL_TOLERANCE) / p;
    }
    return sign_of(v) * magnitude;
}

double round_decimals(double v, int n) {
    double magnitude;
    if (n == 0) {
        magnitude = truncate_decimals(std::fabs(v) + 0.5, 0);
    } else {
        const double p = power_of_ten(n);
        magnitude = truncate_decimals(std::fabs(v) * p + 0.5, 0) / p;
    }
    return sign_of(v) * magnitude;
}

// DD.MMSSsss: r*100 truncated is DD*100 + MM, r truncated is DD; then
// r*10000 - (DD*60 + DD*100 + MM)*40 = DD*3600 + MM*60 + SS.sss, the angle in
// arc-seconds. Minutes or seconds of 60 or more simply carry.
double dms_to_rad(double packed) {
    const double r = std::fabs(packed);
    const double c = truncate_decimals(r * 100, 0);
    const double d = truncate_decimals(r, 0);
    const double s = r * 10000 - (d * 60 + c) * 40;
    return GEO_PI * sign_of(packed) * s * ONE_OVER_648000;
}

// Whole steps of 2*pi, as many as an angle within a few turns needs (every
// angle the projections make of a real point needs at most one), taken
// exactly as an unbounded stepping loop would take them. An angle still
// outside is reduced by the exact remainder, so that any value ends at once;
// an infinite angle has no direction and gives NaN.
double normalize_angle_2pi(double rad) {
    constexpr double TWO_PI = 2 * GEO_PI;
    constexpr int MOST_STEPS = 8;
    for (int step = 0; step < MOST_STEPS && rad < 0; ++step) rad += TWO_PI;
    for (int step = 0; step < MOST_STEPS && rad >= TWO_PI; ++step) rad -= TWO_PI;
    if (rad >= 0 && rad < TWO_PI) return rad;
    if (!std::isfinite(rad)) return std::numeric_limits<double>::quiet_NaN();
    rad = std::fmod(rad, TWO_PI);
    if (rad < 0) rad += TWO_PI;
    // A whole number of turns ends on +0, as whole steps would.
    return rad > 0 && rad < TWO_PI ? rad : 0.0;
}

}  // namespace geodesy
