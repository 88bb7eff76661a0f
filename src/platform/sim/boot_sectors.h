// The on-disk start of freshly formatted volumes, as the format library
// writes it: a BIOS parameter block the disk model (and other tools)
// recognise as NTFS, FAT32, FAT (FAT16/FAT12) or exFAT. A FAT volume gets
// its whole empty file system (reserved sectors, both FATs, an empty root
// folder), so that a file-system check finds it clean; NTFS gets its boot
// sector and the backup in its last sector; exFAT its boot sector. The
// simulated PC keeps a volume's files in a host folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_disk.h"

namespace sim {

struct BootSectorParams {
  std::string fileSystem;  // "NTFS", "FAT32", "FAT", "exFAT"
  uint64_t startLba = 0;   // hidden sectors: where the volume starts on the disk
  uint64_t lengthSectors = 0;
  uint32_t sectorsPerTrack = 63;
  uint32_t heads = 255;
  uint32_t serial = 0x1234ABCD;
  std::string label;  // FAT volume label, at most 11 characters
};

// One run of sectors of a fresh file system, relative to the volume's
// start: `head` holds its first bytes, the rest of the run is zeros.
struct FormatRun {
  uint64_t lba = 0;
  uint64_t sectors = 0;
  std::vector<uint8_t> head;
};

// The runs to write, boot sector first. Empty when the file system cannot
// hold a volume of that size.
std::vector<FormatRun> BuildFormatRuns(const BootSectorParams& p);

// Writes them; 0 or a Windows error code.
uint32_t WriteBootSectors(SimDisk& disk, const BootSectorParams& p);

}  // namespace sim
