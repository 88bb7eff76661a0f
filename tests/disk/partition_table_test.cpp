// Reading partition tables: images made by sfdisk, sgdisk and mkfs.fat,
// and hostile ones written by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>

#include "app/disk_map.h"
#include "app/language.h"
#include "disk/disk_table.h"
#include "disk/gpt_table.h"
#include "disk/partition_table.h"
#include "disk/partition_types.h"
#include "disk/volume_map.h"
#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "platform/winapi.h"
#include "partition/damaged_tables.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;

namespace {

struct DumpLine {
  uint64_t start, size;
  unsigned type;
};

// The partitions of `sfdisk --dump IMAGE`.
std::vector<DumpLine> SfdiskDump(const std::string& image) {
  std::string out;
  EXPECT_EQ(Shell("sfdisk --dump " + image, &out), 0) << out;
  std::vector<DumpLine> lines;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    unsigned long long start, size;
    unsigned type;
    size_t at = line.find(" : start=");
    if (at == std::string::npos) continue;
    if (std::sscanf(line.c_str() + at, " : start= %llu, size= %llu, type=%x", &start, &size, &type) == 3)
      lines.push_back({start, size, type});
  }
  return lines;
}

}  // namespace

class PartitionTableTest : public SimTest {
 protected:
  std::vector<disk::PartitionRecord> Records(int drive = 0) {
    std::vector<disk::PartitionRecord> r;
    EXPECT_GE(disk::ReadPartitionList(&r, drive), 0);
    return r;
  }
  std::vector<disk::PartitionEntry> Rows(int diskIndex0 = 0) {
    disk::RefreshDiskModel();
    std::vector<disk::PartitionEntry> rows;
    disk::BuildPartitionEntries(diskIndex0, &rows, true);
    return rows;
  }
};

TEST_F(PartitionTableTest, SfdiskChainOfLogicalDrivesAndFat32InTypeFour) {
  if (!HaveTool("sfdisk") || !HaveTool("mkfs.fat")) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  AddDisk("size=512MiB");
  std::string img = ImagePath(0);
  ASSERT_EQ(Shell("printf 'label: dos\\nstart=2048,size=204800,type=7\\nstart=206848,size=135168,type=4\\n"
                  "start=342016,type=5\\nsize=40960,type=7\\nsize=40960,type=b\\nsize=40960,type=7\\n' | "
                  "sfdisk -q " + img),
            0);
  ASSERT_EQ(Shell("mkfs.fat -F 32 -s 1 --offset 206848 " + img + " 67584 >/dev/null"), 0);
  Boot();
  std::vector<DumpLine> dump = SfdiskDump(img);
  ASSERT_EQ(dump.size(), 6u);
  auto records = Records();
  // Primaries in slot order (the extended partition is no record), then the
  // logical drives in chain order.
  ASSERT_EQ(records.size(), 5u);
  const DumpLine* expected[] = {&dump[0], &dump[1], &dump[3], &dump[4], &dump[5]};
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].StartLba, expected[i]->start) << i;
    EXPECT_EQ(records[i].LengthSectors, expected[i]->size) << i;
  }
  EXPECT_EQ(records[1].Type, 0x0B) << "type 0x04 whose boot sector says FAT32";
  EXPECT_EQ(records[0].Slot, 0);
  EXPECT_EQ(records[1].Slot, 1);
  EXPECT_EQ(disk::ExtendedStart, dump[2].start);
  EXPECT_EQ(disk::ExtendedLength, dump[2].size);
  for (size_t i = 2; i < 5; ++i) {
    // Each logical drive's table sector is an extended boot record whose
    // first entry leads to it.
    auto ebr = ReadSectorAt(img, records[i].TableLba);
    EXPECT_EQ(ebr[510], 0x55);
    EXPECT_EQ(records[i].TableLba + bytes::Get32(ebr.data() + 446 + 8), records[i].StartLba);
    EXPECT_EQ(records[i].Slot, 0);
  }
  // Display rows: all partitions; the free space behind the logical drives
  // (inside the extended partition) and the rest are not shown when small.
  auto rows = Rows();
  int logical = 0;
  for (auto& r : rows)
    if (r.RecordIndex >= 2) logical += r.IsPrimary == 0;
  EXPECT_EQ(logical, 3);
}

