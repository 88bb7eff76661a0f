#include "duplicate/gpt_backup.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disk/disk_access.h"
#include "disk/gpt_table.h"
#include "duplicate/mbr_sector.h"
#include "platform/bytes.h"
#include "platform/crc32.h"

namespace duplicate {

namespace {

constexpr uint32_t kSector = disk::kSectorBytes;

void SealHeader(uint8_t* s) {
  uint32_t size = bytes::Get32(s + gpt::kHeaderSizeAt);  // 92..512, checked when read
  bytes::Put32(s + gpt::kHeaderCrcAt, 0);
  bytes::Put32(s + gpt::kHeaderCrcAt, crc::Crc32(s, size));
}

// The copy's GPT read on the open destination: the primary, else the backup
// where the source kept it. *header is the header sector as read.
bool ReadCopiedGpt(uint64_t sourceSectors, uint64_t destinationSectors, disk::GptTable* t, uint8_t* header,
                   bool* primaryValid) {
  *primaryValid = disk::ReadGptCopy(1, destinationSectors, t) == gpt::Fault::None;
  uint64_t at = 1;
  if (!*primaryValid) {
    at = sourceSectors - 1;
    if (disk::ReadGptCopy(at, destinationSectors, t) != gpt::Fault::None) return false;
  }
  return disk::ReadCurrentDisk(header, at, 1) == 0;
}

// Sector 0 says the disk is partitioned by its GPT: a protective (or
// hybrid) entry. A GPT left behind under a classic MBR is not moved.
bool HasProtectiveEntry(const uint8_t* mbr) {
  if (!HasTableSignature(mbr)) return false;
  for (int i = 0; i < 4; ++i)
    if (mbr[kEntriesOffset + 16 * i + 4] == kProtectiveType) return true;
  return false;
}

bool Move(uint64_t sourceSectors, uint64_t destinationSectors) {
  uint8_t mbr[512];
  if (disk::ReadCurrentDisk(mbr, 0, 1) != 0 || !HasProtectiveEntry(mbr)) return true;
  disk::GptTable t;
  uint8_t header[512];
  bool primaryValid = false;
  if (!ReadCopiedGpt(sourceSectors, destinationSectors, &t, header, &primaryValid)) return true;  // no GPT
  const gpt::Header& h = t.header;
  // Only a table that describes the source as it was laid out: its backup
  // in the source's last sector.
  uint64_t oldBackup = primaryValid ? h.alternateLba : h.myLba;
  if (oldBackup != sourceSectors - 1) return true;
  const uint64_t arraySectors = h.ArraySectors();
  if (destinationSectors < arraySectors + 2 || destinationSectors - arraySectors - 2 <= h.lastUsable) return true;
  const uint64_t backupLba = destinationSectors - 1, backupArray = backupLba - arraySectors;
  // The usable area grows to the new end when it reached the old one.
  const uint64_t oldLastUsable = sourceSectors - 2 - arraySectors;
  const uint64_t lastUsable = h.lastUsable == oldLastUsable ? backupArray - 1 : h.lastUsable;

  if (disk::WriteCurrentDisk(t.array.data(), backupArray, uint32_t(arraySectors)) != 1) return false;
  uint8_t backup[512];
  std::memcpy(backup, header, kSector);
  bytes::Put64(backup + gpt::kMyLbaAt, backupLba);
  bytes::Put64(backup + gpt::kAlternateLbaAt, 1);
  bytes::Put64(backup + gpt::kLastUsableAt, lastUsable);
  bytes::Put64(backup + gpt::kArrayLbaAt, backupArray);
  SealHeader(backup);
  if (disk::WriteCurrentDisk(backup, backupLba, 1) != 1) return false;
  // Read back before the primary names it: a backup that does not check out
  // leaves the primary pointing at the copied one.
  disk::GptTable written;
  if (disk::ReadGptCopy(backupLba, destinationSectors, &written) != gpt::Fault::None) return false;
  if (primaryValid) {
    bytes::Put64(header + gpt::kAlternateLbaAt, backupLba);
    bytes::Put64(header + gpt::kLastUsableAt, lastUsable);
    SealHeader(header);
    if (disk::WriteCurrentDisk(header, 1, 1) != 1) return false;
    if (disk::ReadGptCopy(1, destinationSectors, &written) != gpt::Fault::None) return false;
  }
  // A protective entry that spanned the source spans the destination.
  auto span = [](uint64_t sectors) { return uint32_t(std::min<uint64_t>(sectors - 1, 0xFFFFFFFFu)); };
  for (int i = 0; i < 4; ++i) {
    uint8_t* e = mbr + kEntriesOffset + 16 * i;
    if (e[4] != kProtectiveType || bytes::Get32(e + 8) != 1 || bytes::Get32(e + 12) != span(sourceSectors)) continue;
    if (span(destinationSectors) == span(sourceSectors)) return true;
    bytes::Put32(e + 12, span(destinationSectors));
    return disk::WriteCurrentDisk(mbr, 0, 1) == 1;
  }
  return true;
}

}  // namespace

bool MoveGptBackupToEnd(int destinationDrive, uint64_t sourceSectors, uint64_t destinationSectors) {
  if (sourceSectors < 3 || destinationSectors <= sourceSectors) return true;
  if (disk::OpenDiskReadWrite(destinationDrive) == platform::kNullHandle) return false;
  bool ok = Move(sourceSectors, destinationSectors);
  disk::CloseCurrentDisk();
  return ok;
}

}  // namespace duplicate
