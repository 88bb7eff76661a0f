// Finding the disk that holds the running (or installed) Windows, which no
// page may erase, and an empty disk for the quick duplicate.
#pragma once

#include <string>

namespace duplicate {

extern int SystemDisk;  // disk index (1-based) of the system disk; -1 none
extern int BlankDisk;   // disk index of the largest empty disk (or the marked one); -1 none
extern std::wstring SystemPartitionText;
// Set: the destination is the disk whose sector 0 carries the one-click mark.
extern bool MarkerMode;

inline constexpr const char kOneClickMark[] = "FELDSPARWICKOTBDISK";  // 19 bytes at offset 16 of sector 0

// Rebuilds the disk model and sets SystemDisk, BlankDisk and SystemPartitionText.
void DetectSystemAndBlankDisks();
// A root ("X:") that holds a Windows folder and a boot manager, page file
// or loader: the system volume as seen from the boot medium.
bool IsSystemVolume(const std::wstring& root);

// Whether a disk holds nothing at all: no table or boot sector (0x55AA), no
// file system on the whole disk, no GPT header at LBA 1 or at its last LBA.
// A disk whose table lists no partition is not empty for that alone.
bool IsBlankDisk(int driveNumber, uint64_t sizeSectors);

void ResetSystemDiskState();

}  // namespace duplicate