TEST_F(PartitionTableTest, SgdiskReservedPartitionBecomesTheHeaderRow) {
  if (!HaveTool("sgdisk") || !HaveTool("mkfs.fat")) GTEST_SKIP() << "sgdisk or mkfs.fat missing";
  AddDisk("size=1GiB");
  std::string img = ImagePath(0);
  ASSERT_EQ(Shell("sgdisk -a 1 -n 1:34:+128M -t 1:0c01 -c 1:'Microsoft reserved partition' -a 2048 -n 2:0:+100M "
                  "-t 2:0700 -n 3:0:0 -t 3:0700 " + img + " >/dev/null"),
            0);
  ASSERT_EQ(Shell("mkfs.fat -F 32 -s 1 --offset 264192 " + img + " 102400 >/dev/null"), 0);
  Boot();
  auto records = Records();
  ASSERT_EQ(records.size(), 2u) << "the reserved partition is never listed";
  EXPECT_TRUE(disk::IsGptDisk);
  EXPECT_EQ(disk::ReservedPartitionSlot, 0);
  EXPECT_EQ(records[0].StartLba, 264192u);
  EXPECT_EQ(records[0].LengthSectors, 204800u);
  EXPECT_EQ(records[0].Type, disk::kFsFat32) << "FAT32 on a GPT partition";
  EXPECT_EQ(records[1].StartLba, 468992u);
  EXPECT_EQ(records[1].Type, 0) << "a volume without a file system";
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].StartLba, 34u);
  EXPECT_EQ(rows[0].LengthSectors, 262144u);
  EXPECT_EQ(rows[0].RecordIndex, -1);
  EXPECT_EQ(app::DiskMapLabel(rows, 0, disk::IsGptDisk, disk::ReservedPartitionSlot), L"GPTHDR");
  EXPECT_GT(rows[1].DriveLetter, 0);
}

TEST_F(PartitionTableTest, WholeDiskFileSystems) {
  AddDisk("size=64MiB");   // mkfs.fat on the whole image: its boot sector names no known maker
  AddDisk("size=6TiB");    // an exFAT volume longer than 32 bits of sectors
  AddDisk("size=8MiB");    // an NTFS volume without a table
  AddDisk("size=40MiB");   // a FAT32 stick formatted by Windows
  sim::BootSectorParams big;
  big.fileSystem = "exFAT";
  big.lengthSectors = (6ull << 40) / 512;
  sim::BootSectorParams ntfs;
  ntfs.fileSystem = "NTFS";
  ntfs.lengthSectors = 16384;
  sim::BootSectorParams stick;
  stick.fileSystem = "FAT32";
  stick.lengthSectors = 81920;
  Boot();
  ASSERT_EQ(sim::WriteBootSectors(Sim().Disk(1), big), 0u);
  ASSERT_EQ(sim::WriteBootSectors(Sim().Disk(2), ntfs), 0u);
  ASSERT_EQ(sim::WriteBootSectors(Sim().Disk(3), stick), 0u);
  if (HaveTool("mkfs.fat")) {
    ASSERT_EQ(Shell("mkfs.fat -F 32 " + ImagePath(0) + " >/dev/null"), 0);
    EXPECT_TRUE(Records(0).empty());
  }
  auto r = Records(1);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].Type, disk::kFsExFat);
  EXPECT_EQ(r[0].LengthSectors, (6ull << 40) / 512) << "all 64 bits of the length";
  r = Records(2);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].Type, disk::kFsNtfs);
  EXPECT_EQ(r[0].LengthSectors, 16383u);
  r = Records(3);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].Type, disk::kTypeFat32WholeDisk);
  EXPECT_EQ(r[0].LengthSectors, 81920u);
}

