#include "duplicate/system_guard.h"

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "partition/layout_slots.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace duplicate {

namespace {

constexpr int kEfiSystemType = 0xEF;

bool Overlap(uint64_t aStart, uint64_t aLength, uint64_t bStart, uint64_t bLength) {
  return aLength && bLength && aStart < bStart + bLength && bStart < aStart + aLength;
}

// The drive letter of the Windows folder, or 0.
wchar_t WindowsLetter() {
  std::wstring windows = platform::Sys().GetWindowsDirectory();
  if (windows.size() < 2 || windows[1] != L':') return 0;
  wchar_t letter = text::UpperAscii(windows[0]);
  return letter >= L'C' && letter <= L'Z' ? letter : 0;
}

}  // namespace

std::vector<GuardedPartition> GuardedPartitions() {
  std::vector<GuardedPartition> out;
  wchar_t letter = WindowsLetter();
  if (app::IsWinPE || !letter) return out;
  disk::BuildLetterDiskMap();
  disk::BuildVolumeTable();
  int drive = disk::LetterDiskMap[letter - L'B'].DiskNumberPlusOne - 1;
  if (drive < 0) return out;
  partition::LayoutHeaderInfo header;
  std::vector<partition::LayoutSlot> slots = partition::ReadLayoutSlots(drive, &header);
  bool gpt = header.style == win::PARTITION_STYLE_GPT;
  bool windowsFound = false;
  for (size_t i = 0; i < slots.size(); ++i) {
    const partition::LayoutSlot& s = slots[i];
    if (s.IsEmpty() || s.logical == -1) continue;
    bool windows = s.sourceLetter == int(letter);
    // The partition the firmware starts Windows from: the active MBR entry,
    // or the EFI system partition of a GPT disk.
    bool system = gpt ? disk::GptPartitionTypeCode(s.gptType) == kEfiSystemType : i < 4 && s.bootIndicator != 0;
    if (windows || system) out.push_back({drive, s.StartSector(), s.LengthSectors(), windows});
    windowsFound |= windows;
  }
  // Windows lies on the disk, but where cannot be told: the whole disk is
  // what it may need.
  if (!windowsFound) {
    disk::RefreshDiskModel();
    const disk::DiskEntry* d = disk::DiskByNumber(drive);
    out.push_back({drive, 0, d && d->SizeSectors ? d->SizeSectors : ~uint64_t(0), true});
  }
  return out;
}

std::wstring WriteRefusal(int driveNumber, uint64_t startLba, uint64_t lengthSectors) {
  for (const GuardedPartition& g : GuardedPartitions()) {
    if (g.driveNumber != driveNumber || !Overlap(startLba, lengthSectors, g.startLba, g.lengthSectors)) continue;
    bool within = startLba >= g.startLba && startLba + lengthSectors <= g.startLba + g.lengthSectors;
    const wchar_t* key = !within ? L"IDS_GuardHolds" : g.windowsVolume ? L"IDS_GuardWindows" : L"IDS_GuardSystem";
    return app::FillField(app::T(key), L"%WINDOWS%", platform::Sys().GetWindowsDirectory());
  }
  return L"";
}

std::wstring DiskWriteRefusal(int driveNumber) { return WriteRefusal(driveNumber, 0, ~uint64_t(0) / 2); }

}  // namespace duplicate
