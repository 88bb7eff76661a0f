#include "disk/partition_table.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "disk/disk_access.h"
#include "disk/gpt_table.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "platform/bytes.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace disk {

bool IsGptDisk = false;
GptRead GptTableRead = GptRead::None;
uint64_t GptUsableEnd = 0;
int GptEntriesOutsideDisk = 0;
uint64_t ExtendedStart = kNoExtended;
uint64_t ExtendedLength = 0;
int32_t ReservedPartitionSlot = -1;

namespace {

using bytes::Get32;
using bytes::Get64;

std::vector<PartitionRecord> g_cache[kMaxDisks];

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

int TypeOfVolume(int driveNumber, uint64_t startLba, const bytes::Guid& gptType) {
  int letter = DriveLetterOf(startLba, driveNumber);
  if (letter >= 0) return FileSystemTypeOfLetter(wchar_t(letter));
  std::wstring name = VolumeNameAt(driveNumber, startLba * kSectorBytes);
  // Without a volume the partition's type says what it is: an EFI system
  // partition is "EFI", a Linux one is not.
  if (name.empty()) return GptPartitionTypeCode(gptType);
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
  GptTable t;
  if (!ReadGptTable(r.diskSectors, &t)) return;  // neither copy is valid: nothing in it is believed
  GptTableRead = t.fromBackup ? GptRead::Backup : GptRead::Primary;
  const gpt::Header& h = t.header;
  GptUsableEnd = h.lastUsable + 1;
  for (uint32_t i = 0; i < h.count; ++i) {
    const uint8_t* entry = t.array.data() + uint64_t(i) * h.entrySize;
    bytes::Guid type;
    std::memcpy(type.b, entry + gpt::kEntryTypeAt, 16);
    if (type.IsZero()) continue;  // an unused entry; a used one may still follow
    if (IsReservedName(entry)) {
      ReservedPartitionSlot = int(uint64_t(i) * h.entrySize % 512 / 128);
      continue;
    }
    uint64_t first = Get64(entry + gpt::kEntryFirstAt), last = Get64(entry + gpt::kEntryLastAt);
    // Entries that end before they start, or reach beyond the disk, are
    // damaged: they are skipped rather than given an absurd length.
    if (first == 0 || last < first) continue;
    if (!r.Inside(last)) {
      ++GptEntriesOutsideDisk;
      continue;
    }
    if (r.Full()) return;
    PartitionRecord rec;
    rec.StartLba = first;
    rec.LengthSectors = last - first + 1;
    rec.Type = TypeOfVolume(r.driveNumber, first, type);
    r.Add(rec);
  }
}

// The rest of the extended partition from lba on: in use by a chain the
// walk does not follow to its end, never free space.
PartitionRecord RestInUse(uint64_t lba) {
  uint64_t end = ExtendedStart + ExtendedLength;
  return {lba, kTypeInUse, end > lba ? end - lba : 0, 0, 4};
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
    bool more = link[4] == 0x05 || link[4] == 0x0F;
    uint64_t next = ExtendedStart + Get32(link + 8);
    // An empty first entry ends the walk; a chain that really goes on
    // behind it (the next record holds an entry) still holds that space.
    if (logical[4] == 0) {
      uint8_t n[512];
      if (more && Get32(link + 8) < ExtendedLength && !visited.count(next) && r.Read(next, n) && HasSignature(n) &&
          (n[446 + 4] != 0 || n[462 + 4] != 0))
        r.Add(RestInUse(next));
      break;
    }
    // The last record left stands for the rest of a chain that goes on; a
    // record whose first entry is an extended partition again is a chain
    // the walk cannot follow (Windows takes it for a link): in use too.
    if ((more && r.out->size() + 1 == size_t(kMaxRecords)) || logical[4] == 0x05 || logical[4] == 0x0F) {
      r.Add(RestInUse(ebr));
      break;
    }
    // A type the table does not name is listed as it is (type 0), not dropped.
    uint64_t start = ebr + Get32(logical + 8);
    r.Add({start, ClassifyPartitionType(logical[4], start), Get32(logical + 12), ebr, 0});
    if (!more) break;
    relative = Get32(link + 8);
  }
  if (r.out->size() == before) r.Add({ExtendedStart, kTypeEmptyExtended, ExtendedLength, 0, 4});
}

}  // namespace

