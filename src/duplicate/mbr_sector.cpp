#include "duplicate/mbr_sector.h"

#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/winapi.h"

namespace duplicate {

using platform::Sys;

namespace {

platform::Handle Open(int driveNumber, bool write) {
  uint32_t access = win::GENERIC_READ | (write ? win::GENERIC_WRITE : 0);
  return Sys().CreateFile(disk::PhysicalDrivePath(driveNumber), access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                          win::OPEN_EXISTING, win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING);
}

}  // namespace

bool ReadDriveSector(int driveNumber, uint64_t lba, uint8_t* sector) {
  platform::Handle h = Open(driveNumber, false);
  if (!platform::IsValid(h)) return false;
  // Aligned, as uncached transfers want it.
  alignas(4096) static uint8_t buffer[512];
  bool ok = disk::ReadSectors(h, buffer, lba, 1) == 512;
  Sys().CloseHandle(h);
  if (ok) for (int i = 0; i < 512; ++i) sector[i] = buffer[i];
  return ok;
}

bool WriteDriveSector(int driveNumber, uint64_t lba, const uint8_t* sector) {
  platform::Handle h = Open(driveNumber, true);
  if (!platform::IsValid(h)) return false;
  alignas(4096) static uint8_t buffer[512];
  for (int i = 0; i < 512; ++i) buffer[i] = sector[i];
  bool ok = false;
  for (int attempt = 0; attempt < 5 && !ok; ++attempt) ok = disk::WriteSectors(h, buffer, lba, 1) == 512;
  Sys().CloseHandle(h);
  return ok;
}

bool HasTableSignature(const uint8_t* s) { return s[510] == 0x55 && s[511] == 0xAA; }

bool IsMbr(const uint8_t* s) {
  if (!HasTableSignature(s)) return false;
  for (int i = 0; i < 4; ++i)
    if (s[kEntriesOffset + 16 * i + 4] == kProtectiveType) return false;
  return true;
}

}  // namespace duplicate
