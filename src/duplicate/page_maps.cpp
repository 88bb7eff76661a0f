#include "duplicate/page_maps.h"

#include "app/disk_map.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "ui/control_ids.h"

namespace duplicate {

void ShowDiskMap(ui::Window& w, int mapId, int diskIndex, int mapWidth) {
  std::vector<disk::PartitionEntry> rows;
  if (diskIndex < 1 || disk::BuildPartitionEntries(diskIndex - 1, &rows, true) < 0) rows.clear();
  // A disk without partitions is one unallocated box, not an empty map.
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (rows.empty() && d && d->SizeSectors > 0) {
    disk::PartitionEntry all;
    all.LengthSectors = d->SizeSectors;
    rows.push_back(all);
  }
  app::ComputeMapWidths(&rows, mapWidth);
  w.SetMap(mapId, app::BuildDiskMap(rows, disk::IsGptDisk, disk::ReservedPartitionSlot, -1, -1));
}

void ShowRowsMap(ui::Window& w, int mapId, std::vector<disk::PartitionEntry> rows, bool gpt, int mapWidth) {
  app::ComputeMapWidths(&rows, mapWidth);
  w.SetMap(mapId, app::BuildDiskMap(rows, gpt, -1, -1, -1));
}

void ShowMapLegend(ui::Window& w) {
  w.SetText(IDC_LEGEND_UNALLOCATED, app::T(L"IDS_Unallocated"));
  w.SetText(IDC_LEGEND_PRIMARY, app::T(L"IDS_Primary"));
  w.SetText(IDC_LEGEND_LOGICAL, app::T(L"IDS_LogicalDrive"));
  w.SetText(IDC_LEGEND_FREELOGICAL, app::T(L"IDS_FreeLogical"));
  w.SetMap(IDC_LEGEND_BOX_UNALLOCATED, {{L"", 16, ui::MapKind::Unallocated}});
  w.SetMap(IDC_LEGEND_BOX_PRIMARY, {{L"", 16, ui::MapKind::Primary}});
  w.SetMap(IDC_LEGEND_BOX_LOGICAL, {{L"", 16, ui::MapKind::Logical}});
  w.SetMap(IDC_LEGEND_BOX_FREELOGICAL, {{L"", 16, ui::MapKind::FreeLogical}});
}

}  // namespace duplicate
