#include "duplicate/destination_guard.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "duplicate/duplication_job.h"
#include "duplicate/system_disk.h"
#include "duplicate/system_guard.h"
#include "platform/text.h"

namespace duplicate {

bool HoldsRunningWindows(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (d && d->DriveNumber >= 0 && !DiskWriteRefusal(d->DriveNumber).empty()) return true;
  // From a boot medium the running Windows is on its RAM disk; the disk of
  // the installed Windows that the last detection found is kept as well.
  return SystemDisk != -1 && SystemDisk == diskIndex;
}

DestinationRefusal RefuseDestination(int diskIndex, bool isPartition, uint64_t start, uint64_t length) {
  const DuplicationJobRecord& j = DuplicationJob;
  if (HoldsRunningWindows(diskIndex)) return DestinationRefusal::SystemDisk;
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  if (d && d->DriveNumber >= 0 && disk::DiskIsWriteProtected(d->DriveNumber)) return DestinationRefusal::WriteProtected;
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
    case DestinationRefusal::WriteProtected: return L"IDS_DestinationWriteProtected";
    case DestinationRefusal::SourceDisk: return L"IDS_DestinationIsSource";
    case DestinationRefusal::OverlapsSource: return L"IDS_DestinationOverlapsSource";
    case DestinationRefusal::None: break;
  }
  return L"";
}

std::wstring RefusalText(DestinationRefusal refusal, int diskIndex) {
  if (refusal == DestinationRefusal::None) return L"";
  return app::FillField(app::T(RefusalKey(refusal)), L"%DISK%", DiskDescription(diskIndex));
}

std::wstring DiskDescription(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  return d ? app::DiskDescription(*d) : app::T(L"IDS_Disk") + L" ?";
}

std::wstring PartitionDescription(int diskIndex, wchar_t letter, uint64_t start, uint64_t length) {
  std::wstring name = letter ? std::wstring(1, letter) + L":" : L"#" + text::Dec(start);
  return app::T(L"IDS_Partition") + L" " + name + L" (" + app::FormatSize(length) + L"), " + DiskDescription(diskIndex);
}

}  // namespace duplicate
