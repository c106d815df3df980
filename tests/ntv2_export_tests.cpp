// PROJ's cct on what pellowen-ntv2 exports, against the conversion itself:
// hgridshift on the exported land and sea grids (the exact cover, and one
// subgrid over each file's box) against the shift; the chain from the Tokyo
// datum through JGD2000 to JGD2011 with an exported correction file, both
// ways, against pellowen-batch --correction; vgridshift on an exported
// height file in that chain against pellowen-batch's heights. Last, the
// files pellowen-ntv2 refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/projection.h"
#include "grids/correction.h"
#include "grids/datum_shift.h"
#include "grids/param_file.h"
#include "recording_feedback.h"

namespace {

const char* const LAND = PELLOWEN_SOURCE_DIR "/examples/sample_land.par";
const char* const SEA = PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd";
const char* const CORRECTION = PELLOWEN_SOURCE_DIR "/examples/sample_correction.par";
const char* const HEIGHT_TITLE = "TEST H1.00 synthetic\r\nMeshCode   dH(m)     0.00000\r\n";

using LonLat = std::pair<double, double>;

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
    std::string path;
    TempDir() {
        const char* t = std::getenv("TMPDIR");
        path = std::string(t != nullptr ? t : "/tmp") + "/ntv2_export_tests_XXXXXX";
        if (mkdtemp(path.data()) == nullptr) path.clear();
    }
    ~TempDir() {
        if (!path.empty()) std::filesystem::remove_all(path);
    }
};

// A fixed sequence of pseudo-random numbers, and one of them in [0, 1).
std::uint64_t next(std::uint64_t& s) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return s >> 11;
}
double unit(std::uint64_t& s) { return static_cast<double>(next(s)) / 9007199254740992.0; }

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A command's exit status; -1 when it did not exit.
int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// pellowen-ntv2 with its arguments; its exit status, its standard error in
// err.
int run_ntv2(const std::string& dir, const std::string& arguments, std::string& err) {
    const int status = run(std::string(PELLOWEN_NTV2) + " " + arguments + " 2>" + dir + "/ntv2_err.txt");
    std::ifstream in(dir + "/ntv2_err.txt");
    err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return status;
}

// Near a line of the grid squares, where the conversion's own tolerance
// decides the square: a point short of a line by up to 1e-5 of the square
// counts as beyond it: 0.7 m short of a 40' latitude line, 0.9 m short of
// a whole-degree meridian, 1 cm short of a 30" line. Points within twice
// that, on either side, are near.
bool near_cell_line(double lat, double lon) {
    const std::pair<double, double> squares[] = {{2.0 / 3, 1}, {1.0 / 12, 1.0 / 8}, {1.0 / 120, 1.0 / 80}};
    for (const auto& [lat_size, lon_size] : squares) {
        const double f = lat / lat_size - std::floor(lat / lat_size);
        const double g = lon / lon_size - std::floor(lon / lon_size);
        if (f < 2e-5 || f > 1 - 2e-5 || g < 2e-5 || g > 1 - 2e-5) return true;
    }
    return false;
}

// 20,000 points drawn over the sample area, with seed; those near a cell
// line are left out.
void add_random_points(std::uint64_t seed, std::vector<LonLat>& points) {
    std::uint64_t s = seed;
    for (int i = 0; i < 20000; ++i) {
        const double lon = 139.45 + 1.1 * unit(s);
        const double lat = 34.95 + 1.1 * unit(s);
        if (!near_cell_line(lat, lon)) points.emplace_back(lon, lat);
    }
}

// One point as cct wrote it: its numbers, or its error record with the
// reason.
struct Projected {
    bool converted = false;
    double x = 0, y = 0, z = 0;
    std::string line;
};

// cct with options on dir/points.cct, which holds count points.
void run_cct(const std::string& dir, const std::string& options, std::size_t count, std::vector<Projected>& points) {
    ASSERT_EQ(run("cct " + options + " " + dir + "/points.cct > " + dir + "/cct.txt 2>&1"), 0);
    points.clear();
    std::ifstream out(dir + "/cct.txt");
    for (std::string line; std::getline(out, line);) {
        if (line.rfind(" (", 0) == 0 && !points.empty()) {
            points.back().line += line;
            continue;
        }
        Projected p;
        p.line = line;
        p.converted = line.rfind("# Record", 0) != 0 && (std::istringstream(line) >> p.x >> p.y >> p.z);
        points.push_back(p);
    }
    ASSERT_EQ(points.size(), count);
}

// hgridshift with grids on geographic points, every digit kept.
void hgridshift(const std::string& dir, const std::string& grids, const std::vector<LonLat>& points,
                std::vector<Projected>& out) {
    std::ofstream in(dir + "/points.cct");
    in.precision(17);
    for (const auto& [lon, lat] : points) in << lon << ' ' << lat << '\n';
    in.close();
    run_cct(dir, "-d 12 -z 0 -t 0 +proj=hgridshift +grids=" + grids, points.size(), out);
}

