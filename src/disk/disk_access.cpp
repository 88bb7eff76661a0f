#include "disk/disk_access.h"

#include <cstdint>

#include "platform/text.h"
#include "platform/winapi.h"

namespace disk {

using platform::Handle;
using platform::Sys;

Handle CurrentDisk = platform::kNullHandle;
int32_t OpenDiskCount = 0;
int32_t IoErrorCount = 0;
uint32_t LastSectorsPerTrack = 63;

namespace {

constexpr uint32_t kUncached = win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING;
constexpr uint32_t kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

Handle OpenOrNull(const std::wstring& path, uint32_t access, uint32_t share) {
  Handle h = Sys().CreateFile(path, access, share, win::OPEN_EXISTING, kUncached);
  return platform::IsValid(h) ? h : platform::kNullHandle;
}

// Transfers are limited to what one 32-bit byte count can say.
bool CountFits(uint32_t count) { return count <= 0xFFFFFFFFu / kSectorBytes; }

bool Seek(Handle h, uint64_t lba, uint32_t count) {
  uint64_t offset = 0;
  return CountFits(count) && SectorByteOffset(lba, count, &offset) && Sys().SetFilePointer(h, offset);
}

}  // namespace

bool SectorByteOffset(uint64_t lba, uint64_t count, uint64_t* offset) {
  constexpr uint64_t kLimit = uint64_t(INT64_MAX) / kSectorBytes;  // sectors below 2^63 bytes
  if (lba > kLimit || count > kLimit - lba) return false;
  *offset = lba * kSectorBytes;
  return true;
}

std::wstring PhysicalDrivePath(int driveNumber) {
  return L"\\\\.\\PhysicalDrive" + text::Dec(int64_t(driveNumber));
}

std::wstring VolumeDevicePath(wchar_t letter) {
  std::wstring p = L"\\\\.\\C:";
  p[4] = letter;
  return p;
}

Handle OpenDiskReadWrite(int driveNumber) {
  CurrentDisk = OpenOrNull(PhysicalDrivePath(driveNumber), win::GENERIC_READ | win::GENERIC_WRITE, kShareAll);
  if (CurrentDisk != platform::kNullHandle) ++OpenDiskCount;
  return CurrentDisk;
}

Handle OpenDiskReadOnly(int driveNumber) {
  CurrentDisk = platform::kNullHandle;
  for (int attempt = 0; attempt < 3; ++attempt) {
    CurrentDisk = OpenOrNull(PhysicalDrivePath(driveNumber), win::GENERIC_READ, win::FILE_SHARE_READ);
    if (CurrentDisk != platform::kNullHandle) break;
    Sys().Sleep(200);
  }
  if (CurrentDisk != platform::kNullHandle) ++OpenDiskCount;
  return CurrentDisk;
}

bool DiskIsWriteProtected(int driveNumber) {
  Handle h = OpenOrNull(PhysicalDrivePath(driveNumber), win::GENERIC_READ, kShareAll);
  if (h == platform::kNullHandle) return false;
  uint32_t got = 0;
  bool writable = Sys().DeviceIoControl(h, win::IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &got);
  // Only the driver's own "write protected" counts: a driver that does not
  // know the request says nothing about the medium.
  bool refused = !writable && Sys().GetLastError() == win::ERROR_WRITE_PROTECT;
  Sys().CloseHandle(h);
  return refused;
}

Handle OpenDiskHandle(int driveNumber) {
  return OpenOrNull(PhysicalDrivePath(driveNumber), win::GENERIC_READ | win::GENERIC_WRITE, kShareAll);
}

void UpdateDiskProperties(int driveNumber) {
  Handle h = OpenDiskHandle(driveNumber);
  if (!platform::IsValid(h)) return;
  uint32_t got = 0;
  Sys().DeviceIoControl(h, win::IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got);
  Sys().CloseHandle(h);
}

Handle OpenVolumeHandle(wchar_t letter) {
  return Sys().CreateFile(VolumeDevicePath(letter), win::GENERIC_READ | win::GENERIC_WRITE, kShareAll,
                          win::OPEN_EXISTING, kUncached);
}

Handle OpenFileReadWrite(const std::wstring& path) {
  return Sys().CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, kShareAll, win::OPEN_EXISTING, 0);
}

Handle OpenFileRead(const std::wstring& path) {
  return Sys().CreateFile(path, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING, 0);
}

