#include "duplicate/destination_lock.h"

#include "app/language.h"
#include "erase/volume_lock.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using platform::Handle;
using platform::Sys;

namespace {

// The first extent of a volume: its disk and its sectors.
bool ExtentOf(Handle volume, uint32_t* diskNumber, uint64_t* startLba, uint64_t* sectors) {
  uint8_t out[1024] = {};
  uint32_t got = 0;
  if (!Sys().DeviceIoControl(volume, win::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, out, sizeof out, &got) ||
      got < 8 + sizeof(win::DiskExtent))
    return false;
  if (reinterpret_cast<const win::VolumeDiskExtentsHeader*>(out)->NumberOfDiskExtents == 0) return false;
  const auto* e = reinterpret_cast<const win::DiskExtent*>(out + 8);
  *diskNumber = e->DiskNumber;
  *startLba = uint64_t(e->StartingOffset) / 512;
  *sectors = uint64_t(e->ExtentLength) / 512;
  return true;
}

}  // namespace

bool TakeDestinationVolumes(int driveNumber, uint64_t startLba, uint64_t sectors, TakenVolumes* taken) {
  *taken = TakenVolumes{};
  // Every volume the system has mounted, with a letter or without one.
  for (std::wstring name : Sys().FindVolumes()) {
    if (!name.empty() && name.back() == L'\\') name.pop_back();
    Handle h = Sys().CreateFile(name, win::GENERIC_READ | win::GENERIC_WRITE,
                                win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    if (!platform::IsValid(h)) continue;
    uint32_t disk = 0;
    uint64_t start = 0, length = 0;
    bool overlaps = ExtentOf(h, &disk, &start, &length) && int64_t(disk) == driveNumber && start < startLba + sectors &&
                    startLba < start + length;
    if (!overlaps) {
      Sys().CloseHandle(h);
      continue;
    }
    if (taken->count == kMaxTakenVolumes || !erase::LockVolumeRetrying(h)) {
      Sys().CloseHandle(h);
      ReleaseDestinationVolumes(taken);
      ui::MessageBox(app::T(L"IDS_CloseTheDrive"), win::MB_OK | win::MB_ICONEXCLAMATION);
      return false;
    }
    uint32_t got = 0;
    Sys().DeviceIoControl(h, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &got);
    taken->handles[taken->count++] = h;
  }
  return true;
}

void ReleaseDestinationVolumes(TakenVolumes* taken) {
  for (int i = 0; i < taken->count; ++i) {
    uint32_t got = 0;
    Sys().DeviceIoControl(taken->handles[i], win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
    Sys().CloseHandle(taken->handles[i]);
  }
  *taken = TakenVolumes{};
}

}  // namespace duplicate
