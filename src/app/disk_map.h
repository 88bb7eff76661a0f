// The disk map: one disk's display rows as a bar of boxes, each labelled
// and coloured by its kind (free, primary, logical, free inside the
// extended partition). Laid out here; drawn by the window host.
#pragma once

#include <string>
#include <vector>

#include "disk/partition_table.h"
#include "ui/window.h"

namespace app {

std::wstring DiskMapLabel(const std::vector<disk::PartitionEntry>& entries, size_t row, bool isGptDisk,
                          int reservedSlot);
ui::MapKind DiskMapKind(const disk::PartitionEntry& e);
// Widths proportional to the lengths, at least 44 pixels each; when they
// add up to more than the map, all are scaled down again (at most 10 times).
void ComputeMapWidths(std::vector<disk::PartitionEntry>* entries, int mapWidth);
// The boxes of a map, with the selected and hot rows marked (-1 none).
std::vector<ui::MapBox> BuildDiskMap(const std::vector<disk::PartitionEntry>& entries, bool isGptDisk,
                                     int reservedSlot, int selected, int hot);
// Which box lies under x pixels from the map's left edge (-1 none).
int MapBoxAt(const std::vector<disk::PartitionEntry>& entries, int x);

}  // namespace app
