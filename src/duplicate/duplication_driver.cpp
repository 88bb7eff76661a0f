#include "duplicate/duplication_driver.h"

#include <algorithm>
#include <string>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/block_copy.h"
#include "duplicate/boot_fixup.h"
#include "duplicate/destination_guard.h"
#include "duplicate/destination_prep.h"
#include "duplicate/gpt_backup.h"
#include "duplicate/layout_plan.h"
#include "duplicate/volume_copy_step.h"
#include "duplicate/windows_checks.h"
#include "erase/selected_region.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "scan/scan_page.h"
#include "ui/window.h"

namespace duplicate {

using app::T;
using platform::Sys;

namespace {

constexpr unsigned kExclamation = win::MB_OK | win::MB_ICONEXCLAMATION;
constexpr unsigned kQuestion = win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL;

DuplicationJobRecord& Job() { return DuplicationJob; }
bool Cancelled() { return DuplicationJob.CancelRequested; }

int DriveOf(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  return d ? d->DriveNumber : -1;
}

std::wstring Root(wchar_t letter) { return std::wstring(1, letter) + L":"; }

// A volume name without its trailing backslash, as the copy takes roots.
std::wstring VolumeRoot(int driveNumber, uint64_t byteOffset) {
  std::wstring name = disk::VolumeNameAt(driveNumber, byteOffset);
  if (!name.empty() && name.back() == L'\\') name.pop_back();
  return name;
}

// The destination's bad-sector scan before the copy; false when the
// operator would rather not go on over the bad sectors it found.
bool Prescan() {
  DuplicationJobRecord& j = Job();
  erase::Region& r = scan::ScanRegion;
  r = erase::Region{};
  r.DriveNumber = uint32_t(DriveOf(j.DestinationDisk));
  const disk::DiskEntry* d = disk::DiskAt(j.DestinationDisk);
  if (j.DestinationIsPartition) {
    r.RegionKind = erase::kPartition;
    r.DriveLetter = j.DestinationLetter ? j.DestinationLetter : L' ';
    r.FileSystemName = L"RAW";
    r.StartLba = j.DestinationStart;
    r.LengthSectors = j.DestinationLength;
  } else {
    r.RegionKind = erase::kWholeDisk;
    r.DiskName = d ? d->Model.substr(0, 31) : L"";
    r.LengthSectors = j.DestinationLength;
  }
  r.CursorLba = r.StartLba;
  scan::ScanFromDuplication = true;
  scan::CBadSectorScan page;
  ui::RunModal(page);
  scan::ScanFromDuplication = false;
  j.ScanStopped = scan::ScanCancelled;
  if (scan::ScanFailedBlocks == 0) return true;
  return ui::MessageBox(T(L"IDS_SkipScan"), kQuestion) == win::IDYES;
}

// A larger destination keeps a copied GPT's backup at its own end; one that
// cannot be written there is a failed step.
void MoveGptBackup() {
  DuplicationJobRecord& j = Job();
  int source = DriveOf(j.SourceDisk), destination = DriveOf(j.DestinationDisk);
  uint64_t sourceSectors = disk::GetDiskSizeSectors(source), destinationSectors = disk::GetDiskSizeSectors(destination);
  if (!sourceSectors || !destinationSectors) return;
  if (MoveGptBackupToEnd(destination, sourceSectors, destinationSectors)) return;
  ++j.FailedStepCount;
  ui::MessageBox(T(L"IDS_GptBackupNotMoved"), kExclamation);
}

void SectorDiskCopy(RunPage& page) {
  DuplicationJobRecord& j = Job();
  page.Total(j.SourceLength);
  j.ProgressTotal = int64_t(j.SourceLength);
  // A copy that could not run wrote nothing: the run stops there, before
  // any boot step writes to the destination.
  if (!CopySectorRange(page, j.SourceDisk, j.DestinationDisk, false)) {
    j.CancelRequested = true;
    return;
  }
  uint64_t copied = j.CopiedSectors;
  if (!Cancelled() && j.Verify) CopySectorRange(page, j.SourceDisk, j.DestinationDisk, true);
  // After the verify pass, which compares the copy with the source as it is.
  if (!Cancelled()) MoveGptBackup();
  if (!Cancelled() && app::IsWinPE) WriteBootMarker(j.DestinationDisk);
  page.Status(T(L"IDS_CopyComplete"));
  j.CopiedBytes = copied * 512;
  j.LastPosition = copied;
}

// One volume copied (and verified) file by file, or sector by sector.
void CopyOneVolume(RunPage& page, const std::wstring& destination, const std::wstring& source) {
  DuplicationJobRecord& j = Job();
  if (destination.empty() || source.empty()) {
    ++j.FailedStepCount;
    ui::MessageBox(T(L"IDS_VolumeNotFound"), kExclamation);
    return;
  }
  std::wstring status = T(L"IDS_CopyBlock") + L" (" + source + L" " + T(L"IDS_To") + L" " + destination + L")";
  if (status.find(L"\\Device\\") != std::wstring::npos || status.find(L"\\\\?\\") != std::wstring::npos)
    status = T(L"IDS_CopyBlock");
  page.Status(status);
  std::vector<std::wstring> notCopied;
  CopyVolumeFiles(page, destination, source, false, &notCopied);
  if (!Cancelled() && j.Verify) {
    page.Status(T(L"IDS_Verifying") + L" (" + destination + L")");
    CopyVolumeFiles(page, destination, source, true, &notCopied);
  }
  page.Status(T(L"IDS_CopyComplete"));
}

void PartitionCopy(RunPage& page) {
  DuplicationJobRecord& j = Job();
  bool basic = j.CopyMode == CopyKind::Basic;
  page.Range(0, 2 + (j.Verify ? 200 : 100));
  page.Status(T(L"IDS_CREATEPART"));
  page.Busy(true);
  bool prepared = PreparePartitionDestination(page);
  page.Busy(false);
  page.LayoutChanged();
  if (!prepared) {
    j.CancelRequested = true;
    return;
  }
  page.AllowCancel(true);
  if (basic) {
    j.ProgressTotal = int64_t(j.SourceLetter ? disk::UsedSectorsOfLetter(j.SourceLetter) : 0);
    page.Total(uint64_t(j.ProgressTotal));
    std::wstring destination =
        j.DestinationLetter ? Root(j.DestinationLetter)
                            : VolumeRoot(DriveOf(j.DestinationDisk), j.DestinationStart * 512);
    CopyOneVolume(page, destination, j.SourceLetter ? Root(j.SourceLetter) : L"");
  } else {
    j.ProgressTotal = int64_t(j.SourceLength);
    page.Total(j.SourceLength);
    page.Status(T(L"IDS_CopyBlock") + L" (" + j.SourceDescription + L" " + T(L"IDS_To") + L" " +
                j.DestinationDescription + L")");
    if (!CopyVolumeSectors(page, j.DestinationLetter, j.SourceLetter, false)) {
      j.CancelRequested = true;
      return;
    }
    uint64_t copied = j.CopiedSectors;
    if (!Cancelled() && j.Verify) {
      page.Status(T(L"IDS_Verifying") + L" (" + j.DestinationDescription + L")");
      CopyVolumeSectors(page, j.DestinationLetter, j.SourceLetter, true);
    }
    j.CopiedBytes = copied * 512;
    page.Status(T(L"IDS_CopyComplete"));
  }
  if (!Cancelled()) CopyBootTrack(j.SourceDisk, j.DestinationDisk, BootTrackVariant::SinglePartition);
}

bool IsContainerOrLink(const partition::LayoutSlot& s) {
  // A Linux extended partition (0x85) is none: Windows lists it as a
  // partition, and its sectors are copied.
  return s.type == partition::kTypeExtended || s.type == partition::kTypeLink || s.logical == -1;
}

void BasicDiskCopy(RunPage& page) {
  DuplicationJobRecord& j = Job();
  int sourceDrive = DriveOf(j.SourceDisk), destinationDrive = DriveOf(j.DestinationDisk);
  int slots = PlanSlotCount;
  page.Range(0, 2 * slots + (j.Verify ? 200 : 100));
  page.Status(T(L"IDS_CREATEPART"));
  page.Busy(true);
  bool created = CreateDestinationPartitions(page, j.SourceDisk, j.DestinationDisk);
  page.Busy(false);
  page.LayoutChanged();
  if (!created) {
    j.CancelRequested = true;
    return;
  }
  page.Status(T(L"IDS_FORMATTING"));
  if (!FormatDestinationPartitions(page, j.SourceDisk, j.DestinationDisk)) {
    j.CancelRequested = true;
    return;
  }
  page.LayoutChanged();
  page.AllowCancel(true);
  // What the percentages count against: the used data of every volume,
  // and each partition copied sector by sector as it comes.
  uint64_t total = 0;
  for (int i = 0; i < slots; ++i) {
    int letter = partition::LayoutSlotTable[i].sourceLetter;
    if (letter > 0) total += disk::UsedSectorsOfLetter(wchar_t(letter));
  }
  j.ProgressTotal = int64_t(total);
  page.Total(total);
  j.CopiedSectors = 0;
  j.BootPairSource.clear();
  j.BootPairDestination.clear();
  j.WindowsVolume.clear();

  for (int i = 0; i < slots && !Cancelled(); ++i) {
    const partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    if (s.IsEmpty() || IsContainerOrLink(s)) continue;
    std::wstring source = s.sourceLetter > 0 ? Root(wchar_t(s.sourceLetter)) : VolumeRoot(sourceDrive, s.startBytes);
    if (s.sourceLetter <= 0 && (source.empty() || IsSectorCopiedSlot(i))) {
      if (IsSectorCopiedSlot(i)) {
        j.ProgressTotal += int64_t(s.LengthSectors());
        page.Total(uint64_t(j.ProgressTotal));
        // Copied, then verified: the verify pass alone would leave what the
        // destination held where the source cannot be read.
        CopyHiddenPartition(page, j.SourceDisk, j.DestinationDisk, i, false);
        if (!Cancelled() && j.Verify) CopyHiddenPartition(page, j.SourceDisk, j.DestinationDisk, i, true);
      }
      continue;
    }
    if (s.destinationLengthBytes == 0) continue;
    std::wstring destination = s.destinationLetter ? Root(wchar_t(s.destinationLetter))
                                                   : VolumeRoot(destinationDrive, s.destinationStartBytes);
    // The boot store is completed at the next start from the boot medium.
    if (app::IsWinPE && HasBootConfiguration(source)) {
      j.BootPairSource = source;
      j.BootPairDestination = destination;
    }
    if (HasWindowsSystemFolder(source)) j.WindowsVolume = destination;
    CopyOneVolume(page, destination, source);
  }
  // Letters given only for the copy go again.
  for (int i = 0; i < slots; ++i) {
    partition::LayoutSlot& s = partition::LayoutSlotTable[i];
    if (s.sourceLetter > 0 || !s.destinationLetter) continue;
    Sys().DeleteVolumeMountPoint(Root(wchar_t(s.destinationLetter)) + L"\\");
    s.destinationLetter = 0;
  }
  if (!Cancelled()) {
    CopyBootTrack(j.SourceDisk, j.DestinationDisk,
                  j.Windows7Pair ? BootTrackVariant::Windows7Pair : BootTrackVariant::WholeDisk);
    // Without the usual boot code the boot track is not copied, and the
    // hidden partitions must not stay visible for it.
    RestoreHiddenTypes(j.DestinationDisk);
  }
  if (disk::OpenDiskReadWrite(destinationDrive) != platform::kNullHandle) {
    uint32_t got = 0;
    Sys().DeviceIoControl(disk::CurrentDisk, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
    disk::CloseCurrentDisk();
  }
  page.Status(T(L"IDS_CopyComplete"));
}

}  // namespace

DuplicationResult RunDuplication(RunPage& page) {
  DuplicationJobRecord& j = Job();
  if (j.Started) return j.Result;
  ResetRunState();
  j.Started = true;
  page.AllowCancel(false);

  // Judged again just before anything is written: the disks may have
  // changed since the destination page, and the console reaches here too.
  DestinationRefusal refusal = RefuseChosenDestination();
  if (refusal != DestinationRefusal::None) {
    ui::MessageBox(RefusalText(refusal, j.DestinationDisk), kExclamation);
    ++j.FailedStepCount;
    j.CancelRequested = true;
  }
  page.AllowCancel(true);
  if (!Cancelled() && j.BadSectorScan && !Prescan()) j.CancelRequested = true;
  j.StartTime = Sys().Now();
  bool wholeDiskSectors = !j.SourceIsPartition && j.CopyMode == CopyKind::SectorBySector;
  if (!Cancelled()) {
    if (wholeDiskSectors) SectorDiskCopy(page);
    else if (j.SourceIsPartition) PartitionCopy(page);
    else BasicDiskCopy(page);
  }
  // A finished run ends on a full bar, whatever scale its last step used
  // (a file copy counts against the used space, which it never reaches).
  if (!Cancelled()) {
    page.Range(0, 1);
    page.Position(1);
  }
  page.Elapsed();
  // A finished clone carries the source disk's signature (Windows finds
  // its boot volume by it); done here, not at Finish, so that leaving the
  // program any way after the copy still leaves a bootable clone.
  if (!Cancelled()) CopyDiskSignature(j.SourceDisk, j.DestinationDisk);
  // What could not be written was not copied.
  j.CopiedBytes -= std::min<uint64_t>(j.CopiedBytes, j.UnwrittenSectors * 512);
  j.LastPosition = j.CopiedBytes / 512;
  j.ElapsedSeconds = int64_t(Sys().Now() - j.StartTime);
  j.Result = JudgeResult();
  if (j.Result == DuplicationResult::Aborted) {
    ui::MessageBox(T(L"IDS_Unusable"), kExclamation);
    j.Started = false;
    // A cancelled clone must not have its boot store repaired at the next start.
    if (app::IsWinPE && j.CopyMode == CopyKind::Basic && !j.BootPairDestination.empty())
      Sys().DeleteFile(j.BootPairDestination + L"\\BOOT\\BootFix");
  } else {
    bool clean = j.Result == DuplicationResult::Completed;
    ui::MessageBox(T(clean ? L"IDS_CloningOver" : L"IDS_CloningOverErrors"),
                   clean ? win::MB_OK | win::MB_ICONINFORMATION : kExclamation);
  }
  ReleaseShadowCopies();
  return j.Result;
}

}  // namespace duplicate
