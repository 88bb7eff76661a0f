// The volumes the running system has mounted: which disk and partition
// each drive letter lies on, where the lettered partitions start, the
// volume at a disk offset, and the file system and used space of a volume.
#pragma once

#include <cstdint>
#include <string>

namespace disk {

// File-system type codes, shared with the partition tables.
inline constexpr int kFsFat = 6;
inline constexpr int kFsNtfs = 7;
inline constexpr int kFsFat32 = 12;
inline constexpr int kFsExFat = 135;
inline constexpr int kNoVolume = 239;

struct LetterDiskEntry {
  int32_t DiskNumberPlusOne = -1;  // physical drive number + 1; -1 unknown
  uint32_t PartitionNumber = 0;
};
// Indexed by letter - 'B' ('C' is 1, 'Z' is 24; 26 entries).
extern LetterDiskEntry LetterDiskMap[26];

struct VolumeRecord {
  uint32_t Letter = 0;
  uint32_t PartitionNumber = 0;
  uint64_t StartLba = 0;
  uint64_t LengthSectors = 0;
};
// Entries 1..VolumeCount (entry 0 unused).
extern VolumeRecord VolumeTable[27];
extern int32_t VolumeCount;

void BuildLetterDiskMap();
bool GetVolumePartitionInfo(VolumeRecord* record, int i);
int32_t BuildVolumeTable();
// The letter of the volume that starts at startLba on the drive; -1 when none.
int DriveLetterOf(uint64_t startLba, int driveNumber);
int CountVolumesOnDisk(int driveNumber);
std::wstring VolumeNameAt(int driveNumber, uint64_t byteOffset);
int FileSystemTypeOfLetter(wchar_t letter);
int FileSystemTypeOfPath(const std::wstring& rootPath);
int FileSystemTypeOfName(const std::wstring& fileSystemName);
uint64_t UsedSectorsOfLetter(wchar_t letter);

void ResetVolumeMaps();

}  // namespace disk
