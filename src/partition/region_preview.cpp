#include "partition/region_preview.h"

#include "app/disk_map.h"
#include "partition/manager_state.h"

namespace partition {

namespace {

disk::PartitionEntry FreeRow(uint64_t start, uint64_t length, int32_t primary) {
  disk::PartitionEntry e;
  e.StartLba = start;
  e.LengthSectors = length;
  e.IsPrimary = primary;
  return e;
}

}  // namespace

void PreviewRegionLength(std::vector<disk::PartitionEntry>* rows, int row, uint64_t newLength) {
  if (row < 0 || row >= int(rows->size()) || newLength == 0) return;
  auto at = rows->begin() + row;
  if (at->RecordIndex < 0) {
    if (newLength >= at->LengthSectors) return;
    uint64_t rest = at->LengthSectors - newLength;
    at->LengthSectors = newLength;
    rows->insert(at + 1, FreeRow(at->StartLba + newLength, rest, at->IsPrimary));
    return;
  }
  uint64_t oldLength = at->LengthSectors;
  at->LengthSectors = newLength;
  uint64_t end = at->StartLba + newLength;
  auto next = at + 1;
  bool nextFree = next != rows->end() && next->RecordIndex < 0;
  if (newLength > oldLength) {
    if (!nextFree) return;
    uint64_t nextEnd = next->StartLba + next->LengthSectors;
    if (end >= nextEnd) {
      rows->erase(next);
    } else {
      next->StartLba = end;
      next->LengthSectors = nextEnd - end;
    }
  } else if (newLength < oldLength) {
    uint64_t freed = oldLength - newLength;
    if (nextFree) {
      next->StartLba = end;
      next->LengthSectors += freed;
    } else {
      rows->insert(next, FreeRow(end, freed, at->IsPrimary));
    }
  }
}

void PreviewSelectedRegion(uint64_t newLength) {
  PartitionManagerState& m = PartitionManager;
  if (!m.previewing) {
    m.previewBase = m.regions;
    m.previewing = true;
  }
  m.regions = m.previewBase;
  PreviewRegionLength(&m.regions, m.selectedRegion, newLength);
  m.regionCount = int(m.regions.size());
  app::ComputeMapWidths(&m.regions, kMapWidth);
  DrawManagerMap();
}

void EndRegionPreview() {
  PartitionManagerState& m = PartitionManager;
  if (!m.previewing) return;
  m.regions = m.previewBase;
  m.regionCount = int(m.regions.size());
  m.previewing = false;
  DrawManagerMap();
}

}  // namespace partition
