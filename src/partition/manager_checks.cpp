// What the partition manager checks and says before it writes: the system
// guard, and the partition and disk it is about to change.
#include "app/disk_list.h"
#include "app/format_size.h"
#include "disk/partition_types.h"
#include "duplicate/system_guard.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "platform/winapi.h"

namespace partition {

bool GuardRefusesSelection(ui::Window& w) {
  const disk::DiskEntry* d = SelectedDiskEntry();
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (!d || !r || r->RecordIndex < 0) return false;
  std::wstring refusal = duplicate::WriteRefusal(d->DriveNumber, r->StartLba, r->LengthSectors);
  if (refusal.empty()) return false;
  w.MessageBox(refusal, win::MB_OK | win::MB_ICONEXCLAMATION);
  PartitionManager.lastOutcome = Outcome::Refused;
  return true;
}

std::wstring SelectedRegionText() {
  const disk::DiskEntry* d = SelectedDiskEntry();
  const disk::PartitionEntry* r = SelectedRegionEntry();
  if (!d || !r) return L"";
  std::wstring text = disk::PartitionTypeName(r->Type);
  if (r->DriveLetter > 0) text += std::wstring(L" (") + wchar_t(r->DriveLetter) + L":)";
  return text + L" " + app::FormatSize(r->LengthSectors) + L", " + app::DiskDescription(*d);
}

}  // namespace partition
