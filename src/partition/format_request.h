// Formatting a volume through the format library: the request handed to
// the worker thread, the progress the library reports through the
// callback, and the worker's body.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace partition {

struct FormatRequestRecord {
  int32_t fileSystemCode = 0;  // 7 NTFS; 0x0B, 0x0C FAT32; 0x04, 0x06, 0x0E FAT
  int32_t driveIndex = -1;     // drive letter - 'A'
  int32_t clusterSectors = 0;  // 0: the library's default
  bool fat32 = false;
  bool quick = true;
};

// Written by the worker (through the callback), read by the dialog.
struct FormatProgressRecord {
  std::atomic<int32_t> percent{0};
  std::atomic<bool> done{false};
  std::atomic<int32_t> completions{0};
  std::atomic<bool> succeeded{false};  // the success value of the done report
  std::atomic<const void*> textOutput{nullptr};
};

// The format library makes no FAT32 volume of fewer than 65525 clusters,
// which with one-sector clusters and the FATs they need is this many sectors.
inline constexpr uint64_t kFat32MinSectors = 66600;

// Whether the file system chosen ("FAT", "FAT32", "NTFS") can be made on a
// volume of this many sectors, as FormatByDriveLetter will make it (FAT
// above 4095 MB becomes FAT32, anything above 32767 MB NTFS).
bool FileSystemFits(const std::wstring& fileSystem, uint64_t sectors);

extern FormatRequestRecord FormatRequest;
extern FormatProgressRecord FormatProgress;

// The library's commands the callback understands.
inline constexpr uint32_t kFormatProgress = 0;
inline constexpr uint32_t kFormatDone = 11;
inline constexpr uint32_t kFormatOutput = 14;

// The FormatEx callback; always asks the library to go on.
bool FormatCallback(uint32_t command, uint32_t subAction, void* argument);
// The worker thread's body. It always ends with the done flag set; when the
// library is missing, refuses the drive or never reports completion, the
// format counts as failed.
void RunFormatEx(const FormatRequestRecord& request);

void ResetFormatState();

}  // namespace partition
