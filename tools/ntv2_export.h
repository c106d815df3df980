// Export of a loaded grid table as an NTv2 grid shift file (.gsb), for
// programs that read that format (PROJ's hgridshift, GDAL, QGIS).
//
// Each node keeps the shift that the conversion itself uses there; the file's
// subgrids cover exactly the cells whose four corner nodes the table holds,
// so a reader interpolates the same shifts over the same cells and finds
// every other point outside the file.
#pragma once

#include <string>
#include <vector>

#include "grids/correction.h"
#include "grids/param_file.h"

namespace ntv2 {

// Node shifts on the lattice of 30" rows (counted from the equator) and 45"
// columns (counted from 100 E), over the bounding box of the table's nodes.
struct NodeLattice {
    int row0 = 0;  // southmost row
    int col0 = 0;  // westmost column
    int rows = 0;
    int cols = 0;
    std::vector<unsigned char> present;  // rows * cols, row-major from the south-west
    std::vector<double> dlat;            // arc-seconds, positive north
    std::vector<double> dlon;            // arc-seconds, positive east

    bool has(int row, int col) const {
        return row >= row0 && row < row0 + rows && col >= col0 && col < col0 + cols &&
               present[index(row, col)] != 0;
    }
    std::size_t index(int row, int col) const {
        return static_cast<std::size_t>(row - row0) * static_cast<std::size_t>(cols) +
               static_cast<std::size_t>(col - col0);
    }
};

// The nodes a lookup can find, with the shifts the conversion takes from
// them: land nodes as the table gives them, sea nodes with the
// three-parameter shift added to their residuals. 1 when the table holds no
// such node.
int land_lattice(const grids::ParamTable& land, NodeLattice& lattice);
int sea_lattice(const grids::ParamTable& sea, NodeLattice& lattice);

// The nodes of a correction file that a point's cell can use, with their
// corrections (JGD2000 to JGD2011, arc-seconds). A node the reader keeps as
// not-a-number (a value beyond CORRECTION_NODE_LIMIT or no finite number)
// leaves every cell it touches uncorrectable, so it is not in the lattice;
// nor is a code whose second-level digit is 8 or 9, which no cell has. 1
// when no node is left. Nodes the file lacks hold 0, no correction.
int correction_lattice(const grids::CorrectionGrid& correction, NodeLattice& lattice);

// A rectangle of cells: rows row0..row0+rows-1, columns col0..col0+cols-1,
// each cell named by its south-west node.
struct CellBlock {
    int row0, col0, rows, cols;
};

// Rectangles that together cover every cell with four nodes and no other
// cell, each cell once, the largest first.
std::vector<CellBlock> cover_cells(const NodeLattice& lattice);

// The one rectangle of every cell of the lattice's bounding box.
std::vector<CellBlock> bounding_box(const NodeLattice& lattice);

// Gives every node the table lacks the shifts of the nearest node it has
// (in steps along rows and columns; of nodes equally near, the first found
// looking south, north, west, east from the nodes nearer still). NTv2 has no
// value that marks a node as missing, and PROJ takes whatever a node holds
// (a NaN comes out as a NaN coordinate, not as a point outside the grid), so
// a grid written over its bounding box needs values there. Cells that lack
// a node then shift by these filled values, where the conversion would
// take the other grid or none.
void fill_missing_nodes(NodeLattice& lattice);

struct Datums {
    const char* from;  // at most 8 characters
    const char* to;
    double major_from, minor_from, major_to, minor_to;  // semi-axes, metres
};
Datums land_datums();  // Tokyo (Bessel) to JGD2000 (GRS80)
Datums sea_datums();   // Tokyo (Bessel) to JGD2000 placed on WGS84
Datums correction_datums();  // JGD2000 to JGD2011, both on GRS80

// Writes the file: one top-level subgrid per block, named prefix and a
// running number. path is in the file system's own encoding. 1 when the
// file cannot be written.
int write_gsb(const std::string& path, const NodeLattice& lattice, const std::vector<CellBlock>& blocks,
              const Datums& datums, char prefix);

}  // namespace ntv2