// PROJ's cct, a folder of the test's own, and in it the sample land grid
// with a record whose second-level column is 8: no cell has it, but read as
// an ordinary code it would stand on 52406050, a node the grid lacks, and
// complete a cell at sea. The grids and the sample
// correction file are loaded as the conversion loads them.
class Proj : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::system("command -v cct >/dev/null 2>&1"), 0) << "cct (Debian's proj-bin) is needed";
        ASSERT_FALSE(dir.empty());
        std::ifstream sample(LAND, std::ios::binary);
        write_file(land_path, std::string(std::istreambuf_iterator<char>(sample), {}) + "52396850   1.00000   1.00000\r\n");
        RecordingFeedback ui;
        std::string version;
        ASSERT_EQ(grids::create_param_table(land, grids::LAND_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::read_land_param_file(ui, 1, land_path, version, land), 0);
        ASSERT_EQ(grids::read_sea_param_file(ui, 1, SEA, version, sea), 0);
        ASSERT_EQ(grids::read_correction_file(ui, CORRECTION, sample_correction), 0);
    }

    // pellowen-ntv2 kind from to, which must write its file.
    void export_file(const std::string& kind, const std::string& from, const std::string& to) {
        std::string err;
        ASSERT_EQ(run_ntv2(dir, kind + " " + from + " " + to, err), 0) << kind << " " << from << ": " << err;
    }

    const TempDir temp;
    const std::string& dir = temp.path;
    const std::string land_path = dir + "/land.par";
    grids::ParamTable land, sea;
    grids::CorrectionGrid sample_correction;
};

// Both exported grids, land first, at the centre of every cell around the
// grids and at scattered points: PROJ finds outside both grids exactly the
// points the forward shift cannot shift, and shifts the rest to the same
// position within 1e-9 degree.
TEST_F(Proj, HgridshiftOnExportedGridsMatchesTheForwardShift) {
    export_file("land", land_path, dir + "/land.gsb");
    export_file("sea", SEA, dir + "/sea.gsb");
    std::vector<LonLat> points;
    for (int r = 35 * 120 - 2; r < 36 * 120 + 2; ++r) {
        for (int c = 39 * 80 + 38; c < 40 * 80 + 42; ++c) points.emplace_back(100 + (c + 0.5) / 80, (r + 0.5) / 120);
    }
    add_random_points(12345, points);
    std::vector<Projected> proj;
    hgridshift(dir, "@" + dir + "/land.gsb,@" + dir + "/sea.gsb", points, proj);
    int outside_both = 0;
    for (std::size_t k = 0; k < proj.size(); ++k) {
        const auto [lon, lat] = points[k];
        double lat_out = 0, lon_out = 0;
        grids::GridKind source = grids::GridKind::land;
        const bool shifted = grids::forward_shift({land, sea}, lat, lon, lat_out, lon_out, source) == 0;
        SCOPED_TRACE(testing::Message() << "point " << k << ": " << lon << " " << lat << ": " << proj[k].line);
        outside_both += shifted ? 0 : 1;
        EXPECT_EQ(proj[k].converted, shifted);
        if (!shifted || !proj[k].converted) continue;
        EXPECT_NEAR(proj[k].x, lon_out, 1e-9);
        EXPECT_NEAR(proj[k].y, lat_out, 1e-9);
    }
    EXPECT_GT(outside_both, 1000);
    EXPECT_GT(static_cast<int>(points.size()) - outside_both, 10000);
}

// Each file exported as one subgrid over its box (--single), alone in
// hgridshift: wherever the file has all four nodes of a point's cell (for
// the correction file, four usable ones), PROJ moves the point as the
// conversion does; the cells of a grid that lack a node are in the file too.
TEST_F(Proj, OneSubgridShiftsAsTheFileWhereItHasAllFourNodes) {
    std::vector<LonLat> points;
    add_random_points(777, points);
    for (const std::string kind : {"land", "sea", "correction"}) {
        SCOPED_TRACE(kind);
        export_file("--single " + kind, kind == "land" ? land_path : kind == "sea" ? SEA : CORRECTION, dir + "/one.gsb");
        std::vector<Projected> proj;
        hgridshift(dir, dir + "/one.gsb", points, proj);
        int compared = 0;
        int only_proj = 0;
        for (std::size_t k = 0; k < proj.size(); ++k) {
            const auto [lon, lat] = points[k];
            double lat_out = 0, lon_out = 0;
            const bool ours = kind == "land"  ? grids::shift_by_land(land, lat, lon, lat_out, lon_out) == 0
                              : kind == "sea" ? grids::shift_by_sea(sea, lat, lon, lat_out, lon_out) == 0
                                              : grids::apply_correction(sample_correction, lat, lon, lat_out, lon_out) ==
                                                    grids::CorrectionOutcome::corrected;
            if (!ours) {
                only_proj += proj[k].converted ? 1 : 0;
                continue;
            }
            SCOPED_TRACE(testing::Message() << "point " << k << ": " << lon << " " << lat << ": " << proj[k].line);
            ASSERT_TRUE(proj[k].converted);
            EXPECT_NEAR(proj[k].x, lon_out, 1e-9);
            EXPECT_NEAR(proj[k].y, lat_out, 1e-9);
            ++compared;
        }
        EXPECT_GT(compared, 1000);
        EXPECT_GT(only_proj, kind == "correction" ? -1 : 100);  // the sample correction file lacks no node
    }
}

// ---- The correction chain in PROJ against pellowen-batch

// A node's code ppuuqvrw from its lattice row (30" from the equator) and
// column (45" from 100 E), and back.
int code_of(int row, int col) {
    return row / 80 * 1000000 + col / 80 * 10000 + row % 80 / 10 * 1000 + col % 80 / 10 * 100 + row % 10 * 10 +
           col % 10;
}
std::pair<int, int> node_of(int code) {
    return {code / 1000000 * 80 + code / 1000 % 10 * 10 + code / 10 % 10,
            code / 10000 % 100 * 80 + code / 100 % 10 * 10 + code % 10};
}

// The nodes of a correction file as the test wrote it: every node listed,
// the usable ones with their values (arc-seconds, or metres for heights).
struct CorrectionNodes {
    std::set<std::pair<int, int>> listed;
    std::map<std::pair<int, int>, std::pair<double, double>> usable;
    double largest = 0;  // largest |dB| or |dL| of a usable node
};

