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

// Disks named by their Windows number, as every list shows them (the
// arguments are disk table indices).
std::wstring DiskToDiskText(bool verify, int sourceDisk, int destinationDisk) {
  auto name = [](int diskIndex) {
    const disk::DiskEntry* d = disk::DiskAt(diskIndex);
    return T(L"IDS_Disk") + L" " + (d ? text::Dec(int64_t(d->DriveNumber)) : L"?");
  };
  return T(verify ? L"IDS_Verifying" : L"IDS_CopyBlock") + L"(" + name(sourceDisk) + L" " + T(L"IDS_To") + L" " +
         name(destinationDisk) + L")";
}

// A range that does not lie on its disk is a plan the copy cannot follow.
bool Refuse(const wchar_t* key) {
  ++DuplicationJob.FailedStepCount;
  ui::MessageBox(T(key), win::MB_OK | win::MB_ICONEXCLAMATION);
  return false;
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
  if (outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled)
    disk::UpdateDiskProperties(range.destinationDrive);
  ReportLoopFailure(outcome);
  return outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled;
}

// The two disks of a copy, measured now (their exact lengths, not the
// table's: the last sector, a GPT's backup header, is copied too), with
// the block size taken from the one whose sectors per track the copy
// counts by. False (shown and counted) when one cannot be opened.
struct Disks {
  uint64_t sourceSectors = 0, destinationSectors = 0;
  SectorCopyRange range;
};

bool Measure(int sourceDisk, int destinationDisk, bool blocksOfSource, Disks* out) {
  const disk::DiskEntry* s = disk::DiskAt(sourceDisk);
  const disk::DiskEntry* d = disk::DiskAt(destinationDisk);
  if (!s || !d) return Refuse(L"IDS_DiskCannotOpen");
  out->destinationSectors = disk::GetDiskSizeSectors(d->DriveNumber);
  uint32_t destinationSpt = disk::LastSectorsPerTrack;
  out->sourceSectors = disk::GetDiskSizeSectors(s->DriveNumber);
  uint32_t sourceSpt = disk::LastSectorsPerTrack;
  if (out->sourceSectors == 0 || out->destinationSectors == 0) return Refuse(L"IDS_DiskCannotOpen");
  out->range.sourceDrive = s->DriveNumber;
  out->range.destinationDrive = d->DriveNumber;
  out->range.blockSectors = BlockSectorsFor(blocksOfSource ? sourceSpt : destinationSpt);
  return true;
}

// The range lies on the source disk (a table entry may reach past its end).
bool OnSource(const Disks& m) {
  const SectorCopyRange& r = m.range;
  return r.length != 0 && r.sourceStart < m.sourceSectors && r.length <= m.sourceSectors - r.sourceStart;
}

// The range lies on both disks.
bool OnDisks(const Disks& m) {
  const SectorCopyRange& r = m.range;
  return r.length != 0 && r.sourceStart < m.sourceSectors && r.length <= m.sourceSectors - r.sourceStart &&
         r.destinationStart < m.destinationSectors && r.length <= m.destinationSectors - r.destinationStart;
}

}  // namespace

bool CopySectorRange(CopyProgress& progress, int sourceDisk, int destinationDisk, bool verify) {
  const DuplicationJobRecord& job = DuplicationJob;
  Disks m;
  if (!Measure(sourceDisk, destinationDisk, true, &m)) return false;
  SectorCopyRange& r = m.range;
  r.sourceStart = job.SourceStart;
  r.destinationStart = job.DestinationStart;
  if (r.sourceStart < m.sourceSectors)
    r.length = job.SourceIsPartition ? std::min(job.SourceLength, m.sourceSectors - r.sourceStart)
                                     : m.sourceSectors - r.sourceStart;
  if (!OnDisks(m)) return Refuse(L"IDS_DestinationTooSmall");
  progress.Status(DiskToDiskText(verify, sourceDisk, destinationDisk));
  progress.Range(0, int64_t(m.sourceSectors));
  return RunLocked(progress, r, verify, [](uint64_t pos) { return int64_t(pos); });
}

bool CopyHiddenPartition(CopyProgress& progress, int sourceDisk, int destinationDisk, int slot, bool verify) {
  if (slot < 0 || slot >= partition::kLayoutSlots) return false;
  const partition::LayoutSlot& ls = partition::LayoutSlotTable[slot];
  if (ls.LengthSectors() == 0) return true;
  // A partition planned smaller than itself would run into the next one.
  if (ls.destinationLengthBytes < ls.lengthBytes) return Refuse(L"IDS_PlanImpossible");
  Disks m;
  if (!Measure(sourceDisk, destinationDisk, false, &m)) return false;
  SectorCopyRange& r = m.range;
  r.sourceStart = ls.StartSector();
  r.destinationStart = ls.destinationStartBytes / 512;
  r.length = ls.LengthSectors();
  if (!OnDisks(m)) return Refuse(L"IDS_PlanImpossible");
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
  Disks m;
  if (!Measure(job.SourceDisk, job.DestinationDisk, true, &m)) return false;
  SectorCopyRange& r = m.range;
  r.sourceStart = job.SourceStart;
  r.destinationStart = job.DestinationStart;
  r.length = job.SourceLength;
  // The whole partition, to its last sector (NTFS keeps its backup boot
  // sector there), into a destination partition that holds it.
  if (!OnSource(m)) return Refuse(L"IDS_PartitionOutsideDisk");
  if (!OnDisks(m) || r.length > job.DestinationLength) return Refuse(L"IDS_DestinationTooSmall");
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
  disk::UpdateDiskProperties(r.destinationDrive);
  if (activated) {
    job.ActivatedPartition = activated;
    RegisterBootRecordFix(job.DestinationDisk, activated);
  }
  ReportLoopFailure(outcome);
  return outcome == LoopOutcome::Done || outcome == LoopOutcome::Cancelled;
}

}  // namespace duplicate
