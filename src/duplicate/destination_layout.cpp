// Clearing the destination, writing the planned layout and waiting for the
// volumes the system mounts on it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/destination_lock.h"
#include "duplicate/destination_prep.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "duplicate/plan_placement.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using partition::LayoutSlot;
using partition::LayoutSlotTable;
using platform::Sys;

bool LayoutWritten = false;

namespace {

constexpr int kClearRounds = 5;
constexpr uint64_t kGptAreaSectors = 34;  // protective MBR, header and entry array
const wchar_t kLayoutRefused[] =
    L"Error in creating filesystem, because of a device error. Please format the device manually and click ok";

LayoutSlot& Slot(int i) { return LayoutSlotTable[i]; }

bool IsGptPlan() { return Slot(0).style == 1; }

bool IsContainerOrLink(const LayoutSlot& s) {
  return s.type == partition::kTypeExtended || s.type == partition::kTypeLink;
}

// The type an MBR entry gets for its planned size: hidden types made
// visible (the boot track copy gives them back), FAT that cannot hold the
// size as FAT32, FAT32 that cannot as NTFS.
uint8_t WrittenType(const LayoutSlot& s) {
  int t = s.fileSystemKind;
  uint64_t mib = s.destinationLengthBytes / 1048576;
  if ((t == 0x01 || t == 0x04 || t == 0x06 || t == 0x0E) && mib >= 4096) t = 0x0C;
  if ((t == 0x0B || t == 0x0C) && mib >= 32768) t = 0x07;
  return uint8_t(t);
}

// The new MBR signature: a value of the tick-seeded generator times
// 0xA4B57300, so its low byte is always 0; never 0 as a whole.
uint32_t NewSignature() {
  uint32_t state = Sys().GetTickCount() | 1;
  for (;;) {
    state = state * 1103515245u + 12345u;
    uint32_t signature = ((state >> 16) & 0x7FFF) * 0xA4B57300u;
    if (signature) return signature;
  }
}

// Zeros the disk's table areas at both ends: sector 0 and the first
// track (or a GPT's first 34 sectors), and the backup GPT at the end, so
// that no old table is read back.
void ZeroTables(platform::Handle h, uint64_t diskSectors, uint32_t sectorsPerTrack) {
  static const std::unique_ptr<uint8_t[]> zeros(new uint8_t[64 * 512 + 4096]());
  uint8_t* z = zeros.get() + (4096 - reinterpret_cast<uintptr_t>(zeros.get()) % 4096) % 4096;
  uint32_t front = uint32_t(std::min<uint64_t>(std::max<uint64_t>(sectorsPerTrack, kGptAreaSectors), diskSectors));
  disk::WriteSectors(h, z, 0, std::min<uint32_t>(front, 64));
  if (diskSectors > 2 * kGptAreaSectors) disk::WriteSectors(h, z, diskSectors - 33, 33);
}

// Volumes the system has at the planned starts of the mountable slots.
int CountPlannedVolumes(int driveNumber, int* expected) {
  int present = 0;
  *expected = 0;
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    const LayoutSlot& s = Slot(i);
    if (s.IsEmpty() || s.logical == -1 || IsReservedSlot(i)) continue;
    // GPT: the basic-data entries; MBR: the types Windows mounts.
    uint8_t t = WrittenType(s);
    bool mountable = IsGptPlan() ? IsMountedGptSlot(i)
                                 : !IsContainerOrLink(s) && IsMountedMbrType(t);
    if (!mountable) continue;
    ++*expected;
    if (!disk::VolumeNameAt(driveNumber, s.destinationStartBytes).empty()) ++present;
  }
  return present;
}

bool SendLayout(int driveNumber, const std::vector<uint8_t>& layout, uint32_t bytes, const win::CreateDisk& create) {
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return false;
  uint32_t got = 0;
  bool ok = Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_CREATE_DISK, &create, sizeof create, nullptr, 0,
                                  &got);
  Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  ok = ok && Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX, layout.data(), bytes,
                                   nullptr, 0, &got);
  if (ok) Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  disk::CloseCurrentDisk();
  return ok;
}

}  // namespace

