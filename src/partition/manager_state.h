// The partition manager's window state, shared with the pages it opens:
// the chosen disk and region, the region rows of that disk, and what the
// last operation came to.
#pragma once

#include <cstdint>
#include <vector>

#include "app/disk_list.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "ui/window.h"

namespace partition {

// Nominal width of the disk map in pixels; the host squeezes it into the control.
inline constexpr int kMapWidth = 650;

enum class Outcome { None, Done, Refused, Cancelled, Failed };

struct PartitionManagerState {
  int selectedDisk = -1;    // disk index (1-based) in the disk table; -1 none
  int regionCount = 0;
  int selectedRegion = -1;  // row in regions; -1 none
  int hotRegion = -1;       // row under the pointer
  bool hasExtended = false;
  int primaryCount = 0;
  bool gptDisk = false;     // of the selected disk, as its table was read
  disk::GptRead gptRead = disk::GptRead::None;  // which copy of its GPT was read
  int reservedSlot = -1;
  int lastCreatedType = 0;  // type of the most recent creation in this window
  uint64_t lastMadeSectors = 0;  // length of the partition the last create or resize made
  std::vector<disk::PartitionEntry> regions;
  std::vector<disk::PartitionEntry> previewBase;  // the rows before a page previewed a size
  bool previewing = false;
  std::vector<app::DiskListRow> listRows;
  ui::Window* window = nullptr;  // the manager's window while it is open
  Outcome lastOutcome = Outcome::None;
};

extern PartitionManagerState PartitionManager;

const disk::DiskEntry* SelectedDiskEntry();
// The selected region's row, or nullptr.
const disk::PartitionEntry* SelectedRegionEntry();
// Reads the selected disk's table again and rebuilds its rows (with drive
// letters) and their map widths; a selection beyond the rows is dropped. A
// disk without partitions has one free row.
void RebuildRegions();
// The boxes of the disk map of the selected disk, and drawing them in the
// manager's window (when it is open).
std::vector<ui::MapBox> ManagerMapBoxes();
void DrawManagerMap();
// The row that starts at the sector, or -1.
int RegionAt(uint64_t startSector);
void ResetPartitionManagerState();

}  // namespace partition
