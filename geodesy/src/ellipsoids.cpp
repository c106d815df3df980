#include "geodesy/ellipsoids.h"

namespace geodesy {

namespace {

// Bessel 1841: every value stored and used as it stands (ep2 deliberately
// differs in its last digits from what a and b would give).
constexpr EllipsoidConstants BESSEL = {
    BESSEL_A,
    6356078.962832441,
    0.006674372227347433,
    0.006719218794659982,
    6398786.848059847,
};

// GRS80 and WGS84: semi-major axis and axis ratio b/a = 1 - f stored; the
// rest derived.
constexpr double GRS80_AXIS_RATIO = 0.9966471893188177;  // 1 - 1/298.257222101
constexpr double WGS84_AXIS_RATIO = 0.9966471893352525;  // 1 - 1/298.257223563

EllipsoidConstants derived(double a, double axis_ratio) {
    EllipsoidConstants k{};
    k.a = a;
    k.b = a * axis_ratio;
    k.e2 = (a * a - k.b * k.b) / (a * a);
    k.ep2 = (a * a - k.b * k.b) / (k.b * k.b);
    k.c = a * a / k.b;
    return k;
}

}  // namespace

EllipsoidConstants ellipsoid_constants(Ellipsoid ellipsoid) {
    switch (ellipsoid) {
    case ELLIPSOID_BESSEL: return BESSEL;
    case ELLIPSOID_WGS84: return derived(WGS84_A, WGS84_AXIS_RATIO);
    default: return derived(GRS80_A, GRS80_AXIS_RATIO);
    }
}

}  // namespace geodesy
