// The resize command: limits, the resize page, growing the partition and
// its file system.
#include "partition/resize.h"

#include <algorithm>

#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/volume_map.h"
#include "partition/ccreatepart3.h"
#include "partition/create_request.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "partition/region_preview.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace partition {

using app::T;

bool ExtendFileSystem(wchar_t letter, uint64_t totalSectors) {
  if (disk::FileSystemTypeOfLetter(letter) == 0) return true;
  platform::Handle h = disk::OpenVolumeHandle(letter);
  if (!platform::IsValid(h)) return false;
  win::LE64 sectors;
  sectors = totalSectors;
  uint32_t got = 0;
  bool ok = platform::Sys().DeviceIoControl(h, win::FSCTL_EXTEND_VOLUME, &sectors, sizeof sectors, nullptr, 0, &got);
  platform::Sys().CloseHandle(h);
  return ok;
}

void ResizePartitionCommand(ui::Window& w) {
  PartitionManagerState& m = PartitionManager;
  m.lastOutcome = Outcome::Refused;
  const disk::DiskEntry* d = SelectedDiskEntry();
  const disk::PartitionEntry* r = SelectedRegionEntry();
  // Only a lettered partition with free space behind it can grow.
  if (!d || !r || r->RecordIndex < 0 || r->DriveLetter <= 0) return;
  size_t next = size_t(m.selectedRegion) + 1;
  if (next >= m.regions.size() || m.regions[next].RecordIndex >= 0) return;
  if (GuardRefusesSelection(w)) return;
  wchar_t letter = wchar_t(r->DriveLetter);
  uint64_t start = r->StartLba, length = r->LengthSectors;
  uint64_t maxSectors = length + m.regions[next].LengthSectors;
  if (!LoadSelectedLayout()) return;
  // The free row may reach past what the partition may use (the extended
  // partition's border, the next extended boot record, an MBR's 2 TiB).
  int slot = FindSlotAt(start);
  if (slot >= 0) maxSectors = std::min(maxSectors, GrowLimit(slot, LoadedLayoutHeader, d->SizeSectors) - start);
  CreatePartitionRequestRecord& req = CreatePartitionRequest;
  // Never above the current length: the page opens there, and a partition
  // smaller than the usual minimum must not grow unasked.
  req.minSectors = std::min(std::max(disk::UsedSectorsOfLetter(letter), kResizeMinSectors), length);
  req.maxSectors = std::max(maxSectors, length);
  req.newSizeSectors = 0;

  CCreatePart3 page(letter, length);
  ui::RunModal(page);
  if (!page.Confirmed()) {
    EndRegionPreview();
    m.lastOutcome = Outcome::Cancelled;
    return;
  }
  uint64_t newSize = req.newSizeSectors;
  if (newSize < length) {
    EndRegionPreview();
    w.MessageBox(T(L"IDS_ShrinkNotPossible"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  if (newSize > length) {
    if (!disk::GrowVolumePartition(letter, int64_t(newSize - length))) {
      bool protectedDisk = platform::Sys().GetLastError() == win::ERROR_WRITE_PROTECT;
      EndRegionPreview();
      w.MessageBox(T(protectedDisk ? L"IDS_DiskWriteProtected" : L"IDS_FailedResize"),
                   win::MB_OK | win::MB_ICONEXCLAMATION);
      m.lastOutcome = Outcome::Failed;
      return;
    }
    if (!ExtendFileSystem(letter, newSize))
      w.MessageBox(T(L"IDS_ExtendFsFailed"), win::MB_OK | win::MB_ICONEXCLAMATION);
  }
  m.previewing = false;
  m.lastMadeSectors = newSize;
  WaitForLayoutChange(w, 2, start);
  m.lastOutcome = Outcome::Done;
}

}  // namespace partition
