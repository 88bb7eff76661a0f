#include "disk/partition_table.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "disk/disk_access.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "platform/bytes.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace disk {

bool IsGptDisk = false;
uint64_t ExtendedStart = kNoExtended;
uint64_t ExtendedLength = 0;
int32_t ReservedPartitionSlot = -1;

namespace {

using bytes::Get32;
using bytes::Get64;

std::vector<PartitionRecord> g_cache[kMaxDisks];

// The sectors of the disk open as CurrentDisk; 0 when unknown.
uint64_t CurrentDiskSectors() {
  win::LengthInfo len{};
  uint32_t got = 0;
  if (!platform::Sys().DeviceIoControl(CurrentDisk, win::IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &len, sizeof len,
                                       &got) ||
      got < sizeof len)
    return 0;
  return uint64_t(len.Length) / kSectorBytes;
}

struct Reader {
  std::vector<PartitionRecord>* out;
  int driveNumber;
  uint64_t diskSectors;  // 0: unknown, reads are then left to fail on their own

  bool Inside(uint64_t lba) const { return diskSectors == 0 || lba < diskSectors; }
  // One sector inside the disk; false (buffer zeroed) otherwise.
  bool Read(uint64_t lba, uint8_t* sector) const {
    std::memset(sector, 0, 512);
    if (!Inside(lba)) return false;
    return ReadCurrentDisk(sector, lba, 1) == 0;
  }
  bool Full() const { return out->size() >= size_t(kMaxRecords); }
  void Add(const PartitionRecord& r) const {
    if (!Full()) out->push_back(r);
  }
};

bool HasSignature(const uint8_t* s) { return s[510] == 0x55 && s[511] == 0xAA; }

int TypeOfVolume(int driveNumber, uint64_t startLba) {
  int letter = DriveLetterOf(startLba, driveNumber);
  if (letter >= 0) return FileSystemTypeOfLetter(wchar_t(letter));
  std::wstring name = VolumeNameAt(driveNumber, startLba * kSectorBytes);
  if (name.empty()) return kNoVolume;
  if (name.back() != L'\\') name.push_back(L'\\');
  return FileSystemTypeOfPath(name);
}

bool IsReservedName(const uint8_t* entry) {
  static const char kName[] = "Microsoft reserved partition";
  for (size_t i = 0; i < 36; ++i) {
    uint16_t c = bytes::Get16(entry + 56 + 2 * i);
    char want = i < sizeof kName - 1 ? kName[i] : 0;
    if (c != uint16_t(uint8_t(want))) return false;
    if (c == 0) return true;
  }
  return false;
}

void ScanGpt(const Reader& r) {
  ReservedPartitionSlot = -1;
  uint8_t header[512];
  if (!r.Read(1, header) || std::memcmp(header, "EFI PART", 8) != 0) return;
  uint64_t arrayLba = Get32(header + 72);  // the low half is what is used
  for (int s = 0; s < 8; ++s) {
    uint8_t sector[512];
    // An array that lies (partly) beyond the disk ends the scan there.
    if (!r.Read(arrayLba + uint64_t(s), sector)) return;
    for (int e = 0; e < 4; ++e) {
      const uint8_t* entry = sector + 128 * e;
      uint64_t first = Get64(entry + 32), last = Get64(entry + 40);
      if (first == 0) return;
      if (IsReservedName(entry)) {
        ReservedPartitionSlot = e;
        continue;
      }
      // Entries that end before they start, or reach beyond the disk, are
      // damaged: they are skipped rather than given an absurd length.
      if (last < first || !r.Inside(last)) continue;
      if (r.Full()) return;
      PartitionRecord rec;
      rec.StartLba = first;
      rec.LengthSectors = last - first + 1;
      rec.Type = TypeOfVolume(r.driveNumber, first);
      r.Add(rec);
    }
  }
}

void WalkExtendedChain(const Reader& r) {
  // Bounded three ways: the record list's capacity, every extended boot
  // record inside the extended partition, and no record visited twice.
  std::set<uint64_t> visited;
  size_t before = r.out->size();
  uint64_t relative = 0;
  for (int links = 0; links < kMaxRecords && !r.Full(); ++links) {
    if (relative >= ExtendedLength) break;
    uint64_t ebr = ExtendedStart + relative;
    if (!visited.insert(ebr).second) break;
    uint8_t s[512];
    if (!r.Read(ebr, s) || !HasSignature(s)) break;
    const uint8_t* logical = s + 446;
    const uint8_t* link = s + 462;
    uint64_t start = ebr + Get32(logical + 8);
    int code = ClassifyPartitionType(logical[4], start);
    if (code == 0) break;
    r.Add({start, code, Get32(logical + 12), ebr, 0});
    if (link[4] != 0x05 && link[4] != 0x0F) break;
    relative = Get32(link + 8);
  }
  if (r.out->size() == before) r.Add({ExtendedStart, kTypeEmptyExtended, ExtendedLength, 0, 4});
}

}  // namespace