// How a correction file covers the cell of a position.
enum class Cover {
    full,     // four usable nodes: corrected
    none,     // no node listed: outside the file's area
    partial,  // some node listed, but not four usable ones
};

Cover cover_at(const CorrectionNodes& n, double lat, double lon) {
    const int row = static_cast<int>(std::floor(lat * 120));
    const int col = static_cast<int>(std::floor((lon - 100) * 80));
    std::size_t usable = 0, listed = 0;
    for (const auto& node : {std::pair{row, col}, {row, col + 1}, {row + 1, col}, {row + 1, col + 1}}) {
        usable += n.usable.count(node);
        listed += n.listed.count(node);
    }
    return usable == 4 ? Cover::full : listed == 0 ? Cover::none : Cover::partial;
}

// The sample correction file with a block of 4 by 4 nodes taken out inside
// its area (the 9 cells between them lie outside the file again, the cells
// round them are partial), two nodes whose values the reader cannot use
// ("NaN", and 2" beyond the plausible limit), and a code whose second-level
// column is 8 (no cell has it; read as an ordinary code it would stand where
// the "NaN" node is).
void write_chain_correction(const std::string& path, CorrectionNodes& n) {
    std::ifstream in(CORRECTION, std::ios::binary);
    std::string out;
    int line_number = 0;
    for (std::string line; std::getline(in, line);) {
        if (++line_number <= 2) {
            out += line + "\n";
            continue;
        }
        int code = 0;
        double dB = 0, dL = 0;
        std::istringstream(line) >> code >> dB >> dL;
        const auto [row, col] = node_of(code);
        const int i = row - 35 * 120;  // node indices of the sample region
        const int j = col - 395 * 8;
        if (i >= 60 && i <= 63 && j >= 30 && j <= 33) continue;
        n.listed.insert({row, col});
        char text[80];
        if (i == 90 && j == 45) {
            std::snprintf(text, sizeof text, "%08d NaN %.5f\r\n", code, dL);
        } else if (i == 40 && j == 20) {
            std::snprintf(text, sizeof text, "%08d %.5f 2.00000\r\n", code, dB);
        } else {
            std::snprintf(text, sizeof text, "%s\n", line.c_str());
            n.usable[{row, col}] = {dB, dL};
            n.largest = std::max({n.largest, std::fabs(dB), std::fabs(dL)});
        }
        out += text;
    }
    write_file(path, out + "53395805 0.50000 0.50000\r\n");
}

// One point as pellowen-batch wrote it in an XYBL output.
struct Batched {
    bool converted = false;
    double x = 0, y = 0;
    std::string marks;  // what follows the coordinates
};

// The comma-separated fields of a line, without its line end.
std::vector<std::string> fields_of(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
    return fields;
}

// pellowen-batch with the test's land grid, the sample sea grid and options,
// which must not fail the run as a whole.
void run_batch(const std::string& dir, const std::string& options) {
    const std::string command = std::string(PELLOWEN_BATCH) + " --quiet --zone 9 --decimals 8 --gsi-grid " + dir +
                                "/land.par --jcg-grid " + SEA + " " + options + " 2>/dev/null";
    const int status = run(command);
    ASSERT_TRUE(status == 0 || status == 1) << command;
}

// pellowen-batch on the points "Pk,X,Y" of dir/points.csv, XYBL out, with
// the correction file when one is given; the points by k.
void run_xybl(const std::string& dir, const char* direction, const std::string& correction, std::size_t count,
              std::vector<Batched>& points) {
    run_batch(dir, std::string("--direction ") + direction + " --input " + dir + "/points.csv --output " + dir +
              "/batch.txt --output-format xybl" + (correction.empty() ? "" : " --correction " + correction));
    points.assign(count, Batched{});
    std::ifstream out(dir + "/batch.txt", std::ios::binary);
    std::size_t read = 0;
    for (std::string line; std::getline(out, line);) {
        if (line.empty() || line[0] != 'P') continue;
        const std::vector<std::string> fields = fields_of(line);
        const std::size_t k = std::stoul(fields[0].substr(1));
        ASSERT_LT(k, count);
        Batched& p = points[k];
        p.converted = fields.size() == 10;
        if (p.converted) {
            p.x = std::stod(fields[5]);
            p.y = std::stod(fields[6]);
        }
        p.marks = fields.back();
        ++read;
    }
    ASSERT_EQ(read, count);
}

double plane_distance(double x1, double y1, double x2, double y2) {
    return std::max(std::fabs(x1 - x2), std::fabs(y1 - y2));
}

// The PROJ pipelines of zone 9 between the Tokyo datum and JGD2011: plane
// to geographic, hgridshift on the land and sea grids, hgridshift on the
// correction grid (points outside it fall to PROJ's "null" grid, no shift),
// and back to the plane; inverse, the steps reversed. No correction step
// when correction is empty. With a GTX file of height corrections, a
// vgridshift step after the correction adds the grid's value to the height
// (multiplier 1), "null" again behind it.
std::string chain(bool forward, const std::string& dir, const std::string& correction,
                  const std::string& heights = "") {
    const std::string zone9 = " +lat_0=36 +lon_0=139.8333333333333333 +k=0.9999 +x_0=0 +y_0=0";
    const std::string shift = "+proj=hgridshift +grids=@" + dir + "/land.gsb,@" + dir + "/sea.gsb";
    const std::string corrected = correction.empty() ? "" : "+proj=hgridshift +grids=" + correction + ",null";
    const std::string raised = heights.empty() ? "" : "+proj=vgridshift +grids=" + heights + ",null +multiplier=1";
    std::string p = "+proj=pipeline +step +proj=axisswap +order=2,1";
    if (forward) {
        p += " +step +inv +proj=tmerc" + zone9 + " +ellps=bessel +step " + shift;
        if (!corrected.empty()) p += " +step " + corrected;
        if (!raised.empty()) p += " +step " + raised;
        p += " +step +proj=tmerc" + zone9 + " +ellps=GRS80";
    } else {
        p += " +step +inv +proj=tmerc" + zone9 + " +ellps=GRS80";
        if (!raised.empty()) p += " +step +inv " + raised;
        if (!corrected.empty()) p += " +step +inv " + corrected;
        p += " +step +inv " + shift + " +step +proj=tmerc" + zone9 + " +ellps=bessel";
    }
    return p + " +step +proj=axisswap +order=2,1";
}

