// The destination plan: Auto, Same and Manual against their formulas, the
// conversion to GPT on a 3 TiB destination (checked by sgdisk), a smaller
// destination that still holds the used data, partitions that must keep
// their size, and the rules every plan must keep.
#include <gtest/gtest.h>

#include <cstring>

#include "duplicate/destination_prep.h"
#include "disk/partition_types.h"
#include "duplicate/dup_fixture.h"
#include "duplicate/planned_rows.h"

using namespace testing_support;
using duplicate::Expansion;
using duplicate::PlanStatus;
using partition::LayoutSlotTable;

namespace {

constexpr uint64_t GiB = 2097152;  // sectors
constexpr uint64_t MiB = 2048;

struct Placed {
  uint64_t start, length;
  bool operator==(const Placed&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Placed& p) { return os << "{" << p.start << ", " << p.length << "}"; }

class PlanTest : public DupTest {
 protected:
  // Source drive 0 and a destination drive 1 of the given sizes (sparse).
  void Disks(uint64_t sourceSectors, uint64_t destinationSectors) {
    AddDisk("size=" + std::to_string(sourceSectors * 512));
    AddDisk("size=" + std::to_string(destinationSectors * 512));
    Boot();
  }
  Placed At(int slot) {
    const partition::LayoutSlot& s = LayoutSlotTable[slot];
    return {s.destinationStartBytes / 512, s.destinationLengthBytes / 512};
  }
  std::vector<Placed> Plan() {
    std::vector<Placed> out;
    for (int i = 0; i < duplicate::PlanSlotCount; ++i)
      if (!LayoutSlotTable[i].IsEmpty()) out.push_back(At(i));
    return out;
  }
};

TEST_F(PlanTest, AutoAndSameFollowTheirFormulas) {
  const uint64_t d150 = 150 * GiB, d200 = 200 * GiB;
  struct Case {
    const char* what;
    std::vector<DupPart> parts;
    bool windowsInSecond;
    uint64_t destination;
    Expansion mode;
    std::vector<Placed> plan;
  } cases[] = {
      // The boot partition keeps size and start; Windows runs to the very end.
      {"windows", {{2048, 100 * MiB}, {2048 + 100 * MiB, 100 * GiB - 2048 - 100 * MiB}}, true, d200, Expansion::Auto,
       {{2048, 100 * MiB}, {2048 + 100 * MiB, d200 - 2048 - 100 * MiB}}},
      // Scaled by 1.5 and rounded down to 1 MiB; the last runs to the end
      // rounded down to 1 MiB.
      {"data", {{2048, 40 * GiB}, {2048 + 40 * GiB, 60 * GiB - 2048}}, false, d150, Expansion::Auto,
       {{2048, 60 * GiB}, {2048 + 60 * GiB, (d150 - 2048 - 60 * GiB) / MiB * MiB}}},
      // Same: the sizes of the source, packed, never rounded.
      {"same", {{2048, 1 * GiB + 7}, {4 * GiB, 2 * GiB + 5}}, false, d200, Expansion::Same,
       {{2048, 1 * GiB + 7}, {2048 + 1 * GiB + 7, 2 * GiB + 5}}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    config_.disks.clear();
    config_.volumes.clear();
    // The boot partition has no letter, as on an installed system.
    if (c.windowsInSecond) config_.volumes.push_back({0, 2048, 0, true, "", false});
    AddDisk("size=" + std::to_string(100 * GiB * 512), "s" + std::to_string(++n) + ".img");
    AddDisk("size=" + std::to_string(c.destination * 512), "d" + std::to_string(n) + ".img");
    Boot();
    Layout(0, {c.parts});
    if (c.windowsInSecond) PutFile(disk::DriveLetterOf(c.parts[1].start, 0), "Windows/System32/Kernel32.dll");
    ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, c.mode), PlanStatus::Ok);
    EXPECT_EQ(Plan(), c.plan);
    EXPECT_EQ(duplicate::WindowsSlot, c.windowsInSecond ? 1 : 0);
  }
}

TEST_F(PlanTest, ManualRowsResizeMoveAndComeBackBySlot) {
  Disks(100 * GiB, 150 * GiB);
  // A partition without a letter between two lettered ones.
  Layout(0, {{{2048, 30 * GiB}, {2048 + 30 * GiB, 10 * GiB, 0x83, ""}, {2048 + 40 * GiB, 60 * GiB - 2048}}});
  wchar_t e = wchar_t(disk::DriveLetterOf(2048, 0)), f = wchar_t(disk::DriveLetterOf(2048 + 40 * GiB, 0));
  PutFile(e, "a.bin", 8ull << 30);
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Manual), PlanStatus::Ok);
  auto& rows = duplicate::PlannedRows;
  ASSERT_EQ(rows.size(), 3u);
  // The first row: at least its used data and a quarter, at most itself.
  ASSERT_TRUE(duplicate::SelectPlannedRow(0));
  EXPECT_EQ(duplicate::ManualMinimum, 10 * GiB);
  EXPECT_EQ(duplicate::ManualMaximum, 45 * GiB);
  EXPECT_EQ(duplicate::ApplyManualSize(L"0"), 10 * GiB);
  // The rows behind move; the room left at the end is a free row.
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1].entry.StartLba, 2048 + 10 * GiB);
  EXPECT_EQ(rows[3].slot, -1);
  EXPECT_EQ(rows[3].entry.LengthSectors, 35 * GiB);
  // Within a megabyte of the maximum is the maximum: the free row is used up.
  ASSERT_TRUE(duplicate::SelectPlannedRow(2));
  uint64_t maximum = duplicate::ManualMaximum;
  EXPECT_EQ(duplicate::ApplyManualSize(std::to_wstring(maximum / MiB)), maximum);
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_FALSE(duplicate::SelectPlannedRow(5));
  ASSERT_EQ(duplicate::CarryManualSizes(), PlanStatus::Ok);
  // Each slot got its own row: the one without a letter did not take a
  // lettered row's place. The Linux partition keeps its size: its sectors
  // are copied.
  EXPECT_EQ(At(0), (Placed{2048, 10 * GiB}));
  EXPECT_EQ(At(1), (Placed{2048 + 10 * GiB, 10 * GiB}));
  EXPECT_EQ(At(2).start, 2048 + 20 * GiB);
  EXPECT_EQ(At(2).start + At(2).length, (150 * GiB) / MiB * MiB);
  (void)f;
}

