// PROJ's cct on what pellowen-ntv2 exports, against the conversion itself:
// hgridshift on the exported land and sea grids (the exact cover, and one
// subgrid over each file's box) against the shift; the chain from the Tokyo
// datum through JGD2000 to JGD2011 with an exported correction file and
// vgridshift on an exported height file, against pellowen-batch with both
// files, and the horizontal chain back. Last, the files pellowen-ntv2
// refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
#include "scratch_files.h"

namespace {

const char* const SEA = PELLOWEN_SOURCE_DIR "/examples/sample_sea.jhd";
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

using scratch::read_bytes;
using scratch::write_bytes;

// A command's exit status; -1 when it did not exit.
int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// pellowen-ntv2 with its arguments; its exit status, its standard error in
// err.
int run_ntv2(const std::string& dir, const std::string& arguments, std::string& err) {
    const int status = run(std::string(PELLOWEN_NTV2) + " " + arguments + " 2>" + dir + "/ntv2_err.txt");
    err = read_bytes(dir + "/ntv2_err.txt");
    return status;
}

// Within twice the conversion's tolerance of a line of the grid squares
// (1e-5 of the square: 0.7 m at a 40' line, 1 cm at a 30" line).
bool near_cell_line(double lat, double lon) {
    const std::pair<double, double> squares[] = {{2.0 / 3, 1}, {1.0 / 12, 1.0 / 8}, {1.0 / 120, 1.0 / 80}};
    for (const auto& [lat_size, lon_size] : squares) {
        const double f = lat / lat_size - std::floor(lat / lat_size);
        const double g = lon / lon_size - std::floor(lon / lon_size);
        if (f < 2e-5 || f > 1 - 2e-5 || g < 2e-5 || g > 1 - 2e-5) return true;
    }
    return false;
}

// 20,000 points drawn with seed over a square of side degrees from its
// south-west corner (by default the sample area).
void add_random_points(std::uint64_t seed, std::vector<LonLat>& points, double lon0 = 139.45, double lat0 = 34.95,
                       double side = 1.1) {
    std::uint64_t s = seed;
    for (int i = 0; i < 20000; ++i) {
        const double lon = lon0 + side * unit(s);
        const double lat = lat0 + side * unit(s);
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

// The cell (row, col) of a position, and where in it (t north, s east).
std::tuple<int, int, double, double> cell_of(double lat, double lon) {
    const int row = static_cast<int>(std::floor(lat * 120));
    const int col = static_cast<int>(std::floor((lon - 100) * 80));
    return {row, col, lat * 120 - row, (lon - 100) * 80 - col};
}

Cover cover_at(const CorrectionNodes& n, double lat, double lon) {
    const auto [row, col, t, s] = cell_of(lat, lon);
    std::size_t usable = 0, listed = 0;
    for (const auto& node : {std::pair{row, col}, {row, col + 1}, {row + 1, col}, {row + 1, col + 1}}) {
        usable += n.usable.count(node);
        listed += n.listed.count(node);
    }
    return usable == 4 ? Cover::full : listed == 0 ? Cover::none : Cover::partial;
}

// The sample correction file with a hole of 4 by 4 nodes, a "NaN" node, a
// node 2" beyond the limit, and a code whose second-level column is 8 (read
// as an ordinary code it would stand where the "NaN" node is).
void write_chain_correction(const std::string& path, CorrectionNodes& n) {
    std::istringstream in(read_bytes(PELLOWEN_SOURCE_DIR "/examples/sample_correction.par"));
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
    write_bytes(path, out + "53395805 0.50000 0.50000\r\n");
}

// The box of the height file's nodes: rows and columns from its south-west
// node, over 35 9'N to 35 39'N and 139 33'E to 140 03'E (the south-west of
// it outside the sample correction file's area, the rest inside).
constexpr int HEIGHT_ROW0 = 35 * 120 + 18, HEIGHT_ROWS = 60;
constexpr int HEIGHT_COL0 = 39 * 80 + 44, HEIGHT_COLS = 40;

// The chain's height file: the box above with ragged north and east edges,
// a hole of 4 by 4 nodes, a "nan" node and one beyond 10 m; -0.52 to -0.08 m.
void write_height_chain_file(const std::string& path, CorrectionNodes& n) {
    std::string file = HEIGHT_TITLE;
    for (int i = 0; i <= HEIGHT_ROWS; ++i) {
        for (int j = 0; j <= HEIGHT_COLS; ++j) {
            if (i > 60 - j * 3 % 4 || j > 40 - i * 7 % 5) continue;  // the ragged edges
            if (i >= 20 && i <= 23 && j >= 15 && j <= 18) continue;  // the hole
            const double dh = -0.3 + 0.12 * std::sin(i / 9.0) + 0.1 * std::cos(j / 7.0);
            char value[24];
            std::snprintf(value, sizeof value, "%.4f", dh);
            const bool usable = !(i == 40 && j == 10) && !(i == 10 && j == 30);
            if (i == 40 && j == 10) std::snprintf(value, sizeof value, "nan");
            if (i == 10 && j == 30) std::snprintf(value, sizeof value, "12.5000");
            char line[80];
            const std::pair node{HEIGHT_ROW0 + i, HEIGHT_COL0 + j};
            std::snprintf(line, sizeof line, "%08d %8s%s\r\n", code_of(node.first, node.second), value,
                          j % 3 == 0 ? "" : "   0.00000");
            file += line;
            n.listed.insert(node);
            if (usable) n.usable[node] = {std::stod(value), 0};
        }
    }
    write_bytes(path, file);
}

// The height PROJ's vgridshift adds at a position: inside the box, the
// bilinear weights of the cell's usable corners divided by their sum (NaN,
// PROJ's nodata, when none is usable); beside the box 0, by the null grid.
double proj_height_step(const CorrectionNodes& n, double lat, double lon) {
    const auto [row, col, t, s] = cell_of(lat, lon);
    if (row < HEIGHT_ROW0 || row >= HEIGHT_ROW0 + HEIGHT_ROWS || col < HEIGHT_COL0 ||
        col >= HEIGHT_COL0 + HEIGHT_COLS) {
        return 0;
    }
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

// The comma-separated fields of a line, without its line end.
std::vector<std::string> fields_of(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
    return fields;
}

// One point "Pk" as pellowen-batch wrote it in an XYBL output, or in the
// log of a SIMA output ("A01,k,Pk,X,Y,height,marks", the marks only when
// converted).
struct Batched {
    bool converted = false;
    double x = 0, y = 0;
    std::string height;
    std::string marks;  // what follows the coordinates
};

// Both chains of zone 9 in PROJ: plane to geographic, hgridshift on land and
// sea, on the correction grid ("null" behind it), vgridshift on the height
// grid (multiplier 1: added), back to the plane; inverse reversed. An empty
// grid name leaves its step out.
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

// A point of zone 9 in plane coordinates as text writes them (6 decimals),
// with its height (3 decimals).
struct PlanePoint {
    double x = 0, y = 0;
    std::string height = "0.000";
};

// The plane point of a geographic position on the ellipsoid, and the
// position it reads back as.
void plane_point(geodesy::Ellipsoid e, double lat, double lon, PlanePoint& plane, double& lat_read,
                 double& lon_read) {
    const geodesy::PlanePoint p = geodesy::geo_to_plane(e, 9, geodesy::deg_to_rad(lat), geodesy::deg_to_rad(lon));
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %.6f", p.x, p.y);
    std::istringstream(text) >> plane.x >> plane.y;
    const geodesy::GeoPoint g = geodesy::plane_to_geo(e, 9, plane.x, plane.y);
    lat_read = geodesy::rad_to_deg(g.lat);
    lon_read = geodesy::rad_to_deg(g.lon);
}

double plane_distance(double x1, double y1, double x2, double y2) {
    return std::max(std::fabs(x1 - x2), std::fabs(y1 - y2));
}

// A folder with the sample land grid plus a code whose second-level column
// is 8 (read as an ordinary code it would complete a cell at sea), the
// chain's correction and height files, and all four exported by
// pellowen-ntv2; the grids and the correction file also loaded.
class Proj : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::system("command -v cct >/dev/null 2>&1"), 0) << "cct (Debian's proj-bin) is needed";
        ASSERT_FALSE(dir.empty());
        write_bytes(dir + "/land.par",
                   read_bytes(PELLOWEN_SOURCE_DIR "/examples/sample_land.par") + "52396850   1.00000   1.00000\r\n");
        write_chain_correction(dir + "/corr.par", nodes);
        write_height_chain_file(dir + "/height.par", heights);
        for (const auto& [kind, from, to] : {std::tuple{"land", dir + "/land.par", "land.gsb"},
                                             {"sea", std::string(SEA), "sea.gsb"},
                                             {"correction", dir + "/corr.par", "corr.gsb"},
                                             {"height", dir + "/height.par", "height.gtx"}}) {
            export_file(kind + (" " + from) + " " + dir + "/" + to);
        }
        RecordingFeedback ui;
        std::string version;
        ASSERT_EQ(grids::create_param_table(land, grids::LAND_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY), 0);
        ASSERT_EQ(grids::read_land_param_file(ui, 1, dir + "/land.par", version, land), 0);
        ASSERT_EQ(grids::read_sea_param_file(ui, 1, SEA, version, sea), 0);
        ASSERT_EQ(grids::read_correction_file(ui, dir + "/corr.par", correction), 0);
    }

    // pellowen-ntv2 with arguments, which must write its file.
    void export_file(const std::string& arguments) {
        std::string err;
        ASSERT_EQ(run_ntv2(dir, arguments, err), 0) << arguments << ": " << err;
    }

    // The points as SIMA records "A01,k,Pk,X,Y,height" for pellowen-batch
    // and as "X Y height" for cct, the same digits.
    void write_points(const std::vector<PlanePoint>& points) {
        std::ofstream sima(dir + "/points.sim", std::ios::binary);
        std::ofstream proj_in(dir + "/points.cct");
        sima << "G00,01,chain,\r\nZ00,座標ﾃﾞｰﾀ,\r\nA00,\r\n";
        char line[128];
        for (std::size_t k = 0; k < points.size(); ++k) {
            const PlanePoint& p = points[k];
            std::snprintf(line, sizeof line, "%.6f %.6f %s\n", p.x, p.y, p.height.c_str());
            proj_in << line;
            std::snprintf(line, sizeof line, "A01,%zu,P%zu,%.6f,%.6f,%s,\r\n", k, k, p.x, p.y, p.height.c_str());
            sima << line;
        }
        sima << "A99,END,\r\n";
    }

    // pellowen-batch on those points with the test's land grid, the sample
    // sea grid and options, which must not fail the run as a whole: SIMA out,
    // its log read back, or XYBL out, read back; the points by k.
    void batch(const std::string& options, bool sima, std::vector<Batched>& points) {
        const std::string out = dir + (sima ? "/out.sim" : "/out.txt");
        const std::string command = std::string(PELLOWEN_BATCH) + " --quiet --zone 9 --decimals 8 --gsi-grid " + dir +
                                    "/land.par --jcg-grid " + SEA + " --input " + dir + "/points.sim --output " + out +
                                    (sima ? " " : " --output-format xybl ") + options + " 2>/dev/null";
        const int status = run(command);
        ASSERT_TRUE(status == 0 || status == 1) << command;
        const std::size_t count = points.size();
        points.assign(count, Batched{});
        std::istringstream in(read_bytes(sima ? dir + "/out_Log.txt" : out));
        std::size_t read = 0;
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> f = fields_of(line);
            if (sima && line.rfind("A01,", 0) == 0) f.erase(f.begin(), f.begin() + 2);
            else if (sima || line.empty() || line[0] != 'P') continue;
            const std::size_t k = std::stoul(f[0].substr(1));
            ASSERT_TRUE(k < count && f.size() >= 4) << line;
            Batched& p = points[k];
            p.converted = sima ? f.size() > 4 : f.size() == 10;
            if (p.converted) {
                p.x = std::stod(f[sima ? 1 : 5]);
                p.y = std::stod(f[sima ? 2 : 6]);
            }
            p.height = sima ? f[3] : "";
            p.marks = p.converted || !sima ? f.back() : "";
            ++read;
        }
        ASSERT_EQ(read, count);
    }

