#include "geodesy/mesh_key.h"

namespace geodesy {

namespace {
constexpr int ROW_OFFSET = 1680;     // 30" rows from the equator to 14 N
constexpr int COLUMN_OFFSET = 1600;  // 45" columns from 100 E to 120 E
constexpr int ROW_STRIDE = 10000;
}  // namespace

MeshDigits mesh_digits(int mesh) {
    MeshDigits d{};
    d.pp = mesh / 1000000;
    d.uu = (mesh % 1000000) / 10000;
    d.q = (mesh % 10000) / 1000;
    d.v = (mesh % 1000) / 100;
    d.r = (mesh % 100) / 10;
    d.w = mesh % 10;
    return d;
}

int mesh_to_key(int mesh) {
    if (mesh < 0) return NO_KEY;
    const MeshDigits d = mesh_digits(mesh);
    const int row = 80 * d.pp + 10 * d.q + d.r;
    const int column = 80 * d.uu + 10 * d.v + d.w;
    // A row south of 14 N or a column west of 120 E (or one 10000 columns
    // east of it) would wrap into the key of another row: such a cell has
    // no key, and so no sea-grid node.
    if (row < ROW_OFFSET || column < COLUMN_OFFSET || column - COLUMN_OFFSET >= ROW_STRIDE) return NO_KEY;
    return (row - ROW_OFFSET) * ROW_STRIDE + (column - COLUMN_OFFSET);
}

// Worked in 64 bits: a key far outside Japan has a code beyond an int, which
// then wraps (it names no cell of any grid) instead of overflowing.
int key_to_mesh(int key) {
    const long long row = key / ROW_STRIDE + ROW_OFFSET;
    const long long column = key % ROW_STRIDE + COLUMN_OFFSET;
    const long long pp = row / 80;
    const long long q = (row / 10) % 8;
    const long long r = row % 10;
    const long long uu = column / 80;
    const long long v = (column / 10) % 8;
    const long long w = column % 10;
    return static_cast<int>(pp * 1000000 + uu * 10000 + q * 1000 + v * 100 + r * 10 + w);
}

}  // namespace geodesy
