#include <cmath>

#include "grids/datum_shift.h"

namespace grids {

namespace {
// The first guess lies 11 arc-seconds south and east of the given point,
// about where the Tokyo datum puts it around Japan.
constexpr double FIRST_GUESS_OFFSET = 0.0030555555555555557;  // degrees
constexpr double CONVERGED = 1e-10;                           // degrees
}  // namespace

// Shift the guess forward and move it back by the full miss until the miss
// is below the tolerance in latitude and in longitude.
int inverse_shift(const GridSet& tables, double lat_j, double lon_j, double& lat_t,
                  double& lon_t, GridKind& source) {
    lat_t = lat_j - FIRST_GUESS_OFFSET;
    lon_t = lon_j + FIRST_GUESS_OFFSET;
    for (int step = 0; step < INVERSE_SHIFT_MAX_STEPS; ++step) {
        double lat_s = 0;
        double lon_s = 0;
        if (forward_shift(tables, lat_t, lon_t, lat_s, lon_s, source) != 0) return 1;
        const double dlat = lat_s - lat_j;
        const double dlon = lon_s - lon_j;
        if (std::fabs(dlat) <= CONVERGED && std::fabs(dlon) <= CONVERGED) return 0;
        lat_t = lat_t - dlat;
        lon_t = lon_t - dlon;
    }
    // The guesses alternate between cells of the two grids without settling.
    return 1;
}

}  // namespace grids
