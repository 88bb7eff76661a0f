// How the disk map previews a size chosen on the create and resize pages,
// before anything is written.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/partition_table.h"

namespace partition {

// The rows as they would be with row `row` at newLength. A free row (where
// a partition is being created) keeps the new length and what is left of
// it follows as a free row; a partition grows into the free row behind it,
// or gives space back to it.
void PreviewRegionLength(std::vector<disk::PartitionEntry>* rows, int row, uint64_t newLength);

// The same on the partition manager's selected row, redrawn in its map;
// each preview starts again from the rows as they were before the first.
void PreviewSelectedRegion(uint64_t newLength);
// Puts the rows back as they were before the previews.
void EndRegionPreview();

}  // namespace partition
