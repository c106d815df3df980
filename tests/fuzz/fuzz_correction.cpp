// The correction file reader over any file contents, then corrections and
// undos at points in and around the loaded cells (the last four bytes place
// them). Checked: a refused file leaves the grid empty after one message; a
// loaded one has ascending codes of at most 8 digits and values within the
// limit or not a number; a correction moves a point within the limit, twice
// the same, and its undo comes back within 1e-8 degree; the index and a
// search of the codes agree to the bit; heights obey the same rules.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "grids/correction.h"
#include "grids/mesh.h"

namespace {

using fuzz::fail;

std::string path;

// The largest move a correction may make, in degrees: the node limit, with
// room for the land grid's cell tolerance (a point just below a cell line
// counts as above it, so its weights reach a little past the cell) and for
// rounding.
constexpr double MOVE_MAX = grids::CORRECTION_NODE_LIMIT / 3600 * (1 + 1e-4);
// An undo stops once a step changes the point by less than 1e-9 degree.
constexpr double UNDO_SETTLED = 1e-9;
constexpr double ROUND_TRIP = 1e-8;
// A value no correction gives: shows an output left untouched.
constexpr double UNTOUCHED = -12345.5;

// A failed check at a node and a point (or a value).
[[noreturn]] void fail(const char* what, int code, double lat, double lon) {
    char where[96];
    std::snprintf(where, sizeof where, "(node %08d, point %.17g %.17g)", code, lat, lon);
    fail(what, where);
}

void check_grid(const grids::CorrectionGrid& grid) {
    if (grid.dB.size() != grid.codes.size() || grid.dL.size() != grid.codes.size()) {
        fail("values and codes differ in number");
    }
    if (grid.title.size() > 255) fail("title too long");
    for (std::size_t i = 0; i < grid.codes.size(); ++i) {
        const int code = grid.codes[i];
        if (code < 0 || code > 99999999) fail("code of more than 8 digits", code, 0, 0);
        if (i > 0 && grid.codes[i - 1] >= code) fail("codes not strictly ascending", code, 0, 0);
        const bool height = grid.kind == grids::CorrectionKind::height;
        if (height && grid.dL[i] != 0) fail("a height node with a longitude value", code, grid.dL[i], 0);
        const double limit = height ? grids::HEIGHT_NODE_LIMIT : grids::CORRECTION_NODE_LIMIT;
        for (const double v : {grid.dB[i], grid.dL[i]}) {
            if (!std::isnan(v) && !(std::isfinite(v) && std::fabs(v) <= limit)) {
                fail("node value beyond the limit", code, v, 0);
            }
        }
    }
}

bool within(double a, double b, double limit) { return std::isfinite(a) && std::fabs(a - b) <= limit; }

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The correction and its undo through the grid's index and by searching its
// codes: the same outcome and the same numbers.
void compare_lookups(const grids::CorrectionGrid& grid, const grids::CorrectionGrid& searched, int code, double lat,
                     double lon) {
    for (auto correct : {grids::apply_correction, grids::undo_correction}) {
        double a[2] = {UNTOUCHED, UNTOUCHED};
        double b[2] = {UNTOUCHED, UNTOUCHED};
        if (correct(grid, lat, lon, a[0], a[1]) != correct(searched, lat, lon, b[0], b[1]) ||
            !same_bits(a[0], b[0]) || !same_bits(a[1], b[1])) {
            fail("the index and the search disagree", code, lat, lon);
        }
    }
}

// The correction and its undo at one point of the cell of code.
void try_point(const grids::CorrectionGrid& grid, const grids::CorrectionGrid& searched, int code, double lat,
               double lon) {
    compare_lookups(grid, searched, code, lat, lon);
    double lat_c = UNTOUCHED, lon_c = UNTOUCHED;
    const grids::CorrectionOutcome applied = grids::apply_correction(grid, lat, lon, lat_c, lon_c);
    switch (applied) {
    case grids::CorrectionOutcome::outside:
        if (lat_c != lat || lon_c != lon) fail("a point outside moved", code, lat, lon);
        break;
    case grids::CorrectionOutcome::unknown:
        if (lat_c != UNTOUCHED || lon_c != UNTOUCHED) fail("an unknown point set its outputs", code, lat, lon);
        break;
    case grids::CorrectionOutcome::corrected: {
        if (!within(lat_c, lat, MOVE_MAX) || !within(lon_c, lon, MOVE_MAX)) {
            fail("a correction beyond the limit", code, lat, lon);
        }
        // Asked again, now from the remembered cell.
        double lat_again = 0, lon_again = 0;
        if (grids::apply_correction(grid, lat, lon, lat_again, lon_again) != applied || lat_again != lat_c ||
            lon_again != lon_c) {
            fail("the same correction asked twice differs", code, lat, lon);
        }
        break;
    }
    }

    double lat_u = UNTOUCHED, lon_u = UNTOUCHED;
    const grids::CorrectionOutcome undone = grids::undo_correction(grid, lat, lon, lat_u, lon_u);
    if (undone == grids::CorrectionOutcome::outside &&
        !(within(lat_u, lat, UNDO_SETTLED) && within(lon_u, lon, UNDO_SETTLED))) {
        fail("an undo outside moved the point", code, lat, lon);
    }
    if (undone == grids::CorrectionOutcome::corrected &&
        !(within(lat_u, lat, MOVE_MAX) && within(lon_u, lon, MOVE_MAX))) {
        fail("an undo beyond the limit", code, lat, lon);
    }

    if (applied != grids::CorrectionOutcome::corrected) return;
    double lat_back = 0, lon_back = 0;
    if (grids::undo_correction(grid, lat_c, lon_c, lat_back, lon_back) != grids::CorrectionOutcome::corrected) return;
    if (grids::mesh_code_at(lat_back, lon_back) != grids::mesh_code_at(lat, lon)) return;
    if (!within(lat_back, lat, ROUND_TRIP) || !within(lon_back, lon, ROUND_TRIP)) {
        fail("undoing a correction does not come back", code, lat, lon);
    }
}

// A height file at one point: the outcome and dH the same through the index
// and by search, a corrected dH finite within the limit and the same when
// asked again, untouched otherwise; down the file and back up it, a height
// comes back.
void try_height(const grids::CorrectionGrid& grid, const grids::CorrectionGrid& searched, int code, double lat,
                double lon) {
    double dh = UNTOUCHED, dh_searched = UNTOUCHED, again = UNTOUCHED;
    const grids::CorrectionOutcome outcome = grids::height_correction(grid, lat, lon, dh);
    if (grids::height_correction(searched, lat, lon, dh_searched) != outcome || !same_bits(dh, dh_searched)) {
        fail("the index and the search disagree on a height", code, lat, lon);
    }
    if (outcome != grids::CorrectionOutcome::corrected) {
        if (dh != UNTOUCHED) fail("a height not corrected set its output", code, lat, lon);
        return;
    }
    if (!within(dh, 0, grids::HEIGHT_NODE_LIMIT * (1 + 1e-4))) fail("a height correction beyond the limit", code, lat, lon);
    if (grids::height_correction(grid, lat, lon, again) != outcome || again != dh) {
        fail("the same height correction asked twice differs", code, lat, lon);
    }
    const grids::CorrectionGrid one[] = {grid};
    grids::PointHeight height{true, 12.345};
    grids::CorrectionMarks marks;
    double lat_out = 0, lon_out = 0;
    if (grids::apply_corrections(one, lat, lon, lat_out, lon_out, marks, &height) != 0 || height.value != 12.345 + dh ||
        lat_out != lat || lon_out != lon || marks.corrected != 1) {
        fail("a height file in the list does not add its correction", code, lat, lon);
    }
    if (grids::undo_corrections(one, lat, lon, lat_out, lon_out, marks, &height) != 0 ||
        !within(height.value, 12.345, 1e-9)) {
        fail("a height down the file and back up it does not come back", code, lat, lon);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    path = fuzz::scratch_folder("correction") + "/correction.par";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    fuzz::write_file(path, {reinterpret_cast<const char*>(data), size - 4});
    const uint8_t* place = data + size - 4;

    RecordingFeedback ui;
    grids::CorrectionGrid grid;
    const int read = grids::read_correction_file(ui, path, grid);
    if (read != 0) {
        if (!grid.codes.empty() || !grid.dB.empty() || !grid.dL.empty()) fail("a refused file left nodes");
        if (ui.messages.size() != 1) fail("a refused file did not show exactly one message");
        return 0;
    }
    if (!ui.messages.empty()) fail("a loaded file showed a message");
    check_grid(grid);
    // The same nodes without the index, under a name of their own so that no
    // remembered cell of the indexed grid answers for them.
    grids::CorrectionGrid searched = grid;
    searched.index_blocks.clear();
    searched.index_nodes.clear();
    searched.load_id = ~grid.load_id;

    // Fractions from -1/6 to 7/6 of the cell: 32 is its south or west line,
    // 224 its north or east line.
    const double s = (place[0] - 32) / 192.0;
    const double t = (place[1] - 32) / 192.0;
    // -3..3 fifths of the corner tolerance.
    const double nudge = (place[3] % 7 - 3) * grids::CORNER_TOLERANCE * 0.2;
    const std::size_t step = grid.codes.size() / 8 + 1;
    for (std::size_t i = place[2] % step; i < grid.codes.size(); i += step) {
        const int code = grid.codes[i];
        const grids::MeshCorner corner = grids::mesh_corner(code);
        // The corner itself (a listed corner takes its own node alone), just
        // beside it, and the point the bytes place.
        const auto try_one = grid.kind == grids::CorrectionKind::height ? try_height : try_point;
        try_one(grid, searched, code, corner.lat0, corner.lon0);
        try_one(grid, searched, code, corner.lat0 + nudge, corner.lon0 - nudge);
        try_one(grid, searched, code, corner.lat0 + t / 120, corner.lon0 + s / 80);
    }
    return 0;
}
