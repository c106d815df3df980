// The compact grid key by which the sea grid names its nodes, and its
// relation to the 8-digit third-order grid square code ppuuqvrw.
#pragma once

#include <climits>

namespace geodesy {

// The digits of a code: first-level row pp and column uu, second-level row q
// and column v (0..7), third-level row r and column w (0..9).
struct MeshDigits {
    int pp, uu, q, v, r, w;
};
MeshDigits mesh_digits(int mesh);

// The key of no cell: its "%8ld" text is longer than any key of a grid
// file, so no lookup finds it.
inline constexpr int NO_KEY = INT_MIN;

// (row - 1680) * 10000 + (column - 1600), rows of 30" from the equator and
// columns of 45" from 100 E: the cell east is key + 1, the cell north key + 10000.
// NO_KEY for a negative code and for a cell south of 14 N or west of 120 E,
// which the key cannot name.
int mesh_to_key(int mesh);
int key_to_mesh(int key);

}  // namespace geodesy
