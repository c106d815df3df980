// Angles, zones and the two projections against worked values.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "geodesy/angles.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/mesh_key.h"
#include "geodesy/projection.h"
#include "geodesy/zones.h"

using namespace geodesy;

namespace {
std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }
constexpr Ellipsoid ALL_ELLIPSOIDS[] = {ELLIPSOID_BESSEL, ELLIPSOID_GRS80, ELLIPSOID_WGS84};
}  // namespace

TEST(Angles, RoundingWithAToleranceOfOneHundredThousandthOfTheLastDecimal) {
    struct Case { double v; int n; double truncated; double rounded; };
    const Case cases[] = {
        {2.99999, 0, 3.0, 3.0},   {2.999989, 0, 2.0, 3.0},        {2.49999, 0, 2.0, 3.0},
        {2.4999899, 0, 2.0, 2.0}, {-2.5, 0, -2.0, -3.0},          {2345.6785, 3, 2345.678, 2345.679},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(truncate_decimals(c.v, c.n), c.truncated) << c.v << " to " << c.n;
        EXPECT_EQ(round_decimals(c.v, c.n), c.rounded) << c.v << " to " << c.n;
    }
}

TEST(Angles, NormalisationMatchesWholeStepsOfTwoPiAndEndsForAnyValue) {
    auto stepped = [](double x) {  // the plain definition: whole steps of 2 pi
        while (x < 0) x += 2 * GEO_PI;
        while (x >= 2 * GEO_PI) x -= 2 * GEO_PI;
        return x;
    };
    std::mt19937_64 random(20261206);
    std::uniform_real_distribution<double> near(-16 * GEO_PI, 16 * GEO_PI);
    for (int i = 0; i < 20000; ++i) {
        const double x = near(random);
        ASSERT_EQ(bits(normalize_angle_2pi(x)), bits(stepped(x))) << x;
    }
    for (double x : {-2 * GEO_PI, -1e-300, -0.0, 2 * GEO_PI, std::nextafter(2 * GEO_PI, 0.0),
                     std::nextafter(-2 * GEO_PI, 0.0)}) {
        EXPECT_EQ(bits(normalize_angle_2pi(x)), bits(stepped(x))) << x;
    }
    // Far out, whole steps took seconds or never ended.
    for (double x : {1e9, -1e300, -1.7e308, std::nextafter(-48 * GEO_PI, -1e9)}) {  // the last ends on +0
        const double r = normalize_angle_2pi(x);
        EXPECT_TRUE(r >= 0 && r < 2 * GEO_PI && !std::signbit(r)) << x;
    }
    for (double x : {INFINITY, NAN}) EXPECT_TRUE(std::isnan(normalize_angle_2pi(x))) << x;
}

TEST(MeshKeys, KeyAndCodeAreInversePairs) {
    EXPECT_EQ(mesh_to_key(53394611), 26011581);
    EXPECT_EQ(mesh_to_key(30365017), 7711287);
    // The key steps by 1 east and 10000 north, also across square boundaries.
    EXPECT_EQ(mesh_to_key(53407090), mesh_to_key(53397799) + 1);
    EXPECT_EQ(mesh_to_key(54390709), mesh_to_key(53397799) + 10000);
    for (int code : {53394611, 53397799, 21200000, 68487799}) EXPECT_EQ(key_to_mesh(mesh_to_key(code)), code);
    // A cell south of 14 N or west of 120 E has no key: it would wrap into
    // another row's.
    for (int code : {52194709, 20300000, 20394709, 21100000, 21197799, -1}) EXPECT_EQ(mesh_to_key(code), NO_KEY) << code;
    // Keys far beyond any cell convert without overflow, still one code per key.
    const int top = std::numeric_limits<int>::max(), bottom = std::numeric_limits<int>::min();
    EXPECT_NE(key_to_mesh(top), key_to_mesh(top - 1));
    EXPECT_NE(key_to_mesh(bottom), key_to_mesh(bottom + 1));
}

