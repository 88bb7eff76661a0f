#include "support/image_tools.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/bytes.h"
#include "platform/crc32.h"
#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "platform/winapi.h"

namespace testing_support {

void WriteSectorAt(const std::string& image, uint64_t lba, const std::vector<uint8_t>& sector) {
  std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(std::streamoff(lba * 512));
  f.write(reinterpret_cast<const char*>(sector.data()), std::streamsize(sector.size()));
}

std::vector<uint8_t> ReadSectorAt(const std::string& image, uint64_t lba) {
  std::vector<uint8_t> s(512, 0);
  std::ifstream f(image, std::ios::binary);
  f.seekg(std::streamoff(lba * 512));
  f.read(reinterpret_cast<char*>(s.data()), 512);
  return s;
}

bool CopyRegion(const std::string& image, uint64_t firstLba, uint64_t sectors, const std::string& out) {
  int in = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
  int to = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const off_t begin = off_t(firstLba * 512), end = off_t((firstLba + sectors) * 512);
  bool ok = in >= 0 && to >= 0 && ::ftruncate(to, end - begin) == 0;
  std::vector<uint8_t> buf(1 << 20);
  // Only the extents that hold data are copied; the holes stay holes.
  for (off_t at = begin; ok && at < end;) {
    off_t data = ::lseek(in, at, SEEK_DATA);
    if (data < 0 || data >= end) break;
    off_t hole = std::min(::lseek(in, data, SEEK_HOLE), end);
    for (off_t p = data; ok && p < hole;) {
      ssize_t n = ::pread(in, buf.data(), size_t(std::min<off_t>(hole - p, off_t(buf.size()))), p);
      ok = n > 0 && ::pwrite(to, buf.data(), size_t(n), p - begin) == n;
      p += n;
    }
    at = hole;
  }
  if (in >= 0) ::close(in);
  if (to >= 0) ::close(to);
  return ok;
}

std::vector<uint8_t> TableSector(const std::vector<TableEntry>& entries, uint32_t signature) {
  std::vector<uint8_t> s(512, 0);
  bytes::Put32(s.data() + 440, signature);
  for (size_t i = 0; i < entries.size() && i < 4; ++i) {
    uint8_t* e = s.data() + 446 + 16 * i;
    e[0] = entries[i].active ? 0x80 : 0;
    e[4] = entries[i].type;
    bytes::Put32(e + 8, entries[i].start);
    bytes::Put32(e + 12, entries[i].length);
  }
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

void WriteGpt(const std::string& image, uint64_t diskSectors, const std::vector<GptEntry>& entries,
              uint64_t arrayLba) {
  WriteSectorAt(image, 0, TableSector({{0xEE, 1, uint32_t(diskSectors - 1)}}));
  std::vector<uint8_t> array(128 * 128, 0);
  static const uint8_t kBasicData[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                         0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* e = array.data() + 128 * i;
    std::memcpy(e, kBasicData, 16);
    e[16] = uint8_t(i + 1);
    bytes::Put64(e + 32, entries[i].first);
    bytes::Put64(e + 40, entries[i].last);
    for (size_t k = 0; k < entries[i].name.size() && k < 36; ++k) bytes::Put16(e + 56 + 2 * k, uint8_t(entries[i].name[k]));
  }
  std::vector<uint8_t> h(512, 0);
  std::memcpy(h.data(), "EFI PART", 8);
  bytes::Put32(h.data() + 8, 0x00010000);
  bytes::Put32(h.data() + 12, 92);
  bytes::Put64(h.data() + 24, 1);
  bytes::Put64(h.data() + 32, diskSectors - 1);
  bytes::Put64(h.data() + 40, 34);
  bytes::Put64(h.data() + 48, diskSectors - 34);
  bytes::Put64(h.data() + 72, arrayLba);
  bytes::Put32(h.data() + 80, 128);
  bytes::Put32(h.data() + 84, 128);
  bytes::Put32(h.data() + 88, crc::Crc32(array.data(), array.size()));
  bytes::Put32(h.data() + 16, crc::Crc32(h.data(), 92));
  WriteSectorAt(image, 1, h);
  if (arrayLba + 32 <= diskSectors)
    for (int s = 0; s < 32; ++s)
      WriteSectorAt(image, arrayLba + uint64_t(s),
                    std::vector<uint8_t>(array.begin() + s * 512, array.begin() + (s + 1) * 512));
}

uint32_t WriteMbrGroups(sim::SimDisk& disk, uint32_t signature, const std::vector<std::vector<MbrPart>>& groups) {
  sim::DriverLayout l;
  l.style = win::PARTITION_STYLE_MBR;
  l.signature = signature;
  for (const auto& group : groups) {
    for (const MbrPart& p : group) {
      sim::DriverPartition d;
      d.startLba = p.start;
      d.lengthSectors = p.length;
      d.mbrType = p.type;
      l.entries.push_back(d);
    }
    while (l.entries.size() % 4) l.entries.push_back({});
  }
  if (uint32_t err = sim::WriteDriverLayout(disk, l)) return err;
  for (const auto& group : groups)
    for (const MbrPart& p : group) {
      if (p.fileSystem.empty()) continue;
      sim::BootSectorParams b;
      b.fileSystem = p.fileSystem;
      b.startLba = p.start;
      b.lengthSectors = p.length;
      if (uint32_t err = sim::WriteBootSectors(disk, b)) return err;
    }
  return 0;
}

}  // namespace testing_support
