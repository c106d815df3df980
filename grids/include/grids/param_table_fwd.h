// Forward declarations of the grid tables for headers that only pass them on.
#pragma once

namespace grids {
struct ParamTable;
struct GridSet;
}  // namespace grids
