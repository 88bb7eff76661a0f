#include "disk/volume_map.h"

#include <vector>

#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace disk {

using platform::Sys;

LetterDiskEntry LetterDiskMap[26];
VolumeRecord VolumeTable[27];
int32_t VolumeCount = 0;

namespace {
constexpr uint32_t kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

// The map entry of a letter, or nullptr for A:, B: and anything else.
LetterDiskEntry* EntryOf(uint32_t letter) {
  if (letter < L'C' || letter > L'Z') return nullptr;
  return &LetterDiskMap[letter - L'B'];
}
}  // namespace

void BuildLetterDiskMap() {
  std::wstring roots = Sys().GetLogicalDriveStrings();
  for (auto& e : LetterDiskMap) e.DiskNumberPlusOne = -1;
  // Each root is "X:\" and its terminator; the list ends with an empty one.
  for (size_t i = 0; i + 2 < roots.size() && roots[i] != L'\0'; i += 4) {
    std::wstring drive = roots.substr(i, 2);
    if (drive == L"A:") continue;
    platform::Handle h = Sys().CreateFile(L"\\\\.\\" + drive, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING, 0);
    if (!platform::IsValid(h)) continue;
    win::StorageDeviceNumber n{};
    uint32_t got = 0;
    bool ok = Sys().DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &n, sizeof n, &got);
    Sys().CloseHandle(h);
    LetterDiskEntry* e = EntryOf(drive[0]);
    if (ok && e) {
      e->DiskNumberPlusOne = int32_t(uint32_t(n.DeviceNumber) + 1);
      e->PartitionNumber = n.PartitionNumber;
    }
  }
}

bool GetVolumePartitionInfo(VolumeRecord* record, int i) {
  wchar_t letter = wchar_t(L'C' + i);
  platform::Handle h = Sys().CreateFile(VolumeDevicePath(letter), win::GENERIC_READ | win::GENERIC_WRITE, kShareAll,
                                        win::OPEN_EXISTING, win::FILE_FLAG_WRITE_THROUGH);
  if (!platform::IsValid(h)) return false;
  std::wstring root = std::wstring(1, letter) + L":\\";
  uint32_t type = Sys().GetDriveType(root);
  if (type != win::DRIVE_REMOVABLE && type != win::DRIVE_FIXED) {
    Sys().CloseHandle(h);
    return false;
  }
  win::PartitionInfoEx info{};
  uint32_t got = 0;
  bool ok = Sys().DeviceIoControl(h, win::IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &info, sizeof info, &got);
  if (ok) {
    record->Letter = letter;
    record->PartitionNumber = info.PartitionNumber;
    record->StartLba = uint64_t(info.StartingOffset) / kSectorBytes;
    record->LengthSectors = uint64_t(info.PartitionLength) / kSectorBytes;
  }
  Sys().CloseHandle(h);
  return ok;
}

int32_t BuildVolumeTable() {
  VolumeCount = 0;
  for (int i = 0; i < 26; ++i) {
    VolumeRecord r;
    // Letters run out at Z: ('C' + 23); the table has room for them all.
    if (L'C' + i > L'Z') break;
    if (GetVolumePartitionInfo(&r, i)) VolumeTable[++VolumeCount] = r;
  }
  return VolumeCount;
}

int DriveLetterOf(uint64_t startLba, int driveNumber) {
  for (int k = 1; k <= VolumeCount; ++k) {
    const VolumeRecord& v = VolumeTable[k];
    const LetterDiskEntry* e = EntryOf(v.Letter);
    if (v.StartLba == startLba && e && e->DiskNumberPlusOne == driveNumber + 1) return int(v.Letter);
  }
  return -1;
}

int CountVolumesOnDisk(int driveNumber) {
  int count = 0;
  for (int i = 0; i < 26 && L'C' + i <= L'Z'; ++i) {
    VolumeRecord r;
    const LetterDiskEntry* e = EntryOf(uint32_t(L'C' + i));
    if (GetVolumePartitionInfo(&r, i) && e && e->DiskNumberPlusOne == driveNumber + 1) ++count;
  }
  return count;
}

std::wstring VolumeNameAt(int driveNumber, uint64_t byteOffset) {
  platform::Cursor old = Sys().SetCursor(platform::Cursor::Wait);
  std::wstring found;
  for (const std::wstring& name : Sys().FindVolumes()) {
    // Opened without its trailing backslash: the volume itself, not its root folder.
    std::wstring device = name;
    if (!device.empty() && device.back() == L'\\') device.pop_back();
    platform::Handle h = Sys().CreateFile(device, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING,
                                          win::FILE_FLAG_BACKUP_SEMANTICS);
    if (!platform::IsValid(h)) continue;
    std::vector<uint8_t> buf(1024, 0);
    uint32_t got = 0;
    bool ok = Sys().DeviceIoControl(h, win::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buf.data(),
                                    uint32_t(buf.size()), &got);
    Sys().CloseHandle(h);
    if (!ok || got < sizeof(win::VolumeDiskExtentsHeader) + sizeof(win::DiskExtent)) continue;
    const auto* head = reinterpret_cast<const win::VolumeDiskExtentsHeader*>(buf.data());
    const auto* first = reinterpret_cast<const win::DiskExtent*>(buf.data() + sizeof *head);
    if (head->NumberOfDiskExtents >= 1 && first->DiskNumber == uint32_t(driveNumber) &&
        first->StartingOffset == byteOffset) {
      found = name;
      break;
    }
  }
  Sys().SetCursor(old);
  return found;
}

int FileSystemTypeOfName(const std::wstring& name) {
  if (name == L"FAT32") return kFsFat32;
  if (name == L"NTFS") return kFsNtfs;
  if (name == L"FAT") return kFsFat;
  if (name == L"exFAT") return kFsExFat;
  return 0;
}

int FileSystemTypeOfPath(const std::wstring& rootPath) {
  std::wstring name;
  if (!Sys().GetVolumeInformation(rootPath, &name)) return 0;
  // The system's buffer holds 64 characters.
  return FileSystemTypeOfName(name.substr(0, 63));
}

int FileSystemTypeOfLetter(wchar_t letter) { return FileSystemTypeOfPath(std::wstring(1, letter) + L":\\"); }

uint64_t UsedSectorsOfLetter(wchar_t letter) {
  platform::DiskFreeSpace s;
  if (!Sys().GetDiskFreeSpace(std::wstring(1, letter) + L":\\", &s)) return 0;
  if (s.freeClusters > s.totalClusters) return 0;
  return uint64_t(s.totalClusters - s.freeClusters) * s.sectorsPerCluster;
}

void ResetVolumeMaps() {
  for (auto& e : LetterDiskMap) e = LetterDiskEntry{};
  for (auto& v : VolumeTable) v = VolumeRecord{};
  VolumeCount = 0;
}

}  // namespace disk
