#include "partition/manager_state.h"

#include "app/disk_map.h"
#include "app/language.h"
#include "ui/control_ids.h"

namespace partition {

PartitionManagerState PartitionManager;

const disk::DiskEntry* SelectedDiskEntry() {
  const disk::DiskEntry* d = disk::DiskAt(PartitionManager.selectedDisk);
  return d && d->DriveNumber >= 0 ? d : nullptr;
}

const disk::PartitionEntry* SelectedRegionEntry() {
  const PartitionManagerState& m = PartitionManager;
  if (m.selectedRegion < 0 || m.selectedRegion >= int(m.regions.size())) return nullptr;
  return &m.regions[size_t(m.selectedRegion)];
}

void RebuildRegions() {
  PartitionManagerState& m = PartitionManager;
  m.regions.clear();
  const disk::DiskEntry* d = SelectedDiskEntry();
  if (d) disk::BuildPartitionEntries(m.selectedDisk - 1, &m.regions, true);
  // A disk without partitions is one free region, so that the map shows it
  // and it can be chosen; a GPT disk whose table cannot be read is not free.
  bool unreadableGpt = d && disk::IsGptDisk && disk::GptTableRead == disk::GptRead::None;
  if (d && m.regions.empty() && d->SizeSectors > 0 && !unreadableGpt) {
    disk::PartitionEntry free;
    free.LengthSectors = d->SizeSectors;
    m.regions.push_back(free);
  }
  m.regionCount = int(m.regions.size());
  m.gptDisk = disk::IsGptDisk;
  m.gptRead = disk::GptTableRead;
  m.reservedSlot = disk::ReservedPartitionSlot;
  if (m.selectedRegion >= m.regionCount) m.selectedRegion = -1;
  if (m.hotRegion >= m.regionCount) m.hotRegion = -1;
  app::ComputeMapWidths(&m.regions, kMapWidth);
}

std::vector<ui::MapBox> ManagerMapBoxes() {
  const PartitionManagerState& m = PartitionManager;
  std::vector<ui::MapBox> boxes = app::BuildDiskMap(m.regions, m.gptDisk, m.reservedSlot, m.selectedRegion, m.hotRegion);
  for (size_t i = 0; i < boxes.size(); ++i) {
    // An extended partition without logical drives is free space for them.
    if (m.regions[i].RecordIndex >= 0 && m.regions[i].Type == disk::kTypeEmptyExtended) {
      boxes[i].label = app::T(L"IDS_ExtendedPartition");
      boxes[i].kind = ui::MapKind::FreeLogical;
    }
  }
  return boxes;
}

void DrawManagerMap() {
  if (PartitionManager.window) PartitionManager.window->SetMap(IDC_MAP, ManagerMapBoxes());
}

int RegionAt(uint64_t startSector) {
  const auto& rows = PartitionManager.regions;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].StartLba == startSector) return int(i);
  return -1;
}

void ResetPartitionManagerState() { PartitionManager = PartitionManagerState{}; }

}  // namespace partition
