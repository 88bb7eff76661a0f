// The disk maps of the duplication pages: a disk's rows as it is now, and
// the destination as the plan will leave it.
#pragma once

#include <vector>

#include "disk/partition_table.h"
#include "ui/window.h"

namespace duplicate {

// Pixels (at 96 DPI) the maps of the duplication pages are laid out for:
// a map across the page, and one of two side by side.
inline constexpr int kPageMapWidth = 650;
inline constexpr int kHalfMapWidth = 315;

// The map of disk diskIndex (DiskTable index) as it is now; an empty map
// for -1. Leaves disk::IsGptDisk and the other read state of that disk.
void ShowDiskMap(ui::Window& w, int mapId, int diskIndex, int mapWidth = kPageMapWidth);
// A map of given rows (a planned destination).
void ShowRowsMap(ui::Window& w, int mapId, std::vector<disk::PartitionEntry> rows, bool gpt,
                 int mapWidth = kPageMapWidth);
// The legend under a map: the four box kinds.
void ShowMapLegend(ui::Window& w);

}  // namespace duplicate