TEST(Zones, NamesAndOriginsAreThoseOfThePublishedTable) {
    for (int z = 1; z <= ZONE_COUNT; ++z) EXPECT_EQ(std::atoi(ZONE_NAMES[static_cast<std::size_t>(z - 1)]), z);
    // The nineteen systems' origins: degrees and minutes north, then east.
    struct Origin { int lat_deg, lat_min, lon_deg, lon_min; };
    const Origin origins[ZONE_COUNT] = {
        {33, 0, 129, 30}, {33, 0, 131, 0},  {36, 0, 132, 10}, {33, 0, 133, 30}, {36, 0, 134, 20},
        {36, 0, 136, 0},  {36, 0, 137, 10}, {36, 0, 138, 30}, {36, 0, 139, 50}, {40, 0, 140, 50},
        {44, 0, 140, 15}, {44, 0, 142, 15}, {44, 0, 144, 15}, {26, 0, 142, 0},  {26, 0, 127, 30},
        {26, 0, 124, 0},  {26, 0, 131, 0},  {20, 0, 136, 0},  {26, 0, 154, 0},
    };
    for (Ellipsoid e : ALL_ELLIPSOIDS) {
        for (int zone = 1; zone <= ZONE_COUNT; ++zone) {
            const Origin& o = origins[zone - 1];
            const ProjectionParams P = projection_params(e, zone);
            EXPECT_NEAR(rad_to_deg(P.origin_lat), o.lat_deg + o.lat_min / 60.0, 1e-12) << zone;
            EXPECT_NEAR(rad_to_deg(P.origin_lon), o.lon_deg + o.lon_min / 60.0, 1e-12) << zone;
            const PlanePoint p = geo_to_plane(e, zone, P.origin_lat, P.origin_lon);
            EXPECT_EQ(std::pair(p.x, p.y), std::pair(0.0, 0.0)) << e << "/" << zone;
            // The footpoint series is a fit: the origin latitude comes back
            // within 1e-9 degree (2e-9 on WGS84, the GRS80 series on other
            // axes); on the central meridian the longitude is exact.
            const GeoPoint g = plane_to_geo(e, zone, -12345.678, 0.0);
            EXPECT_EQ(g.lon, P.origin_lon) << e << "/" << zone;
            EXPECT_NEAR(rad_to_deg(plane_to_geo(e, zone, 0.0, 0.0).lat), rad_to_deg(P.origin_lat),
                        e == ELLIPSOID_WGS84 ? 2e-9 : 1e-9);
        }
    }
}

TEST(Projections, WorkedValuesBothWays) {
    // Zones other than the examples' 9 (the expected outputs of the runs pin
    // it on all three ellipsoids). Degrees and metres (0.1 mm), and back
    // within 3e-9 degree.
    struct Case { Ellipsoid e; int zone; double lat, lon, x, y; };
    const Case cases[] = {
        {ELLIPSOID_BESSEL, 1, 33.5, 130.2, 55662.3650, 65032.1704},
        {ELLIPSOID_GRS80, 18, 20.4, 136.1, 44281.4658, 10436.9815},
        {ELLIPSOID_GRS80, 11, 43.0, 141.5, -110333.1095, 101916.5961},
    };
    for (const Case& c : cases) {
        const PlanePoint p = geo_to_plane(c.e, c.zone, deg_to_rad(c.lat), deg_to_rad(c.lon));
        EXPECT_NEAR(p.x, c.x, 0.00005 + 1e-9) << c.e << "/" << c.zone;
        EXPECT_NEAR(p.y, c.y, 0.00005 + 1e-9) << c.e << "/" << c.zone;
        const GeoPoint g = plane_to_geo(c.e, c.zone, c.x, c.y);
        EXPECT_NEAR(rad_to_deg(g.lat), c.lat, 3e-9) << c.e << "/" << c.zone;
        EXPECT_NEAR(rad_to_deg(g.lon), c.lon, 3e-9) << c.e << "/" << c.zone;
    }
}

TEST(Projections, PlaneCoordinatesOffTheEarthAreRecognised) {
    struct Case { int zone; double x, y; int result; };
    const Case cases[] = {
        {19, -300000, 300000, 0},  // far out in the zone, still on the Earth
        {9, -5000000, 0, 0},       // south of the equator: no wrapping needed
        {9, 999999999, 0, 1},      // the latitude would wrap round into Japan
        {9, 9000000, 0, 1},        // past the pole
        {9, 0, 15000000, 1},       // more than a quarter turn from the meridian
        {9, 0, 1e9, 1},            {9, INFINITY, 0, 1}, {9, NAN, 0, 1},
    };
    for (const Case& c : cases) {
        for (Ellipsoid e : ALL_ELLIPSOIDS) {
            GeoPoint g{};
            EXPECT_EQ(plane_to_geo_on_earth(e, c.zone, c.x, c.y, g), c.result) << c.x << " " << c.y;
            const GeoPoint plain = plane_to_geo(e, c.zone, c.x, c.y);
            EXPECT_EQ(bits(g.lat), bits(plain.lat)) << c.x << " " << c.y;
            EXPECT_EQ(bits(g.lon), bits(plain.lon)) << c.x << " " << c.y;
        }
    }
}
