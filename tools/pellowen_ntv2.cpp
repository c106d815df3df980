// pellowen-ntv2 [--single] land FILE.par OUT.gsb
// pellowen-ntv2 [--single] sea FILE.jhd OUT.gsb
// pellowen-ntv2 --version
//
// Writes a land or sea grid parameter file as an NTv2 grid shift file, for
// PROJ (hgridshift), GDAL and QGIS. Land nodes keep their shifts; sea nodes
// carry the three-parameter shift plus their residual, as the conversion
// computes them. The subgrids cover exactly the cells whose four nodes the
// file has. With --single the file has one subgrid over the bounding box of
// the nodes instead, the form most NTv2 grids have: NTv2 has no value for a
// missing node, so each node the file lacks takes the shifts of the nearest
// node it has (see fill_missing_nodes). Paths are in the file system's own
// encoding.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "grids/param_file.h"
#include "ntv2_export.h"
#include "pellowen_version.h"
#include "text/convert.h"

namespace {

struct Messages : grids::QuietFeedback {
    void show_message(std::string_view text, std::string_view) override {
        std::fprintf(stderr, "pellowen-ntv2: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};

// The readers take CP932 paths; POSIX arguments are UTF-8.
int to_cp932(const char* argument, std::string& cp932) {
#ifdef _WIN32
    cp932 = argument;
    return 0;
#else
    return text::utf8_to_cp932(argument, cp932);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("pellowen-ntv2 " PELLOWEN_VERSION "\n", stdout);
        return 0;
    }
    const bool single = argc == 5 && std::strcmp(argv[1], "--single") == 0;
    if (single) {
        --argc;
        ++argv;
    }
    const bool land = argc == 4 && std::strcmp(argv[1], "land") == 0;
    const bool sea = argc == 4 && std::strcmp(argv[1], "sea") == 0;
    if (!land && !sea) {
        std::fputs("usage: pellowen-ntv2 [--single] land FILE.par OUT.gsb\n"
                   "       pellowen-ntv2 [--single] sea FILE.jhd OUT.gsb\n"
                   "       pellowen-ntv2 --version\n",
                   stderr);
        return 2;
    }
    std::string path;
    if (to_cp932(argv[2], path) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s: the path cannot be written in CP932\n", argv[2]);
        return 2;
    }
    Messages ui;
    grids::ParamTable table;
    std::string version;
    const int capacity = land ? grids::LAND_TABLE_CAPACITY : grids::SEA_TABLE_CAPACITY;
    if (grids::create_param_table(table, capacity) != 0) {
        std::fputs("pellowen-ntv2: not enough memory\n", stderr);
        return 2;
    }
    const int read = land ? grids::read_land_param_file(ui, 1, path, version, table)
                          : grids::read_sea_param_file(ui, 1, path, version, table);
    if (read != 0) return 2;
    ntv2::NodeLattice lattice;
    if ((land ? ntv2::land_lattice(table, lattice) : ntv2::sea_lattice(table, lattice)) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s holds no grid node\n", argv[2]);
        return 2;
    }
    if (single) ntv2::fill_missing_nodes(lattice);
    const std::vector<ntv2::CellBlock> blocks = single ? ntv2::bounding_box(lattice) : ntv2::cover_cells(lattice);
    if (blocks.empty()) {
        std::fprintf(stderr, "pellowen-ntv2: %s has no cell with all four nodes\n", argv[2]);
        return 2;
    }
    if (ntv2::write_gsb(argv[3], lattice, blocks, land ? ntv2::land_datums() : ntv2::sea_datums(),
                        land ? 'L' : 'S') != 0) {
        std::fprintf(stderr, "pellowen-ntv2: cannot write %s\n", argv[3]);
        return 2;
    }
    std::fprintf(stderr, "pellowen-ntv2: %s: %zu subgrids\n", argv[3], blocks.size());
    return 0;
}
