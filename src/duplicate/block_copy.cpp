#include "duplicate/block_copy.h"

#include <algorithm>

#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "duplicate/block_loop.h"
#include "duplicate/boot_fixup.h"
#include "duplicate/destination_entry.h"
#include "duplicate/destination_lock.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "erase/volume_lock.h"
#include "partition/layout_slots.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using app::T;
using platform::Sys;

namespace {

std::wstring DiskToDiskText(bool verify, int sourceDisk, int destinationDisk) {
  return T(verify ? L"IDS_Verifying" : L"IDS_CopyBlock") + L"(" + T(L"IDS_Disk") + text::Dec(sourceDisk) + L" " +
         T(L"IDS_To") + L" " + T(L"IDS_Disk") + text::Dec(destinationDisk) + L")";
}

// A range that does not lie on its disk is a plan the copy cannot follow.
bool Refuse(const wchar_t* key) {
  ++DuplicationJob.FailedStepCount;
  ui::MessageBox(T(key), win::MB_OK | win::MB_ICONEXCLAMATION);
  return false;
}

void UpdateProperties(int driveNumber) {
  platform::Handle h = disk::OpenDiskHandle(driveNumber);
  if (!platform::IsValid(h)) return;
  uint32_t got = 0;
  Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  Sys().CloseHandle(h);
}

// Takes the destination's volumes, runs the loop and gives them back. A
// volume that cannot be taken stops the duplication (nothing was written).
bool RunLocked(CopyProgress& progress, const SectorCopyRange& range, bool verify,
               const std::function<int64_t(uint64_t)>& positionOf) {
  TakenVolumes taken;
  if (!TakeDestinationVolumes(range.destinationDrive, range.destinationStart, range.length, &taken)) {
    DuplicationJob.CancelRequested = true;
    return false;
  }
  LoopOutcome outcome = RunBlockLoop(progress, range, verify, positionOf);
  ReleaseDestinationVolumes(&taken);
  // The system reads what now lies on the destination.
  if (outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled) UpdateProperties(range.destinationDrive);
  ReportLoopFailure(outcome);
  return outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled;
}

}  // namespace

bool CopySectorRange(CopyProgress& progress, int sourceDisk, int destinationDisk, bool verify) {
  const DuplicationJobRecord& job = DuplicationJob;
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d) return Refuse(L"IDS_DiskCannotOpen");
  // The disks' exact lengths now, not the table's: the last sector (a
  // GPT's backup header) is copied too.
  uint64_t destinationSectors = disk::GetDiskSizeSectors(d->DriveNumber);
  uint64_t sourceSectors = disk::GetDiskSizeSectors(s->DriveNumber);
  uint32_t spt = disk::LastSectorsPerTrack;
  if (sourceSectors == 0 || destinationSectors == 0) return Refuse(L"IDS_DiskCannotOpen");
  SectorCopyRange r;
  r.sourceDrive = s->DriveNumber;
  r.destinationDrive = d->DriveNumber;
  r.sourceStart = job.SourceStart;
  r.destinationStart = job.DestinationStart;
  if (r.sourceStart >= sourceSectors) return Refuse(L"IDS_DestinationTooSmall");
  r.length = job.SourceIsPartition ? std::min(job.SourceLength, sourceSectors - r.sourceStart)
                                   : sourceSectors - r.sourceStart;
  if (r.length == 0 || r.destinationStart >= destinationSectors || r.length > destinationSectors - r.destinationStart)
    return Refuse(L"IDS_DestinationTooSmall");
  r.blockSectors = BlockSectorsFor(spt);
  progress.Status(DiskToDiskText(verify, sourceDisk, destinationDisk));
  progress.Range(0, int64_t(sourceSectors));
  return RunLocked(progress, r, verify, [](uint64_t pos) { return int64_t(pos); });
}

