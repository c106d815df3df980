// What the grid exports share: the rows and columns a set of grid nodes
// spans, for the exports that lay the nodes out as one rectangle, and the
// writing of a whole export file.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace tools {

// The south-west row and column and the size of the box of nodes (each
// with a row and a col); nodes must not be empty.
template <typename Node>
void node_box(const std::vector<Node>& nodes, int& row0, int& col0, int& rows, int& cols) {
    int row_min = INT_MAX, row_max = INT_MIN, col_min = INT_MAX, col_max = INT_MIN;
    for (const Node& n : nodes) {
        row_min = std::min(row_min, n.row);
        row_max = std::max(row_max, n.row);
        col_min = std::min(col_min, n.col);
        col_max = std::max(col_max, n.col);
    }
    row0 = row_min;
    col0 = col_min;
    rows = row_max - row_min + 1;
    cols = col_max - col_min + 1;
}

// Writes bytes as the whole file at path (a file-system path); 1 when it
// cannot be created, written or closed.
inline int write_whole_file(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 1;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 0 : 1;
}

}  // namespace tools
