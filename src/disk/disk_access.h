// Raw sector access to physical disks and volumes: the lowest layer every
// disk feature goes through. Failures are reported by results only.
//
// CurrentDisk is the one process-wide disk handle for a burst of sector
// work (reading a table, a scan, a wipe); only one activity uses it at a
// time. Work that needs two disks at once uses private handles.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace disk {

inline constexpr uint32_t kSectorBytes = 512;

extern platform::Handle CurrentDisk;  // kNullHandle when no disk is open
extern int32_t OpenDiskCount;
extern int32_t IoErrorCount;
// The sectors per track (at most 63) of the disk last sized by
// GetDiskSizeSectors; the block size of scans, wipes and copies.
extern uint32_t LastSectorsPerTrack;

// "\\.\PhysicalDrive" followed by the drive number in full.
std::wstring PhysicalDrivePath(int driveNumber);
std::wstring VolumeDevicePath(wchar_t letter);

platform::Handle OpenDiskReadWrite(int driveNumber);
platform::Handle OpenDiskReadOnly(int driveNumber);
platform::Handle OpenDiskHandle(int driveNumber);
// Has the system read the drive's partition table again, on a handle of
// its own (after raw writes to the table).
void UpdateDiskProperties(int driveNumber);
// INVALID_HANDLE_VALUE (platform::kInvalidHandle) on failure, as CreateFileW gives it.
platform::Handle OpenVolumeHandle(wchar_t letter);
platform::Handle OpenFileReadWrite(const std::wstring& path);
platform::Handle OpenFileRead(const std::wstring& path);
platform::Handle CreateFileWriteThrough(const std::wstring& path);
void CloseCurrentDisk();

// The byte offset of lba, when a transfer of count sectors from there ends
// within what a 64-bit file offset can address (Windows takes offsets as
// signed numbers). A sector number that does not fit must fail the
// transfer, never wrap around to a sector near the start of the disk.
bool SectorByteOffset(uint64_t lba, uint64_t count, uint64_t* offset);

// One seek and one transfer of count sectors; the bytes moved (0 when the
// sectors cannot be addressed).
uint32_t ReadSectors(platform::Handle h, void* buffer, uint64_t lba, uint32_t count);
uint32_t WriteSectors(platform::Handle h, const void* buffer, uint64_t lba, uint32_t count);
// 0 on success, -1 when the read failed (one error counted).
int ReadCurrentDisk(void* buffer, uint64_t lba, uint32_t count);
// Non-zero after a successful attempt, 0 after five failed ones (each
// failed attempt counted).
int WriteCurrentDisk(const void* buffer, uint64_t lba, uint32_t count);

// Whether the disk's medium refuses writes (the driver's answer to
// IOCTL_DISK_IS_WRITABLE); false when that cannot be asked.
bool DiskIsWriteProtected(int driveNumber);

// The disk's exact length in sectors (0 when it cannot be opened or sized);
// also stores its sectors per track in LastSectorsPerTrack.
uint64_t GetDiskSizeSectors(int driveNumber);
// Changes the length of the partition of volume X by sectors (negative
// shrinks); true when the driver accepted it.
bool GrowVolumePartition(wchar_t letter, int64_t sectors);

void ResetDiskAccessState();

}  // namespace disk