// Plane coordinates of zone 9 as text writes them (6 decimals) and reads
// them back, and their geographic position on the ellipsoid.
void plane_point(geodesy::Ellipsoid e, double lat, double lon, std::pair<double, double>& plane, double& lat_read,
                 double& lon_read) {
    const geodesy::PlanePoint p = geodesy::geo_to_plane(e, 9, geodesy::deg_to_rad(lat), geodesy::deg_to_rad(lon));
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %.6f", p.x, p.y);
    std::istringstream(text) >> plane.first >> plane.second;
    const geodesy::GeoPoint g = geodesy::plane_to_geo(e, 9, plane.first, plane.second);
    lat_read = geodesy::rad_to_deg(g.lat);
    lon_read = geodesy::rad_to_deg(g.lon);
}

// The sample grids and the chain's correction file exported by
// pellowen-ntv2, the correction also loaded as pellowen-batch loads it.
class CorrectionChain : public Proj {
protected:
    void SetUp() override {
        Proj::SetUp();
        write_chain_correction(dir + "/corr.par", nodes);
        export_file("land", land_path, dir + "/land.gsb");
        export_file("sea", SEA, dir + "/sea.gsb");
        export_file("correction", dir + "/corr.par", dir + "/corr.gsb");
        RecordingFeedback ui;
        ASSERT_EQ(grids::read_correction_file(ui, dir + "/corr.par", correction), 0);
    }

    // Both programs on the same plane points ("Pk,X,Y" for pellowen-batch,
    // "X Y" for cct, the same digits), each with and without the correction.
    void convert(bool forward, const std::vector<std::pair<double, double>>& plane) {
        std::ofstream batch(dir + "/points.csv", std::ios::binary);
        std::ofstream proj_in(dir + "/points.cct");
        char line[96];
        for (std::size_t k = 0; k < plane.size(); ++k) {
            std::snprintf(line, sizeof line, "P%zu,%.6f,%.6f\r\n", k, plane[k].first, plane[k].second);
            batch << line;
            std::snprintf(line, sizeof line, "%.6f %.6f\n", plane[k].first, plane[k].second);
            proj_in << line;
        }
        batch.close();
        proj_in.close();
        const char* direction = forward ? "tokyo-to-jgd" : "jgd-to-tokyo";
        run_xybl(dir, direction, dir + "/corr.par", plane.size(), ours);
        run_xybl(dir, direction, "", plane.size(), ours_plain);
        run_cct(dir, "-d 8 -z 0 -t 0 " + chain(forward, dir, dir + "/corr.gsb"), plane.size(), proj);
        run_cct(dir, "-d 8 -z 0 -t 0 " + chain(forward, dir, ""), plane.size(), proj_plain);
    }

    CorrectionNodes nodes;
    grids::CorrectionGrid correction;
    std::vector<Batched> ours, ours_plain;
    std::vector<Projected> proj, proj_plain;
};

const char* const LAND_MARK = "<国土地理院で変換>";
const char* const CORRECTED_MARK = "<補正1済>";
const char* const OUTSIDE_MARK = "<補正1範囲外>";
const char* const NO_GRID_MARK = "<3ﾊﾟﾗないし範囲外で変換できず>";
const char* const PARTIAL_MARK = "<補正1のﾊﾟﾗﾒｰﾀ不足で変換できず>";

// How many points fell in each class, and the largest differences (metres)
// where both agree.
void print_counts(std::size_t points, const std::map<std::string, int>& count, const char* largest, double a,
                  double b = -1) {
    std::printf("%zu points:", points);
    for (const auto& [what, n] : count) std::printf(" %s %d,", what.c_str(), n);
    std::printf(largest, a, b);
}

