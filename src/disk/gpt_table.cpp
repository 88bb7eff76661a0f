#include "disk/gpt_table.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "disk/disk_access.h"
#include "disk/partition_table.h"

namespace disk {

namespace {

// The first used entry that lies outside the usable area or overlaps
// another; false when there is none.
bool FindBadEntry(const GptTable& t, uint64_t* start) {
  const gpt::Header& h = t.header;
  std::vector<std::pair<uint64_t, uint64_t>> used;  // first, last
  for (uint32_t i = 0; i < h.count; ++i) {
    const uint8_t* e = t.array.data() + uint64_t(i) * h.entrySize;
    bool empty = true;
    for (int k = 0; k < 16; ++k) empty &= e[gpt::kEntryTypeAt + k] == 0;
    if (empty) continue;
    uint64_t first = bytes::Get64(e + gpt::kEntryFirstAt), last = bytes::Get64(e + gpt::kEntryLastAt);
    *start = first;
    if (first > last || first < h.firstUsable || last > h.lastUsable) return true;
    used.push_back({first, last});
  }
  std::sort(used.begin(), used.end());
  for (size_t i = 1; i < used.size(); ++i)
    if (used[i].first <= used[i - 1].second) {
      *start = used[i].first;
      return true;
    }
  return false;
}

}  // namespace

gpt::Fault ReadGptCopy(uint64_t lba, uint64_t diskSectors, GptTable* t) {
  t->array.clear();
  uint8_t s[512];
  if (lba >= diskSectors || ReadCurrentDisk(s, lba, 1) != 0) return gpt::Fault::Unreadable;
  if (gpt::Fault f = gpt::CheckHeader(s, lba, diskSectors, &t->header); f != gpt::Fault::None) return f;
  // The header's checks bound the array (at most gpt::kMaxArrayBytes, on the disk).
  t->array.assign(size_t(t->header.ArraySectors()) * kSectorBytes, 0);
  if (ReadCurrentDisk(t->array.data(), t->header.arrayLba, uint32_t(t->header.ArraySectors())) != 0)
    return gpt::Fault::Unreadable;
  return gpt::CheckArray(t->header, t->array.data());
}

bool ReadGptTable(uint64_t diskSectors, GptTable* t) {
  t->fromBackup = false;
  if (ReadGptCopy(1, diskSectors, t) == gpt::Fault::None) return true;
  t->fromBackup = true;
  return diskSectors > 2 && ReadGptCopy(diskSectors - 1, diskSectors, t) == gpt::Fault::None;
}

GptState InspectGpt(int driveNumber) {
  GptState st;
  if (OpenDiskReadOnly(driveNumber) == platform::kNullHandle) return st;
  uint64_t sectors = st.diskSectors = CurrentDiskSectors();
  uint8_t s[512] = {};
  if (sectors > 0 && ReadCurrentDisk(s, 0, 1) == 0 && s[510] == 0x55 && s[511] == 0xAA) {
    for (int i = 0; i < 4; ++i) st.present |= s[446 + 16 * i + 4] == 0xEE;
    st.protective = s[446 + 4] == 0xEE && s[462 + 4] == 0 && s[478 + 4] == 0 && s[494 + 4] == 0;
  }
  GptTable primary, backup;
  st.primary = ReadGptCopy(1, sectors, &primary);
  st.backup = sectors > 2 ? ReadGptCopy(sectors - 1, sectors, &backup) : gpt::Fault::Unreadable;
  CloseCurrentDisk();
  auto hasHeader = [](gpt::Fault f) { return f != gpt::Fault::Signature && f != gpt::Fault::Unreadable; };
  st.present |= hasHeader(st.primary) || hasHeader(st.backup);
  if (st.primary == gpt::Fault::None && st.backup == gpt::Fault::None) {
    const gpt::Header &p = primary.header, &b = backup.header;
    st.copiesDiffer = !(p.diskId == b.diskId) || p.firstUsable != b.firstUsable || p.lastUsable != b.lastUsable ||
                      p.count != b.count || p.entrySize != b.entrySize || p.arrayCrc != b.arrayCrc ||
                      p.alternateLba != b.myLba || b.alternateLba != p.myLba;
    st.badEntry = FindBadEntry(primary, &st.badEntryStart);
  }
  return st;
}

}  // namespace disk
