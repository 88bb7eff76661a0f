// Writing partition tables and boot sectors straight into image files, for
// fixtures (hostile ones included) that the program's own writers would
// never produce.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_disk.h"

namespace testing_support {

void WriteSectorAt(const std::string& image, uint64_t lba, const std::vector<uint8_t>& sector);
std::vector<uint8_t> ReadSectorAt(const std::string& image, uint64_t lba);

// Copies sectors [firstLba, firstLba + sectors) of an image into a file of
// their own (a volume for a checker that takes no offset), keeping holes.
bool CopyRegion(const std::string& image, uint64_t firstLba, uint64_t sectors, const std::string& out);

// A table sector (MBR or extended boot record) with up to four entries.
struct TableEntry {
  uint8_t type = 0;
  uint32_t start = 0;
  uint32_t length = 0;
  bool active = false;
};
std::vector<uint8_t> TableSector(const std::vector<TableEntry>& entries, uint32_t signature = 0);

// A GPT: protective MBR, header at LBA 1 with the entry array at arrayLba,
// entries (first, last, name) from slot 0; valid CRCs.
struct GptEntry {
  uint64_t first = 0;
  uint64_t last = 0;
  std::string name;
};
void WriteGpt(const std::string& image, uint64_t diskSectors, const std::vector<GptEntry>& entries,
              uint64_t arrayLba = 2);

// Partitions written by the simulated driver itself: one group of four
// entries per table (the MBR first, then one per extended boot record),
// each partition with a boot sector when it names a file system. 0 or the
// driver's error code.
struct MbrPart {
  uint64_t start = 0;
  uint64_t length = 0;
  uint8_t type = 0x07;
  std::string fileSystem;  // "" leaves it unformatted
};
uint32_t WriteMbrGroups(sim::SimDisk& disk, uint32_t signature, const std::vector<std::vector<MbrPart>>& groups);

}  // namespace testing_support