TEST_F(PartitionTableTest, EmptyExtendedPartitionAndRowGaps) {
  AddDisk("size=200000s");
  std::string img = ImagePath(0);
  // Partitions with gaps of exactly 20480 and 20481 sectors, then an empty
  // extended partition.
  WriteSectorAt(img, 0,
                TableSector({{0x07, 2048, 10000}, {0x07, 32528, 10000}, {0x07, 63009, 10000}, {0x0F, 100000, 90000}}));
  WriteSectorAt(img, 100000, TableSector({{0x00, 0, 0}, {0x05, 40000, 1000}}));  // empty first entry ends the chain
  Boot();
  auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[3].Type, disk::kTypeEmptyExtended);
  EXPECT_EQ(records[3].StartLba, 100000u);
  EXPECT_EQ(records[3].LengthSectors, 90000u);
  EXPECT_EQ(records[3].Slot, 4);
  auto rows = Rows();
  // 2048..12048, 32528 (gap 20480: not shown), 63009 (gap 20481: shown),
  // then the extended partition and the free space behind it.
  std::vector<std::pair<uint64_t, int>> got;
  for (auto& r : rows) got.push_back({r.StartLba, r.RecordIndex});
  std::vector<std::pair<uint64_t, int>> want = {{2048, 0},  {32528, 1},  {42528, -1},
                                                {63009, 2}, {73009, -1}, {100000, 3}};
  ASSERT_EQ(got, want);
  EXPECT_EQ(rows[5].IsPrimary, 0) << "the pseudo-record lies inside the extended partition";
}

TEST_F(PartitionTableTest, FreeSpaceAtTheEndOfTheExtendedPartition) {
  AddDisk("size=400000s");
  std::string img = ImagePath(0);
  WriteSectorAt(img, 0, TableSector({{0x07, 2048, 50000}, {0x0F, 60000, 200000}}));
  WriteSectorAt(img, 60000, TableSector({{0x07, 2048, 50000}}));
  Boot();
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  // the primary, the logical drive 62048..112048 (the 10000-sector gap in
  // front of it is not shown), free space inside the extended partition up
  // to its end, free space outside it up to the disk's end
  EXPECT_EQ(rows[1].StartLba, 62048u);
  EXPECT_EQ(rows[1].IsPrimary, 0);
  EXPECT_EQ(rows[2].StartLba, 112048u);
  EXPECT_EQ(rows[2].LengthSectors, 260000u - 112048u);
  EXPECT_EQ(rows[2].IsPrimary, 0);
  EXPECT_EQ(app::DiskMapLabel(rows, 2, false, -1), app::T(L"IDS_Free"));
  EXPECT_EQ(rows[3].StartLba, 260000u);
  EXPECT_EQ(rows[3].IsPrimary, 1);
  // The last 63 sectors of the extended partition count as outside it.
  EXPECT_TRUE(disk::IsInsideExtended(260000 - 64));
  EXPECT_FALSE(disk::IsInsideExtended(260000 - 63));
}

TEST_F(PartitionTableTest, HostileChainsEndWithoutHangingOrOverflowing) {
  struct Case {
    const char* name;
    void (*build)(const std::string& img);
    size_t logicalDrives;
  } cases[] = {
      {"self loop",
       [](const std::string& img) {
         WriteSectorAt(img, 0, TableSector({{0x0F, 1000, 100000}}));
         WriteSectorAt(img, 1000, TableSector({{0x07, 63, 100}, {0x05, 0, 1000}}));
       },
       1},
      {"two records pointing at each other",
       [](const std::string& img) {
         WriteSectorAt(img, 0, TableSector({{0x0F, 1000, 100000}}));
         WriteSectorAt(img, 1000, TableSector({{0x07, 63, 100}, {0x05, 500, 1000}}));
         WriteSectorAt(img, 1500, TableSector({{0x07, 63, 100}, {0x05, 0, 1000}}));
       },
       2},
      {"a chain that runs on",
       [](const std::string& img) {
         WriteSectorAt(img, 0, TableSector({{0x0F, 1000, 190000}}));
         for (uint32_t i = 0; i < 100; ++i)
           WriteSectorAt(img, 1000 + 200 * i, TableSector({{0x07, 63, 100}, {0x05, 200 * (i + 1), 200}}));
       },
       size_t(disk::kMaxRecords)},
      {"a link outside the extended partition",
       [](const std::string& img) {
         WriteSectorAt(img, 0, TableSector({{0x0F, 1000, 5000}}));
         WriteSectorAt(img, 1000, TableSector({{0x07, 63, 100}, {0x05, 4000000000u, 1000}}));
       },
       1},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::string img = dir.File("hostile.img");
    config_.disks.clear();
    sim::DiskConfig d;
    std::string err;
    ASSERT_TRUE(sim::ParseDiskOption(img + ",size=200000s", &d, &err));
    config_.disks.push_back(d);
    Boot();
    c.build(img);
    auto start = std::chrono::steady_clock::now();
    auto records = Records();
    auto rows = Rows();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.name;
    EXPECT_EQ(records.size(), c.logicalDrives) << c.name;
    EXPECT_EQ(Sim().Disk(0).outOfRange, 0u) << c.name;
    EXPECT_FALSE(rows.empty()) << c.name;
  }
}

