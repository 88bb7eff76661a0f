#include "partition/ccreatepart6.h"

#include <algorithm>

#include "app/format_size.h"
#include "app/language.h"
#include "disk/partition_types.h"
#include "partition/layout_slots.h"
#include "partition/manager_state.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

namespace {

const int kPartitionLines[] = {IDC_CP6_DRIVE_LABEL, IDC_CP6_DRIVE, IDC_CP6_FS_LABEL, IDC_CP6_FS,
                               IDC_CP6_PARTSIZE_LABEL, IDC_CP6_PARTSIZE, IDC_CP6_FREE_LABEL, IDC_CP6_FREE,
                               IDC_CP6_USED_LABEL, IDC_CP6_USED, IDC_CP6_PIE};

void ShowLines(ui::Window& w, std::initializer_list<int> ids, bool visible) {
  for (int id : ids) w.Show(id, visible);
}

}  // namespace

void CCreatePart6::OnInit(ui::Window& w) {
  w.SetText(0, T(L"IDS_PartitionPropCAP"));
  w.SetText(IDC_HEADING, T(L"IDS_PartitionPropH1"));
  w.SetText(IDC_SUBHEADING, T(L"IDS_PartitionPropH2"));
  w.SetText(IDC_CP6_DISKNO_LABEL, T(L"IDS_PhysicalDNO"));
  w.SetText(IDC_CP6_DISKSIZE_LABEL, T(L"IDS_sz"));
  w.SetText(IDC_CP6_MODEL_LABEL, T(L"IDS_mdl"));
  w.SetText(IDC_CP6_DRIVE_LABEL, T(L"IDS_DRV"));
  w.SetText(IDC_CP6_FS_LABEL, T(L"IDS_FileSystem"));
  w.SetText(IDC_CP6_PARTSIZE_LABEL, T(L"IDS_sz"));
  w.SetText(IDC_CP6_FREE_LABEL, T(L"IDS_FreeSpace"));
  w.SetText(IDC_CP6_USED_LABEL, T(L"IDS_UsedSpace"));
  w.SetText(win::IDOK, T(L"IDS_OK"));
  for (int id : kPartitionLines) w.Show(id, false);

  const disk::DiskEntry* d = SelectedDiskEntry();
  if (!d) return;
  w.SetText(IDC_CP6_DISKNO, text::Dec(int64_t(d->DriveNumber)));
  w.SetText(IDC_CP6_MODEL, d->Model);
  w.SetText(IDC_CP6_DISKSIZE, app::FormatSize(d->SizeSectors));
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (!r) return;
  ShowLines(w, {IDC_CP6_FS_LABEL, IDC_CP6_FS, IDC_CP6_PARTSIZE_LABEL, IDC_CP6_PARTSIZE}, true);
  w.SetText(IDC_CP6_PARTSIZE, app::FormatSize(r->LengthSectors));
  if (r->DriveLetter <= 0) {
    std::wstring kind = T(L"IDS_Unallocated");
    if (r->Type == kTypeExtended) kind = T(L"IDS_ExtendedPartition");
    // A partition without a letter is not free space: it keeps its type.
    else if (r->RecordIndex >= 0 && !disk::PartitionTypeName(r->Type).empty()) kind = disk::PartitionTypeName(r->Type);
    w.SetText(IDC_CP6_FS, kind);
    return;
  }
  wchar_t letter = wchar_t(r->DriveLetter);
  ShowLines(w, {IDC_CP6_DRIVE_LABEL, IDC_CP6_DRIVE}, true);
  w.SetText(IDC_CP6_DRIVE, std::wstring(1, letter) + L":");
  platform::DiskFreeSpace space;
  if (!platform::Sys().GetDiskFreeSpace(std::wstring(1, letter) + L":\\", &space)) return;
  w.SetText(IDC_CP6_FS, disk::PartitionTypeName(r->Type));
  uint64_t total = space.totalClusters, free = std::min<uint64_t>(space.freeClusters, total);
  w.SetText(IDC_CP6_FREE, app::FormatSize(free * space.sectorsPerCluster));
  w.SetText(IDC_CP6_USED, app::FormatSize((total - free) * space.sectorsPerCluster));
  ShowLines(w, {IDC_CP6_FREE_LABEL, IDC_CP6_FREE, IDC_CP6_USED_LABEL, IDC_CP6_USED, IDC_CP6_PIE}, true);
  w.SetPie(IDC_CP6_PIE, total ? double(free) / double(total) : 0.0);
}

void CCreatePart6::OnCommand(ui::Window& w, int id) {
  if (id == win::IDOK) w.Close(win::IDOK);
}

}  // namespace partition