// Tokyo plane coordinates to JGD2011 on about 40,000 points over the sample
// area, with and without the correction step, against pellowen-batch with
// and without --correction. Where the shifted position's cell has four
// usable correction nodes both correct it, where it has none both leave it
// as the shift puts it, and where neither grid covers the point neither
// converts it: both agree within 1 mm (points the sea grid shifts, which
// pellowen-batch projects on WGS84 and PROJ on GRS80, too). The one class
// that differs is the partial cell (some node listed, not four usable
// ones): pellowen-batch does not convert the point, PROJ finds it outside
// the correction grid and takes the "null" grid, so that it comes out
// exactly as without the correction step.
TEST_F(CorrectionChain, TokyoToJgd2011AgreesWithPellowenBatch) {
    std::vector<LonLat> drawn;
    add_random_points(2011, drawn);
    add_random_points(311, drawn);
    struct Point {
        bool shifted, land;
        double lat, lon;  // JGD2000, when shifted
    };
    std::vector<Point> points;
    std::vector<std::pair<double, double>> plane;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        std::pair<double, double> xy;
        double lat = 0, lon = 0;
        plane_point(geodesy::ELLIPSOID_BESSEL, lat_drawn, lon_drawn, xy, lat, lon);
        grids::GridKind source = grids::GridKind::land;
        p.shifted = grids::forward_shift({land, sea}, lat, lon, p.lat, p.lon, source) == 0;
        p.land = source == grids::GridKind::land;
        if (near_cell_line(lat, lon) || (p.shifted && near_cell_line(p.lat, p.lon))) continue;
        points.push_back(p);
        plane.push_back(xy);
    }
    convert(true, plane);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest[2] = {0, 0};  // sea, land
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].first << " " << plane[k].second << ": "
                                        << proj[k].line);
        if (!p.shifted) {
            ++count["no grid"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, NO_GRID_MARK));
            EXPECT_FALSE(proj[k].converted);
            continue;
        }
        const Cover cover = cover_at(nodes, p.lat, p.lon);
        if (cover == Cover::partial) {
            ++count["partial cell"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK));
            EXPECT_TRUE(ours_plain[k].converted && proj[k].converted);
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            continue;
        }
        ++count[cover == Cover::full ? "corrected" : "outside"];
        ASSERT_TRUE(ours[k].converted && proj[k].converted);
        EXPECT_EQ(has(ours[k].marks, LAND_MARK), p.land);
        EXPECT_TRUE(has(ours[k].marks, cover == Cover::full ? CORRECTED_MARK : OUTSIDE_MARK));
        const double moved = plane_distance(ours[k].x, ours[k].y, ours_plain[k].x, ours_plain[k].y);
        // The sample's corrections move a point by 0.7 m or more.
        if (cover == Cover::full) {
            EXPECT_GT(moved, 0.5);
        } else {
            EXPECT_EQ(moved, 0);
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
        }
        const double d = plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y);
        largest[p.land] = std::max(largest[p.land], d);
        EXPECT_LT(d, 1e-3);
    }
    print_counts(points.size(), count, " largest difference land %.6f m, sea %.6f m\n", largest[1], largest[0]);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside"], 5000);
    EXPECT_GT(count["partial cell"], 200);
    EXPECT_GT(count["no grid"], 1000);
}

// Which grid covers a position when the land grid is tried first: 0 none,
// 1 land, 2 sea.
int grid_at(const grids::ParamTable& land, const grids::ParamTable& sea, double lat, double lon) {
    double a = 0, b = 0;
    if (grids::shift_by_land(land, lat, lon, a, b) == 0) return 1;
    return grids::shift_by_sea(sea, lat, lon, a, b) == 0 ? 2 : 0;
}

// JGD2011 plane coordinates back to the Tokyo datum on about 40,000 points
// over the sample area, and on 400 points within 2 m of the north and west
// edges of the corrected cells, with and without the correction step,
// against pellowen-batch with and without --correction. Points both
// convert agree within 1 mm, and both leave out the same points, but for
// three classes:
// - the input lies in a partial cell: pellowen-batch does not convert it,
//   PROJ takes the "null" grid and comes out exactly as without the
//   correction step;
// - the input lies in a corrected cell, nearer to a cell that is not
//   corrected than the largest correction: where undoing the correction
//   steps into that cell, pellowen-batch does not convert the point and
//   PROJ does;
// - the grid that covers the JGD2000 position is not the grid whose shift
//   pellowen-batch inverts (near the edges of the land and sea grids; the
//   shift is about 460 m): PROJ keeps the grid it starts with, so the two
//   may differ by metres or one may not convert the point (counted only).
TEST_F(CorrectionChain, Jgd2011ToTokyoAgreesWithPellowenBatch) {
    std::vector<LonLat> drawn;
    add_random_points(2016, drawn);
    add_random_points(414, drawn);
    // The north edge of the corrected cells, 35 57'N, and the west edge,
    // 139 40' 30"E, and up to 2 m inside them.
    std::uint64_t s = 99;
    for (int i = 0; i < 200; ++i) {
        const double along = unit(s);
        const double inside = 2 * unit(s);
        drawn.emplace_back(139.7 + 0.5 * along, 35.95 - inside / 111000);
        drawn.emplace_back(139.675 + inside / 90700, 35.3 + 0.6 * along);
    }
    const double reach = (nodes.largest + 1e-4) / 3600;
    struct Point {
        double lat, lon;  // JGD2011 as read
        bool undone;      // the correction undone, to JGD2000
        bool other_grid;  // that position's grid is not the one whose shift is inverted
    };
    std::vector<Point> points;
    std::vector<std::pair<double, double>> plane;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        std::pair<double, double> xy;
        double lat0 = 0, lon0 = 0, lat_t = 0, lon_t = 0;
        plane_point(geodesy::ELLIPSOID_GRS80, lat_drawn, lon_drawn, xy, p.lat, p.lon);
        p.undone = grids::undo_correction(correction, p.lat, p.lon, lat0, lon0) != grids::CorrectionOutcome::unknown;
        grids::GridKind source = grids::GridKind::land;
        const bool shifted = p.undone && grids::inverse_shift({land, sea}, lat0, lon0, lat_t, lon_t, source) == 0;
        const int end_grid = !shifted ? 0 : source == grids::GridKind::land ? 1 : 2;
        p.other_grid = p.undone && grid_at(land, sea, lat0, lon0) != end_grid;
        if (near_cell_line(p.lat, p.lon) || (p.undone && near_cell_line(lat0, lon0)) ||
            (shifted && near_cell_line(lat_t, lon_t))) {
            continue;
        }
        points.push_back(p);
        plane.push_back(xy);
    }
    convert(false, plane);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest[2] = {0, 0};  // sea, land
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].first << " " << plane[k].second << ": "
                                        << proj[k].line);
        const Cover cover = cover_at(nodes, p.lat, p.lon);
        const double d = plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y);
        const bool agree = ours[k].converted == proj[k].converted && (!ours[k].converted || d < 1e-3);
        if (cover == Cover::partial) {
            ++count["partial cell"];
            EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK));
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            continue;
        }
        if (cover == Cover::none) {
            EXPECT_EQ(proj[k].line, proj_plain[k].line);
            EXPECT_EQ(ours[k].converted, ours_plain[k].converted);
            EXPECT_TRUE(ours[k].x == ours_plain[k].x && ours[k].y == ours_plain[k].y);
        }
        if (cover == Cover::full && (cover_at(nodes, p.lat - reach, p.lon - reach) != Cover::full ||
                                     cover_at(nodes, p.lat - reach, p.lon + reach) != Cover::full ||
                                     cover_at(nodes, p.lat + reach, p.lon - reach) != Cover::full ||
                                     cover_at(nodes, p.lat + reach, p.lon + reach) != Cover::full)) {
            ++count[agree ? "edge of the corrected cells, agreeing" : "edge of the corrected cells, differing"];
            // Differing only where undoing the correction steps out of the
            // corrected cells.
            EXPECT_EQ(agree, p.undone);
            if (!agree) {
                EXPECT_TRUE(!ours[k].converted && has(ours[k].marks, PARTIAL_MARK) && proj[k].converted);
            }
            continue;
        }
        ASSERT_TRUE(p.undone);
        if (p.other_grid) {
            ++count[agree ? "other grid, agreeing" : "other grid, differing"];
            continue;
        }
        EXPECT_TRUE(agree) << ours[k].converted << " " << ours[k].marks;
        if (!agree) continue;
        if (!ours[k].converted) {
            ++count["no grid"];
            EXPECT_TRUE(has(ours[k].marks, NO_GRID_MARK));
            continue;
        }
        ++count[cover == Cover::full ? "corrected" : "outside"];
        EXPECT_TRUE(has(ours[k].marks, cover == Cover::full ? CORRECTED_MARK : OUTSIDE_MARK));
        const bool on_land = has(ours[k].marks, LAND_MARK);
        largest[on_land] = std::max(largest[on_land], d);
    }
    print_counts(points.size(), count, " largest difference land %.6f m, sea %.6f m\n", largest[1], largest[0]);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside"], 5000);
    EXPECT_GT(count["partial cell"], 200);
    EXPECT_GT(count["edge of the corrected cells, differing"], 20);
}

