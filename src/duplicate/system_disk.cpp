#include "duplicate/system_disk.h"

#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "disk/disk_table.h"
#include "disk/partition_table.h"
#include "disk/volume_map.h"
#include "duplicate/destination_guard.h"
#include "platform/system.h"
#include "platform/text.h"

namespace duplicate {

using platform::Sys;

int SystemDisk = -1;
int BlankDisk = -1;
std::wstring SystemPartitionText;
bool MarkerMode = false;

namespace {

bool Exists(const std::wstring& pattern) {
  std::vector<platform::FindData> found;
  return Sys().FindFiles(pattern, &found) && !found.empty();
}

bool CarriesMark(int driveNumber) {
  uint8_t sector[512] = {};
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return false;
  bool read = disk::ReadCurrentDisk(sector, 0, 1) == 0;
  disk::CloseCurrentDisk();
  return read && std::memcmp(sector + 16, kOneClickMark, sizeof kOneClickMark - 1) == 0;
}

}  // namespace

bool IsSystemVolume(const std::wstring& root) {
  if (!Exists(root + L"\\Windows*.*") && !Exists(root + L"\\Winnt*.*")) return false;
  return Exists(root + L"\\bootmgr") || Exists(root + L"\\pagefile.sys") || Exists(root + L"\\ntldr");
}

void DetectSystemAndBlankDisks() {
  SystemDisk = -1;
  BlankDisk = -1;
  SystemPartitionText.clear();
  disk::RefreshDiskModel();
  std::wstring windows = Sys().GetWindowsDirectory();
  wchar_t windowsLetter = windows.empty() ? 0 : text::UpperAscii(windows[0]);
  uint64_t blankSize = 0;
  std::vector<int> marked;
  for (int k = 1; k <= disk::DiskCount && k <= disk::kMaxDisks; ++k) {
    const disk::DiskEntry& d = disk::DiskTable[k];
    if (d.DriveNumber == -1 || d.Model.empty()) continue;
    std::vector<disk::PartitionRecord> records;
    int n = disk::ReadPartitionList(&records, d.DriveNumber);
    if (MarkerMode) {
      if (CarriesMark(d.DriveNumber)) marked.push_back(k);
    } else if (n == 0 && (BlankDisk == -1 || d.SizeSectors > blankSize)) {
      BlankDisk = k;
      blankSize = d.SizeSectors;
    }
    for (int i = 0; i < n && SystemDisk == -1; ++i) {
      int letter = disk::DriveLetterOf(records[size_t(i)].StartLba, d.DriveNumber);
      if (letter < 0) continue;
      std::wstring root = std::wstring(1, wchar_t(letter)) + L":";
      bool system = app::IsWinPE ? IsSystemVolume(root) : text::UpperAscii(wchar_t(letter)) == windowsLetter;
      if (!system) continue;
      SystemDisk = k;
      SystemPartitionText = app::T(L"IDS_Partition") + L" (" + root + L")";
    }
  }
  // A marked disk that holds the running Windows is never the destination
  // (an earlier clone may have copied the mark onto it): the last other
  // marked disk is.
  if (MarkerMode) {
    BlankDisk = -1;
    for (int k : marked)
      if (!HoldsRunningWindows(k)) BlankDisk = k;
  }
}

void ResetSystemDiskState() {
  SystemDisk = -1;
  BlankDisk = -1;
  SystemPartitionText.clear();
  MarkerMode = false;
}

}  // namespace duplicate