int ClassifyPartitionType(uint8_t typeByte, uint64_t startLba) {
  if (typeByte == 0 || !IsKnownPartitionType(typeByte)) return 0;
  if (typeByte == 0x04) {
    uint64_t sectors = CurrentDiskSectors();
    uint8_t boot[512] = {};
    if ((sectors == 0 || startLba < sectors) && ReadCurrentDisk(boot, startLba, 1) == 0 && boot[0x55] == '3')
      return 0x0B;
  }
  return typeByte;
}

int ReadPartitionList(std::vector<PartitionRecord>* records, int driveNumber) {
  records->clear();
  IsGptDisk = false;
  ExtendedStart = kNoExtended;
  ExtendedLength = 0;
  if (OpenDiskReadOnly(driveNumber) == platform::kNullHandle) return -1;
  Reader r{records, driveNumber, CurrentDiskSectors()};
  uint8_t s[512];
  r.Read(0, s);
  bool msdos = s[2] == 0x90 && std::memcmp(s + 3, "MSDOS5.0", 8) == 0 && s[11] == 0;
  bool mswin = s[2] == 0x90 && std::memcmp(s + 3, "MSWIN4.1", 8) == 0;
  bool exfat = s[0] == 0xEB && s[1] == 0x76 && s[2] == 0x90 && std::memcmp(s + 3, "EXFAT ", 6) == 0;
  bool ntfs = s[2] == 0x90 && std::memcmp(s + 3, "NTFS    ", 8) == 0 && s[11] == 0;
  if (msdos || mswin || exfat || ntfs) {
    PartitionRecord rec;
    if (exfat) {
      rec.Type = kFsExFat;
      rec.LengthSectors = Get64(s + 0x48);  // all 64 bits of the volume length
    } else if (s[0x55] == '3' && s[0x56] == '2') {
      rec.Type = kTypeFat32WholeDisk;
      rec.LengthSectors = Get32(s + 0x20);
    } else if (s[0x39] == '1' && s[0x3A] == '6') {
      rec.Type = kFsFat;
      rec.LengthSectors = Get32(s + 0x20);
      // Volumes below 32 MiB keep their size in the 16-bit field.
      if (rec.LengthSectors == 0) rec.LengthSectors = bytes::Get16(s + 0x13);
    } else {
      rec.Type = kFsNtfs;
      rec.LengthSectors = Get64(s + 0x28);
    }
    r.Add(rec);
  } else if (HasSignature(s)) {
    if (s[446 + 4] == 0xEE) {
      IsGptDisk = true;
      ScanGpt(r);
    } else {
      for (int i = 0; i < 4; ++i) {
        const uint8_t* e = s + 446 + 16 * i;
        if (e[4] == 0) continue;
        uint64_t start = Get32(e + 8), length = Get32(e + 12);
        if (e[4] == 0x05 || e[4] == 0x0F) {
          ExtendedStart = start;
          ExtendedLength = length;
          continue;
        }
        r.Add({start, ClassifyPartitionType(e[4], start), length, 0, i});
      }
      if (ExtendedStart != kNoExtended) WalkExtendedChain(r);
    }
  }
  CloseCurrentDisk();
  return int(records->size());
}