TEST_F(PlanTest, ASmallerDestinationThatHoldsTheUsedDataShrinksThePartitions) {
  Disks(100 * GiB, 50 * GiB);
  Layout(0, {{{2048, 50 * GiB}, {2048 + 50 * GiB, 50 * GiB - 2048}}});
  wchar_t e = wchar_t(disk::DriveLetterOf(2048, 0)), f = wchar_t(disk::DriveLetterOf(2048 + 50 * GiB, 0));
  PutFile(e, "a.bin", 4ull << 30);
  PutFile(f, "b.bin", 30ull << 30);
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  uint64_t usedE = disk::UsedSectorsOfLetter(e), usedF = disk::UsedSectorsOfLetter(f);
  EXPECT_GE(At(0).length, usedE + usedE / 4);
  EXPECT_GE(At(1).length, usedF + usedF / 4);
  EXPECT_EQ(At(1).start, At(0).start + At(0).length);
  EXPECT_LE(At(1).start + At(1).length, 50 * GiB);
  duplicate::DuplicationJob.DestinationDisk = 2;
  EXPECT_EQ(duplicate::CheckBasicFit(), PlanStatus::Ok);
  // Same keeps the sizes, which do not fit.
  EXPECT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Same), PlanStatus::TooSmall);
  // More used data than the destination holds.
  PutFile(f, "c.bin", 10ull << 30);
  EXPECT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::TooSmall);
}

