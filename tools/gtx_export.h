// Export of a height correction file (dH) as a GTX vertical grid, for PROJ's
// vgridshift.
//
// The file holds one grid over the bounding box of the correction file's
// nodes, on the land grid's lattice (30" rows, 45" columns); a node the file
// does not list, or lists with a value it cannot use, holds GTX's missing
// value, which PROJ leaves out of its interpolation.
#pragma once

#include <string>
#include <vector>

#include "grids/correction.h"

namespace gtx {

// GTX's value for a node without a height correction.
inline constexpr float MISSING = -88.8888f;

// Height corrections in metres on the lattice of 30" rows (counted from the
// equator) and 45" columns (counted from 100 E), over the bounding box of
// the nodes a height file lists.
struct HeightLattice {
    int row0 = 0;  // southmost row
    int col0 = 0;  // westmost column
    int rows = 0;
    int cols = 0;
    std::vector<float> values;  // rows * cols, row by row from the south, each west to east; MISSING where none

    float at(int row, int col) const {
        return values[static_cast<std::size_t>(row - row0) * static_cast<std::size_t>(cols) +
                      static_cast<std::size_t>(col - col0)];
    }
};

// The nodes of a height correction file on the lattice: the box spans every
// node it lists (a code whose second-level digit is 8 or 9 names no node
// and is left out); a node whose value the reader keeps as not-a-number (no
// finite number, or beyond HEIGHT_NODE_LIMIT) holds MISSING, as does every
// node the file lacks. 1 when no listed node has a usable value.
int height_lattice(const grids::CorrectionGrid& heights, HeightLattice& lattice);

// Whether some cell has four usable corner nodes: only then does a point
// inside the file's area get a correction.
bool has_complete_cell(const HeightLattice& lattice);

// Writes the GTX file, big-endian: south latitude and west longitude of the
// first node (degrees, longitude east of Greenwich), the latitude and
// longitude steps (1/120 and 1/80 degree), the numbers of rows and columns,
// then the values as 32-bit floats. path is in the file system's own
// encoding. 1 when the file cannot be written.
int write_gtx(const std::string& path, const HeightLattice& lattice);

}  // namespace gtx
