// Points per second of the point conversion in both directions on the
// sample grids, over a regular lattice of points in zone 9.
#include <chrono>
#include <cstdio>
#include <string>

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

template <typename Convert>
void measure(const char* label, Convert convert) {
    const auto start = std::chrono::steady_clock::now();
    int points = 0;
    int converted = 0;
    for (int round = 0; round < 20; ++round) {
        for (double x = -105000; x <= -5000; x += 1000) {
            for (double y = -25000; y <= 55000; y += 1000) {
                grids::PointResult r;
                converted += convert(x, y, r) == 0 ? 1 : 0;
                ++points;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-14s %8d points (%d converted) in %.3f s: %.0f points/s\n", label, points, converted, seconds,
                points / seconds);
}

}  // namespace

int main() {
    SilentFeedback ui;
    grids::ParamTable gsi;
    grids::ParamTable jcg;
    std::string version;
    const std::string dir = std::string(PELLOWEN_SOURCE_DIR) + "/examples/";
    if (grids::create_param_table(gsi, grids::GSI_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(jcg, grids::JCG_TABLE_CAPACITY) != 0 ||
        grids::read_gsi_param_file(ui, 1, dir + "sample_land.par", version, gsi) != 0 ||
        grids::read_jcg_param_file(ui, 1, dir + "sample_sea.jhd", version, jcg) != 0) {
        return 1;
    }
    measure("tokyo-to-jgd", [&](double x, double y, grids::PointResult& r) {
        return grids::tokyo_to_jgd_point(gsi, jcg, 9, x, y, r);
    });
    measure("jgd-to-tokyo", [&](double x, double y, grids::PointResult& r) {
        return grids::jgd_to_tokyo_point(gsi, jcg, 9, x, y, r);
    });
    return 0;
}
