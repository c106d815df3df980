// pellowen-ntv2 [--single] land FILE.par OUT.gsb
// pellowen-ntv2 [--single] sea FILE.jhd OUT.gsb
// pellowen-ntv2 [--single] correction FILE.par OUT.gsb
// pellowen-ntv2 height FILE.par OUT.gtx
// pellowen-ntv2 --help | --version
//
// Writes a land or sea grid parameter file, or a correction file (JGD2000
// to JGD2011), as an NTv2 grid shift file, for PROJ (hgridshift), GDAL and
// QGIS; a height correction file (dH) as a GTX vertical grid, for PROJ's
// vgridshift (see gtx_export.h). Land nodes keep their shifts; sea nodes
// carry the three-parameter shift plus their residual, as the conversion
// computes them; correction nodes keep their corrections. The subgrids
// cover exactly the cells whose four nodes the file has (for a correction
// file, four nodes with usable values). With --single the file has one subgrid over the bounding box of
// the nodes instead, the form most NTv2 grids have: NTv2 has no value for a
// missing node, so each node a grid file lacks takes the shifts of the
// nearest node it has (see fill_missing_nodes), and each node a correction
// file lacks or cannot use holds no correction, which is right for points
// outside the file's area. --single is refused with height: a GTX file is
// one grid always. Paths are in the file system's own encoding.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "grids/correction.h"
#include "grids/param_file.h"
#include "gtx_export.h"
#include "ntv2_export.h"
#include "pellowen_version.h"
#include "text/convert.h"

