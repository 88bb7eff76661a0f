// The checks a GPT header and its entry array must pass before anything in
// them is believed. The program's partition reader and the simulated disk
// driver both use them, so that both call the same table damaged.
#pragma once

#include <cstdint>

#include "platform/bytes.h"

namespace gpt {

// What a header failed first, in the order the checks run.
enum class Fault {
  None,
  Unreadable,      // the header or its array could not be read
  Signature,       // no "EFI PART"
  HeaderSize,      // outside 92..512 bytes
  HeaderCrc,
  MyLba,           // the header does not name the sector it lies in
  EntrySize,       // not a power of two from 128 to 4096 bytes
  UsableArea,      // first/last usable LBA out of order or off the disk
  ArraySize,       // no entries, or more bytes than the cap
  ArrayPlacement,  // the array leaves the disk or overlaps the header or the usable area
  ArrayCrc,
};

// More than this is no entry array a partitioning tool writes.
inline constexpr uint64_t kMaxArrayBytes = 1u << 20;

// Field offsets of the header.
inline constexpr size_t kHeaderSizeAt = 12, kHeaderCrcAt = 16, kMyLbaAt = 24, kAlternateLbaAt = 32,
                        kFirstUsableAt = 40, kLastUsableAt = 48, kDiskIdAt = 56, kArrayLbaAt = 72, kCountAt = 80,
                        kEntrySizeAt = 84, kArrayCrcAt = 88;
// Field offsets of an entry.
inline constexpr size_t kEntryTypeAt = 0, kEntryIdAt = 16, kEntryFirstAt = 32, kEntryLastAt = 40,
                        kEntryAttributesAt = 48, kEntryNameAt = 56;

struct Header {
  uint64_t myLba = 0, alternateLba = 0, firstUsable = 0, lastUsable = 0, arrayLba = 0;
  uint32_t count = 0, entrySize = 0, arrayCrc = 0;
  bytes::Guid diskId{};
  // Valid once the array size has passed its check.
  uint64_t ArrayBytes() const { return uint64_t(count) * entrySize; }
  uint64_t ArraySectors() const { return (ArrayBytes() + 511) / 512; }
};

// Checks the header sector read at lba of a disk of diskSectors sectors:
// signature, header size, header CRC, my LBA, entry size, usable area,
// array size (against overflow and the cap, before anything is allocated)
// and array placement. *out is filled as far as the checks got.
Fault CheckHeader(const uint8_t* sector, uint64_t lba, uint64_t diskSectors, Header* out);
// The array's CRC; array holds at least h.ArrayBytes() bytes.
Fault CheckArray(const Header& h, const uint8_t* array);

}  // namespace gpt