TEST_F(PartitionTableTest, DamagedGptEntriesAreSkippedAndNothingIsReadOutsideTheDisk) {
  AddDisk("size=100000s");
  AddDisk("size=100000s");
  Boot();
  WriteGpt(ImagePath(0), 100000,
           {{2048, 10000, "ok"},
            {20000, 19999, "ends before it starts"},
            {30000, 100000, "reaches past the end"},
            {40000, 50000, "also ok"}});
  WriteGpt(ImagePath(1), 100000, {{2048, 10000, "array beyond the disk"}}, 4000000000u);
  auto records = Records(0);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].StartLba, 2048u);
  EXPECT_EQ(records[0].LengthSectors, 7953u);
  EXPECT_EQ(records[1].StartLba, 40000u);
  EXPECT_TRUE(Records(1).empty());
  EXPECT_EQ(Sim().Disk(0).outOfRange + Sim().Disk(1).outOfRange, 0u);
}

TEST_F(PartitionTableTest, DamagedGptIsReadFromItsBackupOrNotAtAll) {
  if (!HaveTool("sgdisk")) GTEST_SKIP() << "sgdisk missing";
  const uint64_t last = kGptBackupLba;
  struct Case {
    const char* name;
    std::function<void(const std::string&)> damage;
    gpt::Fault primary, backup;  // the first check each copy fails
    disk::GptRead read;          // which copy the partitions come from
  } cases[] = {
      {"primary array checksum", [](auto& img) { FlipByte(img, 2, 200); }, gpt::Fault::ArrayCrc, gpt::Fault::None,
       disk::GptRead::Backup},
      {"primary header checksum", [](auto& img) { FlipByte(img, 1, 20); }, gpt::Fault::HeaderCrc, gpt::Fault::None,
       disk::GptRead::Backup},
      {"both header checksums", [&](auto& img) { FlipByte(img, 1, 20), FlipByte(img, last, 20); },
       gpt::Fault::HeaderCrc, gpt::Fault::HeaderCrc, disk::GptRead::None},
      {"entry count 0xFFFFFFFF in both",
       [&](auto& img) { PatchGptHeader(img, 1, 80, 0xFFFFFFFF), PatchGptHeader(img, last, 80, 0xFFFFFFFF); },
       gpt::Fault::ArraySize, gpt::Fault::ArraySize, disk::GptRead::None},
      {"entry size 0 in the primary", [](auto& img) { PatchGptHeader(img, 1, 84, 0); }, gpt::Fault::EntrySize,
       gpt::Fault::None, disk::GptRead::Backup},
      {"entry size 0x80000000 in both",
       [&](auto& img) { PatchGptHeader(img, 1, 84, 0x80000000), PatchGptHeader(img, last, 84, 0x80000000); },
       gpt::Fault::EntrySize, gpt::Fault::EntrySize, disk::GptRead::None},
      {"a checksum wrong before an entry size wrong",
       [](auto& img) { PatchGptHeader(img, 1, 84, 0), FlipByte(img, 1, 20); }, gpt::Fault::HeaderCrc,
       gpt::Fault::None, disk::GptRead::Backup},
      {"primary names another sector", [](auto& img) { PatchGptHeader(img, 1, 24, 7); }, gpt::Fault::MyLba,
       gpt::Fault::None, disk::GptRead::Backup},
      {"primary array over the partitions", [](auto& img) { PatchGptHeader(img, 1, 72, 2048); },
       gpt::Fault::ArrayPlacement, gpt::Fault::None, disk::GptRead::Backup},
      {"backup header checksum", [&](auto& img) { FlipByte(img, last, 20); }, gpt::Fault::None,
       gpt::Fault::HeaderCrc, disk::GptRead::Primary},
  };
  // sgdisk takes its time: one table, copied for each case.
  TempDir made;
  std::string original = made.File("gpt.img");
  MakeSgdiskGpt(original);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string img = dir.File("gpt.img");
    ASSERT_EQ(Shell("cp --sparse=always " + original + " " + img), 0);
    c.damage(img);
    config_.disks.clear();
    sim::DiskConfig d;
    std::string err;
    ASSERT_TRUE(sim::ParseDiskOption(img, &d, &err)) << err;
    config_.disks.push_back(d);
    Boot();
    disk::GptState st = disk::InspectGpt(0);
    EXPECT_TRUE(st.present);
    EXPECT_EQ(st.primary, c.primary);
    EXPECT_EQ(st.backup, c.backup);
    EXPECT_FALSE(st.FullyValid());
    auto records = Records();
    EXPECT_TRUE(disk::IsGptDisk);
    EXPECT_EQ(disk::GptTableRead, c.read);
    // The simulated driver reads the same copy, or fails the layout
    // request as Windows does for a disk whose GPT it cannot read.
    sim::DriverLayout layout;
    uint32_t error = 0;
    bool readable = sim::ReadDriverLayout(Sim().Disk(0), &layout, &error);
    if (c.read == disk::GptRead::None) {
      EXPECT_TRUE(records.empty());
      EXPECT_FALSE(readable);
      EXPECT_EQ(error, win::ERROR_DISK_CORRUPT);
      continue;
    }
    ASSERT_TRUE(readable);
    EXPECT_EQ(layout.style, win::PARTITION_STYLE_GPT);
    EXPECT_EQ(layout.entries.size(), 3u);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].StartLba, 2048u);
    EXPECT_EQ(records[2].StartLba, 51200u);
    EXPECT_EQ(records[2].LengthSectors, 32768u);
    // Without volumes the type names what each partition is.
    EXPECT_EQ(disk::PartitionTypeName(records[0].Type), L"EFI");
    EXPECT_EQ(disk::PartitionTypeName(records[2].Type), L"Linux");
  }
}