Handle CreateFileWriteThrough(const std::wstring& path) {
  return Sys().CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, kShareAll, win::CREATE_ALWAYS,
                          win::FILE_FLAG_WRITE_THROUGH);
}

void CloseCurrentDisk() {
  --OpenDiskCount;
  if (CurrentDisk != platform::kNullHandle) Sys().CloseHandle(CurrentDisk);
  CurrentDisk = platform::kNullHandle;
}

uint32_t ReadSectors(Handle h, void* buffer, uint64_t lba, uint32_t count) {
  uint32_t done = 0;
  if (!Seek(h, lba, count)) return 0;
  if (!Sys().ReadFile(h, buffer, count * kSectorBytes, &done)) return 0;
  return done;
}

uint32_t WriteSectors(Handle h, const void* buffer, uint64_t lba, uint32_t count) {
  uint32_t done = 0;
  if (!Seek(h, lba, count)) return 0;
  if (!Sys().WriteFile(h, buffer, count * kSectorBytes, &done)) return 0;
  return done;
}

int ReadCurrentDisk(void* buffer, uint64_t lba, uint32_t count) {
  // A short read is as bad as none: the caller asked for whole sectors. A
  // count too large to say in bytes fails before its byte count can wrap to 0.
  if (count == 0 || !CountFits(count) || ReadSectors(CurrentDisk, buffer, lba, count) != count * kSectorBytes) {
    ++IoErrorCount;
    return -1;
  }
  return 0;
}

int WriteCurrentDisk(const void* buffer, uint64_t lba, uint32_t count) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (count && CountFits(count) && WriteSectors(CurrentDisk, buffer, lba, count) == count * kSectorBytes) return 1;
    ++IoErrorCount;
  }
  return 0;
}

uint64_t GetDiskSizeSectors(int driveNumber) {
  if (OpenDiskReadOnly(driveNumber) == platform::kNullHandle) return 0;
  win::DiskGeometry g{};
  uint32_t got = 0;
  uint64_t size = 0;
  if (Sys().DeviceIoControl(CurrentDisk, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g, &got) &&
      got >= sizeof g) {
    uint32_t spt = g.SectorsPerTrack;
    // 63 is the classic BIOS limit; a driver that reports 0 gets it too, so
    // that no block size is ever zero.
    LastSectorsPerTrack = (spt == 0 || spt > 63) ? 63 : spt;
    // The exact length of the medium, so that the sectors behind the last
    // whole cylinder (a GPT keeps its backup there) are copied, wiped and
    // scanned as well. Old drivers without the length request fall back
    // to the cylinder-rounded size.
    win::LengthInfo len{};
    if (Sys().DeviceIoControl(CurrentDisk, win::IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &len, sizeof len, &got) &&
        got >= sizeof len) {
      size = uint64_t(len.Length) / kSectorBytes;
    } else {
      size = uint64_t(g.Cylinders) * spt * uint32_t(g.TracksPerCylinder);
    }
  }
  CloseCurrentDisk();
  return size;
}

bool GrowVolumePartition(wchar_t letter, int64_t sectors) {
  Handle h = OpenVolumeHandle(letter);
  if (!platform::IsValid(h)) return false;
  win::PartitionInfoEx info{};
  uint32_t got = 0;
  bool ok = false;
  if (Sys().DeviceIoControl(h, win::IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &info, sizeof info, &got)) {
    win::DiskGrowPartition grow{};
    grow.PartitionNumber = uint32_t(info.PartitionNumber);
    // A change the 64-bit byte count cannot hold is refused, not wrapped.
    constexpr int64_t kLimit = INT64_MAX / int64_t(kSectorBytes);
    if (sectors >= -kLimit && sectors <= kLimit) {
      grow.BytesToGrow = uint64_t(sectors * int64_t(kSectorBytes));
      ok = Sys().DeviceIoControl(h, win::IOCTL_DISK_GROW_PARTITION, &grow, sizeof grow, nullptr, 0, &got);
    }
  }
  Sys().CloseHandle(h);
  return ok;
}

void ResetDiskAccessState() {
  if (CurrentDisk != platform::kNullHandle && platform::HasSystem()) Sys().CloseHandle(CurrentDisk);
  CurrentDisk = platform::kNullHandle;
  OpenDiskCount = 0;
  IoErrorCount = 0;
  LastSectorsPerTrack = 63;
}

}  // namespace disk
