// The boot-track copy after a basic duplication: the source's boot code,
// and the rest of its first track, onto the destination. The destination
// keeps its own partition table, signature and everything behind the
// sectors that are free before its first partition.
#include <algorithm>
#include <cstring>

#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "duplicate/destination_prep.h"
#include "duplicate/layout_plan.h"
#include "duplicate/mbr_sector.h"
#include "partition/layout_slots.h"
#include "platform/bytes.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace duplicate {

using platform::Sys;

namespace {

constexpr uint32_t kMaxTrack = 63;

bool IsHiddenType(int t) { return t == 0x17 || t == 0x27 || t == 0x1C || t == 0x2C; }

// The first sector any partition (or extended boot record) of the MBR uses.
uint64_t FirstUsedSector(const uint8_t* mbr) {
  uint64_t first = ~uint64_t(0);
  for (int i = 0; i < 4; ++i) {
    const uint8_t* e = mbr + kEntriesOffset + 16 * i;
    if (e[4] != 0 && bytes::Get32(e + 12) != 0) first = std::min<uint64_t>(first, bytes::Get32(e + 8));
  }
  return first;
}

}  // namespace

bool CopyBootTrack(int sourceDisk, int destinationDisk, BootTrackVariant variant) {
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d) return false;
  if (disk::GetDiskSizeSectors(s->DriveNumber) == 0) return false;
  const uint32_t track = std::min(disk::LastSectorsPerTrack, kMaxTrack);
  uint8_t source[kMaxTrack][512];
  for (uint32_t i = 0; i < track; ++i)
    if (!ReadDriveSector(s->DriveNumber, i, source[i])) return false;
  // Only the usual boot code is worth carrying over.
  if (source[0][0] != 0x33 || source[0][1] != 0xC0) return false;
  uint8_t destination[512];
  // Never onto a GPT: its protective MBR and tables fill the first track.
  if (!ReadDriveSector(d->DriveNumber, 0, destination) || !IsMbr(destination)) return false;

  std::memcpy(destination, source[0], kBootCodeBytes);
  if (variant != BootTrackVariant::SinglePartition) {
    // The hidden types written visible for the copy come back, matched by
    // where the planned partition starts.
    for (int i = 0; i < 4 && i < PlanSlotCount; ++i) {
      const partition::LayoutSlot& slot = partition::LayoutSlotTable[i];
      if (slot.style != 0 || !IsHiddenType(slot.type)) continue;
      for (int k = 0; k < 4; ++k) {
        uint8_t* e = destination + kEntriesOffset + 16 * k;
        if (e[4] != 0 && bytes::Get32(e + 8) == slot.destinationStartBytes / 512) e[4] = uint8_t(slot.type);
      }
    }
  }
  if (!WriteDriveSector(d->DriveNumber, 0, destination)) return false;
  // The rest of the track, unless the source keeps a GPT there, and only
  // the sectors in front of the destination's first partition.
  bool sourceIsMbr = IsMbr(source[0]);
  uint64_t room = std::min<uint64_t>(track, FirstUsedSector(destination));
  for (uint32_t i = 1; sourceIsMbr && i < room; ++i) WriteDriveSector(d->DriveNumber, i, source[i]);
  platform::Handle h = disk::OpenDiskHandle(d->DriveNumber);
  if (platform::IsValid(h)) {
    uint32_t got = 0;
    Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
    Sys().CloseHandle(h);
  }
  return true;
}

}  // namespace duplicate