bool WriteDestinationLayout(int driveNumber) {
  const disk::DiskEntry* entry = nullptr;
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k)
    if (disk::DiskTable[k].DriveNumber == driveNumber) entry = &disk::DiskTable[k];
  if (!entry) return false;
  const bool gpt = IsGptPlan();
  int entries = 0;
  std::vector<int> slots;
  if (gpt) {
    for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i)
      if (!Slot(i).IsEmpty()) slots.push_back(i);
    entries = int(slots.size());
  } else {
    // The MBR's groups of four as planned; a one-entry layout as four.
    entries = std::min((std::max(PlanSlotCount, 4) + 3) / 4 * 4, partition::kLayoutSlots);
    for (int i = 0; i < entries; ++i) slots.push_back(i);
  }
  std::vector<uint8_t> layout(win::kLayoutHeaderBytes + size_t(std::max(entries, 1)) * win::kLayoutEntryBytes, 0);
  auto* h = reinterpret_cast<win::DriveLayoutHeader*>(layout.data());
  win::CreateDisk create{};
  uint64_t extendedStart = 0;
  for (int i = 0; i < 4 && !gpt; ++i)
    if (!Slot(i).IsEmpty() && IsContainerOrLink(Slot(i))) extendedStart = Slot(i).destinationStartBytes;
  if (gpt) {
    UsableArea area = UsableAreaOf(entry->SizeSectors, true);
    h->PartitionStyle = win::PARTITION_STYLE_GPT;
    Sys().CreateGuid(h->Gpt.DiskId.b);
    h->Gpt.StartingUsableOffset = area.first * 512;
    h->Gpt.UsableLength = (area.end - area.first) * 512;
    h->Gpt.MaxPartitionCount = 128;
    create.PartitionStyle = win::PARTITION_STYLE_GPT;
    create.Gpt.DiskId = h->Gpt.DiskId;
    create.Gpt.MaxPartitionCount = 128;
  } else {
    h->PartitionStyle = win::PARTITION_STYLE_MBR;
    h->Mbr.Signature = NewSignature();
    create.PartitionStyle = win::PARTITION_STYLE_MBR;
    create.Mbr.Signature = h->Mbr.Signature;
  }
  h->PartitionCount = uint32_t(entries);
  for (int k = 0; k < entries; ++k) {
    const LayoutSlot& s = Slot(slots[size_t(k)]);
    auto* e = reinterpret_cast<win::PartitionInfoEx*>(layout.data() + win::kLayoutHeaderBytes +
                                                      size_t(k) * win::kLayoutEntryBytes);
    e->PartitionStyle = gpt ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR;
    e->RewritePartition = 1;
    if (s.IsEmpty()) continue;
    e->StartingOffset = s.destinationStartBytes;
    e->PartitionLength = s.destinationLengthBytes;
    e->PartitionNumber = uint32_t(k + 1);
    if (gpt) {
      e->Gpt.PartitionType = s.gptType;
      Sys().CreateGuid(e->Gpt.PartitionId.b);
      e->Gpt.Attributes = s.gptAttributes;
      for (int c = 0; c < 36; ++c) e->Gpt.Name[c] = uint16_t(s.gptName[c]);
      continue;
    }
    e->Mbr.PartitionType = WrittenType(s);
    e->Mbr.BootIndicator = s.bootIndicator ? 1 : 0;
    e->Mbr.RecognizedPartition = IsContainerOrLink(s) ? 0 : 1;
    uint64_t hidden = s.logical == 1    ? AlignmentUnit
                      : s.logical == -1 ? (s.destinationStartBytes - extendedStart) / 512
                                        : s.destinationStartBytes / 512;
    e->Mbr.HiddenSectors = uint32_t(hidden);
  }
  uint32_t bytes = win::kLayoutHeaderBytes + uint32_t(entries) * win::kLayoutEntryBytes;
  if (SendLayout(driveNumber, layout, bytes, create)) return true;
  ui::MessageBox(kLayoutRefused, win::MB_OK);
  return false;
}

bool CreateDestinationPartitions(CopyProgress& progress, int, int destinationDisk) {
  DuplicationJobRecord& job = DuplicationJob;
  LayoutWritten = false;
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!d) {
    ++job.FailedStepCount;
    ui::MessageBox(app::T(L"IDS_DiskCannotOpen"), win::MB_OK | win::MB_ICONEXCLAMATION);
    return false;
  }
  const int drive = d->DriveNumber;
  uint64_t diskSectors = disk::GetDiskSizeSectors(drive);
  uint32_t spt = disk::LastSectorsPerTrack;
  // The system must let go of the destination's volumes before their
  // tables are cleared; one it will not give up stops the duplication.
  TakenVolumes taken;
  if (!TakeDestinationVolumes(drive, 0, diskSectors, &taken)) {
    job.CancelRequested = true;
    return false;
  }
  for (int round = 0; round < kClearRounds; ++round) {
    platform::Handle h = disk::OpenDiskHandle(drive);
    if (platform::IsValid(h)) {
      ZeroTables(h, diskSectors, spt);
      uint32_t got = 0;
      Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
      Sys().CloseHandle(h);
    }
    disk::BuildLetterDiskMap();
    if (disk::CountVolumesOnDisk(drive) == 0) break;
    disk::BuildVolumeTable();
    Sys().Sleep(1000);
  }
  ReleaseDestinationVolumes(&taken);

  int limit = app::IsWinPE ? 40 : 20;
  if (job.SourceIsGpt || ConvertToGpt) limit = 120;
  LayoutWritten = WriteDestinationLayout(drive);
  if (!LayoutWritten) {
    ++job.FailedStepCount;
    return false;
  }
  progress.LayoutChanged();
  // The new volumes get two seconds to settle and then a second for each
  // round of the limit, and are looked for every quarter second: a system
  // that mounts them at once is not waited on.
  constexpr uint32_t kPollMs = 250;
  int rounds = int((2000 + uint32_t(limit) * 1000) / kPollMs);
  int expected = 0, shown = -1;
  for (int attempt = 0; attempt <= rounds; ++attempt) {
    if (attempt > 0) Sys().Sleep(kPollMs);
    disk::BuildLetterDiskMap();
    int present = CountPlannedVolumes(drive, &expected);
    if (present != shown) {
      shown = present;
      progress.Position(present);
      disk::BuildVolumeTable();
      progress.LayoutChanged();
    }
    if (present >= expected) break;
    progress.Elapsed();
    progress.Pump();
  }
  disk::BuildLetterDiskMap();
  disk::BuildVolumeTable();
  return true;
}

}  // namespace duplicate
