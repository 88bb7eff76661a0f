// Reading the selected disk's layout, and waiting for the system to show a
// changed one.
#include "app/language.h"
#include "disk/volume_map.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"
#include "partition/manager_operations.h"
#include "partition/manager_state.h"
#include "partition/table_checks.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace partition {

using app::T;

bool LoadSelectedLayout(std::optional<uint64_t> deleting) {
  PartitionManagerState& m = PartitionManager;
  const disk::DiskEntry* d = SelectedDiskEntry();
  int count = d ? ReadDriveLayout(d->DriveNumber, &LayoutBuffer) : -1;
  LoadLayoutSlots(d ? d->DriveNumber : -1, LayoutBuffer, count);
  m.hasExtended = ExtendedSlot() >= 0;
  m.primaryCount = PrimaryCount();
  if (count < 0) {
    // A damaged GPT is the usual reason the driver gives no layout: say so.
    std::wstring gpt = d ? GptRefusal(d->DriveNumber) : L"";
    ui::MessageBox(gpt.empty() ? T(L"IDS_LayoutUnreadable") : gpt, win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  // Editing a table that holds only part of the layout would drop the rest.
  if (count > kLayoutSlots) {
    ui::MessageBox(T(L"IDS_TooManyPartitions"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  std::wstring refusal = TableChangeRefusal(d->DriveNumber, deleting);
  if (!refusal.empty()) {
    ui::MessageBox(refusal, win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

std::wstring LayoutWriteFailureText(uint32_t error) {
  return T(error == win::ERROR_WRITE_PROTECT ? L"IDS_DiskWriteProtected" : L"IDS_FileSystemCreateError");
}

bool WaitForLayoutChange(ui::Window& w, int mode, uint64_t startSector) {
  PartitionManagerState& m = PartitionManager;
  auto& sys = platform::Sys();
  platform::Cursor old = sys.SetCursor(platform::Cursor::Wait);
  bool shown = false;
  for (int attempt = 0; attempt < 20 && !shown; ++attempt) {
    ui::Wait(500);
    disk::BuildLetterDiskMap();
    disk::BuildVolumeTable();
    RebuildRegions();
    int row = RegionAt(startSector);
    const disk::PartitionEntry* r = row >= 0 ? &m.regions[size_t(row)] : nullptr;
    bool lettered = r && r->RecordIndex >= 0 && r->DriveLetter > 0;
    if (mode == 0) {
      // An extended partition never gets a letter.
      shown = lettered || (m.lastCreatedType == kTypeExtended && r && r->RecordIndex >= 0);
      if (shown) m.selectedRegion = row;
    } else if (mode == 1) {
      shown = !lettered;
      if (shown) m.selectedRegion = row;
    } else {
      shown = true;
    }
  }
  sys.SetCursor(old);
  ShowManager(w, true);
  if (!shown) {
    w.MessageBox(T(L"IDS_PartitionCreateError"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

}  // namespace partition