TEST_F(PartitionTableTest, SpaceAnyEntryHoldsIsNeverFree) {
  // Rows as "start:kind": P a partition, U space in use, F free, L free
  // inside the extended partition.
  struct Case {
    const char* name;
    std::function<void(const std::string&)> build;
    std::string rows;
  } cases[] = {
      {"an entry past the end of a 64 MiB disk", WritePastEndEntry, "2048:P 22528:F 4294967040:P"},
      {"four extended partitions", WriteFourExtended, "2048:U 40064:U 60064:U 82112:P 92112:L"},
      {"a chain longer than the record list", WriteLongChain, ""},
      {"a record whose first entry is an extended partition",
       [](auto& img) {
         WriteSectorAt(img, 0, TableSector({{0x0F, 2048, 100000}}));
         WriteSectorAt(img, 2048, TableSector({{0x07, 2048, 20000}, {0x05, 40000, 40000}}));
         WriteSectorAt(img, 42048, TableSector({{0x0F, 2048, 30000}}));
       },
       "4096:P 42048:U 102048:F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    config_.disks.clear();
    sim::DiskConfig d;
    std::string err;
    ASSERT_TRUE(sim::ParseDiskOption(dir.File("mbr.img") + ",size=64MiB", &d, &err));
    config_.disks.push_back(d);
    Boot();
    c.build(d.image);
    auto rows = Rows();
    std::string got;
    for (const disk::PartitionEntry& r : rows) {
      char kind = r.RecordIndex < 0 ? (r.IsPrimary ? 'F' : 'L') : r.Type == disk::kTypeInUse ? 'U' : 'P';
      got += (got.empty() ? "" : " ") + std::to_string(r.StartLba) + ":" + kind;
      if (r.RecordIndex >= 0) continue;
      EXPECT_LE(r.StartLba + r.LengthSectors, 131072u) << "free space lies on the disk";
      for (const disk::PartitionEntry& p : rows) {
        if (p.RecordIndex < 0) continue;
        EXPECT_TRUE(r.StartLba + r.LengthSectors <= p.StartLba || p.StartLba + p.LengthSectors <= r.StartLba)
            << "free row at " << r.StartLba << " over the entry at " << p.StartLba;
      }
    }
    if (!c.rows.empty()) {
      EXPECT_EQ(got, c.rows);
      continue;
    }
    // The long chain: the record list's last place holds the rest of it.
    ASSERT_EQ(rows.size(), size_t(disk::kMaxRecords)) << got;
    EXPECT_EQ(rows.back().Type, disk::kTypeInUse);
    EXPECT_EQ(rows.back().StartLba, 2048u + 2048u * 31);
    EXPECT_EQ(rows.back().StartLba + rows.back().LengthSectors, 122048u);
  }
}