    const TempDir temp;
    const std::string& dir = temp.path;
    grids::ParamTable land, sea;
    CorrectionNodes nodes, heights;  // of the chain's correction and height files
    grids::CorrectionGrid correction;
};

// hgridshift at every cell centre and at scattered points, on the exact
// covers of both grids and on each file as one subgrid (--single): wherever
// the conversion shifts or corrects a point, PROJ moves it the same within
// 1e-9 degree; the exact cover leaves out exactly the points it cannot shift.
TEST_F(Proj, HgridshiftMovesPointsAsTheConversionDoes) {
    std::vector<LonLat> points;
    for (int r = 35 * 120 - 2; r < 36 * 120 + 2; ++r) {
        for (int c = 39 * 80 + 38; c < 40 * 80 + 42; ++c) points.emplace_back(100 + (c + 0.5) / 80, (r + 0.5) / 120);
    }
    add_random_points(12345, points);
    using Shift = std::function<bool(double, double, double&, double&)>;
    const std::pair<std::string, Shift> cases[] = {
        {"", [&](double lat, double lon, double& lat_out, double& lon_out) {
             grids::GridKind source{};
             return grids::forward_shift({land, sea}, lat, lon, lat_out, lon_out, source) == 0;
         }},
        {"land " + dir + "/land.par", [&](double lat, double lon, double& lat_out, double& lon_out) {
             return grids::shift_by_land(land, lat, lon, lat_out, lon_out) == 0;
         }},
        {std::string("sea ") + SEA, [&](double lat, double lon, double& lat_out, double& lon_out) {
             return grids::shift_by_sea(sea, lat, lon, lat_out, lon_out) == 0;
         }},
        {"correction " + dir + "/corr.par", [&](double lat, double lon, double& lat_out, double& lon_out) {
             return grids::apply_correction(correction, lat, lon, lat_out, lon_out) ==
                    grids::CorrectionOutcome::corrected;
         }},
    };
    for (const auto& [single, shift] : cases) {
        SCOPED_TRACE(single);
        if (!single.empty()) export_file("--single " + single + " " + dir + "/one.gsb");
        std::vector<Projected> proj;
        hgridshift(dir, single.empty() ? "@" + dir + "/land.gsb,@" + dir + "/sea.gsb" : dir + "/one.gsb", points, proj);
        std::size_t compared = 0, only_proj = 0;
        for (std::size_t k = 0; k < proj.size(); ++k) {
            const auto [lon, lat] = points[k];
            double lat_out = 0, lon_out = 0;
            if (!shift(lat, lon, lat_out, lon_out)) {
                only_proj += proj[k].converted ? 1 : 0;
                continue;
            }
            SCOPED_TRACE(testing::Message() << "point " << k << ": " << lon << " " << lat << ": " << proj[k].line);
            ASSERT_TRUE(proj[k].converted);
            EXPECT_NEAR(proj[k].x, lon_out, 1e-9);
            EXPECT_NEAR(proj[k].y, lat_out, 1e-9);
            ++compared;
        }
        EXPECT_GT(compared, 5000u);
        EXPECT_GT(points.size() - compared, 1000u);
        if (single.empty()) {
            EXPECT_EQ(only_proj, 0u);
        } else {
            EXPECT_GT(only_proj, 20u);
        }
    }
}

