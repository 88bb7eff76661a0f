// Reading a disk's partitioning from its sectors: the MBR with its chain of
// extended boot records, a GPT, or one file system on the whole disk. The
// result is a list of partition records and, for the pages, display rows in
// which the unallocated regions between partitions are rows of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/disk_table.h"

namespace disk {

struct PartitionRecord {
  uint64_t StartLba = 0;
  int32_t Type = 0;
  uint64_t LengthSectors = 0;
  uint64_t TableLba = 0;  // the MBR (0) or extended boot record that holds the entry
  int32_t Slot = 0;       // 0..3 in that table; 4 for the empty-extended pseudo-record
};

struct PartitionEntry {
  int32_t RecordIndex = -1;  // -1: unallocated space
  uint64_t StartLba = 0;
  uint64_t LengthSectors = 0;
  int32_t Type = -1;         // -1: unallocated space
  int32_t IsPrimary = 1;     // 0: inside the extended partition
  int32_t MapWidth = 0;      // pixels in the disk map (the partition manager fills it)
  int32_t DriveLetter = 0;   // -1: a partition without a letter; 0: unallocated
};

inline constexpr int kMaxRecords = 32;
inline constexpr uint64_t kNoExtended = ~uint64_t(0);
inline constexpr int32_t kTypeEmptyExtended = 15;
inline constexpr int32_t kTypeFat32WholeDisk = 11;
inline constexpr int32_t kTypeFat32Gpt = 12;
inline constexpr uint64_t kShownGapSectors = 20480;  // gaps of 10 MiB or less are never shown

// Which copy of a GPT the last read took its records from; None for a disk
// without a GPT, and for a GPT disk neither of whose copies is valid.
enum class GptRead { None, Primary, Backup };

// The state of the disk read last (process-wide, overwritten by each read).
extern bool IsGptDisk;
extern GptRead GptTableRead;
extern uint64_t ExtendedStart;  // kNoExtended when the disk has none
extern uint64_t ExtendedLength;
extern int32_t ReservedPartitionSlot;
// One past the last sector a partition of the GPT read last may use (the
// backup table lies behind it); 0 when no valid GPT was read.
extern uint64_t GptUsableEnd;  // position (0..3 in its sector) of the reserved GPT entry; -1 none
// Entries of the GPT read last that reach past the disk's end: damaged,
// they are not among the records.
extern int GptEntriesOutsideDisk;

// Fills records (at most kMaxRecords) and returns their number; -1 when the
// disk cannot be opened. No read goes outside the disk. Every MBR entry is
// listed, one that reaches past the disk's end as it is; space held by
// entries not listed one by one is a kTypeInUse record.
int ReadPartitionList(std::vector<PartitionRecord>* records, int driveNumber);
// The type code of an MBR entry; type 0x04 whose boot sector says FAT32 is 0x0B.
int ClassifyPartitionType(uint8_t typeByte, uint64_t startLba);
// The display rows of the disk with zero-based index diskIndex0; with
// refresh the disk's records are read again and the letters filled in.
// Unallocated rows lie on the disk and outside every record.
int BuildPartitionEntries(int diskIndex0, std::vector<PartitionEntry>* entries, bool refresh);
bool IsInsideExtended(uint64_t lba);
// The records cached by the last refresh of a disk (zero-based index).
const std::vector<PartitionRecord>& CachedRecords(int diskIndex0);

// The sectors of the disk open as CurrentDisk; 0 when unknown.
uint64_t CurrentDiskSectors();

void ResetPartitionState();

}  // namespace disk
