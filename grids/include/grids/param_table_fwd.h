// Forward declaration of the grid table for headers that only pass it on.
#pragma once

namespace grids {
struct ParamTable;
}  // namespace grids