TEST_F(PlanTest, APartitionCopiedBySectorsKeepsItsSizeOrThePlanIsRefused) {
  Disks(100 * GiB, 50 * GiB);
  Layout(0, {{{2048, 1 * GiB, 0x27}, {2048 + 1 * GiB, 99 * GiB - 2048}}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  EXPECT_TRUE(duplicate::IsSectorCopiedSlot(0));
  EXPECT_EQ(At(0), (Placed{2048, 1 * GiB}));
  // Manual cannot change it either.
  ASSERT_TRUE(duplicate::SelectPlannedRow(0));
  EXPECT_EQ(duplicate::ManualMinimum, 1 * GiB);
  EXPECT_EQ(duplicate::ManualMaximum, 1 * GiB);
  // Shrunk behind the planner's back, the plan is refused.
  LayoutSlotTable[0].destinationLengthBytes -= 512;
  EXPECT_EQ(duplicate::CheckPlan(50 * GiB), PlanStatus::Impossible);
}

TEST_F(PlanTest, EveryPlanKeepsTheRulesOfItsDisk) {
  Disks(100 * GiB, 10 * GiB);
  Layout(0, {{{2048, 1 * GiB}, {2048 + 1 * GiB, 8 * GiB, 0x0F, ""}},
             {{2048 + 1 * GiB + 2048, 4 * GiB - 2048, 0x07, ""}, {2048 + 5 * GiB, 2048 + 2 * GiB, 0x05, ""}},
             {{2048 + 5 * GiB + 2048, 2 * GiB, 0x07, ""}}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  const uint64_t disk = 10 * GiB;
  struct Case {
    const char* what;
    int slot;
    int64_t start, length;  // -1 keeps
  } cases[] = {
      {"zero length", 0, -1, 0},
      {"past the end", 1, -1, int64_t(disk)},
      {"overlapping", 1, 2048 + 512, -1},
      {"logical drive outside its container", 4, 2048, -1},
      {"logical drive over the next record", 4, -1, int64_t(4 * GiB)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    partition::LayoutSlot saved = LayoutSlotTable[c.slot];
    if (c.start >= 0) LayoutSlotTable[c.slot].destinationStartBytes = uint64_t(c.start) * 512;
    if (c.length >= 0) LayoutSlotTable[c.slot].destinationLengthBytes = uint64_t(c.length) * 512;
    EXPECT_EQ(duplicate::CheckPlan(disk), PlanStatus::Impossible);
    LayoutSlotTable[c.slot] = saved;
  }
  EXPECT_EQ(duplicate::CheckPlan(disk), PlanStatus::Ok);
}

TEST_F(PlanTest, AnMbrSourceBecomesGptOnThreeTiB) {
  NEED_TOOLS("sgdisk");
  const uint64_t destination = 3ull * 1024 * GiB;
  Disks(100 * GiB, destination);
  // A primary partition and two logical drives, the first of them hidden.
  Layout(0, {{{2048, 20 * GiB}, {2048 + 20 * GiB, 80 * GiB - 2048, 0x0F, ""}},
             {{2048 + 20 * GiB + 2048, 10 * GiB, 0x17, ""}, {4096 + 30 * GiB, 2048 + 10 * GiB, 0x05, ""}},
             {{4096 + 30 * GiB + 2048, 10 * GiB}}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  EXPECT_TRUE(duplicate::ConvertToGpt);
  // The reserved partition first, then every partition as a plain entry:
  // no container, no link.
  std::vector<Placed> plan = Plan();
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[0], (Placed{34, 262144}));
  EXPECT_EQ(plan[1].start, 264192u);
  for (int i = 0; i < duplicate::PlanSlotCount; ++i) {
    EXPECT_NE(LayoutSlotTable[i].type, 0x0F);
    EXPECT_NE(LayoutSlotTable[i].type, 0x05);
  }
  // The last partition ends at the last usable sector, the backup area free.
  EXPECT_EQ(plan[3].start + plan[3].length, destination - 33);
  // The driver takes it, and sgdisk finds the table sound.
  ASSERT_TRUE(duplicate::WriteDestinationLayout(1));
  std::string out;
  EXPECT_EQ(Shell("sgdisk -v " + ImagePath(1), &out), 0) << out;
  EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  EXPECT_EQ(Shell("sgdisk -i 4 " + ImagePath(1), &out), 0);
  EXPECT_NE(out.find("Last sector: " + std::to_string(destination - 34) + " "), std::string::npos) << out;
  // The hidden logical drive keeps its size (its sectors are copied) and
  // stays hidden, without a drive letter.
  EXPECT_EQ(plan[2].length, 10 * GiB);
  EXPECT_EQ(Shell("sgdisk -i 3 " + ImagePath(1), &out), 0);
  EXPECT_NE(out.find("Attribute flags: C000000000000000"), std::string::npos) << out;
  EXPECT_EQ(Shell("sgdisk -i 2 " + ImagePath(1), &out), 0);
  EXPECT_NE(out.find("Attribute flags: 0000000000000000"), std::string::npos) << out;
}

// Partitioning tools write the extended partition with either type byte,
// and the records' links too: each logical drive finds its container, and
// the destination gets the same chain, sound to sfdisk.
TEST_F(PlanTest, AnExtendedPartitionOfEitherTypeKeepsItsLogicalDrives) {
  NEED_TOOLS("sfdisk");
  Disks(100 * GiB, 200 * GiB);
  struct Case {
    uint8_t container, link;
  } cases[] = {{0x05, 0x05}, {0x0F, 0x05}, {0x05, 0x0F}, {0x0F, 0x0F}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "container " << int(c.container) << ", link " << int(c.link));
    Layout(0, {{{2048, 20 * GiB}, {2048 + 20 * GiB, 80 * GiB - 2048, c.container, ""}},
               {{2048 + 20 * GiB + 2048, 10 * GiB}, {4096 + 30 * GiB, 2048 + 10 * GiB, c.link, ""}},
               {{4096 + 30 * GiB + 2048, 10 * GiB}}});
    ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
    EXPECT_EQ(LayoutSlotTable[1].logical, 0);
    EXPECT_EQ(LayoutSlotTable[4].container, 1);
    EXPECT_EQ(LayoutSlotTable[8].container, 1);
    ASSERT_TRUE(duplicate::WriteDestinationLayout(1));
    std::string out;
    EXPECT_EQ(Shell("sfdisk -V " + ImagePath(1) + " 2>&1", &out), 0) << out;
    EXPECT_EQ(Shell("sfdisk -d " + ImagePath(1) + " 2>&1", &out), 0) << out;
    for (const char* p : {"1 : start=", "2 : start=", "5 : start=", "6 : start="})
      EXPECT_NE(out.find(p), std::string::npos) << p << "\n" << out;
  }
}

// Seven logical drives are what the plan holds; an eighth would be left out
// of the copy, so such a source is refused instead.
TEST_F(PlanTest, ASourceWithMoreLogicalDrivesThanThePlanHoldsIsRefused) {
  Disks(100 * GiB, 200 * GiB);
  for (int drives : {7, 8}) {
    SCOPED_TRACE(drives);
    const uint64_t first = 2048 + 10 * GiB;  // the extended partition
    std::vector<std::vector<DupPart>> groups{{{2048, 10 * GiB}, {first, 50 * GiB, 0x0F, ""}}};
    for (int k = 0; k < drives; ++k) {
      uint64_t ebr = first + uint64_t(k) * (GiB + 2048);
      groups.push_back({{ebr + 2048, GiB}});
      if (k + 1 < drives) groups.back().push_back({ebr + GiB + 2048, GiB + 2048, 0x05, ""});
    }
    Layout(0, groups);
    EXPECT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto),
              drives == 7 ? PlanStatus::Ok : PlanStatus::TooManyPartitions);
  }
}

TEST_F(PlanTest, ASourceEntryReachingPastTheDiskEndIsRefused) {
  // The system does not report such an entry; left out of the plan, its
  // partition would be missing from the copy without a word.
  Disks(100 * GiB, 200 * GiB);
  Layout(0, {{{2048, 10 * GiB}, {2048 + 10 * GiB, 50 * GiB}}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  const uint32_t pastEnd = uint32_t(100 * GiB - 10 * GiB);  // ends 2048 sectors behind the last
  std::memcpy(&mbr[446 + 16 + 12], &pastEnd, 4);
  WriteSectorAt(ImagePath(0), 0, mbr);
  EXPECT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::SourceOutsideDisk);
  // A GPT entry the same: its partition is not reported either.
  WriteGpt(ImagePath(0), 100 * GiB, {{2048, 10 * GiB, "first"}, {10 * GiB + 1, 100 * GiB - 34, "second"}});
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
  WriteGpt(ImagePath(0), 100 * GiB, {{2048, 10 * GiB, "first"}, {10 * GiB + 1, 100 * GiB + 2047, "second"}});
  EXPECT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::SourceOutsideDisk);
}

TEST_F(PlanTest, TheFitChecksCountIn64Bits) {
  Disks(64 * MiB, 64 * MiB);
  Layout(0, {{{2048, 32 * MiB}}});
  wchar_t e = wchar_t(disk::DriveLetterOf(2048, 0));
  PutFile(e, "a.bin", 2000 * 512);
  partition::LayoutSlot& s = LayoutSlotTable[0];
  s = partition::LayoutSlot{};
  s.type = 0x07;
  s.lengthBytes = 32 * MiB * 512;
  s.sourceLetter = e;
  duplicate::PlanSlotCount = 1;
  // 2^32 + 100 sectors: its low 32 bits (100) would not hold the data.
  s.destinationLengthBytes = ((1ull << 32) + 100) * 512;
  EXPECT_EQ(duplicate::CheckBasicFit(), PlanStatus::Ok);
  s.destinationLengthBytes = 0;
  EXPECT_EQ(duplicate::CheckBasicFit(), PlanStatus::Impossible);
  s.destinationLengthBytes = 100 * 512;
  EXPECT_EQ(duplicate::CheckBasicFit(), PlanStatus::TooSmall);
}

}  // namespace

namespace {

TEST_F(PlanTest, AGptSourceKeepsItsSystemPartitionsAndFitsLargerAndSmallerDisks) {
  NEED_TOOLS("sgdisk");
  int n = 0;
  for (uint64_t destination : {8 * GiB, 2 * GiB}) {
    SCOPED_TRACE(destination);
    config_.disks.clear();
    ++n;
    AddDisk("size=4GiB", "gs" + std::to_string(n) + ".img");
    AddDisk("size=" + std::to_string(destination * 512), "gd" + std::to_string(n) + ".img");
    // EFI system, reserved, Windows (basic data) and a recovery partition at the end.
    ASSERT_EQ(Shell("sgdisk -n 1:2048:+100M -t 1:ef00 -n 2:0:+16M -t 2:0c01 -n 3:0:-500M -t 3:0700 "
                    "-n 4:0:0 -t 4:2700 " + ImagePath(0)), 0);
    Boot();
    disk::RefreshDiskModel();
    wchar_t c = wchar_t(disk::DriveLetterOf(2048 + 100 * MiB + 16 * MiB, 0));
    ASSERT_GT(c, 0);
    PutFile(c, "Windows/System32/Kernel32.dll", 4096);
    ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, Expansion::Auto), PlanStatus::Ok);
    EXPECT_FALSE(duplicate::ConvertToGpt);
    std::vector<Placed> plan = Plan();
    ASSERT_EQ(plan.size(), 4u);
    // The system partitions keep their sizes; Windows takes what is left
    // in front of the recovery partition, which ends at the last usable sector.
    EXPECT_EQ(plan[0], (Placed{2048, 100 * MiB}));
    EXPECT_EQ(plan[1].length, 16 * MiB);
    EXPECT_EQ(plan[3].length, LayoutSlotTable[3].LengthSectors());
    EXPECT_EQ(plan[2].start + plan[2].length, plan[3].start);
    EXPECT_LE(plan[3].start + plan[3].length, destination - 33);
    EXPECT_GT(plan[3].start + plan[3].length + 2048, destination - 33);
    // The rows shown carry their GPT types; the reserved partition is not shown.
    auto& job = duplicate::DuplicationJob;
    job.CopyMode = duplicate::CopyKind::Basic;
    job.SourceIsGpt = true;
    job.DestinationDisk = 2;
    bool gpt = false;
    std::vector<std::wstring> types;
    for (const duplicate::PlannedLine& l : duplicate::PlannedLines(&gpt))
      if (!l.free) types.push_back(disk::GptPartitionTypeName(l.gptType));
    EXPECT_TRUE(gpt);
    EXPECT_EQ(types, (std::vector<std::wstring>{L"EFI system", L"Basic data", L"Windows recovery"}));
    ASSERT_TRUE(duplicate::WriteDestinationLayout(1));
    std::string out;
    EXPECT_EQ(Shell("sgdisk -v " + ImagePath(1), &out), 0) << out;
    EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  }
}

}  // namespace
