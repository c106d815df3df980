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
    const MeshDigits d = mesh_digits(mesh);
    const int row = 80 * d.pp + 10 * d.q + d.r;
    const int column = 80 * d.uu + 10 * d.v + d.w;
    return (row - ROW_OFFSET) * ROW_STRIDE + (column - COLUMN_OFFSET);
}

int key_to_mesh(int key) {
    const int row = key / ROW_STRIDE + ROW_OFFSET;
    const int column = key % ROW_STRIDE + COLUMN_OFFSET;
    const int pp = row / 80;
    const int q = (row / 10) % 8;
    const int r = row % 10;
    const int uu = column / 80;
    const int v = (column / 10) % 8;
    const int w = column % 10;
    return pp * 1000000 + uu * 10000 + q * 1000 + v * 100 + r * 10 + w;
}

}  // namespace geodesy
