// Loading both grids, and points per second of the point conversion in both
// directions, in memory, on clustered and on uniformly random points.
//
//   convert_bench [LAND.par SEA.jhd ZONE XMIN XMAX YMIN YMAX]
//
// Without arguments: the sample grids of examples/ and their area in zone 9.
// With the full-size grids, give the zone and the plane area (metres) the
// points are drawn from. Each figure is the median of five runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "grids/param_file.h"
#include "grids/point_conversion.h"

namespace {

struct SilentFeedback : grids::UserFeedback {
    void set_status(std::string_view) override {}
    void show_message(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    void open_in_editor(std::string_view) override {}
};

constexpr int RUNS = 5;
constexpr int POINTS = 1000000;
constexpr int CLUSTER = 200;          // points per cluster
constexpr double CLUSTER_RADIUS = 400;  // metres

struct Area {
    int zone;
    double x_min, x_max, y_min, y_max;
};

struct Point {
    double x, y;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Survey points come in clusters: CLUSTER points within CLUSTER_RADIUS of a
// random centre; or each point anywhere in the area.
std::vector<Point> make_points(const Area& area, bool clustered) {
    std::mt19937_64 random(clustered ? 1 : 2);
    std::uniform_real_distribution<double> x(area.x_min, area.x_max), y(area.y_min, area.y_max);
    std::uniform_real_distribution<double> offset(-CLUSTER_RADIUS, CLUSTER_RADIUS);
    std::vector<Point> points;
    points.reserve(POINTS);
    Point centre{};
    for (int i = 0; i < POINTS; ++i) {
        if (!clustered) {
            points.push_back({x(random), y(random)});
            continue;
        }
        if (i % CLUSTER == 0) centre = {x(random), y(random)};
        points.push_back({centre.x + offset(random), centre.y + offset(random)});
    }
    return points;
}

template <typename Convert>
void measure(const char* label, const std::vector<Point>& points, Convert convert) {
    std::vector<double> rates;
    int converted = 0;
    for (int run = 0; run < RUNS; ++run) {
        converted = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const Point& p : points) {
            grids::PointResult r;
            converted += convert(p.x, p.y, r) == 0 ? 1 : 0;
        }
        rates.push_back(static_cast<double>(points.size()) / seconds_since(start));
    }
    std::printf("%-24s %8zu points, %7d converted: %10.0f points/s\n", label, points.size(), converted,
                median(rates));
}

}  // namespace

int main(int argc, char** argv) {
    std::string land = std::string(PELLOWEN_SOURCE_DIR) + "/examples/sample_land.par";
    std::string sea = std::string(PELLOWEN_SOURCE_DIR) + "/examples/sample_sea.jhd";
    Area area{9, -105000, -5000, -25000, 55000};
    if (argc == 8) {
        land = argv[1];
        sea = argv[2];
        area = {std::atoi(argv[3]), std::atof(argv[4]), std::atof(argv[5]), std::atof(argv[6]), std::atof(argv[7])};
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: convert_bench [LAND.par SEA.jhd ZONE XMIN XMAX YMIN YMAX]\n");
        return 2;
    }

    SilentFeedback ui;
    grids::ParamTable gsi;
    grids::ParamTable jcg;
    if (grids::create_param_table(gsi, grids::GSI_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(jcg, grids::JCG_TABLE_CAPACITY) != 0) {
        return 1;
    }
    std::vector<double> loads;
    for (int run = 0; run < RUNS; ++run) {
        std::string version;
        const auto start = std::chrono::steady_clock::now();
        if (grids::read_gsi_param_file(ui, 1, land, version, gsi) != 0 ||
            grids::read_jcg_param_file(ui, 1, sea, version, jcg) != 0) {
            return 1;
        }
        loads.push_back(seconds_since(start) * 1000);
    }
    std::printf("load both grids          %d + %d records: %.1f ms\n", gsi.count, jcg.count, median(loads));

    for (bool clustered : {true, false}) {
        const std::vector<Point> tokyo = make_points(area, clustered);
        // The JGD2000 points are where the Tokyo points go.
        std::vector<Point> jgd;
        jgd.reserve(tokyo.size());
        for (const Point& p : tokyo) {
            grids::PointResult r;
            if (grids::tokyo_to_jgd_point(gsi, jcg, area.zone, p.x, p.y, r) == 0) jgd.push_back({r.x_out, r.y_out});
        }
        const int zone = area.zone;
        measure(clustered ? "tokyo-to-jgd clustered" : "tokyo-to-jgd random", tokyo,
                [&](double x, double y, grids::PointResult& r) {
                    return grids::tokyo_to_jgd_point(gsi, jcg, zone, x, y, r);
                });
        measure(clustered ? "jgd-to-tokyo clustered" : "jgd-to-tokyo random", jgd,
                [&](double x, double y, grids::PointResult& r) {
                    return grids::jgd_to_tokyo_point(gsi, jcg, zone, x, y, r);
                });
    }
    return 0;
}
