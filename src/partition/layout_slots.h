// A disk's drive layout as the disk driver reports it, and the process-wide
// table of its entries that the partition manager edits and the duplication
// plans in. MBR entries come in groups of four: group 0 is the MBR's four
// slots, every further group one extended boot record (slot 0 its logical
// drive, slot 1 the link to the next record, slots 2 and 3 empty).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace partition {

inline constexpr int kLayoutSlots = 32;
inline constexpr uint32_t kLayoutBufferBytes = 16384;
// A driver answer larger than this is not believed.
inline constexpr uint32_t kLayoutBufferLimit = 1u << 20;
inline constexpr uint32_t kNewDiskSignature = 0xA4B57300;
inline constexpr int kTypeExtended = 0x0F;
inline constexpr int kTypeLink = 0x05;

struct LayoutSlot {
  uint32_t style = 0;  // 0 MBR, 1 GPT
  bytes::Guid gptType{};
  bytes::Guid gptId{};
  uint64_t gptAttributes = 0;
  char16_t gptName[36] = {};
  uint64_t startBytes = 0;
  uint64_t lengthBytes = 0;
  // The duplication's plan for this entry.
  uint64_t destinationStartBytes = 0;
  uint64_t destinationLengthBytes = 0;
  int32_t sourceLetter = 0;        // letter of the volume at startBytes; 0 or negative: none
  char16_t destinationLetter = 0;  // letter the destination is mounted under during the copy
  int32_t fileSystemKind = 0;      // the type with hidden types made visible
  int32_t type = 0;                // MBR type byte; GPT: 7 for basic data, else -1
  uint32_t partitionNumber = 0;
  int32_t logical = 0;     // 0 an MBR slot, 1 inside another slot's range, -1 a link entry
  int32_t container = -1;  // the slot whose range holds this one (logical = 1)
  uint32_t hiddenSectors = 0;
  uint32_t bootIndicator = 0;

  bool IsEmpty() const;
  uint64_t StartSector() const { return startBytes / 512; }
  uint64_t LengthSectors() const { return lengthBytes / 512; }
  uint64_t EndSector() const { return StartSector() + LengthSectors(); }
};

// What the layout's header says.
struct LayoutHeaderInfo {
  uint32_t style = 2;  // 0 MBR, 1 GPT, 2 RAW
  uint32_t signature = 0;
  bytes::Guid diskId{};
  uint64_t startingUsableOffset = 0;
  uint64_t usableLength = 0;
  uint32_t maxPartitionCount = 0;
};

extern LayoutSlot LayoutSlotTable[kLayoutSlots];
// DRIVE_LAYOUT_INFORMATION_EX as the driver gave it (at least 16 KiB; grown
// when the driver asks for more).
extern std::vector<uint8_t> LayoutBuffer;
// The header of the layout LoadLayoutSlots loaded last.
extern LayoutHeaderInfo LoadedLayoutHeader;
// Used entries of the layout read last: MBR entries with a type byte, GPT
// entries with a type.
extern int32_t UsedEntryCount;

// Reads the drive layout into buffer; the number of entries, or -1 when the
// request fails or the answer is malformed (a count it does not hold).
int ReadDriveLayout(int driveNumber, std::vector<uint8_t>* buffer);
LayoutHeaderInfo LayoutHeaderOf(const std::vector<uint8_t>& buffer);
// The layout of any drive as slots (every entry), leaving the table, the
// buffer and the used-entry count of the partition manager alone; empty
// (and a RAW header) when it cannot be read.
std::vector<LayoutSlot> ReadLayoutSlots(int driveNumber, LayoutHeaderInfo* header);
// Clears the table and fills one slot per entry (at most kLayoutSlots);
// returns the number of slots filled.
int LoadLayoutSlots(int driveNumber, const std::vector<uint8_t>& buffer, int count);
// "FAT" 0x06, "FAT32" 0x0C, "NTFS" 0x07, anything else -1.
int PartitionTypeForFileSystem(const std::wstring& name);

void ResetLayoutState();

}  // namespace partition
