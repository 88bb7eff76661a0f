#include "erase/volume_lock.h"

#include <vector>

#include "disk/disk_access.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace erase {

using platform::Sys;

LockedVolumes LockedVolumeList;

bool LockVolumeRetrying(platform::Handle volume) {
  // Without a handle there is nothing to wait for.
  if (!platform::IsValid(volume)) return false;
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    uint32_t got = 0;
    if (Sys().DeviceIoControl(volume, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &got)) return true;
    ui::Wait(kLockRetryMs);
  }
  return false;
}

void LockDiskVolumes(int driveNumber) {
  std::vector<disk::PartitionRecord> records;
  int n = disk::ReadPartitionList(&records, driveNumber);
  LockedVolumeList = LockedVolumes{};
  for (int i = 0; i < n && i < kMaxLockedVolumes; ++i) {
    int letter = disk::DriveLetterOf(records[size_t(i)].StartLba, driveNumber);
    if (letter < 0) continue;  // no volume the system could be using
    platform::Handle h = disk::OpenVolumeHandle(wchar_t(letter));
    if (!platform::IsValid(h)) continue;
    LockedVolumeList.handles[i] = h;
    LockedVolumeList.count = i + 1;
    LockVolumeRetrying(h);
  }
}

void UnlockDiskVolumes() {
  for (int i = 0; i < LockedVolumeList.count; ++i) {
    platform::Handle h = LockedVolumeList.handles[i];
    if (!platform::IsValid(h)) continue;
    uint32_t got = 0;
    Sys().DeviceIoControl(h, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
    Sys().CloseHandle(h);
  }
  // Emptied, so that a later call cannot close handles that are gone.
  LockedVolumeList = LockedVolumes{};
}

void ResetLockedVolumes() { LockedVolumeList = LockedVolumes{}; }

}  // namespace erase
