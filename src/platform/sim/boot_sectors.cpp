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

// FAT keeps labels in upper case and without the characters its names
// may not hold.
std::string FatLabel(const std::string& label) {
  std::string l = label.empty() ? "NO NAME" : label.substr(0, 11);
  for (char& c : l) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
              std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
    if (!ok || c == 0) c = '_';
  }
  l.resize(11, ' ');
  return l;
}

// The root folder's first sector: the volume label entry, when there is a
// label.
std::vector<uint8_t> RootHead(const std::string& label) {
  if (label.empty()) return {};
  std::vector<uint8_t> root(512, 0);
  std::memcpy(root.data(), FatLabel(label).data(), 11);
  root[11] = 0x08;  // volume label
  return root;
}

// How a FAT volume is laid out: FAT entry width, cluster size, reserved
// sectors, root folder sectors (FAT12/16), the sectors the boot sector
// counts, the length of one FAT and the clusters for data.
struct FatShape {
  uint32_t bits = 16;
  uint32_t spc = 1;
  uint32_t reserved = 1;
  uint32_t rootSectors = 0;
  uint64_t total = 0;
  uint32_t fatSectors = 0;
  uint64_t clusters = 0;
  uint64_t Overhead() const { return reserved + rootSectors + 2ull * fatSectors; }
};

// The FATs are sized for every cluster the volume could have without them,
// which is always enough for the ones left after them.
bool SizeFats(FatShape* f) {
  if (f->total <= f->reserved + f->rootSectors) return false;
  uint64_t most = (f->total - f->reserved - f->rootSectors) / f->spc;
  f->fatSectors = uint32_t((((most + 2) * f->bits + 7) / 8 + 511) / 512);
  if (f->total <= f->Overhead()) return false;
  f->clusters = (f->total - f->Overhead()) / f->spc;
  return f->clusters > 0;
}

// The cluster count alone tells a reader whether a volume is FAT12 or
// FAT16, and readers disagree by a cluster or two at the edges, so counts
// near them are never made: FAT12 up to 4083 clusters, FAT16 from 4087 to
// 65523. Where the FATs of one type would put the count in a gap, the
// last sectors of the volume are left out.
constexpr uint64_t kMaxFat12Clusters = 4083, kMinFat16Clusters = 4087, kMaxFat16Clusters = 65523;

bool Fat16Shape(uint64_t total, FatShape* out) {
  if (total > 8388608 || total < 64) return false;
  uint32_t spc = 1;
  while (spc < 128 && total / spc > kMaxFat16Clusters) spc *= 2;
  FatShape f12{12, spc, 1, 32, total};
  if (!SizeFats(&f12)) return false;
  if (f12.clusters <= kMaxFat12Clusters) return *out = f12, true;
  FatShape f16{16, spc, 1, 32, total};
  if (!SizeFats(&f16)) return false;
  FatShape& f = f16.clusters >= kMinFat16Clusters ? f16 : f12;
  uint64_t most = &f == &f16 ? kMaxFat16Clusters : kMaxFat12Clusters;
  if (f.clusters > most) {
    f.clusters = most;
    f.total = f.Overhead() + f.clusters * spc;
  }
  return *out = f, true;
}

// FAT32 from 65525 clusters, with cluster sizes as the format library
// picks them.
bool Fat32Shape(uint64_t total, FatShape* out) {
  if (total > 0xFFFFFFFFull || total < 66600) return false;
  uint32_t spc = total <= 532480 ? 1 : total <= 16777216 ? 8 : total <= 33554432 ? 16 : total <= 67108864 ? 32 : 64;
  FatShape f{32, spc, 32, 0, total};
  if (!SizeFats(&f) || f.clusters < 65525) return false;
  return *out = f, true;
}

