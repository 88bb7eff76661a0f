// Boot sectors of freshly formatted volumes, as the format library writes
// them: a BIOS parameter block the disk model (and other tools) recognise
// as NTFS, FAT32, FAT (FAT16/FAT12) or exFAT. Only the first sectors are
// written; the simulated PC keeps a volume's files in a host folder.
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

// The sectors to write at the volume's start (FAT32 also writes its
// information sector and the backup copy at sector 6). Empty when the file
// system cannot hold a volume of that size.
std::vector<uint8_t> BuildBootSectors(const BootSectorParams& p);

// Writes them; 0 or a Windows error code.
uint32_t WriteBootSectors(SimDisk& disk, const BootSectorParams& p);

}  // namespace sim
