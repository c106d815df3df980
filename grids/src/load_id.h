// Names for the contents of the grid tables: every read of a grid or
// correction file gives its table a number no table has had before, so that
// anything remembered from an earlier content (the cells of the per-thread
// memories) is known to be stale.
#pragma once

#include <cstdint>

namespace grids {

std::uint64_t next_load_id();

}  // namespace grids