// ---- The height chain in PROJ against pellowen-batch

// The height file of the chain: a block of nodes over 35 9'N to 35 39'N and
// 139 33'E to 140 03'E (the south-west of it outside the sample correction
// file's area, the rest inside), its north and east edges ragged, a hole
// of 4 by 4 nodes (the 9 cells between them lie outside the file again),
// one node "nan" and one beyond 10 m, records with and without the unused
// third number; values of tens of centimetres.
void write_height_chain_file(const std::string& path, CorrectionNodes& n) {
    const int row0 = 35 * 120 + 18;
    const int col0 = 39 * 80 + 44;
    std::string file = HEIGHT_TITLE;
    for (int i = 0; i < 61; ++i) {
        for (int j = 0; j < 41; ++j) {
            if (i > 60 - j * 3 % 4 || j > 40 - i * 7 % 5) continue;  // the ragged edges
            if (i >= 20 && i <= 23 && j >= 15 && j <= 18) continue;  // the hole
            const double dh = -0.3 + 0.12 * std::sin(i / 9.0) + 0.1 * std::cos(j / 7.0);  // -0.52 to -0.08 m
            char value[24];
            std::snprintf(value, sizeof value, "%.4f", dh);
            if (i == 40 && j == 10) std::snprintf(value, sizeof value, "nan");
            if (i == 10 && j == 30) std::snprintf(value, sizeof value, "12.5000");
            char line[80];
            std::snprintf(line, sizeof line, "%08d %8s%s\r\n", code_of(row0 + i, col0 + j), value,
                          j % 3 == 0 ? "" : "   0.00000");
            file += line;
            n.listed.insert({row0 + i, col0 + j});
            if (std::strcmp(value, "nan") != 0 && std::strcmp(value, "12.5000") != 0) {
                n.usable[{row0 + i, col0 + j}] = {std::stod(value), 0};
            }
        }
    }
    write_file(path, file);
}

// One point as pellowen-batch's log of a SIMA output lists it: converted,
// with its marks after the height, or not, as its input line.
struct SimaLogged {
    bool listed = false;
    bool converted = false;
    double x = 0, y = 0;
    std::string height;
    std::string marks;
};

// The points "A01,k,Pk,..." of the log, by k.
void read_sima_log(const std::string& path, std::vector<SimaLogged>& points) {
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("A01,", 0) != 0) continue;
        const std::vector<std::string> fields = fields_of(line);
        ASSERT_GE(fields.size(), 6u) << line;
        const std::size_t k = std::stoul(fields[1]);
        ASSERT_LT(k, points.size()) << line;
        SimaLogged& p = points[k];
        p.listed = true;
        p.marks = fields.size() > 6 ? fields[6] : "";
        p.converted = has(p.marks, "<");
        p.x = std::stod(fields[3]);
        p.y = std::stod(fields[4]);
        p.height = fields[5];
    }
}

