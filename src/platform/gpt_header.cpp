#include "platform/gpt_header.h"

#include <cstring>

#include "platform/crc32.h"

namespace gpt {

using bytes::Get32;
using bytes::Get64;

Fault CheckHeader(const uint8_t* s, uint64_t lba, uint64_t diskSectors, Header* h) {
  *h = Header{};
  if (std::memcmp(s, "EFI PART", 8) != 0) return Fault::Signature;
  uint32_t headerSize = Get32(s + kHeaderSizeAt);
  if (headerSize < 92 || headerSize > 512) return Fault::HeaderSize;
  uint8_t copy[512];
  std::memcpy(copy, s, 512);
  bytes::Put32(copy + kHeaderCrcAt, 0);
  if (crc::Crc32(copy, headerSize) != Get32(s + kHeaderCrcAt)) return Fault::HeaderCrc;
  h->myLba = Get64(s + kMyLbaAt);
  h->alternateLba = Get64(s + kAlternateLbaAt);
  h->firstUsable = Get64(s + kFirstUsableAt);
  h->lastUsable = Get64(s + kLastUsableAt);
  std::memcpy(h->diskId.b, s + kDiskIdAt, 16);
  h->arrayLba = Get64(s + kArrayLbaAt);
  h->count = Get32(s + kCountAt);
  h->entrySize = Get32(s + kEntrySizeAt);
  h->arrayCrc = Get32(s + kArrayCrcAt);
  if (h->myLba != lba) return Fault::MyLba;
  if (h->entrySize < 128 || h->entrySize > 4096 || (h->entrySize & (h->entrySize - 1)) != 0) return Fault::EntrySize;
  // The usable area lies on the disk, behind the MBR and the primary
  // header, and does not hold the header itself.
  if (h->firstUsable < 2 || h->firstUsable > h->lastUsable || h->lastUsable >= diskSectors ||
      (h->myLba >= h->firstUsable && h->myLba <= h->lastUsable))
    return Fault::UsableArea;
  // count and entrySize are 32-bit: their product fits 64 bits, and the cap
  // keeps every sum below from overflowing.
  if (h->count == 0 || h->ArrayBytes() > kMaxArrayBytes) return Fault::ArraySize;
  uint64_t first = h->arrayLba;
  if (first < 1 || first >= diskSectors || h->ArraySectors() > diskSectors - first) return Fault::ArrayPlacement;
  uint64_t end = first + h->ArraySectors();
  if ((first <= h->myLba && h->myLba < end) || (first <= h->lastUsable && h->firstUsable < end))
    return Fault::ArrayPlacement;
  return Fault::None;
}

Fault CheckArray(const Header& h, const uint8_t* array) {
  return crc::Crc32(array, size_t(h.ArrayBytes())) == h.arrayCrc ? Fault::None : Fault::ArrayCrc;
}

}  // namespace gpt
