// make_bench_data grids OUTDIR
// make_bench_data correction OUTDIR
// make_bench_data height OUTDIR
// make_bench_data points GRIDDIR OUTFILE [options]
//
// Full-size synthetic data for benchmarks and comparisons, the same bytes
// for the same arguments on every run.
//
// "grids" writes OUTDIR/full_land.par and OUTDIR/full_sea.jhd: a land grid of
// about 392,000 nodes and a sea grid of about 665,000 nodes over Japan's
// extent, in the column layout of the published files and in their order
// (land by grid square code, sea by compact key). The coast is a chain of
// rounded strokes with a wavy edge; the land grid reaches a little past the
// coast and the sea grid a little inland, so that coastal cells have both.
//
// "correction" writes OUTDIR/full_correction.par: a correction file
// (JGD2000 to JGD2011) of about 115,000 nodes over a rectangle of about
// 400 km by 300 km around the area of the points below, every node listed, in
// code order. Its event lies off the south coast: the nodes move towards it,
// about 5 m near it and a few centimetres at the far corner. Computed in
// integers only, so every build writes the same bytes.
//
// "height" writes OUTDIR/full_height.par: a nationwide height correction
// file (dH in metres, as the height revision's files are) over the nodes of
// the land grid and a node or two past them, about 400,000 nodes, every one
// listed, in code order, behind a header of 15 lines as the published files
// have. Its values vary smoothly over about a hundred kilometres within
// 0.7 m either way.
//
// "points" writes survey points of zone 5 (plane coordinates on the Tokyo
// datum, or on JGD2000 with --jgd), mostly on land, some only at sea and a
// few outside both grids, as SIMA or XY text:
//   --count N        points (default 1000000)
//   --layout L       clustered (default: sites of a few hundred points each)
//                    or random (uniform over the area)
//   --format F       sima (default) or xy
//   --jgd            the points' JGD2000 coordinates (converted with GRIDDIR's
//                    grids; points outside both keep their Tokyo values)
//   --seed S         default 1
//
// "shuffled" writes OUTDIR/shuffled_land.par and OUTDIR/shuffled_sea.jhd from
// GRIDDIR's full_land.par and full_sea.jhd: the same header and records,
// the records cut into pieces of 2,000 lines (about a degree of longitude
// of one row band) put in a shuffled order, as a file assembled from
// regional pieces would be.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>
#include <algorithm>

#include "geodesy/angles.h"
#include "geodesy/mesh_key.h"
#include "geodesy/projection.h"
#include "grids/datum_shift.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"