// The value PROJ's vgridshift takes in a cell with missing nodes: the
// bilinear weights of the usable corners, divided by their sum; NaN when
// none is usable.
double usable_corners_mean(const CorrectionNodes& n, double lat, double lon) {
    const int row = static_cast<int>(std::floor(lat * 120));
    const int col = static_cast<int>(std::floor((lon - 100) * 80));
    const double t = lat * 120 - row;
    const double s = (lon - 100) * 80 - col;
    double sum = 0, weights = 0;
    for (const auto& [dr, dc, w] : {std::tuple{0, 0, (1 - s) * (1 - t)}, std::tuple{0, 1, s * (1 - t)},
                                    std::tuple{1, 0, (1 - s) * t}, std::tuple{1, 1, s * t}}) {
        const auto it = n.usable.find({row + dr, col + dc});
        if (it == n.usable.end()) continue;
        sum += w * it->second.first;
        weights += w;
    }
    return weights > 0 ? sum / weights : std::nan("");
}

const char* const HEIGHT_CORRECTED_MARK = "補正2済";
const char* const HEIGHT_OUTSIDE_MARK = "補正2範囲外";

// Points of SIMA records on the Tokyo datum, zone 9, with heights of 3
// decimals, over and around the height file's block: pellowen-batch with
// the sample correction file and the height file (SIMA out, 8 decimals)
// against cct with hgridshift on the land, sea and correction grids and
// vgridshift (+multiplier=1) on the GTX export of the height file, "null"
// behind both. Where the position at the height step (JGD2011) has four
// usable nodes both add the same correction: the heights agree within 1 mm
// (pellowen-batch rounds to the millimetre). Outside the box of the file's
// nodes both keep the height. The classes that differ: a cell of the hole,
// where the file lists no node, pellowen-batch keeps the height and PROJ
// refuses the point (its four nodes hold GTX's missing value: nodata); a
// cell with some nodes listed but not four usable ones, pellowen-batch does
// not convert the point and PROJ weighs the usable corners alone (or
// refuses the point when none is usable), or, for a cell beside the box,
// keeps the height by the null grid. Points whose horizontal correction is
// unknown pellowen-batch does not convert.
TEST_F(Proj, HeightsByVgridshiftAgreeWithPellowenBatch) {
    CorrectionNodes heights;
    write_height_chain_file(dir + "/height.par", heights);
    export_file("land", land_path, dir + "/land.gsb");
    export_file("sea", SEA, dir + "/sea.gsb");
    export_file("correction", CORRECTION, dir + "/corr.gsb");
    export_file("height", dir + "/height.par", dir + "/height.gtx");
    int row_min = INT_MAX, row_max = INT_MIN, col_min = INT_MAX, col_max = INT_MIN;
    for (const auto& [row, col] : heights.listed) {
        row_min = std::min(row_min, row);
        row_max = std::max(row_max, row);
        col_min = std::min(col_min, col);
        col_max = std::max(col_max, col);
    }

    struct Point {
        std::pair<double, double> plane;
        std::string height;       // as written, 3 decimals
        bool shifted = false;
        bool corrected = false;   // the horizontal correction is known
        double lat = 0, lon = 0;  // at the height step (JGD2011), when corrected
    };
    std::vector<Point> points;
    std::uint64_t s = 2025;
    for (int i = 0; i < 20000; ++i) {
        const double lon_drawn = 139.5 + 0.6 * unit(s);
        const double lat_drawn = 35.1 + 0.6 * unit(s);
        const long mm = static_cast<long>(next(s) % 155001) - 5000;  // -5 m to 150 m
        Point p;
        double lat = 0, lon = 0, lat0 = 0, lon0 = 0;
        plane_point(geodesy::ELLIPSOID_BESSEL, lat_drawn, lon_drawn, p.plane, lat, lon);
        char text[32];
        std::snprintf(text, sizeof text, "%s%ld.%03ld", mm < 0 ? "-" : "", std::labs(mm) / 1000, std::labs(mm) % 1000);
        p.height = text;
        grids::GridKind source = grids::GridKind::land;
        p.shifted = grids::forward_shift({land, sea}, lat, lon, lat0, lon0, source) == 0;
        p.corrected = p.shifted && grids::apply_correction(sample_correction, lat0, lon0, p.lat, p.lon) !=
                                       grids::CorrectionOutcome::unknown;
        if (near_cell_line(lat, lon) || (p.shifted && near_cell_line(lat0, lon0)) ||
            (p.corrected && near_cell_line(p.lat, p.lon))) {
            continue;
        }
        points.push_back(p);
    }
    {
        std::ofstream sima(dir + "/points.sim", std::ios::binary);
        std::ofstream proj_in(dir + "/points.cct");
        sima << "G00,01,height chain,\r\nZ00,座標ﾃﾞｰﾀ,\r\nA00,\r\n";
        char line[128];
        for (std::size_t k = 0; k < points.size(); ++k) {
            const Point& p = points[k];
            std::snprintf(line, sizeof line, "%.6f %.6f %s", p.plane.first, p.plane.second, p.height.c_str());
            proj_in << line << '\n';
            std::replace(line, line + std::strlen(line), ' ', ',');
            sima << "A01," << k << ",P" << k << "," << line << ",\r\n";
        }
        sima << "A99,END,\r\n";
    }
    run_batch(dir, "--input " + dir + "/points.sim --output " + dir + "/out.sim --correction " + CORRECTION +
              " --correction " + dir + "/height.par");
    if (HasFatalFailure()) return;
    std::vector<SimaLogged> logged(points.size());
    read_sima_log(dir + "/out_Log.txt", logged);
    if (HasFatalFailure()) return;
    std::vector<Projected> projected;
    run_cct(dir, "-d 8 -t 0 " + chain(true, dir, dir + "/corr.gsb", dir + "/height.gtx"), points.size(), projected);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        const SimaLogged& ours = logged[k];
        const Projected& proj = projected[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << p.plane.first << " " << p.plane.second << " "
                                        << p.height << ": " << ours.height << " " << ours.marks << " / " << proj.line);
        ASSERT_TRUE(ours.listed);
        const double h = std::stod(p.height);
        if (!p.shifted) {
            ++count["outside both grids"];
            EXPECT_FALSE(ours.converted);
            EXPECT_FALSE(proj.converted);
            continue;
        }
        if (!p.corrected) {
            ++count["horizontal correction unknown (pellowen-batch does not convert)"];
            EXPECT_FALSE(ours.converted);
            continue;
        }
        const Cover cover = cover_at(heights, p.lat, p.lon);
        const int row = static_cast<int>(std::floor(p.lat * 120));
        const int col = static_cast<int>(std::floor((p.lon - 100) * 80));
        const bool in_box = row >= row_min && row < row_max && col >= col_min && col < col_max;
        if (cover == Cover::partial) {
            EXPECT_FALSE(ours.converted);
            // Beside the box, outside the GTX file, the null grid; inside,
            // PROJ weighs the usable corners alone.
            const double mean = in_box ? usable_corners_mean(heights, p.lat, p.lon) : 0;
            ++count[!in_box ? "partial cell beside the box, PROJ keeps the height"
                    : std::isnan(mean) ? "partial cell, PROJ nodata"
                                       : "partial cell, PROJ interpolates"];
            EXPECT_EQ(proj.converted, !std::isnan(mean));
            if (proj.converted) {
                EXPECT_NEAR(proj.z, h + mean, in_box ? 1e-6 : 0);
            }
            continue;
        }
        ASSERT_TRUE(ours.converted);
        if (cover == Cover::none) {
            EXPECT_TRUE(has(ours.marks, HEIGHT_OUTSIDE_MARK));
            EXPECT_EQ(ours.height, p.height);
            if (in_box) {
                ++count["hole, PROJ nodata"];
                EXPECT_FALSE(proj.converted);
                EXPECT_TRUE(has(proj.line, "nodata"));
                continue;
            }
            ++count["outside, unchanged"];
            ASSERT_TRUE(proj.converted);
            EXPECT_EQ(proj.z, h);
        } else {
            ++count["corrected"];
            EXPECT_TRUE(has(ours.marks, HEIGHT_CORRECTED_MARK));
            ASSERT_TRUE(proj.converted);
            const double d = std::fabs(std::stod(ours.height) - proj.z);
            largest = std::max(largest, d);
            EXPECT_LT(d, 1e-3);
            // The corrections are 8 cm at least.
            EXPECT_GT(std::fabs(proj.z - h), 0.07);
        }
        EXPECT_LT(plane_distance(ours.x, ours.y, proj.x, proj.y), 1e-3);
    }
    print_counts(points.size(), count, " largest height difference %.7f m\n", largest);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside, unchanged"], 1000);
    EXPECT_GT(count["hole, PROJ nodata"], 50);
    EXPECT_GT(count["partial cell, PROJ interpolates"], 500);
    EXPECT_GT(count["partial cell beside the box, PROJ keeps the height"], 200);
    EXPECT_GT(count["horizontal correction unknown (pellowen-batch does not convert)"], 100);
}