namespace {

const char* const USAGE =
    "usage: pellowen-ntv2 [--single] land FILE.par OUT.gsb\n"
    "       pellowen-ntv2 [--single] sea FILE.jhd OUT.gsb\n"
    "       pellowen-ntv2 [--single] correction FILE.par OUT.gsb\n"
    "       pellowen-ntv2 height FILE.par OUT.gtx\n"
    "       pellowen-ntv2 --help | --version\n";

const char* const DESCRIPTION =
    "\n"
    "Writes the land grid (.par, GSI) or the sea grid (.jhd, Japan Coast Guard)\n"
    "of the Tokyo datum to JGD2000 shift, or a GSI correction file (JGD2000 to\n"
    "JGD2011), as an NTv2 grid shift file (.gsb) for PROJ, GDAL and QGIS.\n"
    "With height, writes a GSI height correction file (title MeshCode dH) as a\n"
    "GTX vertical grid (.gtx) for PROJ's vgridshift with +multiplier=1: one grid\n"
    "over the box of the file's nodes, each node the file lacks or cannot use\n"
    "holding GTX's missing value -88.8888.\n"
    "\n"
    "  --single   one subgrid over the bounding box of the file's nodes instead\n"
    "             of subgrids covering exactly the cells the file has (not with\n"
    "             height, whose file is one grid always)\n"
    "\n"
    "Exit status: 0 the file was written, 2 wrong arguments, a file that cannot\n"
    "be read, is not of the kind asked for or holds no complete cell, or an\n"
    "output that cannot be written.\n";

// The readers' messages are CP932; a POSIX terminal reads UTF-8, as the
// arguments are taken to be.
struct Messages : grids::QuietFeedback {
    void show_message(std::string_view text, std::string_view) override {
#ifndef _WIN32
        std::string utf8;
        if (text::cp932_to_utf8(text, utf8) == 0) text = utf8;
#endif
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

// pellowen-ntv2 height: the file read as a correction file, refused unless
// it is a height file with a cell of four usable nodes.
int write_height(Messages& ui, const std::string& path, const char* shown, const char* out) {
    grids::CorrectionGrid heights;
    if (grids::read_correction_file(ui, path, heights) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s cannot be read as a height correction file (MeshCode dH)\n", shown);
        return 2;
    }
    if (heights.kind != grids::CorrectionKind::height) {
        std::fprintf(stderr,
                     "pellowen-ntv2: %s is a horizontal correction file (dB dL), not a height correction file (dH): "
                     "pellowen-ntv2 correction writes it as NTv2\n",
                     shown);
        return 2;
    }
    gtx::HeightLattice lattice;
    if (gtx::height_lattice(heights, lattice) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s holds no usable grid node\n", shown);
        return 2;
    }
    if (!gtx::has_complete_cell(lattice)) {
        std::fprintf(stderr, "pellowen-ntv2: %s has no cell with all four nodes\n", shown);
        return 2;
    }
    if (gtx::write_gtx(out, lattice) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: cannot write %s\n", out);
        return 2;
    }
    std::fprintf(stderr, "pellowen-ntv2: %s: %d rows, %d columns\n", out, lattice.rows, lattice.cols);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("pellowen-ntv2 " PELLOWEN_VERSION "\n", stdout);
        return 0;
    }
    // Asked for, the usage goes to standard output; after wrong arguments, to
    // standard error with status 2.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        std::fputs(DESCRIPTION, stdout);
        return 0;
    }
    const bool single = argc == 5 && std::strcmp(argv[1], "--single") == 0;
    if (single) {
        --argc;
        ++argv;
    }
    enum class Kind { land, sea, correction, height, none };
    Kind kind = Kind::none;
    if (argc == 4 && std::strcmp(argv[1], "land") == 0) kind = Kind::land;
    if (argc == 4 && std::strcmp(argv[1], "sea") == 0) kind = Kind::sea;
    if (argc == 4 && std::strcmp(argv[1], "correction") == 0) kind = Kind::correction;
    if (argc == 4 && std::strcmp(argv[1], "height") == 0) kind = Kind::height;
    if (kind == Kind::none) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (single && kind == Kind::height) {
        std::fputs("pellowen-ntv2: --single has no meaning for height: a GTX file is one grid always\n", stderr);
        return 2;
    }
    std::string path;
    if (to_cp932(argv[2], path) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s: the path cannot be written in CP932\n", argv[2]);
        return 2;
    }
    Messages ui;
    if (kind == Kind::height) return write_height(ui, path, argv[2], argv[3]);
    ntv2::NodeLattice lattice;
    int no_node = 0;
    if (kind == Kind::correction) {
        grids::CorrectionGrid correction;
        if (grids::read_correction_file(ui, path, correction) != 0) return 2;
        if (correction.kind == grids::CorrectionKind::height) {
            std::fprintf(stderr,
                         "pellowen-ntv2: %s is a height correction file (dH): NTv2 holds horizontal shifts "
                         "only; pellowen-ntv2 height writes it as a GTX file\n",
                         argv[2]);
            return 2;
        }
        no_node = ntv2::correction_lattice(correction, lattice);
    } else {
        const bool land = kind == Kind::land;
        grids::ParamTable table;
        std::string version;
        if (grids::create_param_table(table, land ? grids::LAND_TABLE_CAPACITY : grids::SEA_TABLE_CAPACITY) != 0) {
            std::fputs("pellowen-ntv2: not enough memory\n", stderr);
            return 2;
        }
        const int read = land ? grids::read_land_param_file(ui, 1, path, version, table)
                              : grids::read_sea_param_file(ui, 1, path, version, table);
        if (read != 0) return 2;
        no_node = land ? ntv2::land_lattice(table, lattice) : ntv2::sea_lattice(table, lattice);
    }
    if (no_node != 0) {
        std::fprintf(stderr, "pellowen-ntv2: %s holds no usable grid node\n", argv[2]);
        return 2;
    }
    // A correction file's missing nodes keep 0 from the lattice: no
    // correction, as outside the file's area.
    if (single && kind != Kind::correction) ntv2::fill_missing_nodes(lattice);
    const std::vector<ntv2::CellBlock> blocks = single ? ntv2::bounding_box(lattice) : ntv2::cover_cells(lattice);
    if (blocks.empty()) {
        std::fprintf(stderr, "pellowen-ntv2: %s has no cell with all four nodes\n", argv[2]);
        return 2;
    }
    const ntv2::Datums datums = kind == Kind::land  ? ntv2::land_datums()
                                : kind == Kind::sea ? ntv2::sea_datums()
                                                    : ntv2::correction_datums();
    const char prefix = kind == Kind::land ? 'L' : kind == Kind::sea ? 'S' : 'C';
    if (ntv2::write_gsb(argv[3], lattice, blocks, datums, prefix) != 0) {
        std::fprintf(stderr, "pellowen-ntv2: cannot write %s\n", argv[3]);
        return 2;
    }
    std::fprintf(stderr, "pellowen-ntv2: %s: %zu subgrids\n", argv[3], blocks.size());
    return 0;
}
