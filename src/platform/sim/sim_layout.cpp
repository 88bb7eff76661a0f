#include "platform/sim/sim_layout.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/crc32.h"
#include "platform/gpt_header.h"
#include "platform/winapi.h"

namespace sim {

using bytes::Get16;
using bytes::Get32;
using bytes::Get64;
using bytes::Put16;
using bytes::Put32;
using bytes::Put64;

const bytes::Guid kGptBasicData = {
    {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
const bytes::Guid kGptMicrosoftReserved = {
    {0x16, 0xE3, 0xC9, 0xE3, 0x5C, 0x0B, 0xB8, 0x4D, 0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};
const bytes::Guid kGptEfiSystem = {
    {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11, 0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};

namespace {

constexpr uint8_t kBootStub[] = {0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0xF4, 0xEB, 0xFD};

bool ReadSector(SimDisk& d, uint64_t lba, uint8_t* buf) { return d.Read(lba * 512, buf, 512) == 0; }
bool WriteSector(SimDisk& d, uint64_t lba, const uint8_t* buf) { return d.Write(lba * 512, buf, 512) == 0; }

bool HasBootSignature(const uint8_t* s) { return s[510] == 0x55 && s[511] == 0xAA; }

void EncodeChs(const SimDisk& d, uint64_t lba, uint8_t* out) {
  uint32_t spt = d.Config().sectorsPerTrack, tpc = d.Config().tracksPerCylinder;
  uint64_t c = lba / (uint64_t(spt) * tpc);
  if (c > 1023) {
    out[0] = 0xFE;
    out[1] = 0xFF;
    out[2] = 0xFF;
    return;
  }
  uint32_t h = uint32_t((lba / spt) % tpc), s = uint32_t(lba % spt) + 1;
  out[0] = uint8_t(h);
  out[1] = uint8_t(s | ((c >> 2) & 0xC0));
  out[2] = uint8_t(c & 0xFF);
}

void PutMbrEntry(const SimDisk& d, uint8_t* e, uint8_t type, bool boot, uint64_t start, uint64_t length) {
  std::memset(e, 0, 16);
  if (type == 0 || length == 0) return;
  e[0] = boot ? 0x80 : 0x00;
  EncodeChs(d, start, e + 1);
  e[4] = type;
  EncodeChs(d, start + length - 1, e + 5);
  Put32(e + 8, uint32_t(start));
  Put32(e + 12, uint32_t(length));
}

bool IsSuperFloppy(const uint8_t* s) {
  return !FileSystemOfBootSector(s).empty() && (s[0] == 0xEB || s[0] == 0xE9);
}

// One copy of the GPT: the header at lba and its entry array, both checked
// before anything in them is used.
gpt::Fault ReadGptCopy(SimDisk& d, uint64_t lba, gpt::Header* h, std::vector<uint8_t>* array) {
  uint8_t s[512];
  if (!ReadSector(d, lba, s)) return gpt::Fault::Unreadable;
  if (gpt::Fault f = gpt::CheckHeader(s, lba, d.Sectors(), h); f != gpt::Fault::None) return f;
  array->assign(size_t(h->ArraySectors()) * 512, 0);
  if (d.Read(h->arrayLba * 512, array->data(), uint32_t(array->size())) != 0) return gpt::Fault::Unreadable;
  return gpt::CheckArray(*h, array->data());
}

// As Windows reads a GPT: the primary copy, or the backup in the last
// sector when the primary header or its array is damaged. With neither the
// disk is corrupt: the layout request fails rather than report a disk
// without partitions, which a caller could initialise over them.
bool ReadGpt(SimDisk& d, DriverLayout* layout) {
  if (d.Sectors() < 3) return false;  // no room for a header
  gpt::Header h;
  std::vector<uint8_t> array;
  if (ReadGptCopy(d, 1, &h, &array) != gpt::Fault::None &&
      ReadGptCopy(d, d.Sectors() - 1, &h, &array) != gpt::Fault::None)
    return false;
  layout->style = win::PARTITION_STYLE_GPT;
  layout->diskId = h.diskId;
  layout->firstUsableLba = h.firstUsable;
  layout->lastUsableLba = h.lastUsable;
  layout->maxEntries = h.count;
  uint32_t number = 0;
  for (uint32_t i = 0; i < h.count; ++i) {
    const uint8_t* e = array.data() + uint64_t(i) * h.entrySize;
    DriverPartition p;
    std::memcpy(p.gptType.b, e + gpt::kEntryTypeAt, 16);
    if (p.gptType.IsZero()) continue;
    std::memcpy(p.gptId.b, e + gpt::kEntryIdAt, 16);
    uint64_t first = Get64(e + gpt::kEntryFirstAt), last = Get64(e + gpt::kEntryLastAt);
    if (last < first || last >= d.Sectors()) continue;  // an entry outside the disk is ignored
    p.startLba = first;
    p.lengthSectors = last - first + 1;
    p.gptAttributes = Get64(e + gpt::kEntryAttributesAt);
    for (int k = 0; k < 36; ++k) {
      char16_t c = char16_t(Get16(e + gpt::kEntryNameAt + 2 * k));
      if (!c) break;
      p.gptName.push_back(c);
    }
    p.partitionNumber = ++number;
    layout->entries.push_back(p);
  }
  return true;
}

// A protective MBR: the GPT entry in the first slot and nothing else. A
// hybrid MBR, with further entries beside it, is read as an MBR.
bool IsProtectiveMbr(const uint8_t* s) {
  return s[446 + 4] == 0xEE && s[462 + 4] == 0 && s[478 + 4] == 0 && s[494 + 4] == 0;
}

}  // namespace

bool IsExtendedType(uint8_t t) { return t == 0x05 || t == 0x0F; }

bool IsMountableMbrType(uint8_t t) {
  switch (t) {
    case 0x01: case 0x04: case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x0E:
      return true;
    default:
      return false;
  }
}

std::string FileSystemOfBootSector(const uint8_t* s) {
  if (std::memcmp(s + 3, "NTFS    ", 8) == 0) return "NTFS";
  if (std::memcmp(s + 3, "EXFAT   ", 8) == 0) return "exFAT";
  if (std::memcmp(s + 0x52, "FAT32   ", 8) == 0) return "FAT32";
  if (std::memcmp(s + 0x36, "FAT12   ", 8) == 0 || std::memcmp(s + 0x36, "FAT16   ", 8) == 0 ||
      std::memcmp(s + 0x36, "FAT     ", 8) == 0)
    return "FAT";
  return "";
}

uint64_t FileSystemSectorsOfBootSector(const uint8_t* s) {
  std::string fs = FileSystemOfBootSector(s);
  if (fs == "NTFS") return bytes::Get64(s + 0x28);
  if (fs == "exFAT") return bytes::Get64(s + 0x48);
  if (fs.empty()) return 0;
  uint16_t small = bytes::Get16(s + 0x13);
  return small ? small : bytes::Get32(s + 0x20);
}

bool ReadDriverLayout(SimDisk& d, DriverLayout* layout, uint32_t* error) {
  *layout = DriverLayout{};
  uint8_t s[512];
  if (uint32_t err = d.Read(0, s, 512)) {
    if (error) *error = err;
    return false;
  }
  if (IsSuperFloppy(s)) {
    layout->style = win::PARTITION_STYLE_MBR;
    layout->superFloppy = true;
    DriverPartition p;
    p.lengthSectors = d.Sectors();
    std::string fs = FileSystemOfBootSector(s);
    p.mbrType = fs == "FAT" ? 0x06 : fs == "FAT32" ? 0x0C : 0x07;
    p.partitionNumber = 1;
    layout->entries.push_back(p);
    return true;
  }
  if (!HasBootSignature(s)) return true;  // RAW: not initialised
  if (IsProtectiveMbr(s)) {
    if (ReadGpt(d, layout)) return true;
    *layout = DriverLayout{};
    if (error) *error = win::ERROR_DISK_CORRUPT;
    return false;
  }
  layout->style = win::PARTITION_STYLE_MBR;
  layout->signature = Get32(s + 440);
  uint64_t extStart = 0, extLength = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t* e = s + 446 + 16 * i;
    DriverPartition p;
    p.mbrType = e[4];
    p.bootIndicator = e[0] == 0x80;
    p.startLba = Get32(e + 8);
    p.lengthSectors = Get32(e + 12);
    p.hiddenSectors = uint32_t(p.startLba);
    if (p.mbrType == 0 || p.lengthSectors == 0 || p.startLba + p.lengthSectors > d.Sectors()) {
      layout->entries.push_back(DriverPartition{});
      continue;
    }
    if (IsExtendedType(p.mbrType) && extLength == 0) {
      extStart = p.startLba;
      extLength = p.lengthSectors;
    }
    layout->entries.push_back(p);
  }
  if (extLength) {
    // The chain is bounded three ways: a cap on records, every record inside
    // the extended partition, and no record visited twice.
    std::set<uint64_t> visited;
    uint64_t ebr = extStart;
    for (int n = 0; n < kMaxExtendedRecords; ++n) {
      if (ebr < extStart || ebr >= extStart + extLength || !visited.insert(ebr).second) break;
      if (!ReadSector(d, ebr, s) || !HasBootSignature(s)) break;
      DriverPartition logical, link;
      const uint8_t* e0 = s + 446;
      const uint8_t* e1 = s + 462;
      if (e0[4] != 0 && Get32(e0 + 12) != 0) {
        logical.mbrType = e0[4];
        logical.bootIndicator = e0[0] == 0x80;
        logical.startLba = ebr + Get32(e0 + 8);
        logical.lengthSectors = Get32(e0 + 12);
        logical.hiddenSectors = Get32(e0 + 8);
        if (logical.startLba + logical.lengthSectors > extStart + extLength) logical = DriverPartition{};
      }
      bool more = IsExtendedType(e1[4]) && Get32(e1 + 12) != 0;
      if (more) {
        link.mbrType = 0x05;
        link.startLba = extStart + Get32(e1 + 8);
        link.lengthSectors = Get32(e1 + 12);
        link.hiddenSectors = Get32(e1 + 8);
      }
      layout->entries.push_back(logical);
      layout->entries.push_back(link);
      layout->entries.push_back(DriverPartition{});
      layout->entries.push_back(DriverPartition{});
      if (!more) break;
      ebr = link.startLba;
    }
  }
  // Partition numbers: the primaries in slot order, then the logical drives.
  uint32_t number = 0;
  for (size_t i = 0; i < layout->entries.size(); ++i) {
    DriverPartition& p = layout->entries[i];
    if (!p.IsEmpty() && !IsExtendedType(p.mbrType)) p.partitionNumber = ++number;
  }
  return true;
}

namespace {

// A GPT left behind under a new MBR would be read first by other tools: its
// headers go. A disk of one or two sectors has no room for them (and its
// last sector may be the new MBR).
void ClearGptHeaders(SimDisk& d) {
  for (uint64_t lba : {uint64_t(1), d.Sectors() > 2 ? d.Sectors() - 1 : 1}) {
    uint8_t h[512];
    if (lba < d.Sectors() && ReadSector(d, lba, h) && std::memcmp(h, "EFI PART", 8) == 0) {
      std::memset(h, 0, 512);
      WriteSector(d, lba, h);
    }
  }
}

uint32_t WriteMbrLayout(SimDisk& d, const DriverLayout& layout) {
  const auto& en = layout.entries;
  if (en.size() % 4 != 0 || en.empty()) return win::ERROR_INVALID_PARAMETER;
  const uint64_t total = d.Sectors();
  auto inside = [&](const DriverPartition& p) {
    return p.startLba > 0 && p.lengthSectors <= total && p.startLba <= total - p.lengthSectors &&
           p.startLba + p.lengthSectors <= 0xFFFFFFFFull + 1 && p.lengthSectors <= 0xFFFFFFFFull;
  };
  // Group 0: the MBR. Primaries must not overlap each other.
  const DriverPartition* ext = nullptr;
  std::vector<const DriverPartition*> primaries;
  for (int i = 0; i < 4; ++i) {
    const DriverPartition& p = en[i];
    if (p.IsEmpty()) continue;
    if (!inside(p)) return win::ERROR_INVALID_PARAMETER;
    if (IsExtendedType(p.mbrType)) {
      if (ext) return win::ERROR_INVALID_PARAMETER;
      ext = &p;
    }
    primaries.push_back(&p);
  }
  for (size_t a = 0; a < primaries.size(); ++a)
    for (size_t b = a + 1; b < primaries.size(); ++b) {
      const DriverPartition *x = primaries[a], *y = primaries[b];
      if (x->startLba < y->startLba + y->lengthSectors && y->startLba < x->startLba + x->lengthSectors)
        return win::ERROR_INVALID_PARAMETER;
    }
  // Extended boot records: group g lies at the extended partition's start
  // (g = 1) or where the link entry of group g - 1 points.
  struct Ebr {
    uint64_t lba;
    const DriverPartition* logical;
    const DriverPartition* link;
  };
  std::vector<Ebr> ebrs;
  size_t groups = en.size() / 4;
  if (groups > 1 && !ext) {
    for (size_t g = 1; g < groups; ++g)
      for (int k = 0; k < 4; ++k)
        if (!en[4 * g + k].IsEmpty()) return win::ERROR_INVALID_PARAMETER;
  }
  if (ext) {
    uint64_t at = ext->startLba;
    std::set<uint64_t> used;
    for (size_t g = 1; g < groups; ++g) {
      const DriverPartition* logical = nullptr;
      const DriverPartition* link = nullptr;
      for (int k = 0; k < 4; ++k) {
        const DriverPartition& p = en[4 * g + k];
        if (p.IsEmpty()) continue;
        if (IsExtendedType(p.mbrType)) {
          if (link) return win::ERROR_INVALID_PARAMETER;
          link = &p;
        } else {
          if (logical) return win::ERROR_INVALID_PARAMETER;
          logical = &p;
        }
      }
      bool extEnd = false;
      auto within = [&](uint64_t s, uint64_t l) {
        return s >= ext->startLba && l <= ext->lengthSectors && s - ext->startLba <= ext->lengthSectors - l;
      };
      if (logical && (!within(logical->startLba, logical->lengthSectors) || logical->startLba <= at))
        return win::ERROR_INVALID_PARAMETER;
      if (link && (!within(link->startLba, link->lengthSectors) || link->startLba <= at))
        return win::ERROR_INVALID_PARAMETER;
      // The next record must lie behind this logical drive, or writing it
      // would overwrite the drive's data.
      if (logical && link && link->startLba < logical->startLba + logical->lengthSectors)
        return win::ERROR_INVALID_PARAMETER;
      if (!used.insert(at).second) return win::ERROR_INVALID_PARAMETER;
      ebrs.push_back({at, logical, link});
      if (!link) {
        // Later groups must be empty: nothing could reach them.
        for (size_t h = g + 1; h < groups; ++h)
          for (int k = 0; k < 4; ++k)
            if (!en[4 * h + k].IsEmpty()) return win::ERROR_INVALID_PARAMETER;
        extEnd = true;
      }
      if (extEnd) break;
      at = link->startLba;
    }
    if (ebrs.empty()) ebrs.push_back({ext->startLba, nullptr, nullptr});
  }
  // Write the MBR, keeping its boot code.
  uint8_t s[512];
  if (!ReadSector(d, 0, s)) return win::ERROR_CRC;
  // A volume's boot sector at LBA 0 (a disk without a table) is no boot
  // code to keep: left there, the volume would still be read in place of
  // the new table.
  if (!HasBootSignature(s) || s[446 + 4] == 0xEE || IsSuperFloppy(s)) {
    std::memset(s, 0, 512);
    std::memcpy(s, kBootStub, sizeof kBootStub);
  }
  Put32(s + 440, layout.signature);
  Put16(s + 444, 0);
  for (int i = 0; i < 4; ++i) {
    const DriverPartition& p = en[i];
    PutMbrEntry(d, s + 446 + 16 * i, p.IsEmpty() ? 0 : p.mbrType, p.bootIndicator, p.startLba, p.lengthSectors);
  }
  s[510] = 0x55;
  s[511] = 0xAA;
  if (!WriteSector(d, 0, s)) return d.Config().writeProtected ? win::ERROR_WRITE_PROTECT : win::ERROR_GEN_FAILURE;
  for (const Ebr& e : ebrs) {
    uint8_t r[512] = {};
    if (e.logical)
      PutMbrEntry(d, r + 446, e.logical->mbrType, e.logical->bootIndicator, e.logical->startLba - e.lba,
                  e.logical->lengthSectors);
    if (e.link) PutMbrEntry(d, r + 462, 0x05, false, e.link->startLba - ext->startLba, e.link->lengthSectors);
    // The CHS fields of EBR entries are absolute; the LBA fields relative.
    if (e.logical) {
      EncodeChs(d, e.logical->startLba, r + 446 + 1);
      EncodeChs(d, e.logical->startLba + e.logical->lengthSectors - 1, r + 446 + 5);
    }
    if (e.link) {
      EncodeChs(d, e.link->startLba, r + 462 + 1);
      EncodeChs(d, e.link->startLba + e.link->lengthSectors - 1, r + 462 + 5);
    }
    r[510] = 0x55;
    r[511] = 0xAA;
    if (!WriteSector(d, e.lba, r)) return win::ERROR_GEN_FAILURE;
  }
  ClearGptHeaders(d);
  return 0;
}

void BuildGptHeader(uint8_t* h, const bytes::Guid& diskId, uint64_t myLba, uint64_t altLba, uint64_t firstUsable,
                    uint64_t lastUsable, uint64_t arrayLba, uint32_t count, uint32_t arrayCrc) {
  std::memset(h, 0, 512);
  std::memcpy(h, "EFI PART", 8);
  Put32(h + 8, 0x00010000);
  Put32(h + 12, 92);
  Put64(h + 24, myLba);
  Put64(h + 32, altLba);
  Put64(h + 40, firstUsable);
  Put64(h + 48, lastUsable);
  std::memcpy(h + 56, diskId.b, 16);
  Put64(h + 72, arrayLba);
  Put32(h + 80, count);
  Put32(h + 84, 128);
  Put32(h + 88, arrayCrc);
  Put32(h + 16, crc::Crc32(h, 92));
}

uint32_t WriteGptLayout(SimDisk& d, const DriverLayout& layout) {
  const uint64_t total = d.Sectors();
  uint32_t count = std::max<uint32_t>(128, std::min<uint32_t>(layout.maxEntries, kMaxGptEntries));
  count = (count + 3) / 4 * 4;
  const uint64_t arraySectors = count / 4;
  if (total < 2 * arraySectors + 6) return win::ERROR_INVALID_PARAMETER;
  uint64_t firstUsable = std::max<uint64_t>(layout.firstUsableLba, 2 + arraySectors);
  uint64_t lastUsable = total - 2 - arraySectors;
  if (layout.lastUsableLba && layout.lastUsableLba < lastUsable) lastUsable = layout.lastUsableLba;
  if (layout.entries.size() > count) return win::ERROR_INVALID_PARAMETER;
  std::vector<uint8_t> array(count * 128, 0);
  std::vector<const DriverPartition*> used;
  size_t slot = 0;
  for (const DriverPartition& p : layout.entries) {
    if (p.gptType.IsZero() || p.lengthSectors == 0) continue;
    if (p.startLba < firstUsable || p.startLba > lastUsable || p.lengthSectors - 1 > lastUsable - p.startLba)
      return win::ERROR_INVALID_PARAMETER;
    for (const DriverPartition* q : used)
      if (p.startLba < q->startLba + q->lengthSectors && q->startLba < p.startLba + p.lengthSectors)
        return win::ERROR_INVALID_PARAMETER;
    used.push_back(&p);
    uint8_t* e = array.data() + slot++ * 128;
    std::memcpy(e, p.gptType.b, 16);
    std::memcpy(e + 16, p.gptId.b, 16);
    Put64(e + 32, p.startLba);
    Put64(e + 40, p.startLba + p.lengthSectors - 1);
    Put64(e + 48, p.gptAttributes);
    for (size_t k = 0; k < p.gptName.size() && k < 36; ++k) Put16(e + 56 + 2 * k, uint16_t(p.gptName[k]));
  }
  uint32_t arrayCrc = crc::Crc32(array.data(), array.size());
  // Protective MBR (boot code kept).
  uint8_t s[512];
  if (!ReadSector(d, 0, s)) return win::ERROR_CRC;
  if (!HasBootSignature(s)) std::memset(s, 0, 512);
  std::memset(s + 440, 0, 70);
  uint8_t* e = s + 446;
  e[1] = 0x00;
  e[2] = 0x02;
  e[3] = 0x00;
  e[4] = 0xEE;
  e[5] = 0xFF;
  e[6] = 0xFF;
  e[7] = 0xFF;
  Put32(e + 8, 1);
  Put32(e + 12, uint32_t(std::min<uint64_t>(total - 1, 0xFFFFFFFFull)));
  s[510] = 0x55;
  s[511] = 0xAA;
  if (!WriteSector(d, 0, s)) return d.Config().writeProtected ? win::ERROR_WRITE_PROTECT : win::ERROR_GEN_FAILURE;
  uint8_t h[512];
  const uint64_t backupArray = total - 1 - arraySectors;
  if (d.Write(2 * 512, array.data(), uint32_t(array.size())) != 0) return win::ERROR_GEN_FAILURE;
  if (d.Write(backupArray * 512, array.data(), uint32_t(array.size())) != 0) return win::ERROR_GEN_FAILURE;
  BuildGptHeader(h, layout.diskId, 1, total - 1, firstUsable, lastUsable, 2, count, arrayCrc);
  if (!WriteSector(d, 1, h)) return win::ERROR_GEN_FAILURE;
  BuildGptHeader(h, layout.diskId, total - 1, 1, firstUsable, lastUsable, backupArray, count, arrayCrc);
  if (!WriteSector(d, total - 1, h)) return win::ERROR_GEN_FAILURE;
  return 0;
}

}  // namespace

uint32_t WriteDriverLayout(SimDisk& d, const DriverLayout& layout) {
  if (layout.style == win::PARTITION_STYLE_MBR) return WriteMbrLayout(d, layout);
  if (layout.style == win::PARTITION_STYLE_GPT) return WriteGptLayout(d, layout);
  return win::ERROR_INVALID_PARAMETER;
}

uint32_t CreateEmptyDisk(SimDisk& d, uint32_t style, uint32_t signature, const bytes::Guid& diskId,
                         uint32_t maxEntries) {
  if (style == win::PARTITION_STYLE_GPT) {
    DriverLayout l;
    l.style = style;
    l.diskId = diskId;
    l.maxEntries = maxEntries;
    return WriteGptLayout(d, l);
  }
  if (style != win::PARTITION_STYLE_MBR) return win::ERROR_INVALID_PARAMETER;
  uint8_t s[512] = {};
  std::memcpy(s, kBootStub, sizeof kBootStub);
  Put32(s + 440, signature);
  s[510] = 0x55;
  s[511] = 0xAA;
  if (!WriteSector(d, 0, s)) return d.Config().writeProtected ? win::ERROR_WRITE_PROTECT : win::ERROR_GEN_FAILURE;
  ClearGptHeaders(d);
  return 0;
}

std::vector<uint8_t> EncodeLayout(const DriverLayout& layout) {
  std::vector<uint8_t> out(win::kLayoutHeaderBytes + layout.entries.size() * win::kLayoutEntryBytes, 0);
  auto* h = reinterpret_cast<win::DriveLayoutHeader*>(out.data());
  uint32_t style = layout.style == win::PARTITION_STYLE_GPT ? win::PARTITION_STYLE_GPT : layout.style;
  h->PartitionStyle = style;
  h->PartitionCount = uint32_t(layout.entries.size());
  if (style == win::PARTITION_STYLE_GPT) {
    h->Gpt.DiskId = layout.diskId;
    h->Gpt.StartingUsableOffset = layout.firstUsableLba * 512;
    h->Gpt.UsableLength = (layout.lastUsableLba + 1 - layout.firstUsableLba) * 512;
    h->Gpt.MaxPartitionCount = layout.maxEntries;
  } else {
    h->Mbr.Signature = layout.signature;
  }
  for (size_t i = 0; i < layout.entries.size(); ++i) {
    const DriverPartition& p = layout.entries[i];
    auto* e = reinterpret_cast<win::PartitionInfoEx*>(out.data() + win::kLayoutHeaderBytes + i * win::kLayoutEntryBytes);
    e->PartitionStyle = style == win::PARTITION_STYLE_GPT ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR;
    e->StartingOffset = p.startLba * 512;
    e->PartitionLength = p.lengthSectors * 512;
    e->PartitionNumber = p.partitionNumber;
    if (style == win::PARTITION_STYLE_GPT) {
      e->Gpt.PartitionType = p.gptType;
      e->Gpt.PartitionId = p.gptId;
      e->Gpt.Attributes = p.gptAttributes;
      for (size_t k = 0; k < p.gptName.size() && k < 36; ++k) e->Gpt.Name[k] = uint16_t(p.gptName[k]);
    } else {
      e->Mbr.PartitionType = p.mbrType;
      e->Mbr.BootIndicator = p.bootIndicator ? 1 : 0;
      e->Mbr.RecognizedPartition = (p.mbrType != 0 && !IsExtendedType(p.mbrType)) ? 1 : 0;
      e->Mbr.HiddenSectors = p.hiddenSectors;
    }
  }
  return out;
}

bool DecodeLayout(const uint8_t* data, size_t n, DriverLayout* layout) {
  if (n < win::kLayoutHeaderBytes) return false;
  const auto* h = reinterpret_cast<const win::DriveLayoutHeader*>(data);
  uint32_t count = h->PartitionCount;
  if (count > 4 * kMaxExtendedRecords + 4 && count > kMaxGptEntries) return false;
  if ((n - win::kLayoutHeaderBytes) / win::kLayoutEntryBytes < count) return false;
  *layout = DriverLayout{};
  layout->style = h->PartitionStyle;
  if (layout->style == win::PARTITION_STYLE_GPT) {
    layout->diskId = h->Gpt.DiskId;
    layout->firstUsableLba = uint64_t(h->Gpt.StartingUsableOffset) / 512;
    uint64_t usable = uint64_t(h->Gpt.UsableLength) / 512;
    layout->lastUsableLba = usable ? layout->firstUsableLba + usable - 1 : 0;
    layout->maxEntries = h->Gpt.MaxPartitionCount;
  } else {
    layout->signature = h->Mbr.Signature;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const auto* e =
        reinterpret_cast<const win::PartitionInfoEx*>(data + win::kLayoutHeaderBytes + size_t(i) * win::kLayoutEntryBytes);
    DriverPartition p;
    uint64_t start = e->StartingOffset, length = e->PartitionLength;
    if (start % 512 || length % 512) return false;
    p.startLba = start / 512;
    p.lengthSectors = length / 512;
    p.partitionNumber = e->PartitionNumber;
    if (layout->style == win::PARTITION_STYLE_GPT) {
      p.gptType = e->Gpt.PartitionType;
      p.gptId = e->Gpt.PartitionId;
      p.gptAttributes = e->Gpt.Attributes;
      for (int k = 0; k < 36; ++k) {
        uint16_t c = e->Gpt.Name[k];
        if (!c) break;
        p.gptName.push_back(char16_t(c));
      }
    } else {
      p.mbrType = e->Mbr.PartitionType;
      p.bootIndicator = e->Mbr.BootIndicator != 0;
      p.hiddenSectors = e->Mbr.HiddenSectors;
    }
    layout->entries.push_back(p);
  }
  return true;
}

}  // namespace sim