// ---- Refusals

// Files pellowen-ntv2 refuses, with status 2, a message and no output.
TEST(Ntv2Refusals, FilesWithoutAUsableCellOrOfTheWrongKind) {
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const std::string& dir = temp.path;
    const std::string horizontal = "T\r\nMeshCode dB(sec) dL(sec)\r\n";
    const std::string height = HEIGHT_TITLE;
    const std::string in = " " + dir + "/in.par";
    const std::string out = dir + "/out";
    struct Case {
        std::string bytes;      // the file in.par; empty: not written
        std::string arguments;  // all but the output
        const char* message;
    };
    const Case cases[] = {
        {horizontal + "53394600 nan 0.01\r\n53394601 0.01 2.5\r\n", "correction" + in, "holds no usable grid node"},
        {horizontal + "53394600 0.01 0.01\r\n53394601 0.01 0.01\r\n53394611 0.01 0.01\r\n", "correction" + in,
         "has no cell with all four nodes"},
        {horizontal + "53394600 0.01 0.01\r\n", "--single correction" + in, "has no cell with all four nodes"},
        {height + "53394600 0.01\r\n", "correction" + in, "is a height correction file (dH)"},
        {horizontal + "53394600 0.01 0.01\r\n", "height" + in, "is a horizontal correction file"},
        {"", std::string("height ") + SEA, "cannot be read as a height correction file"},
        {height + "53394600 nan\r\n53394601 10.5\r\n", "height" + in, "holds no usable grid node"},
        {height + "53394600 0.1\r\n53394601 0.1\r\n53394611 0.1\r\n", "height" + in,
         "has no cell with all four nodes"},
        {height + "53394600 0.1\r\n", "--single height" + in, "--single has no meaning for height"},
        {height + "53394600 0.1\r\n53394601 0.1\r\n53394610 0.1\r\n53394611 0.1\r\n",
         "height" + in + " " + dir + "/no/such/folder.gtx", "cannot write"},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty()) write_file(dir + "/in.par", c.bytes);
        const std::string arguments = has(c.message, "cannot write") ? c.arguments : c.arguments + " " + out;
        std::string err;
        EXPECT_EQ(run_ntv2(dir, arguments, err), 2) << arguments;
        EXPECT_NE(err.find(c.message), std::string::npos) << arguments << ": " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << arguments;
    }
}

}  // namespace
