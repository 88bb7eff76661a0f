// The boot-track copy after a basic duplication: the source's boot code,
// and the rest of its first track, onto the destination. The destination
// keeps its own partition table, signature and everything behind the
// sectors that are free before its first partition. And the hidden types
// the layout wrote visible for the copy, given back whatever boot code the
// source has.
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
bool IsContainerType(uint8_t t) { return t == 0x05 || t == 0x0F || t == 0x85; }

// The hidden type planned for the partition that starts at lba, or 0.
int HiddenTypeAt(uint64_t lba) {
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    if (s.style == 0 && !s.IsEmpty() && s.logical != -1 && IsHiddenType(s.type) && s.destinationStartBytes / 512 == lba)
      return s.type;
  }
  return 0;
}

// Gives a table entry of a partition starting at lba its hidden type back;
// true when the entry changed.
bool GiveBackType(uint8_t* entry, uint64_t lba) {
  if (entry[4] == 0 || IsContainerType(entry[4]) || bytes::Get32(entry + 12) == 0) return false;
  int type = HiddenTypeAt(lba);
  if (type == 0 || entry[4] == type) return false;
  entry[4] = uint8_t(type);
  return true;
}

bool GiveBackPrimaryTypes(uint8_t* mbr) {
  bool changed = false;
  for (int k = 0; k < 4; ++k) {
    uint8_t* e = mbr + kEntriesOffset + 16 * k;
    changed = GiveBackType(e, bytes::Get32(e + 8)) || changed;
  }
  return changed;
}

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
    GiveBackPrimaryTypes(destination);
  }
  if (!WriteDriveSector(d->DriveNumber, 0, destination)) return false;
  // The rest of the track, unless the source keeps a GPT there, and only
  // the sectors in front of the destination's first partition.
  bool sourceIsMbr = IsMbr(source[0]);
  uint64_t room = std::min<uint64_t>(track, FirstUsedSector(destination));
  for (uint32_t i = 1; sourceIsMbr && i < room; ++i) WriteDriveSector(d->DriveNumber, i, source[i]);
  disk::UpdateDiskProperties(d->DriveNumber);
  return true;
}

bool RestoreHiddenTypes(int destinationDisk) {
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!d) return false;
  const uint64_t diskSectors = disk::GetDiskSizeSectors(d->DriveNumber);
  uint8_t sector[512];
  if (diskSectors == 0 || !ReadDriveSector(d->DriveNumber, 0, sector) || !IsMbr(sector)) return false;
  bool ok = true, changed = false;
  if (GiveBackPrimaryTypes(sector)) {
    changed = true;
    ok = WriteDriveSector(d->DriveNumber, 0, sector);
  }
  uint64_t container = 0;
  for (int k = 0; k < 4; ++k) {
    const uint8_t* e = sector + kEntriesOffset + 16 * k;
    if (IsContainerType(e[4]) && bytes::Get32(e + 8) != 0) container = bytes::Get32(e + 8);
  }
  // A logical drive's entry is the first of its extended boot record; the
  // second leads to the next record. The chain is bounded: it only goes on.
  uint64_t ebr = container;
  for (int n = 0; container != 0 && n < partition::kLayoutSlots && ebr < diskSectors; ++n) {
    if (!ReadDriveSector(d->DriveNumber, ebr, sector) || !HasTableSignature(sector)) break;
    uint8_t* entry = sector + kEntriesOffset;
    if (GiveBackType(entry, ebr + bytes::Get32(entry + 8))) {
      changed = true;
      ok = WriteDriveSector(d->DriveNumber, ebr, sector) && ok;
    }
    const uint8_t* link = entry + 16;
    if (!IsContainerType(link[4]) || bytes::Get32(link + 8) == 0) break;
    uint64_t next = container + bytes::Get32(link + 8);
    if (next <= ebr) break;
    ebr = next;
  }
  if (changed) disk::UpdateDiskProperties(d->DriveNumber);
  return ok;
}

}  // namespace duplicate