uint64_t CurrentDiskSectors() {
  win::LengthInfo len{};
  uint32_t got = 0;
  if (!platform::Sys().DeviceIoControl(CurrentDisk, win::IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &len, sizeof len,
                                       &got) ||
      got < sizeof len)
    return 0;
  return uint64_t(len.Length) / kSectorBytes;
}

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
  GptTableRead = GptRead::None;
  GptUsableEnd = 0;
  GptEntriesOutsideDisk = 0;
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
      // The last extended partition is the one walked; an earlier one
      // still holds its space, listed as in use.
      int walked = -1;
      for (int i = 0; i < 4; ++i)
        if (s[446 + 16 * i + 4] == 0x05 || s[446 + 16 * i + 4] == 0x0F) walked = i;
      for (int i = 0; i < 4; ++i) {
        const uint8_t* e = s + 446 + 16 * i;
        if (e[4] == 0) continue;
        uint64_t start = Get32(e + 8), length = Get32(e + 12);
        if (i == walked) {
          ExtendedStart = start;
          ExtendedLength = length;
        } else if (e[4] == 0x05 || e[4] == 0x0F) {
          r.Add({start, kTypeInUse, length, 0, i});
        } else {
          r.Add({start, ClassifyPartitionType(e[4], start), length, 0, i});
        }
      }
      if (ExtendedStart != kNoExtended) WalkExtendedChain(r);
    }
  } else {
    // No table in sector 0, but a valid GPT (from either copy): its
    // protective MBR was lost. The system reads such a disk as not
    // initialised; its entries are still listed, so that the space they
    // cover is never offered as free.
    GptTable t;
    if (ReadGptTable(r.diskSectors, &t)) {
      IsGptDisk = true;
      ScanGpt(r);
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
  uint64_t diskEnd = d ? d->SizeSectors : 0;
  // On a GPT disk free space ends where the backup table begins.
  if (IsGptDisk && GptUsableEnd && GptUsableEnd < diskEnd) diskEnd = GptUsableEnd;
  // Free space ends at the disk's end, whatever a record beyond it claims.
  auto onDisk = [&](uint64_t lba) { return diskEnd ? std::min(lba, diskEnd) : lba; };
  // How far the rows so far reach: a gap starts behind every record before
  // it, not only the last one (records may overlap or nest).
  uint64_t covered = 0;
  for (size_t k = 0; k < order.size(); ++k) {
    const PartitionRecord& rec = cache[size_t(order[k])];
    uint64_t to = onDisk(rec.StartLba);
    if (k == 0) {
      if (rec.StartLba > kShownGapSectors) {
        if (IsGptDisk) {
          if (to > 34) entries->push_back(gap(34, std::min<uint64_t>(0x40000, to - 34), 1));
        } else if (to > 0) {
          entries->push_back(gap(0, to, 1));
        }
      }
    } else if (to > covered && to - covered > kShownGapSectors) {
      entries->push_back(gap(covered, to - covered, IsInsideExtended(covered) ? 0 : 1));
    }
    PartitionEntry row;
    row.RecordIndex = order[k];
    row.StartLba = rec.StartLba;
    row.LengthSectors = rec.LengthSectors;
    row.Type = rec.Type;
    row.IsPrimary = IsInsideExtended(rec.StartLba) ? 0 : 1;
    row.DriveLetter = (refresh && d) ? DriveLetterOf(rec.StartLba, d->DriveNumber) : -1;
    entries->push_back(row);
    uint64_t end = rec.LengthSectors > ~uint64_t(0) - rec.StartLba ? ~uint64_t(0) : rec.StartLba + rec.LengthSectors;
    covered = std::max(covered, end);
  }
  // Free space behind the rows: up to the extended partition's end when it
  // starts inside it, then up to the disk's end. Each step moves the end
  // forward, so this ends; the bound is only a guard.
  for (int guard = 0; guard < 4; ++guard) {
    uint64_t end = covered;
    if (!(end < diskEnd && diskEnd - end > kShownGapSectors)) break;
    uint64_t to = IsInsideExtended(end) ? onDisk(ExtendedStart + ExtendedLength) : diskEnd;
    entries->push_back(gap(end, to - end, IsInsideExtended(end) ? 0 : 1));
    covered = to;
  }
  return int(entries->size());
}

void ResetPartitionState() {
  IsGptDisk = false;
  GptTableRead = GptRead::None;
  GptUsableEnd = 0;
  GptEntriesOutsideDisk = 0;
  ExtendedStart = kNoExtended;
  ExtendedLength = 0;
  ReservedPartitionSlot = -1;
  for (auto& c : g_cache) c.clear();
}

}  // namespace disk