namespace {

// ---------------------------------------------------------------- grids

// Rows of 30" from the equator and columns of 45" from 100 E over 20..46 N,
// 122..154 E.
constexpr int ROW_FIRST = 20 * 120;
constexpr int ROW_LAST = 46 * 120;
constexpr int COL_FIRST = 22 * 80;
constexpr int COL_LAST = 54 * 80;

// One stroke of the coast: land within radius_km of the segment.
struct Stroke {
    double lat1, lon1, lat2, lon2, radius_km;
};

const Stroke STROKES[] = {
    {31.45, 130.65, 33.55, 130.85, 52},  // Kyushu
    {32.70, 131.55, 33.35, 129.90, 30},
    {33.35, 132.60, 33.95, 134.25, 38},  // Shikoku
    {34.20, 131.30, 35.00, 135.30, 54},  // Honshu, west (zone 5)
    {34.55, 135.60, 34.00, 135.90, 40},
    {35.00, 135.30, 35.80, 138.50, 72},
    {35.80, 138.50, 37.50, 140.30, 70},
    {37.50, 140.30, 41.15, 141.00, 58},
    {41.80, 140.30, 43.50, 142.50, 78},  // Hokkaido
    {43.50, 142.50, 43.30, 145.20, 52},
    {26.15, 127.65, 26.80, 128.30, 10},  // islands to the south-west
    {28.15, 129.30, 28.50, 129.70, 12},
    {24.35, 124.05, 24.45, 124.30, 9},
    {24.75, 125.25, 24.85, 125.45, 8},
    {38.00, 138.30, 38.30, 138.50, 14},  // islands off the west coast
    {36.05, 133.15, 36.30, 133.35, 12},
};

constexpr double KM_PER_DEG_LAT = 111.0;
constexpr double RADIUS_SCALE = 1.172;
constexpr double LAND_PAST_COAST_KM = 2.5;
constexpr double SEA_INLAND_KM = 2.5;
constexpr double SEA_REACH_KM = 91.4;
constexpr double WAVE_KM = 4.0;         // amplitude of the coast's waviness
constexpr double WAVE_CELL_KM = 14.0;   // its wavelength

std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// Value noise in [-1, 1] on a lattice, smoothly interpolated.
double lattice_value(long i, long j) {
    const std::uint64_t h = mix(static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ULL ^
                                static_cast<std::uint64_t>(j) * 0xC2B2AE3D27D4EB4FULL);
    return static_cast<double>(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double smooth(double t) { return t * t * (3 - 2 * t); }

double wave(double x_km, double y_km) {
    const double gx = x_km / WAVE_CELL_KM;
    const double gy = y_km / WAVE_CELL_KM;
    const long i = static_cast<long>(std::floor(gx));
    const long j = static_cast<long>(std::floor(gy));
    const double s = smooth(gx - static_cast<double>(i));
    const double t = smooth(gy - static_cast<double>(j));
    const double a = lattice_value(i, j) + s * (lattice_value(i + 1, j) - lattice_value(i, j));
    const double b = lattice_value(i, j + 1) + s * (lattice_value(i + 1, j + 1) - lattice_value(i, j + 1));
    return a + t * (b - a);
}

// Distance in km from the coast, negative on land.
double coast_distance(double lat, double lon) {
    double best = 1e9;
    for (const Stroke& s : STROKES) {
        const double km_per_deg_lon = KM_PER_DEG_LAT * std::cos((s.lat1 + s.lat2) * 0.5 * 0.017453292519943295);
        const double px = (lon - s.lon1) * km_per_deg_lon;
        const double py = (lat - s.lat1) * KM_PER_DEG_LAT;
        const double dx = (s.lon2 - s.lon1) * km_per_deg_lon;
        const double dy = (s.lat2 - s.lat1) * KM_PER_DEG_LAT;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = px - t * dx;
        const double ey = py - t * dy;
        best = std::min(best, std::sqrt(ex * ex + ey * ey) - s.radius_km * RADIUS_SCALE);
    }
    return best + WAVE_KM * wave((lon - 100) * 91.0, lat * KM_PER_DEG_LAT);
}

int mesh_code(int row, int col) {
    return (row / 80) * 1000000 + (col / 80) * 10000 + (row / 10 % 8) * 1000 + (col / 10 % 8) * 100 +
           (row % 10) * 10 + col % 10;
}

// The shift at a node (JGD2000 minus Tokyo, arc-seconds): the
// three-parameter shift plus a smooth distortion of a second or so that
// varies over a few hundred kilometres, as the real datum's does. The land
// grid holds it; the sea grid holds the distortion as its residual, to the
// thousandth of a second with a little noise, so that the two grids agree
// where they overlap as the published ones do.
constexpr double DISTORTION_CELL_KM = 220.0;
constexpr double DISTORTION_SECONDS = 1.2;

void distortion(int row, int col, double& dlat, double& dlon) {
    const double x = col * 1.14 / DISTORTION_CELL_KM;
    const double y = row * 0.925 / DISTORTION_CELL_KM;
    dlat = DISTORTION_SECONDS * wave(x * WAVE_CELL_KM + 5000, y * WAVE_CELL_KM);
    dlon = DISTORTION_SECONDS * wave(x * WAVE_CELL_KM, y * WAVE_CELL_KM + 9000);
}

// Land shift in 1e-5 arc-seconds.
void land_shift(int row, int col, long& dlat, long& dlon) {
    const double lat = geodesy::deg_to_rad(row / 120.0);
    const double lon = geodesy::deg_to_rad(100 + col / 80.0);
    double lat_shifted = 0;
    double lon_shifted = 0;
    grids::three_param_shift(lat, lon, lat_shifted, lon_shifted);
    double d_lat = 0;
    double d_lon = 0;
    distortion(row, col, d_lat, d_lon);
    dlat = std::lround((geodesy::rad_to_sec(lat_shifted - lat) + d_lat) * 100000);
    dlon = std::lround((geodesy::rad_to_sec(lon_shifted - lon) + d_lon) * 100000);
}

// Sea residuals in thousandths of an arc-second.
void sea_residual(int row, int col, int& dlat, int& dlon) {
    double d_lat = 0;
    double d_lon = 0;
    distortion(row, col, d_lat, d_lon);
    const std::uint64_t h = mix(static_cast<std::uint64_t>(row) * 100003ULL + static_cast<std::uint64_t>(col));
    dlat = static_cast<int>(std::lround(d_lat * 1000)) + static_cast<int>(h % 5) - 2;
    dlon = static_cast<int>(std::lround(d_lon * 1000)) + static_cast<int>((h >> 8) % 5) - 2;
}

std::string fixed5(long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%ld.%05ld", v < 0 ? "-" : "", std::labs(v) / 100000, std::labs(v) % 100000);
    return buf;
}

bool write_file(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "make_bench_data: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0) && ok;
}

int make_grids(const std::string& dir) {
    std::vector<std::pair<int, std::string>> land;
    std::string sea = "*V1.00 synthetic full-size sea grid\r\n";
    char line[64];
    for (int row = ROW_FIRST; row <= ROW_LAST; ++row) {
        const double lat = row / 120.0;
        for (int col = COL_FIRST; col <= COL_LAST; ++col) {
            const double d = coast_distance(lat, 100 + col / 80.0);
            if (d <= LAND_PAST_COAST_KM) {
                const int code = mesh_code(row, col);
                long dlat = 0;
                long dlon = 0;
                land_shift(row, col, dlat, dlon);
                std::snprintf(line, sizeof line, "%8d%10s%10s\r\n", code, fixed5(dlat).c_str(), fixed5(dlon).c_str());
                land.emplace_back(code, line);
            }
            if (d >= -SEA_INLAND_KM && d <= SEA_REACH_KM) {
                int dlat = 0;
                int dlon = 0;
                sea_residual(row, col, dlat, dlon);
                std::snprintf(line, sizeof line, "%8d%6d%6d\r\n", geodesy::mesh_to_key(mesh_code(row, col)),
                              20000 + dlat, dlon);
                sea += line;
            }
        }
    }
    std::sort(land.begin(), land.end());
    std::string land_text = "SYNTH-LAND V1.00 synthetic full-size land grid\r\nmeshcode  lat(sec)  lon(sec)\r\n";
    for (const auto& [code, text] : land) land_text += text;
    std::fprintf(stderr, "make_bench_data: %zu land nodes, %zu sea nodes\n", land.size(),
                 static_cast<std::size_t>(std::count(sea.begin(), sea.end(), '\n') - 1));
    return write_file(dir + "/full_land.par", land_text) && write_file(dir + "/full_sea.jhd", sea) ? 0 : 1;
}

// ---------------------------------------------------------------- correction

// The corrected rectangle: 33 24' to 36 06' N, 132 30' to 136 54' E, in rows
// and columns of the grid squares. It holds the whole area of the points.
constexpr int CORRECTION_ROW_FIRST = 4008;
constexpr int CORRECTION_ROW_LAST = 4332;
constexpr int CORRECTION_COL_FIRST = 2600;
constexpr int CORRECTION_COL_LAST = 2952;
// The event, 33 15' N 135 12' E, off the coast south of the rectangle.
constexpr long EVENT_ROW = 3990;
constexpr long EVENT_COL = 2816;
// A grid square's height and width in units of 25 m (925 m and about
// 1,150 m at these latitudes).
constexpr long ROW_UNITS = 37;
constexpr long COL_UNITS = 46;
// The move towards the event at distance d is PEAK * 2 L^3 d / (L^2 + d^2)^2
// (1e-5 arc-seconds of latitude): 0.65 PEAK at its largest, 23 km from the
// event, falling as 1/d^3 beyond. L is 40 km in units of 25 m. The largest
// numerator, about 2.5e18, fits in 64 bits.
constexpr long long MOVE_PEAK = 24000;
constexpr long long MOVE_REACH = 1600;
// Arc-seconds of longitude per arc-second of latitude for the same distance
// near 35 N, in hundredths (1 / cos 35 deg).
constexpr long long LON_PER_LAT_PERCENT = 122;

int make_correction(const std::string& dir) {
    std::string text =
        "SYNTH-CORRECTION V1.00 synthetic full-size correction file, JGD2000 to JGD2011\r\n"
        "synthetic event off the south coast of western Honshu, not survey data\r\n"
        "MeshCode dB(sec) dL(sec)\r\n";
    std::vector<std::pair<int, std::string>> nodes;
    const long long reach2 = MOVE_REACH * MOVE_REACH;
    const long long scale = 2 * MOVE_PEAK * MOVE_REACH * reach2;
    char line[64];
    for (int row = CORRECTION_ROW_FIRST; row <= CORRECTION_ROW_LAST; ++row) {
        for (int col = CORRECTION_COL_FIRST; col <= CORRECTION_COL_LAST; ++col) {
            const long long north = (row - EVENT_ROW) * ROW_UNITS;
            const long long east = (col - EVENT_COL) * COL_UNITS;
            const long long spread = reach2 + north * north + east * east;
            const long long denominator = spread * spread;
            const long dlat = static_cast<long>(-(scale * north) / denominator);
            const long dlon = static_cast<long>(-(scale * east) / denominator * LON_PER_LAT_PERCENT / 100);
            const int code = mesh_code(row, col);
            std::snprintf(line, sizeof line, "%8d%11s%11s\r\n", code, fixed5(dlat).c_str(), fixed5(dlon).c_str());
            nodes.emplace_back(code, line);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    for (const auto& [code, node] : nodes) text += node;
    std::fprintf(stderr, "make_bench_data: %zu correction nodes\n", nodes.size());
    return write_file(dir + "/full_correction.par", text) ? 0 : 1;
}

// ---------------------------------------------------------------- height

// How far past the land grid's nodes the height file reaches: sea points by
// the shore, whose cells lack a land node, are corrected too.
constexpr double HEIGHT_PAST_LAND_KM = 1.5;
// The height correction's largest size, metres, and the distance over which
// it changes.
constexpr double HEIGHT_AMPLITUDE_M = 0.7;
constexpr double HEIGHT_CELL_KM = 120.0;

int make_height(const std::string& dir) {
    std::string text =
        "SYNTH-HEIGHT V1.00 synthetic full-size height correction file (dH, m), not survey data\r\n";
    for (int k = 2; k <= 15; ++k) {
        text += "synthetic header line " + std::to_string(k) + " of 15\r\n";
    }
    text += "MeshCode   dH(m)     0.00000\r\n";
    std::vector<std::pair<int, std::string>> nodes;
    char line[64];
    for (int row = ROW_FIRST; row <= ROW_LAST; ++row) {
        const double lat = row / 120.0;
        for (int col = COL_FIRST; col <= COL_LAST; ++col) {
            if (coast_distance(lat, 100 + col / 80.0) > LAND_PAST_COAST_KM + HEIGHT_PAST_LAND_KM) continue;
            const double x = col * 1.14 / HEIGHT_CELL_KM;
            const double y = row * 0.925 / HEIGHT_CELL_KM;
            const long dh = std::lround(HEIGHT_AMPLITUDE_M * wave(x * WAVE_CELL_KM + 3000, y * WAVE_CELL_KM + 7000) *
                                        100000);
            const int code = mesh_code(row, col);
            std::snprintf(line, sizeof line, "%8d%10s%12s\r\n", code, fixed5(dh).c_str(), fixed5(0).c_str());
            nodes.emplace_back(code, line);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    for (const auto& [code, node] : nodes) text += node;
    std::fprintf(stderr, "make_bench_data: %zu height nodes\n", nodes.size());
    return write_file(dir + "/full_height.par", text) ? 0 : 1;
}

// ---------------------------------------------------------------- points

constexpr int ZONE = 5;

struct Silent : grids::QuietFeedback {
    void show_message(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

struct Random {
    std::uint64_t state;
    double uniform() {  // [0, 1)
        state += 0x9E3779B97F4A7C15ULL;
        return static_cast<double>(mix(state) >> 11) * (1.0 / 9007199254740992.0);
    }
    double between(double a, double b) { return a + (b - a) * uniform(); }
};

enum Cover { LAND = 0, SEA_ONLY = 1, OUTSIDE = 2 };

// Shares of land, sea-only and outside points.
constexpr double SHARE_LAND = 0.88;
constexpr double SHARE_SEA = 0.10;

// Where the points lie: the west of Honshu, the Inland Sea and the north of
// Shikoku; points outside both grids far out in the Sea of Japan.
constexpr double AREA_LAT[2] = {33.90, 35.90};
constexpr double AREA_LON[2] = {133.20, 135.40};
constexpr double FAR_LAT[2] = {36.60, 37.20};

Cover cover_of(const grids::GridSet& tables, double lat, double lon) {
    double a = 0, b = 0;
    if (grids::shift_by_land(tables.land, lat, lon, a, b) == 0) return LAND;
    if (grids::shift_by_sea(tables.sea, lat, lon, a, b) == 0) return SEA_ONLY;
    return OUTSIDE;
}

Cover wanted_cover(Random& rng) {
    const double u = rng.uniform();
    return u < SHARE_LAND ? LAND : u < SHARE_LAND + SHARE_SEA ? SEA_ONLY : OUTSIDE;
}

// A point of the wanted cover, uniform over its part of the area.
void draw_point(Random& rng, const grids::GridSet& tables, Cover want, double& lat,
                double& lon) {
    for (;;) {
        lat = want == OUTSIDE ? rng.between(FAR_LAT[0], FAR_LAT[1]) : rng.between(AREA_LAT[0], AREA_LAT[1]);
        lon = rng.between(AREA_LON[0], AREA_LON[1]);
        if (cover_of(tables, lat, lon) == want) return;
    }
}

struct PointOptions {
    long count = 1000000;
    bool clustered = true;
    bool sima = true;
    bool jgd = false;
    unsigned long seed = 1;
};

int make_points(const std::string& grid_dir, const std::string& out_path, const PointOptions& o) {
    Silent ui;
    grids::ParamTable land;
    grids::ParamTable sea;
    std::string version;
    if (grids::create_param_table(land, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY) != 0 ||
        grids::read_land_param_file(ui, 1, grid_dir + "/full_land.par", version, land) != 0 ||
        grids::read_sea_param_file(ui, 1, grid_dir + "/full_sea.jhd", version, sea) != 0) {
        return 1;
    }
    const grids::GridSet tables{land, sea};
    Random rng{o.seed * 0x2545F4914F6CDD1DULL};
    std::string text;
    text.reserve(static_cast<std::size_t>(o.count) * 48 + 256);
    if (o.sima) text += "G00,01,synthetic survey points,\r\nZ00,zone 5,\r\nA00,\r\n";
    double site_lat = 0, site_lon = 0;
    long site_left = 0;
    char line[160];
    for (long n = 1; n <= o.count; ++n) {
        double lat = 0, lon = 0;
        if (o.clustered) {
            // A survey site: a few hundred points within about a kilometre.
            if (site_left == 0) {
                draw_point(rng, tables, wanted_cover(rng), site_lat, site_lon);
                site_left = 100 + static_cast<long>(rng.uniform() * 800);
            }
            --site_left;
            lat = site_lat + rng.between(-0.005, 0.005);
            lon = site_lon + rng.between(-0.006, 0.006);
        } else {
            draw_point(rng, tables, wanted_cover(rng), lat, lon);
        }
        const geodesy::PlanePoint p =
            geodesy::geo_to_plane(geodesy::ELLIPSOID_BESSEL, ZONE, geodesy::deg_to_rad(lat), geodesy::deg_to_rad(lon));
        double x = p.x;
        double y = p.y;
        // Survey coordinates carry millimetres.
        x = std::round(x * 1000) / 1000;
        y = std::round(y * 1000) / 1000;
        if (o.jgd) {
            grids::PointResult r;
            if (grids::tokyo_to_jgd_point(tables, ZONE, x, y, r) == 0) {
                x = std::round(r.x_out * 1000) / 1000;
                y = std::round(r.y_out * 1000) / 1000;
            }
        }
        const double height = static_cast<double>(n % 50000) * 0.013;
        if (o.sima) {
            std::snprintf(line, sizeof line, "A01,%ld,P%07ld,%.3f,%.3f,%.3f,\r\n", n, n, x, y, height);
        } else {
            std::snprintf(line, sizeof line, "P%07ld,%.3f,%.3f\r\n", n, x, y);
        }
        text += line;
    }
    if (o.sima) text += "A99,END,\r\n";
    return write_file(out_path, text) ? 0 : 1;
}

// ---------------------------------------------------------------- shuffled

constexpr std::size_t PIECE_LINES = 2000;

bool read_file(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "make_bench_data: cannot read %s\n", path.c_str());
        return false;
    }
    text.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

// The header_lines first lines as they are, then the other lines in pieces
// of PIECE_LINES, the pieces in an order drawn from seed.
bool shuffle_pieces(const std::string& from, const std::string& to, int header_lines, std::uint64_t seed) {
    std::string text;
    if (!read_file(from, text)) return false;
    std::vector<std::size_t> line_starts;
    for (std::size_t at = 0; at < text.size();) {
        line_starts.push_back(at);
        const std::size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    line_starts.push_back(text.size());
    const std::size_t lines = line_starts.size() - 1;
    const std::size_t first = std::min(lines, static_cast<std::size_t>(header_lines));
    std::vector<std::pair<std::size_t, std::size_t>> pieces;  // byte ranges
    for (std::size_t l = first; l < lines; l += PIECE_LINES) {
        pieces.emplace_back(line_starts[l], line_starts[std::min(lines, l + PIECE_LINES)]);
    }
    // Fisher-Yates with the generator of the points.
    for (std::size_t i = pieces.size(); i > 1; --i) {
        seed += 0x9E3779B97F4A7C15ULL;
        std::swap(pieces[i - 1], pieces[mix(seed) % i]);
    }
    std::string out = text.substr(0, line_starts[first]);
    for (const auto& [begin, end] : pieces) out.append(text, begin, end - begin);
    return write_file(to, out);
}

int make_shuffled(const std::string& grid_dir, const std::string& out_dir) {
    const bool ok = shuffle_pieces(grid_dir + "/full_land.par", out_dir + "/shuffled_land.par", 2, 1) &&
                    shuffle_pieces(grid_dir + "/full_sea.jhd", out_dir + "/shuffled_sea.jhd", 1, 2);
    return ok ? 0 : 1;
}

int usage() {
    std::fputs("usage: make_bench_data grids OUTDIR\n"
               "       make_bench_data correction OUTDIR\n"
               "       make_bench_data height OUTDIR\n"
               "       make_bench_data shuffled GRIDDIR OUTDIR\n"
               "       make_bench_data points GRIDDIR OUTFILE [--count N] [--layout clustered|random]\n"
               "                       [--format sima|xy] [--jgd] [--seed S]\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "grids") == 0) return make_grids(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "correction") == 0) return make_correction(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "height") == 0) return make_height(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "shuffled") == 0) return make_shuffled(argv[2], argv[3]);
    if (argc < 4 || std::strcmp(argv[1], "points") != 0) return usage();
    PointOptions o;
    for (int i = 4; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--jgd") {
            o.jgd = true;
            continue;
        }
        if (value == nullptr) return usage();
        ++i;
        if (arg == "--count") {
            o.count = std::atol(value);
        } else if (arg == "--seed") {
            o.seed = std::strtoul(value, nullptr, 10);
        } else if (arg == "--layout" && (std::strcmp(value, "clustered") == 0 || std::strcmp(value, "random") == 0)) {
            o.clustered = std::strcmp(value, "clustered") == 0;
        } else if (arg == "--format" && (std::strcmp(value, "sima") == 0 || std::strcmp(value, "xy") == 0)) {
            o.sima = std::strcmp(value, "sima") == 0;
        } else {
            return usage();
        }
    }
    if (o.count < 1) return usage();
    return make_points(argv[2], argv[3], o);
}