const char* const LAND_MARK = "<国土地理院で変換>";
const char* const NO_GRID_MARK = "<3ﾊﾟﾗないし範囲外で変換できず>";
const char* const PARTIAL_MARK = "<補正1のﾊﾟﾗﾒｰﾀ不足で変換できず>";

// How many points fell in each class.
void print_counts(std::size_t points, const std::map<std::string, int>& count) {
    std::printf("%zu points:", points);
    for (const auto& [what, n] : count) std::printf(" %s %d,", what.c_str(), n);
}

// Tokyo plane points with heights to JGD2011 on about 40,000 points:
// pellowen-batch with the correction and height files against cct through
// the exported grids (the README's "chain" paragraphs give the classes).
// Converted by both: within 1 mm, and heights within 1 mm; in partial cells
// pellowen-batch converts nothing while PROJ takes the null grid or weighs
// the usable corners; in the height file's hole PROJ says nodata.
TEST_F(Proj, TokyoToJgd2011WithHeightsAgreesWithPellowenBatch) {
    std::vector<LonLat> drawn;
    add_random_points(2011, drawn);
    add_random_points(2025, drawn, 139.5, 35.1, 0.6);  // over the height file
    struct Point {
        bool shifted, land;
        Cover correction;
        double lat, lon;  // at the height step: JGD2011, or JGD2000 where no correction applies
    };
    std::vector<Point> points;
    std::vector<PlanePoint> plane;
    std::uint64_t s = 311;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        PlanePoint xy;
        const long mm = static_cast<long>(next(s) % 155001) - 5000;  // -5 m to 150 m
        char text[32];
        std::snprintf(text, sizeof text, "%s%ld.%03ld", mm < 0 ? "-" : "", std::labs(mm) / 1000, std::labs(mm) % 1000);
        xy.height = text;
        double lat = 0, lon = 0, lat0 = 0, lon0 = 0;
        plane_point(geodesy::ELLIPSOID_BESSEL, lat_drawn, lon_drawn, xy, lat, lon);
        grids::GridKind source = grids::GridKind::land;
        p.shifted = grids::forward_shift({land, sea}, lat, lon, lat0, lon0, source) == 0;
        p.land = source == grids::GridKind::land;
        p.correction = cover_at(nodes, lat0, lon0);
        p.lat = lat0;
        p.lon = lon0;
        if (p.shifted && p.correction == Cover::full) grids::apply_correction(correction, lat0, lon0, p.lat, p.lon);
        if (near_cell_line(lat, lon) ||
            (p.shifted && (near_cell_line(lat0, lon0) || near_cell_line(p.lat, p.lon)))) {
            continue;
        }
        points.push_back(p);
        plane.push_back(xy);
    }
    const std::size_t n = points.size();
    write_points(plane);
    std::vector<Batched> ours(n), reasons(n);
    std::vector<Projected> proj, proj_plain;
    batch("--correction " + dir + "/corr.par --correction " + dir + "/height.par", true, ours);
    batch("--correction " + dir + "/corr.par", false, reasons);
    run_cct(dir, "-d 8 -t 0 " + chain(true, dir, dir + "/corr.gsb", dir + "/height.gtx"), n, proj);
    run_cct(dir, "-d 8 -t 0 " + chain(true, dir, ""), n, proj_plain);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest[3] = {0, 0, 0};  // sea, land, height
    for (std::size_t k = 0; k < n; ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].x << " " << plane[k].y << " "
                                        << plane[k].height << ": " << ours[k].height << " " << ours[k].marks
                                        << " / " << proj[k].line);
        if (!p.shifted) {
            ++count["no grid"];
            EXPECT_FALSE(ours[k].converted || proj[k].converted);
            EXPECT_TRUE(has(reasons[k].marks, NO_GRID_MARK));
            continue;
        }
        // PROJ: moved by the correction step or not at all; the height as
        // the model of vgridshift has it.
        const double h = std::stod(plane[k].height);
        const double dh = proj_height_step(heights, p.lat, p.lon);
        ASSERT_TRUE(proj_plain[k].converted);
        EXPECT_EQ(proj[k].converted, !std::isnan(dh));
        if (proj[k].converted) {
            EXPECT_NEAR(proj[k].z, h + dh, dh == 0 ? 0 : 1e-6);
            const double moved = plane_distance(proj[k].x, proj[k].y, proj_plain[k].x, proj_plain[k].y);
            if (p.correction == Cover::full) {
                EXPECT_GT(moved, 0.5);
            } else {
                EXPECT_EQ(moved, 0);
            }
        }
        if (p.correction == Cover::partial) {
            ++count["partial cell"];
            EXPECT_FALSE(ours[k].converted);
            EXPECT_TRUE(has(reasons[k].marks, PARTIAL_MARK));
            continue;
        }
        const Cover height = cover_at(heights, p.lat, p.lon);
        if (height == Cover::partial) {
            ++count[dh == 0 ? "heights: partial cell beside the box" : std::isnan(dh) ? "heights: partial cell, nodata"
                                                                                     : "heights: partial cell"];
            EXPECT_FALSE(ours[k].converted);
            continue;
        }
        ++count[p.correction == Cover::full ? "corrected" : "outside"];
        ASSERT_TRUE(ours[k].converted);
        EXPECT_EQ(has(ours[k].marks, LAND_MARK), p.land);
        EXPECT_TRUE(has(ours[k].marks, p.correction == Cover::full ? "補正1済" : "補正1範囲外"));
        if (height == Cover::full) {
            ++count["heights: corrected"];
            EXPECT_TRUE(has(ours[k].marks, "補正2済"));
            ASSERT_TRUE(proj[k].converted);
            largest[2] = std::max(largest[2], std::fabs(std::stod(ours[k].height) - proj[k].z));
            EXPECT_LT(std::fabs(std::stod(ours[k].height) - proj[k].z), 1e-3);
            EXPECT_GT(std::fabs(proj[k].z - h), 0.07);
        } else {
            ++count[dh == 0 ? "heights: outside" : "heights: hole"];
            EXPECT_TRUE(has(ours[k].marks, "補正2範囲外"));
            EXPECT_EQ(ours[k].height, plane[k].height);
            EXPECT_EQ(has(proj[k].line, "nodata"), dh != 0);
        }
        if (!proj[k].converted) continue;
        const double d = plane_distance(ours[k].x, ours[k].y, proj[k].x, proj[k].y);
        largest[p.land] = std::max(largest[p.land], d);
        EXPECT_LT(d, 1e-3);
    }
    print_counts(n, count);
    std::printf(" largest difference land %.6f m, sea %.6f m, height %.7f m\n", largest[1], largest[0], largest[2]);
    for (const char* what : {"corrected", "outside", "heights: corrected"}) EXPECT_GT(count[what], 5000) << what;
    for (const char* what : {"no grid", "heights: outside"}) EXPECT_GT(count[what], 1000) << what;
    for (const char* what : {"partial cell", "heights: partial cell", "heights: partial cell beside the box"}) {
        EXPECT_GT(count[what], 200) << what;
    }
    EXPECT_GT(count["heights: hole"], 50);
}

