// Formatting the destination's volumes: the rule for the file system of a
// slot, the format itself (library or command, both with a time limit and
// their success examined), every planned slot, and a partition destination.
#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/volume_map.h"
#include "duplicate/destination_prep.h"
#include "duplicate/duplication_job.h"
#include "duplicate/layout_plan.h"
#include "duplicate/plan_placement.h"
#include "partition/format_request.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace duplicate {

using app::T;
using partition::FormatRequestRecord;
using partition::LayoutSlot;
using partition::LayoutSlotTable;
using platform::Sys;

namespace {

// A quick format takes seconds; one that has not ended after this long
// will not, and the duplication must not wait for it forever.
constexpr uint32_t kFormatLimitMs = 15 * 60 * 1000;
constexpr uint32_t kPollMs = 200;
// FAT32 as the format library makes it needs about 32 MiB.
constexpr uint64_t kSmallestFat32 = 66600;

bool CannotFormat() {
  ui::MessageBox(T(L"IDS_cannotformat"), win::MB_OK | win::MB_ICONEXCLAMATION);
  return false;
}

bool WriteTextFile(const std::wstring& path, const std::string& bytes) {
  platform::Handle h = disk::CreateFileWriteThrough(path);
  if (!platform::IsValid(h)) return false;
  uint32_t done = 0;
  bool ok = Sys().WriteFile(h, bytes.data(), uint32_t(bytes.size()), &done) && done == bytes.size();
  Sys().CloseHandle(h);
  return ok;
}

// The boot medium's way: the "format" command in a script, its answers
// from a file, its exit code examined (0 and 1 are success).
bool FormatWithCommand(CopyProgress& progress, const FormatRequestRecord& r) {
  std::wstring windows = Sys().GetWindowsDirectory();
  if (windows.size() < 3) return false;
  std::wstring root = windows.substr(0, 3);
  std::wstring script = root + L"Windows\\System32\\zuvformat.cmd";
  std::wstring answers = root + L"Windows\\System32\\zuvformatparams";
  std::wstring line = L"format " + std::wstring(1, wchar_t(L'A' + r.driveIndex)) + L":";
  if (r.fileSystemCode == 7) line += L" /FS:NTFS";
  else if (r.fat32) line += L" /FS:FAT32";
  else line += L" /FS:FAT";
  line += L" /q";
  if (!WriteTextFile(script, text::Narrow(line) + "\r\n") || !WriteTextFile(answers, "y\r\ny\r\n")) return false;
  platform::Handle process = Sys().ShellExecuteEx(L"open", script, L"<" + answers, L"", win::SW_HIDE);
  if (process == platform::kNullHandle) return false;
  uint32_t started = Sys().GetTickCount();
  bool ended = false;
  while (!DuplicationJob.CancelRequested && Sys().GetTickCount() - started < kFormatLimitMs) {
    if (Sys().WaitForSingleObject(process, kPollMs) == win::WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    progress.Pump();
    progress.Elapsed();
  }
  uint32_t code = win::STILL_ACTIVE;
  bool known = ended && Sys().GetExitCodeProcess(process, &code);
  Sys().CloseHandle(process);
  return known && (code & 0xFFF) <= 1;
}

// An installed Windows' way: the format library on a worker thread, polled
// until it reports done, with the success value it reported.
bool FormatWithLibrary(CopyProgress& progress, const FormatRequestRecord& r) {
  auto& state = partition::FormatProgress;
  progress.Percent(0);
  platform::Handle volume = disk::OpenVolumeHandle(wchar_t(L'A' + r.driveIndex));
  if (!platform::IsValid(volume)) return false;
  uint32_t got = 0;
  Sys().DeviceIoControl(volume, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
  Sys().Sleep(kPollMs);
  Sys().DeviceIoControl(volume, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &got);
  Sys().CloseHandle(volume);
  state.percent = 0;
  state.completions = 0;
  state.succeeded = false;
  state.done = false;
  if (!Sys().StartThread([r] { partition::RunFormatEx(r); })) {
    ui::CurrentHost().Diagnostic(L"CreateThread failed");
    return false;
  }
  uint32_t started = Sys().GetTickCount();
  while (!state.done) {
    progress.Pump();
    if (DuplicationJob.CancelRequested || Sys().GetTickCount() - started >= kFormatLimitMs) break;
    progress.Elapsed();
    Sys().Sleep(kPollMs);
    progress.Percent(state.percent);
  }
  bool ok = state.done && state.succeeded;
  if (ok) {
    progress.Percent(100);
    Sys().Sleep(kPollMs);
  }
  progress.Percent(-1);
  return ok;
}

int DriveOf(int diskIndex) {
  const disk::DiskEntry* d = disk::DiskAt(diskIndex);
  return d ? d->DriveNumber : -1;
}

// The first letter from C: on that no drive uses.
wchar_t FreeLetter() {
  uint32_t used = Sys().GetLogicalDrives();
  for (int bit = 2; bit < 26; ++bit)
    if (!(used & (1u << bit))) return wchar_t(L'A' + bit);
  return 0;
}

}  // namespace

bool FormatRequestFor(int kind, uint64_t lengthSectors, wchar_t letter, FormatRequestRecord* request) {
  *request = FormatRequestRecord{};
  uint64_t mib = lengthSectors / 2048;
  int code = kind;
  switch (kind) {
    case 0x07:
      break;
    case 0x01: case 0x04: case 0x06: case 0x0E:
      // FAT holds at most 4 GiB: larger becomes FAT32 (and NTFS beyond 32 GiB).
      if (mib >= 4096) code = 0x0C;
      break;
    case 0x0B: case 0x0C:
      break;
    default:
      return false;
  }
  if (code != 0x07 && mib >= 32768) code = 0x07;
  bool fat32 = code == 0x0B || code == 0x0C;
  if (fat32 && lengthSectors < kSmallestFat32) {
    code = 0x06;
    fat32 = false;
  }
  letter = text::UpperAscii(letter);
  request->fileSystemCode = code;
  request->driveIndex = letter >= L'A' && letter <= L'Z' ? letter - L'A' : -1;
  request->clusterSectors = 0;
  request->fat32 = fat32;
  request->quick = true;
  return true;
}

bool FormatOneVolume(CopyProgress& progress, const FormatRequestRecord& request) {
  if (request.driveIndex < 0 || request.driveIndex >= 26) return false;
  return app::IsWinPE ? FormatWithCommand(progress, request) : FormatWithLibrary(progress, request);
}

bool FormatDestinationPartitions(CopyProgress& progress, int, int destinationDisk) {
  DuplicationJobRecord& job = DuplicationJob;
  const int drive = DriveOf(destinationDisk);
  if (drive < 0) return CannotFormat();
  if (!LayoutWritten) {
    ui::MessageBox(T(L"IDS_SkipFormat"), win::MB_OK);
    return CannotFormat();
  }
  for (int i = 0; i < PlanSlotCount && i < partition::kLayoutSlots; ++i) {
    if (job.CancelRequested) return true;
    LayoutSlot& s = LayoutSlotTable[i];
    if (s.IsEmpty() || s.logical == -1 || IsReservedSlot(i)) continue;
    if (s.style == 0 && (s.type == partition::kTypeExtended || s.type == partition::kTypeLink)) continue;
    // A partition copied sector by sector brings its own file system.
    if (IsSectorCopiedSlot(i)) continue;
    uint64_t length = s.destinationLengthBytes / 512;
    FormatRequestRecord request;
    // Only slots that are formatted are judged: a kind this program does
    // not format (a Linux partition, say) is left as it is.
    if (!FormatRequestFor(s.fileSystemKind, length, L'A', &request)) continue;
    int letter = disk::DriveLetterOf(s.destinationStartBytes / 512, drive);
    if (letter < 0) {
      std::wstring name = disk::VolumeNameAt(drive, s.destinationStartBytes);
      wchar_t free = FreeLetter();
      if (name.empty() || !free || !Sys().SetVolumeMountPoint(std::wstring(1, free) + L":\\", name)) return CannotFormat();
      letter = free;
      disk::BuildLetterDiskMap();
      disk::BuildVolumeTable();
      progress.LayoutChanged();
    }
    progress.Status(T(L"IDS_FORMATTING") + L" (" + std::wstring(1, wchar_t(letter)) + L":)");
    s.destinationLetter = char16_t(letter);
    progress.Position(PlanSlotCount + i);
    FormatRequestFor(s.fileSystemKind, length, wchar_t(letter), &request);
    bool ok = FormatOneVolume(progress, request);
    if (job.CancelRequested) return true;
    if (!ok) return CannotFormat();
    progress.LayoutChanged();
  }
  disk::BuildLetterDiskMap();
  disk::BuildVolumeTable();
  return true;
}

bool PreparePartitionDestination(CopyProgress& progress) {
  DuplicationJobRecord& job = DuplicationJob;
  wchar_t letter = job.DestinationLetter;
  // A sector copy needs no letter on its destination (an EFI system or a
  // Linux partition has none): its volumes are taken by their sectors, and
  // after the copy the entry fix-up gives an MBR entry the copied length.
  if (!letter && job.CopyMode != CopyKind::Basic) return true;
  if (!letter) return CannotFormat();
  uint64_t planned = job.DestinationPlannedLength ? job.DestinationPlannedLength : job.DestinationLength;
  if (planned != job.DestinationLength) {
    int64_t delta = int64_t(planned) - int64_t(job.DestinationLength);
    if (!disk::GrowVolumePartition(letter, delta)) {
      ui::MessageBox(T(L"IDS_FailedResize"), win::MB_OK | win::MB_ICONEXCLAMATION);
      return false;
    }
    job.DestinationLength = planned;
    disk::BuildLetterDiskMap();
    disk::BuildVolumeTable();
    progress.LayoutChanged();
  }
  if (job.CopyMode != CopyKind::Basic) return true;
  progress.Status(T(L"IDS_FORMATTING") + L" (" + std::wstring(1, letter) + L":)");
  int kind = job.SourceTypeByte;
  if (kind == 0 && job.SourceLetter) {
    // A GPT partition has no type byte: its file system says what it is.
    int fs = disk::FileSystemTypeOfLetter(job.SourceLetter);
    kind = fs == disk::kFsFat32 ? 0x0C : fs;
  }
  FormatRequestRecord request;
  if (!FormatRequestFor(kind, planned, letter, &request)) return true;
  if (!FormatOneVolume(progress, request)) return job.CancelRequested ? true : CannotFormat();
  return true;
}

}  // namespace duplicate
