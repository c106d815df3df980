// The land and sea grid readers over any file contents, full reads into
// tables of the real capacities, then lookups, both shifts and both point
// conversions on what was loaded. The first two bytes split the rest of the
// input into the land file and the sea file; the last bytes place points in
// the cells of loaded nodes. Checked: a load never counts past the table's
// capacity; every field of every loaded record stays zero-terminated; the
// records are sorted; every key printed as it is stored is found again; a
// shift or conversion that reports success gives finite numbers only.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "geodesy/angles.h"
#include "geodesy/mesh_key.h"
#include "geodesy/projection.h"
#include "grids/datum_shift.h"
#include "grids/mesh.h"
#include "grids/param_file.h"
#include "grids/point_conversion.h"

namespace {

using namespace fuzz;

grids::ParamTable land_table;
grids::ParamTable sea_table;
std::string folder;

void check_table(const grids::ParamTable& table, const char* which) {
    if (table.count < 0 || table.count > table.capacity) fail("count beyond capacity", which);
    const grids::ParamRecord* r = table.records.get();
    for (int i = 0; i < table.count; ++i) {
        if (r[i].key[8] != 0 || r[i].lat[10] != 0 || r[i].lon[10] != 0) fail("field not terminated", which);
        if (i > 0 && std::strcmp(r[i - 1].key, r[i].key) > 0) fail("records not sorted", which);
    }
}

bool finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// A point at fractions s, t of the cell whose south-west node is code: a
// shift or conversion that reports success gives numbers.
void try_point(int code, double s, double t, int zone) {
    const grids::MeshCorner corner = grids::mesh_corner(code);
    const double lat = corner.lat0 + t / 120.0;
    const double lon = corner.lon0 + s / 80.0;
    if (!finite(lat, lon) || std::fabs(lat) > 90 || std::fabs(lon) > 360) return;
    double lat_out = 0, lon_out = 0;
    grids::GridKind source = grids::GridKind::land;
    if (grids::forward_shift({land_table, sea_table}, lat, lon, lat_out, lon_out, source) == 0 && !finite(lat_out, lon_out)) {
        fail("forward shift gave no number");
    }
    if (grids::inverse_shift({land_table, sea_table}, lat, lon, lat_out, lon_out, source) == 0 && !finite(lat_out, lon_out)) {
        fail("inverse shift gave no number");
    }
    const geodesy::PlanePoint p =
        geodesy::geo_to_plane(geodesy::ELLIPSOID_BESSEL, zone, geodesy::deg_to_rad(lat), geodesy::deg_to_rad(lon));
    for (auto convert : {grids::tokyo_to_jgd_point, grids::jgd_to_tokyo_point}) {
        grids::PointResult r;
        if (convert({land_table, sea_table}, zone, p.x, p.y, r, nullptr) == 0 && !(finite(r.x_out, r.y_out) && finite(r.lat_out, r.lon_out))) {
            fail("a point conversion gave no number");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (grids::create_param_table(land_table, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(sea_table, grids::SEA_TABLE_CAPACITY) != 0) {
        fail("no memory for the tables");
    }
    folder = scratch_folder("grids");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const std::string body(reinterpret_cast<const char*>(data) + 2, size - 6);
    const std::size_t split = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % (body.size() + 1);
    write_file(folder + "/land.par", body.substr(0, split));
    write_file(folder + "/sea.jhd", body.substr(split));
    const uint8_t* place = data + size - 4;

    RecordingFeedback ui;
    std::string version;
    const int land = grids::read_land_param_file(ui, 1, folder + "/land.par", version, land_table);
    if (version.size() > 255) fail("version text too long");
    const int sea = grids::read_sea_param_file(ui, 1, folder + "/sea.jhd", version, sea_table);
    check_table(land_table, "land");
    check_table(sea_table, "sea");
    if (land != 0 || sea != 0) return 0;

    const int zone = 1 + place[3] % 19;
    const double s = place[0] / 255.0;
    const double t = place[1] / 255.0;
    for (const grids::ParamTable* table : {&land_table, &sea_table}) {
        const int step = table->count / 8 + 1;
        for (int i = place[2] % step; i < table->count; i += step) {
            // Every key stored exactly as "%8ld" prints it is found again.
            const grids::ParamRecord& r = table->records[static_cast<std::size_t>(i)];
            const long key = std::strtol(r.key, nullptr, 10);
            char text[24];
            std::snprintf(text, sizeof text, "%8ld", key);
            if (std::strcmp(text, r.key) != 0) continue;
            const grids::ParamRecord* found = grids::find_param_record(table->loaded(), key);
            if (found == nullptr || std::strcmp(found->key, r.key) != 0) fail("a loaded key is not found");
            if (key < 10000000 || key > 99999999) continue;
            const int code = table == &land_table ? static_cast<int>(key) : geodesy::key_to_mesh(static_cast<int>(key));
            try_point(code, s, t, zone);
        }
    }
    return 0;
}
