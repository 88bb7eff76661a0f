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

// Where something already on a disk leaves its mark: byte offset within a
// sector counted from the start (or, negative, from the end: -1 is the last
// sector), and the bytes.
struct Signature {
  int64_t lba;
  uint32_t offset;
  const char* bytes;
  uint32_t length;
};
constexpr Signature kSignatures[] = {
    {0, 510, "\x55\xAA", 2},       // a partition table or a boot sector
    {0, 3, "NTFS    ", 8},         // file systems on the whole disk
    {0, 3, "EXFAT   ", 8},
    {0, 3, "MSDOS5.0", 8},
    {0, 3, "MSWIN4.1", 8},
    {0, 54, "FAT", 3},             // FAT12/16 type text
    {0, 82, "FAT32", 5},
    {0, 3, "ReFS", 4},
    {0, 0, "XFSB", 4},
    {1, 0, "EFI PART", 8},         // the primary GPT header
    {1, 0, "LABELONE", 8},         // a volume-manager label
    {2, 56, "\x53\xEF", 2},        // ext2/3/4 superblock magic
    {64, 1, "CD001", 5},           // an optical-disc file system
    {-1, 0, "EFI PART", 8},        // the backup GPT header alone
    {-1, 3, "NTFS    ", 8},        // NTFS keeps a copy of its boot sector at the end
};

bool CarriesMark(int driveNumber) {
  uint8_t sector[512] = {};
  if (disk::OpenDiskReadWrite(driveNumber) == platform::kNullHandle) return false;
  bool read = disk::ReadCurrentDisk(sector, 0, 1) == 0;
  disk::CloseCurrentDisk();
  return read && std::memcmp(sector + 16, kOneClickMark, sizeof kOneClickMark - 1) == 0;
}

}  // namespace

bool IsBlankDisk(int driveNumber, uint64_t sizeSectors) {
  if (sizeSectors < 3) return false;
  if (disk::OpenDiskReadOnly(driveNumber) == platform::kNullHandle) return false;
  bool blank = true;
  uint8_t sector[512];
  for (const Signature& sig : kSignatures) {
    uint64_t lba = sig.lba >= 0 ? uint64_t(sig.lba) : sizeSectors - uint64_t(-sig.lba);
    if (lba >= sizeSectors) continue;
    // What cannot be read cannot be shown to be empty.
    if (disk::ReadCurrentDisk(sector, lba, 1) != 0 ||
        std::memcmp(sector + sig.offset, sig.bytes, sig.length) == 0) {
      blank = false;
      break;
    }
  }
  disk::CloseCurrentDisk();
  return blank;
}

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
    } else if (n == 0 && (BlankDisk == -1 || d.SizeSectors > blankSize) && IsBlankDisk(d.DriveNumber, d.SizeSectors)) {
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
      if (k != SystemDisk && !HoldsRunningWindows(k)) BlankDisk = k;
  } else if (BlankDisk != -1 && (BlankDisk == SystemDisk || HoldsRunningWindows(BlankDisk))) {
    BlankDisk = -1;
  }
}

void ResetSystemDiskState() {
  SystemDisk = -1;
  BlankDisk = -1;
  SystemPartitionText.clear();
  MarkerMode = false;
}

}  // namespace duplicate
