#include "duplicate/destination_guard.h"

#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "duplicate/duplication_job.h"
#include "duplicate/system_disk.h"
#include "platform/text.h"

namespace duplicate {

bool HoldsRunningWindows(int diskIndex) {
  return SystemDisk != -1 && SystemDisk == diskIndex;
}

DestinationRefusal RefuseDestination(int diskIndex, bool isPartition, uint64_t start, uint64_t length) {
  const DuplicationJobRecord& j = DuplicationJob;
  if (HoldsRunningWindows(diskIndex)) return DestinationRefusal::SystemDisk;
  if (diskIndex != j.SourceDisk) return DestinationRefusal::None;
  // A whole disk (or a Windows 7 pair, which is copied as a disk) covers
  // every sector of its own disk; so does a whole-disk destination.
  if (!j.SourceIsPartition || !isPartition) return DestinationRefusal::SourceDisk;
  bool apart = start >= j.SourceStart + j.SourceLength || j.SourceStart >= start + length;
  return apart && length > 0 ? DestinationRefusal::None : DestinationRefusal::OverlapsSource;
}

DestinationRefusal RefuseChosenDestination() {
  const DuplicationJobRecord& j = DuplicationJob;
  DetectSystemAndBlankDisks();
  return RefuseDestination(j.DestinationDisk, j.DestinationIsPartition, j.DestinationStart, j.DestinationLength);
}

const wchar_t* RefusalKey(DestinationRefusal refusal) {
  switch (refusal) {
    case DestinationRefusal::SystemDisk: return L"IDS_MDest1";
    case DestinationRefusal::SourceDisk: return L"IDS_DestinationIsSource";
    case DestinationRefusal::OverlapsSource: return L"IDS_DestinationOverlapsSource";
    case DestinationRefusal::None: break;
  }
  return L"";
}

std::wstring DiskDescription(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (!d || d->DriveNumber < 0) return app::T(L"IDS_Drive") + L"?";
  return app::T(L"IDS_Drive") + text::Dec(int64_t(d->DriveNumber)) + L" " + d->Model + L" (" +
         app::FormatSize(d->SizeSectors) + L")";
}

std::wstring PartitionDescription(int diskIndex, wchar_t letter, uint64_t start, uint64_t length) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  std::wstring name = letter ? std::wstring(1, letter) + L":" : L"#" + text::Dec(start);
  std::wstring where = d ? app::T(L"IDS_Drive") + text::Dec(int64_t(d->DriveNumber)) + L" " + d->Model : L"";
  return app::T(L"IDS_Partition") + L" " + name + L" (" + where + L", " + app::FormatSize(length) + L")";
}

}  // namespace duplicate