std::vector<FormatRun> Fat(const BootSectorParams& p, bool fat32) {
  FatShape f;
  if (fat32 ? !Fat32Shape(p.lengthSectors, &f) : !Fat16Shape(p.lengthSectors, &f)) return {};
  std::vector<uint8_t> boot(512, 0);
  uint8_t* s = boot.data();
  CommonBpb(s, p, fat32 ? 0x58 : 0x3C, "MSDOS5.0");
  s[0x0D] = uint8_t(f.spc);
  Put16(s + 0x0E, uint16_t(f.reserved));
  s[0x10] = 2;
  if (!fat32) Put16(s + 0x11, uint16_t(f.rootSectors * 512 / 32));
  if (f.total < 65536 && !fat32) Put16(s + 0x13, uint16_t(f.total));
  else Put32(s + 0x20, uint32_t(f.total));
  std::string label = FatLabel(p.label);
  if (fat32) {
    Put32(s + 0x24, f.fatSectors);
    Put32(s + 0x2C, 2);  // root folder cluster
    Put16(s + 0x30, 1);  // information sector
    Put16(s + 0x32, 6);  // backup boot sector
    s[0x40] = 0x80;
    s[0x42] = 0x29;
    Put32(s + 0x43, p.serial);
    std::memcpy(s + 0x47, label.data(), 11);
    std::memcpy(s + 0x52, "FAT32   ", 8);
  } else {
    Put16(s + 0x16, uint16_t(f.fatSectors));
    s[0x24] = 0x80;
    s[0x26] = 0x29;
    Put32(s + 0x27, p.serial);
    std::memcpy(s + 0x2B, label.data(), 11);
    std::memcpy(s + 0x36, f.bits == 12 ? "FAT12   " : "FAT16   ", 8);
  }

  std::vector<FormatRun> runs;
  if (fat32) {
    // Boot sector, information sector and a third sector, each kept again
    // at sector 6 onwards.
    std::vector<uint8_t> reserved(9 * 512, 0);
    std::memcpy(reserved.data(), s, 512);
    uint8_t* info = reserved.data() + 512;
    Put32(info, 0x41615252);
    Put32(info + 484, 0x61417272);
    Put32(info + 488, uint32_t(f.clusters - 1));  // free: all but the root folder's
    Put32(info + 492, 3);                         // next free cluster
    info[510] = 0x55;
    info[511] = 0xAA;
    reserved[2 * 512 + 510] = 0x55;
    reserved[2 * 512 + 511] = 0xAA;
    std::memcpy(reserved.data() + 6 * 512, reserved.data(), 3 * 512);
    runs.push_back({0, f.reserved, reserved});
  } else {
    runs.push_back({0, f.reserved, boot});
  }
  // Each FAT starts with the media entry, the clean-shutdown entry and, on
  // FAT32, the end of the root folder's chain.
  std::vector<uint8_t> fatHead = f.bits == 12   ? std::vector<uint8_t>{0xF8, 0xFF, 0xFF}
                                 : f.bits == 16 ? std::vector<uint8_t>{0xF8, 0xFF, 0xFF, 0xFF}
                                                : std::vector<uint8_t>{0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF,
                                                                       0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
  for (uint32_t i = 0; i < 2; ++i) runs.push_back({f.reserved + uint64_t(i) * f.fatSectors, f.fatSectors, fatHead});
  runs.push_back({f.reserved + 2ull * f.fatSectors, fat32 ? f.spc : f.rootSectors, RootHead(p.label)});
  return runs;
}

std::vector<FormatRun> Ntfs(const BootSectorParams& p) {
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
  return {{0, 1, out}, {p.lengthSectors - 1, 1, out}};
}

std::vector<FormatRun> ExFat(const BootSectorParams& p) {
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
  return {{0, 1, out}};
}

}  // namespace

std::vector<FormatRun> BuildFormatRuns(const BootSectorParams& p) {
  if (p.fileSystem == "NTFS") return Ntfs(p);
  if (p.fileSystem == "FAT32") return Fat(p, true);
  if (p.fileSystem == "FAT") return Fat(p, false);
  if (p.fileSystem == "exFAT") return ExFat(p);
  return {};
}

uint32_t WriteBootSectors(SimDisk& disk, const BootSectorParams& p) {
  std::vector<FormatRun> runs = BuildFormatRuns(p);
  if (runs.empty()) return win::ERROR_INVALID_PARAMETER;
  if (p.startLba >= disk.Sectors() || p.lengthSectors > disk.Sectors() - p.startLba)
    return win::ERROR_SECTOR_NOT_FOUND;
  // The boot sector goes last: until then the volume is not recognised
  // as the new file system.
  constexpr uint64_t kChunk = 2048;
  std::vector<uint8_t> buffer;
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    for (uint64_t done = 0; done < run->sectors;) {
      uint64_t n = std::min(kChunk, run->sectors - done);
      buffer.assign(size_t(n) * 512, 0);
      uint64_t at = done * 512;
      if (at < run->head.size())
        std::memcpy(buffer.data(), run->head.data() + at, std::min<size_t>(buffer.size(), run->head.size() - at));
      if (uint32_t err = disk.Write((p.startLba + run->lba + done) * 512, buffer.data(), uint32_t(buffer.size())))
        return err;
      done += n;
    }
  }
  return 0;
}

}  // namespace sim
