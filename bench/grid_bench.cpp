// grid_bench DATADIR [height-load]
//
// On the full-size generated data (bench/make-data): the load of both grids
// (read, then sort) in milliseconds, from files in key order and from files
// shuffled in pieces; the load of the nationwide height correction file
// full_height.par (read_correction_file; with height-load, that alone);
// and points per second of the point conversion in each direction, in
// memory, on clustered and on random points of zone 5, without and with the
// correction file full_correction.par, and without and with the height file
// (rounds of the two alternate; the cost of a file is the median of each
// pair's ratio of times). Medians of several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "grids/correction.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"

namespace {

constexpr int ZONE = 5;

struct SilentFeedback : grids::QuietFeedback {
    void show_message(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Point {
    double x, y;
};

// X and Y of every "name,X,Y" line.
std::vector<Point> read_xy(const std::string& path) {
    std::vector<Point> points;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t a = line.find(',');
        if (a == std::string::npos) continue;
        char* end = nullptr;
        const double x = std::strtod(line.c_str() + a + 1, &end);
        if (*end != ',') continue;
        points.push_back({x, std::strtod(end + 1, nullptr)});
    }
    return points;
}

// Points per second without and with the corrections of other, rounds of
// the two alternating (the first of each pair in turn, so that both meet
// the same load of the machine and the same warmed caches); with heights,
// every point carries a height of 10 m through other's height files.
void compare_in_memory(const char* label, const std::vector<Point>& points, bool forward,
                       const grids::GridSet& plain, const grids::GridSet& other, const char* other_name,
                       bool heights) {
    std::vector<double> plain_rates;
    std::vector<double> other_rates;
    std::vector<double> cost;
    long converted[2] = {0, 0};
    for (int round = 0; round < 5; ++round) {
        double seconds[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int with = (round + k) % 2;
            const grids::GridSet& set = with == 1 ? other : plain;
            converted[with] = 0;
            const auto start = std::chrono::steady_clock::now();
            for (const Point& p : points) {
                grids::PointResult r;
                grids::PointHeight h{true, 10.0};
                grids::PointHeight* const height = heights && with == 1 ? &h : nullptr;
                const int failed = forward ? grids::tokyo_to_jgd_point(set, ZONE, p.x, p.y, r, height)
                                           : grids::jgd_to_tokyo_point(set, ZONE, p.x, p.y, r, height);
                converted[with] += failed == 0 ? 1 : 0;
            }
            seconds[with] = seconds_since(start);
        }
        plain_rates.push_back(static_cast<double>(points.size()) / seconds[0]);
        other_rates.push_back(static_cast<double>(points.size()) / seconds[1]);
        cost.push_back(seconds[1] / seconds[0]);
    }
    std::printf("%s %zu points (%ld converted): median %.0f points/s of %zu rounds; with %s "
                "(%ld converted) %.0f points/s, time ratio %.3f\n",
                label, points.size(), converted[0], median(plain_rates), plain_rates.size(), other_name,
                converted[1], median(other_rates), median(cost));
}

// The load of the height file, each round into a grid of its own as a run
// loads it: the median and best of 7 rounds. 0 when it loaded.
int report_height_load(SilentFeedback& ui, const std::string& dir) {
    std::vector<double> loads;
    grids::CorrectionGrid height;
    for (int round = 0; round < 7; ++round) {
        grids::CorrectionGrid loaded;
        const auto start = std::chrono::steady_clock::now();
        if (grids::read_correction_file(ui, dir + "full_height.par", loaded) != 0) return 1;
        loads.push_back(seconds_since(start) * 1000);
        height = std::move(loaded);
    }
    std::printf("load the height file (%zu nodes, %s): median %.1f ms of %zu, best %.1f ms\n", height.codes.size(),
                height.index_nodes.empty() ? "searched" : "indexed", median(loads), loads.size(),
                *std::min_element(loads.begin(), loads.end()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool height_load_only = argc == 3 && std::string(argv[2]) == "height-load";
    if (argc != 2 && !height_load_only) {
        std::fputs("usage: grid_bench DATADIR [height-load]\n", stderr);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    SilentFeedback ui;
    if (height_load_only) return report_height_load(ui, dir);
    grids::ParamTable land;
    grids::ParamTable sea;
    if (grids::create_param_table(land, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY) != 0) {
        return 1;
    }
    const grids::GridSet tables{land, sea};
    // In key order, as the published files are, and shuffled in pieces, as a
    // file assembled from regional pieces would be.
    const char* orders[][3] = {
        {"in key order", "full_land.par", "full_sea.jhd"},
        {"shuffled    ", "shuffled_land.par", "shuffled_sea.jhd"},
    };
    std::string version;
    for (const auto& order : orders) {
        std::vector<double> loads;
        for (int round = 0; round < 7; ++round) {
            const auto start = std::chrono::steady_clock::now();
            if (grids::read_land_param_file(ui, 1, dir + order[1], version, land) != 0 ||
                grids::read_sea_param_file(ui, 1, dir + order[2], version, sea) != 0) {
                return 1;
            }
            loads.push_back(seconds_since(start) * 1000);
        }
        std::printf("load both grids %s (%d + %d records): median %.1f ms of %zu, best %.1f ms\n", order[0],
                    land.count, sea.count, median(loads), loads.size(),
                    *std::min_element(loads.begin(), loads.end()));
    }

    if (report_height_load(ui, dir) != 0) return 1;

    std::vector<grids::CorrectionGrid> correction(1);
    if (grids::read_correction_file(ui, dir + "full_correction.par", correction[0]) != 0) return 1;
    const grids::GridSet corrected{land, sea, correction};
    std::printf("correction file: %zu nodes\n", correction[0].codes.size());
    std::vector<grids::CorrectionGrid> height(1);
    if (grids::read_correction_file(ui, dir + "full_height.par", height[0]) != 0) return 1;
    const grids::GridSet height_corrected{land, sea, height};

    struct Case {
        const char* label;
        const char* file;
        bool forward;  // Tokyo datum to JGD2000
    };
    const Case cases[] = {
        {"tokyo-to-jgd clustered", "clustered_tokyo.txt", true},
        {"tokyo-to-jgd random   ", "random_tokyo.txt", true},
        {"jgd-to-tokyo clustered", "clustered_jgd.txt", false},
        {"jgd-to-tokyo random   ", "random_jgd.txt", false},
    };
    for (const Case& c : cases) {
        const std::vector<Point> points = read_xy(dir + c.file);
        if (points.empty()) {
            std::fprintf(stderr, "grid_bench: no points in %s%s\n", dir.c_str(), c.file);
            return 1;
        }
        compare_in_memory(c.label, points, c.forward, tables, corrected, "the correction", false);
        compare_in_memory(c.label, points, c.forward, tables, height_corrected, "the height file", true);
    }
    return 0;
}