bool IsInsideExtended(uint64_t lba) {
  if (ExtendedStart == kNoExtended) return false;
  // The last 63 sectors of the extended partition count as outside it.
  uint64_t end = ExtendedStart + ExtendedLength;
  end = end >= 63 ? end - 63 : 0;
  return ExtendedStart <= lba && lba < end;
}

const std::vector<PartitionRecord>& CachedRecords(int diskIndex0) {
  static const std::vector<PartitionRecord> kNone;
  return (diskIndex0 >= 0 && diskIndex0 < kMaxDisks) ? g_cache[diskIndex0] : kNone;
}

int BuildPartitionEntries(int diskIndex0, std::vector<PartitionEntry>* entries, bool refresh) {
  entries->clear();
  const DiskEntry* d = DiskAt(diskIndex0 + 1);
  if (diskIndex0 < 0 || diskIndex0 >= kMaxDisks) return 0;
  std::vector<PartitionRecord>& cache = g_cache[diskIndex0];
  if (refresh) {
    if (!d || d->DriveNumber < 0 || ReadPartitionList(&cache, d->DriveNumber) <= 0) cache.clear();
  }
  if (cache.empty()) return 0;
  // Ascending start; among equal starts the record later in the list first.
  std::vector<int> order(cache.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    if (cache[size_t(a)].StartLba != cache[size_t(b)].StartLba)
      return cache[size_t(a)].StartLba < cache[size_t(b)].StartLba;
    return a > b;
  });
  auto gap = [](uint64_t start, uint64_t length, int primary) {
    PartitionEntry e;
    e.StartLba = start;
    e.LengthSectors = length;
    e.IsPrimary = primary;
    return e;
  };
  for (size_t k = 0; k < order.size(); ++k) {
    const PartitionRecord& rec = cache[size_t(order[k])];
    if (k == 0) {
      if (rec.StartLba > kShownGapSectors)
        entries->push_back(IsGptDisk ? gap(34, 0x40000, 1) : gap(0, rec.StartLba, 1));
    } else {
      const PartitionEntry& prev = entries->back();
      uint64_t prevEnd = prev.StartLba + prev.LengthSectors;
      if (rec.StartLba > prevEnd && rec.StartLba - prevEnd > kShownGapSectors)
        entries->push_back(gap(prevEnd, rec.StartLba - prevEnd, IsInsideExtended(prevEnd) ? 0 : 1));
    }
    PartitionEntry row;
    row.RecordIndex = order[k];
    row.StartLba = rec.StartLba;
    row.LengthSectors = rec.LengthSectors;
    row.Type = rec.Type;
    row.IsPrimary = IsInsideExtended(rec.StartLba) ? 0 : 1;
    row.DriveLetter = (refresh && d) ? DriveLetterOf(rec.StartLba, d->DriveNumber) : -1;
    entries->push_back(row);
  }
  uint64_t diskEnd = d ? d->SizeSectors : 0;
  // Free space behind the last row: up to the extended partition's end when
  // it starts inside it, then up to the disk's end. Each step moves the end
  // forward, so this ends; the bound is only a guard.
  for (int guard = 0; guard < 4; ++guard) {
    const PartitionEntry& last = entries->back();
    uint64_t end = last.StartLba + last.LengthSectors;
    if (!(end < diskEnd && diskEnd - end > kShownGapSectors)) break;
    if (IsInsideExtended(end)) {
      uint64_t extEnd = ExtendedStart + ExtendedLength;
      entries->push_back(gap(end, extEnd - end, 0));
    } else {
      entries->push_back(gap(end, diskEnd - end, 1));
    }
  }
  return int(entries->size());
}

void ResetPartitionState() {
  IsGptDisk = false;
  ExtendedStart = kNoExtended;
  ExtendedLength = 0;
  ReservedPartitionSlot = -1;
  for (auto& c : g_cache) c.clear();
}

}  // namespace disk
