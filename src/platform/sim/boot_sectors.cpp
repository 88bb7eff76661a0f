#include "platform/sim/boot_sectors.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "platform/winapi.h"

namespace sim {

using bytes::Put16;
using bytes::Put32;
using bytes::Put64;

namespace {

void CommonBpb(uint8_t* s, const BootSectorParams& p, uint8_t jump, const char* oem) {
  s[0] = 0xEB;
  s[1] = jump;
  s[2] = 0x90;
  std::memcpy(s + 3, oem, 8);
  Put16(s + 0x0B, 512);
  s[0x15] = 0xF8;
  Put16(s + 0x18, uint16_t(p.sectorsPerTrack));
  Put16(s + 0x1A, uint16_t(p.heads));
  Put32(s + 0x1C, uint32_t(std::min<uint64_t>(p.startLba, 0xFFFFFFFFu)));
  s[510] = 0x55;
  s[511] = 0xAA;
}

void Label(uint8_t* at, const std::string& label) {
  std::string l = label.empty() ? "NO NAME" : label.substr(0, 11);
  l.resize(11, ' ');
  std::memcpy(at, l.data(), 11);
}

std::vector<uint8_t> Fat(const BootSectorParams& p, bool fat32) {
  const uint64_t total = p.lengthSectors;
  std::vector<uint8_t> out(512, 0);
  uint8_t* s = out.data();
  if (fat32) {
    // Up to 2 TiB with 32 KiB clusters; FAT32 needs at least 65525 clusters.
    if (total > 0xFFFFFFFFull || total < 66600) return {};
    uint8_t spc = total <= 532480 ? 1 : total <= 16777216 ? 8 : total <= 33554432 ? 16 : total <= 67108864 ? 32 : 64;
    uint32_t reserved = 32;
    uint64_t clusters = (total - reserved) / spc;
    uint32_t fatSectors = uint32_t((clusters * 4 + 511) / 512);
    CommonBpb(s, p, 0x58, "MSDOS5.0");
    s[0x0D] = spc;
    Put16(s + 0x0E, uint16_t(reserved));
    s[0x10] = 2;
    Put32(s + 0x20, uint32_t(total));
    Put32(s + 0x24, fatSectors);
    Put32(s + 0x2C, 2);  // root directory cluster
    Put16(s + 0x30, 1);  // information sector
    Put16(s + 0x32, 6);  // backup boot sector
    s[0x40] = 0x80;
    s[0x42] = 0x29;
    Put32(s + 0x43, p.serial);
    Label(s + 0x47, p.label);
    std::memcpy(s + 0x52, "FAT32   ", 8);
    out.resize(7 * 512, 0);
    uint8_t* info = out.data() + 512;
    Put32(info, 0x41615252);
    Put32(info + 484, 0x61417272);
    Put32(info + 488, 0xFFFFFFFF);
    Put32(info + 492, 0xFFFFFFFF);
    info[510] = 0x55;
    info[511] = 0xAA;
    std::memcpy(out.data() + 6 * 512, s, 512);  // the backup boot sector
    return out;
  }
  // FAT16 up to 4 GiB (64 KiB clusters), FAT12 for the smallest volumes.
  if (total > 8388608 || total < 64) return {};
  uint8_t spc = 1;
  while (spc < 128 && total / spc > 65524) spc = uint8_t(spc * 2);
  bool fat12 = total / spc < 4085;
  uint64_t clusters = total / spc;
  uint32_t fatSectors = uint32_t(fat12 ? (clusters * 3 / 2 + 511) / 512 : (clusters * 2 + 511) / 512);
  CommonBpb(s, p, 0x3C, "MSDOS5.0");
  s[0x0D] = spc;
  Put16(s + 0x0E, 1);
  s[0x10] = 2;
  Put16(s + 0x11, 512);  // root directory entries
  if (total < 65536) Put16(s + 0x13, uint16_t(total));
  else Put32(s + 0x20, uint32_t(total));
  Put16(s + 0x16, uint16_t(fatSectors));
  s[0x24] = 0x80;
  s[0x26] = 0x29;
  Put32(s + 0x27, p.serial);
  Label(s + 0x2B, p.label);
  std::memcpy(s + 0x36, fat12 ? "FAT12   " : "FAT16   ", 8);
  return out;
}

std::vector<uint8_t> Ntfs(const BootSectorParams& p) {
  if (p.lengthSectors < 4096) return {};
  std::vector<uint8_t> out(512, 0);
  uint8_t* s = out.data();
  CommonBpb(s, p, 0x52, "NTFS    ");
  s[0x0D] = 8;           // 4 KiB clusters
  Put32(s + 0x24, 0x00800080);
  // The last sector holds the backup boot sector and is not counted.
  Put64(s + 0x28, p.lengthSectors - 1);
  Put64(s + 0x30, 786432 < p.lengthSectors / 16 ? 786432 : 4);  // $MFT cluster
  Put64(s + 0x38, 2);                                              // $MFTMirr cluster
  s[0x40] = 0xF6;        // 1 KiB file records
  s[0x44] = 0x01;        // 4 KiB index records
  Put64(s + 0x48, (uint64_t(p.serial) << 32) | p.serial);
  return out;
}

std::vector<uint8_t> ExFat(const BootSectorParams& p) {
  if (p.lengthSectors < 2048) return {};
  std::vector<uint8_t> out(512, 0);
  uint8_t* s = out.data();
  s[0] = 0xEB;
  s[1] = 0x76;
  s[2] = 0x90;
  std::memcpy(s + 3, "EXFAT   ", 8);
  Put64(s + 0x40, p.startLba);
  Put64(s + 0x48, p.lengthSectors);
  Put32(s + 0x50, 2048);  // FAT offset
  Put32(s + 0x54, 64);    // FAT length
  uint8_t shift = p.lengthSectors > 524288 ? 6 : 3;
  Put32(s + 0x58, 4096);  // cluster heap offset
  Put32(s + 0x5C, uint32_t((p.lengthSectors - 4096) >> shift));
  Put32(s + 0x60, 4);     // root directory cluster
  Put32(s + 0x64, p.serial);
  Put16(s + 0x68, 0x0100);
  s[0x6C] = 9;            // 512-byte sectors
  s[0x6D] = shift;
  s[0x6E] = 1;
  s[0x6F] = 0x80;
  s[510] = 0x55;
  s[511] = 0xAA;
  return out;
}

}  // namespace

std::vector<uint8_t> BuildBootSectors(const BootSectorParams& p) {
  if (p.fileSystem == "NTFS") return Ntfs(p);
  if (p.fileSystem == "FAT32") return Fat(p, true);
  if (p.fileSystem == "FAT") return Fat(p, false);
  if (p.fileSystem == "exFAT") return ExFat(p);
  return {};
}

uint32_t WriteBootSectors(SimDisk& disk, const BootSectorParams& p) {
  std::vector<uint8_t> sectors = BuildBootSectors(p);
  if (sectors.empty()) return win::ERROR_INVALID_PARAMETER;
  if (p.startLba >= disk.Sectors() || sectors.size() / 512 > disk.Sectors() - p.startLba)
    return win::ERROR_SECTOR_NOT_FOUND;
  return disk.Write(p.startLba * 512, sectors.data(), uint32_t(sectors.size()));
}

}  // namespace sim