bool CopyHiddenPartition(CopyProgress& progress, int sourceDisk, int destinationDisk, int slot, bool verify) {
  if (slot < 0 || slot >= partition::kLayoutSlots) return false;
  const partition::LayoutSlot& ls = partition::LayoutSlotTable[slot];
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d) return Refuse(L"IDS_DiskCannotOpen");
  uint64_t sourceSectors = disk::GetDiskSizeSectors(s->DriveNumber);
  uint64_t destinationSectors = disk::GetDiskSizeSectors(d->DriveNumber);
  uint32_t spt = disk::LastSectorsPerTrack;  // the destination's
  if (sourceSectors == 0 || destinationSectors == 0) return Refuse(L"IDS_DiskCannotOpen");
  SectorCopyRange r;
  r.sourceDrive = s->DriveNumber;
  r.destinationDrive = d->DriveNumber;
  r.sourceStart = ls.StartSector();
  r.destinationStart = ls.destinationStartBytes / 512;
  r.length = ls.LengthSectors();
  if (r.length == 0) return true;
  // A partition planned smaller than itself would run into the next one.
  if (ls.destinationLengthBytes / 512 < r.length) return Refuse(L"IDS_PlanImpossible");
  if (r.sourceStart >= sourceSectors || r.length > sourceSectors - r.sourceStart ||
      r.destinationStart >= destinationSectors || r.length > destinationSectors - r.destinationStart)
    return Refuse(L"IDS_PlanImpossible");
  r.blockSectors = BlockSectorsFor(spt);
  progress.Status(DiskToDiskText(verify, sourceDisk, destinationDisk));
  const int64_t base = 2 * int64_t(PlanSlotCount);
  const int64_t total = std::max<int64_t>(1, DuplicationJob.ProgressTotal);
  return RunLocked(progress, r, verify,
                   [base, total](uint64_t pos) { return base + int64_t(std::min<uint64_t>(pos, total) * 100 / total); });
}

// The letters name the two volumes for the caller; the ranges come from the
// job, where the pages put the partitions' places.
bool CopyVolumeSectors(CopyProgress& progress, wchar_t, wchar_t, bool verify) {
  DuplicationJobRecord& job = DuplicationJob;
  const disk::DiskEntry* s = disk::DiskAt(job.SourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(job.DestinationDisk);
  if (!s || !d) return Refuse(L"IDS_DiskCannotOpen");
  uint64_t destinationSectors = disk::GetDiskSizeSectors(d->DriveNumber);
  uint64_t sourceSectors = disk::GetDiskSizeSectors(s->DriveNumber);
  uint32_t spt = disk::LastSectorsPerTrack;  // the source's
  if (sourceSectors == 0 || destinationSectors == 0) return Refuse(L"IDS_DiskCannotOpen");
  SectorCopyRange r;
  r.sourceDrive = s->DriveNumber;
  r.destinationDrive = d->DriveNumber;
  r.sourceStart = job.SourceStart;
  r.destinationStart = job.DestinationStart;
  r.length = job.SourceLength;
  // The whole partition, to its last sector (NTFS keeps its backup boot
  // sector there), into a destination partition that holds it.
  if (r.length == 0 || r.sourceStart >= sourceSectors || r.length > sourceSectors - r.sourceStart ||
      r.length > job.DestinationLength || r.destinationStart >= destinationSectors || r.length > destinationSectors - r.destinationStart)
    return Refuse(L"IDS_DestinationTooSmall");
  r.blockSectors = BlockSectorsFor(spt);
  progress.Range(0, int64_t(r.length));

  // The destination volume is taken from the system for the raw writes;
  // one that cannot be taken ends the duplication before anything is written.
  TakenVolumes taken;
  if (!TakeDestinationVolumes(r.destinationDrive, r.destinationStart, r.length, &taken)) {
    job.CancelRequested = true;
    return true;
  }
  LoopOutcome outcome = RunBlockLoop(progress, r, verify, [](uint64_t pos) { return int64_t(pos); });
  uint32_t activated = 0;
  if (outcome == LoopOutcome::Done && !job.CancelRequested) {
    FixDestinationEntry(r.destinationDrive, job.DestinationTableLba, job.DestinationSlot, r.destinationStart,
                        r.length, job.SourceTypeByte);
    if (job.SourceActive && job.DestinationTableLba == 0) activated = MakeActivePartition(job.DestinationDisk, r.destinationStart);
  }
  ReleaseDestinationVolumes(&taken);
  UpdateProperties(r.destinationDrive);
  if (activated) {
    job.ActivatedPartition = activated;
    RegisterBootRecordFix(job.DestinationDisk, activated);
  }
  ReportLoopFailure(outcome);
  return outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled;
}

}  // namespace duplicate