// Which grid covers a position when the land grid is tried first: 0 none,
// 1 land, 2 sea.
int grid_at(const grids::ParamTable& land, const grids::ParamTable& sea, double lat, double lon) {
    double a = 0, b = 0;
    if (grids::shift_by_land(land, lat, lon, a, b) == 0) return 1;
    return grids::shift_by_sea(sea, lat, lon, a, b) == 0 ? 2 : 0;
}

// JGD2011 plane points back to Tokyo on about 40,000 points and 400 within
// 2 m of the corrected cells' north and west edges, against pellowen-batch
// with and without --correction: within 1 mm, but for a partial cell (PROJ
// takes the null grid), an undo that steps out of the corrected cells
// (pellowen-batch refuses), and a position whose grid is not the one whose
// shift is inverted (counted only).
TEST_F(Proj, Jgd2011ToTokyoAgreesWithPellowenBatch) {
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
    std::vector<PlanePoint> plane;
    for (const auto& [lon_drawn, lat_drawn] : drawn) {
        Point p{};
        PlanePoint xy;
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
    const std::size_t n = points.size();
    write_points(plane);
    std::vector<Batched> ours(n), ours_plain(n);
    std::vector<Projected> proj, proj_plain;
    batch("--direction jgd-to-tokyo --correction " + dir + "/corr.par", false, ours);
    batch("--direction jgd-to-tokyo", false, ours_plain);
    run_cct(dir, "-d 8 -t 0 " + chain(false, dir, dir + "/corr.gsb"), n, proj);
    run_cct(dir, "-d 8 -t 0 " + chain(false, dir, ""), n, proj_plain);
    if (HasFatalFailure()) return;

    std::map<std::string, int> count;
    double largest[2] = {0, 0};  // sea, land
    for (std::size_t k = 0; k < n; ++k) {
        const Point& p = points[k];
        SCOPED_TRACE(testing::Message() << "P" << k << " " << plane[k].x << " " << plane[k].y << ": " << proj[k].line);
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
        EXPECT_TRUE(has(ours[k].marks, cover == Cover::full ? "<補正1済>" : "<補正1範囲外>"));
        const bool on_land = has(ours[k].marks, LAND_MARK);
        largest[on_land] = std::max(largest[on_land], d);
    }
    print_counts(n, count);
    std::printf(" largest difference land %.6f m, sea %.6f m\n", largest[1], largest[0]);
    EXPECT_GT(count["corrected"], 5000);
    EXPECT_GT(count["outside"], 5000);
    EXPECT_GT(count["partial cell"], 200);
    EXPECT_GT(count["edge of the corrected cells, differing"], 20);
}

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
        if (!c.bytes.empty()) write_bytes(dir + "/in.par", c.bytes);
        const std::string arguments = has(c.message, "cannot write") ? c.arguments : c.arguments + " " + out;
        std::string err;
        EXPECT_EQ(run_ntv2(dir, arguments, err), 2) << arguments;
        EXPECT_NE(err.find(c.message), std::string::npos) << arguments << ": " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << arguments;
    }
}

}  // namespace
