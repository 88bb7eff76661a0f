// The plan of a partition copied onto a partition of another disk: the
// destination partition keeps its place and gets the length the mode says,
// never more than the free room behind it allows.
#include <algorithm>

#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/layout_plan.h"
#include "duplicate/plan_picture.h"
#include "duplicate/plan_placement.h"
#include "partition/layout_edit.h"
#include "partition/layout_slots.h"

namespace duplicate {

namespace {

// How long the destination partition can become: up to the next partition,
// the end of its extended partition, or the disk's (usable) end.
uint64_t DestinationRoom() {
  const DuplicationJobRecord& job = DuplicationJob;
  const disk::DiskEntry* d = disk::DiskAt(job.DestinationDisk);
  if (!d) return job.DestinationLength;
  std::vector<uint8_t> layout;
  int n = partition::ReadDriveLayout(d->DriveNumber, &layout);
  if (n < 0) return job.DestinationLength;
  partition::LoadLayoutSlots(d->DriveNumber, layout, n);
  int slot = partition::FindSlotAt(job.DestinationStart);
  if (slot < 0) return job.DestinationLength;
  uint64_t limit = partition::GrowLimit(slot, partition::LoadedLayoutHeader, d->SizeSectors);
  return std::max(job.DestinationLength, limit > job.DestinationStart ? limit - job.DestinationStart : 0);
}

}  // namespace

PlanStatus PlanPartitionDuplication(Expansion mode) {
  DuplicationJobRecord& job = DuplicationJob;
  if (!job.DestinationIsPartition || job.DestinationLength == 0 || job.SourceLength == 0)
    return PlanStatus::Impossible;
  uint64_t room = DestinationRoom();
  uint64_t used = job.SourceLetter ? disk::UsedSectorsOfLetter(job.SourceLetter) : 0;
  ManualMaximum = room;
  ManualMinimum = std::min(RoundUp(used + 32, 2048), room);
  job.DestinationPlannedLength = job.DestinationLength;
  if (mode == Expansion::Same) {
    if (job.SourceLength > room) return PlanStatus::TooSmall;
    job.DestinationPlannedLength = job.SourceLength;
  }
  return PlanStatus::Ok;
}

uint64_t ApplyManualPartitionSize(const std::wstring& sizeMiB) {
  int64_t mib = ParseMiB(sizeMiB);
  uint64_t size = mib < 0 ? ManualMaximum : uint64_t(mib) * 2048;
  if (mib < 0 || size + 2048 > ManualMaximum) size = ManualMaximum;
  size = std::max(size, ManualMinimum);
  DuplicationJob.DestinationPlannedLength = size;
  return size;
}

}  // namespace duplicate
