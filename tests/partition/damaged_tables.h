// Damaged table fixtures. GPT: a table made by sgdisk, then corrupted the
// way dd would corrupt it, or with one header field changed and the
// header's checksum made right again (so that the checks after the
// checksum meet the value). MBR: entries the driver's layout leaves out,
// on a 64 MiB image.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/crc32.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

namespace testing_support {

// On a 64 MiB image: an EFI system partition (2048, 8 MiB), a basic data
// partition (18432, 16 MiB) and a Linux one (51200, 16 MiB), both copies.
inline constexpr uint64_t kGptDiskSectors = 131072;
inline constexpr uint64_t kGptBackupLba = kGptDiskSectors - 1;

inline void MakeSgdiskGpt(const std::string& img) {
  ASSERT_EQ(Shell("truncate -s 64M " + img + " && sgdisk -o -n 1:2048:+8M -t 1:ef00 -n 2:0:+16M -t 2:0700 "
                  "-n 3:0:+16M -t 3:8300 " + img + " >/dev/null 2>&1"),
            0);
}

inline void FlipByte(const std::string& img, uint64_t lba, size_t offset) {
  std::vector<uint8_t> s = ReadSectorAt(img, lba);
  s[offset] ^= 0x01;
  WriteSectorAt(img, lba, s);
}

inline void PatchGptHeader(const std::string& img, uint64_t lba, size_t offset, uint32_t value) {
  std::vector<uint8_t> h = ReadSectorAt(img, lba);
  bytes::Put32(h.data() + offset, value);
  bytes::Put32(h.data() + 16, 0);
  bytes::Put32(h.data() + 16, crc::Crc32(h.data(), bytes::Get32(h.data() + 12)));
  WriteSectorAt(img, lba, h);
}

// A partition at 2048 (10 MiB) and an entry at 0xFFFFFF00 of 0xFFFF sectors.
inline void WritePastEndEntry(const std::string& img) {
  WriteSectorAt(img, 0, TableSector({{0x07, 2048, 20480}, {0x07, 0xFFFFFF00u, 0xFFFF}}));
}

// Four extended partitions; the first and the last hold a logical drive.
inline void WriteFourExtended(const std::string& img) {
  WriteSectorAt(img, 0,
                TableSector({{0x05, 2048, 30000}, {0x0F, 40064, 20000}, {0x05, 60064, 20000}, {0x0F, 80064, 40000}}));
  WriteSectorAt(img, 2048, TableSector({{0x07, 2048, 20000}}));
  WriteSectorAt(img, 80064, TableSector({{0x07, 2048, 10000}}));
}

// An extended partition at 2048 (to 122048) with a chain of 40 logical
// drives, one record every 2048 sectors.
inline void WriteLongChain(const std::string& img) {
  WriteSectorAt(img, 0, TableSector({{0x0F, 2048, 120000}}));
  for (uint32_t i = 0; i < 40; ++i)
    WriteSectorAt(img, 2048 + 2048 * i,
                  TableSector({{0x07, 63, 1000}, {uint8_t(i < 39 ? 0x05 : 0), 2048 * (i + 1), 2048}}));
}

}  // namespace testing_support
