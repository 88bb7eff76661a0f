// The simulated disk driver's partition tables: what Windows' partition
// manager reads from and writes to a disk. Reading turns the MBR with its
// extended boot record chain, or the GPT, into a driver layout; writing
// turns a layout into real table sectors (GPT with CRCs, a protective MBR
// and the backup header and entries at the end of the disk), so images the
// driver writes read back right in sfdisk, sgdisk and blkid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/sim/sim_disk.h"

namespace sim {

struct DriverPartition {
  uint64_t startLba = 0;
  uint64_t lengthSectors = 0;
  uint32_t partitionNumber = 0;  // 0 for empty, container and link entries
  // MBR
  uint8_t mbrType = 0;
  bool bootIndicator = false;
  uint32_t hiddenSectors = 0;
  // GPT
  bytes::Guid gptType{};
  bytes::Guid gptId{};
  uint64_t gptAttributes = 0;
  std::u16string gptName;
  bool IsEmpty() const { return lengthSectors == 0 || (mbrType == 0 && gptType.IsZero()); }
};

struct DriverLayout {
  uint32_t style = 2;  // PARTITION_STYLE_MBR 0, GPT 1, RAW 2
  uint32_t signature = 0;
  bytes::Guid diskId{};
  uint64_t firstUsableLba = 0, lastUsableLba = 0;
  uint32_t maxEntries = 0;
  // MBR: groups of four (the MBR, then one per extended boot record: the
  // logical drive and the link to the next record). GPT: the used entries
  // in entry-array order.
  std::vector<DriverPartition> entries;
  bool superFloppy = false;  // a file system on the whole disk, no table
};

// Caps for the chains and arrays read off a disk.
inline constexpr int kMaxExtendedRecords = 128;
inline constexpr uint32_t kMaxGptEntries = 1024;

extern const bytes::Guid kGptBasicData;
extern const bytes::Guid kGptMicrosoftReserved;
extern const bytes::Guid kGptEfiSystem;

bool IsExtendedType(uint8_t t);
// Windows gives a volume (and a letter) to these partitions.
bool IsMountableMbrType(uint8_t t);

// False when sector 0 cannot be read or a GPT disk has no valid copy of
// its table; *error (when given) then holds the Windows error code.
bool ReadDriverLayout(SimDisk& disk, DriverLayout* layout, uint32_t* error = nullptr);

// Writes the layout's tables. Returns 0 or a Windows error code
// (ERROR_INVALID_PARAMETER for a layout that does not fit the disk).
uint32_t WriteDriverLayout(SimDisk& disk, const DriverLayout& layout);

// IOCTL_DISK_CREATE_DISK: a fresh empty MBR or GPT.
uint32_t CreateEmptyDisk(SimDisk& disk, uint32_t style, uint32_t signature, const bytes::Guid& diskId,
                         uint32_t maxEntries);

// The request images of IOCTL_DISK_GET/SET_DRIVE_LAYOUT_EX.
std::vector<uint8_t> EncodeLayout(const DriverLayout& layout);
bool DecodeLayout(const uint8_t* data, size_t bytes, DriverLayout* layout);

// File-system name from a volume's first sector: "NTFS", "FAT32", "FAT",
// "exFAT", or "" when nothing is recognised.
std::string FileSystemOfBootSector(const uint8_t* sector);
// The sectors the file system of a boot sector says it spans (NTFS leaves
// out the last sector of its partition, which holds the backup boot
// sector); 0 when the sector names no file system.
uint64_t FileSystemSectorsOfBootSector(const uint8_t* sector);

}  // namespace sim
