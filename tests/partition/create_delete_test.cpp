// Creating and deleting partitions through the manager window, read back
// with sfdisk and sgdisk: where new partitions go, that every partition not
// deleted stays where it was, that the extended boot record chain reaches
// every logical drive, and that a GPT disk stays a valid GPT.
#include <gtest/gtest.h>

#include "partition/partition_fixture.h"
#include "platform/sim/sim_layout.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::Outcome;

class CreateDeleteTest : public PartitionTest {};

TEST_F(CreateDeleteTest, BlankDiskGetsPrimariesAnExtendedPartitionAndLogicalDrives) {
  NEED_TOOLS("sfdisk");
  // From Windows Vista on partitions lie on 1 MiB boundaries, the first at
  // 1 MiB; older systems start at sector 63. Logical drives follow their
  // extended boot record by the same 1 MiB, or by one track of 63 sectors.
  struct Case {
    uint32_t windowsMajor;
    uint64_t first, logical;
  } cases[] = {{10, 2048, 2048}, {6, 2048, 2048}, {5, 63, 63}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.windowsMajor);
    config_.disks.clear();
    config_.versionMajor = c.windowsMajor;
    AddDisk("size=1GiB", "blank" + std::to_string(c.windowsMajor) + ".img");
    Boot();
    ASSERT_EQ(Create(-1, 100, Kind::Primary), Outcome::Done);
    // Behind the first partition, as a free region is chosen in the map.
    ASSERT_EQ(Create(1, 200, Kind::Primary, L"FAT32", partition::kQuickFormat), Outcome::Done);
    ASSERT_EQ(Create(2, 400, Kind::Extended), Outcome::Done);
    // The empty extended partition is one row; the first logical drive goes there.
    ASSERT_EQ(Create(2, 100, Kind::Logical, L"NTFS"), Outcome::Done);
    ASSERT_EQ(Create(3, 150, Kind::Logical, L"FAT", partition::kQuickFormat), Outcome::Done);

    SfdiskTable t = Sfdisk(ImagePath(0));
    EXPECT_EQ(t.labelId, "0xa4b57300") << "the signature of a new disk survives later changes";
    const uint64_t ext = c.first + 204800 + 409600;
    std::vector<SfdiskLine> expected = {{c.first, 204800, 0x07},
                                        {c.first + 204800, 409600, 0x0C},
                                        {ext, 819200, 0x0F},
                                        {ext + c.logical, 204800 - c.logical, 0x07},
                                        {ext + 204800 + c.logical, 307200 - c.logical, 0x06}};
    EXPECT_EQ(t.parts, expected);
    EXPECT_EQ(Shell("sfdisk --verify " + ImagePath(0)), 0);
    // The formats asked for were made.
    auto fs = [](wchar_t letter) { return disk::FileSystemTypeOfLetter(letter); };
    EXPECT_EQ(fs(L'D'), disk::kFsFat32);
    EXPECT_EQ(fs(L'E'), 0) << "the first logical drive was not formatted";
    EXPECT_EQ(fs(L'F'), disk::kFsFat);
  }
}

TEST_F(CreateDeleteTest, NewPartitionsBehindUnalignedOnesStartOnTheNextMebibyte) {
  NEED_TOOLS("sfdisk");
  // A disk partitioned by an older system: a primary partition from sector
  // 63, an extended partition with one logical drive, all ending off the
  // 1 MiB grid.
  AddDisk("size=512MiB");
  SfdiskScript(0, "label: dos\n@1 : start=63,size=100000,type=7\n@2 : start=100063,size=300000,type=f\n"
                  "@5 : start=100126,size=50000,type=7\n");
  Boot();
  // Rows: the primary, the logical drive, free space in the extended
  // partition, free space behind it.
  ASSERT_EQ(Create(3, 40, Kind::Primary), Outcome::Done);
  ASSERT_EQ(Create(2, 40, Kind::Logical, L"NTFS"), Outcome::Done);
  SfdiskTable t = Sfdisk(ImagePath(0));
  // The MBR's slots, then the chain of logical drives.
  ASSERT_EQ(t.parts.size(), 5u);
  EXPECT_EQ(t.parts[0], (SfdiskLine{63, 100000, 0x07})) << "what was there stays";
  EXPECT_EQ(t.parts[1], (SfdiskLine{100063, 300000, 0x0F}));
  EXPECT_EQ(t.parts[3], (SfdiskLine{100126, 50000, 0x07}));
  // The new primary on the first whole MiB behind the extended partition;
  // the new logical drive's boot record on the first whole MiB behind the
  // old drive, the drive 1 MiB behind that.
  const uint64_t primary = (100063 + 300000 + 2047) / 2048 * 2048, ebr = (100126 + 50000 + 2047) / 2048 * 2048;
  EXPECT_EQ(t.parts[2], (SfdiskLine{primary, 40 * 2048, 0x07}));
  EXPECT_EQ(t.parts[4], (SfdiskLine{ebr + 2048, 40 * 2048 - 2048, 0x07}));
  EXPECT_EQ(Shell("sfdisk --verify " + ImagePath(0)), 0);
}

TEST_F(CreateDeleteTest, AnExtendedPartitionIsWrittenWithItsFirstBootRecord) {
  AddDisk("size=256MiB");
  Boot();
  // A stale boot record signature where the extended partition will start.
  std::vector<uint8_t> junk(512, 0xE5);
  junk[510] = 0x55;
  junk[511] = 0xAA;
  WriteSectorAt(ImagePath(0), 2048 + 65536, junk);
  ASSERT_EQ(Create(-1, 32, Kind::Primary), Outcome::Done);
  ASSERT_EQ(Create(1, 64, Kind::Extended), Outcome::Done);
  std::vector<uint8_t> ebr = ReadSectorAt(ImagePath(0), 2048 + 65536);
  EXPECT_EQ(std::vector<uint8_t>(ebr.begin() + 446, ebr.begin() + 510), std::vector<uint8_t>(64, 0))
      << "the layout held a group for the extended boot record, so it was written empty";
}

TEST_F(CreateDeleteTest, DeletingAnyLogicalDriveKeepsTheOthersWhereTheyWere) {
  NEED_TOOLS("sfdisk");
  const std::string layout =
      "label: dos\\n@1 : start=2048,size=100000,type=7\\n@2 : start=102048,size=1000000,type=5\\n"
      "@5 : size=100000,type=7\\n@6 : size=120000,type=6\\n@7 : size=140000,type=b\\n@8 : size=160000,type=7\\n";
  for (int victim = 0; victim < 4; ++victim) {
    SCOPED_TRACE("logical drive " + std::to_string(victim + 1));
    config_.disks.clear();
    AddDisk("size=1GiB", "disk" + std::to_string(victim) + ".img");
    SfdiskScript(0, layout);
    SfdiskTable before = Sfdisk(ImagePath(0));
    ASSERT_EQ(before.parts.size(), 6u);
    Boot();
    // Rows: the primary, then the logical drives, then free space.
    std::vector<disk::PartitionEntry> rows = Regions();
    ASSERT_EQ(rows[size_t(victim + 1)].StartLba, before.parts[size_t(victim + 2)].start);
    ASSERT_EQ(Delete(victim + 1), Outcome::Done);
    SfdiskTable after = Sfdisk(ImagePath(0));
    std::vector<SfdiskLine> expected = before.parts;
    expected.erase(expected.begin() + victim + 2);
    EXPECT_EQ(after.parts, expected) << "sfdisk follows the chain to every remaining drive";
    EXPECT_EQ(after.labelId, before.labelId);
    EXPECT_EQ(Shell("sfdisk --verify " + ImagePath(0)), 0);
  }
}

TEST_F(CreateDeleteTest, ALogicalDriveCreatedInAHoleJoinsTheChainInDiskOrder) {
  NEED_TOOLS("sfdisk");
  AddDisk("size=1GiB");
  SfdiskScript(0, "label: dos\\n@1 : start=2048,size=1000000,type=f\\n@5 : size=100000,type=7\\n"
                  "@6 : size=100000,type=7\\n@7 : size=100000,type=7\\n");
  Boot();
  ASSERT_EQ(Delete(1), Outcome::Done);  // the middle drive of three
  SfdiskTable before = Sfdisk(ImagePath(0));
  std::vector<disk::PartitionEntry> rows = Regions();
  ASSERT_EQ(rows.size(), 5u);
  ASSERT_TRUE(rows[1].RecordIndex < 0 && !rows[1].IsPrimary) << "the hole is free space of the extended partition";
  ASSERT_EQ(Create(1, 30, Kind::Logical, L"NTFS"), Outcome::Done);
  SfdiskTable after = Sfdisk(ImagePath(0));
  ASSERT_EQ(after.parts.size(), 4u);
  EXPECT_EQ(after.parts[1], before.parts[1]);
  // Its boot record on the first whole MiB of the hole.
  const uint64_t ebr = (rows[1].StartLba + 2047) / 2048 * 2048;
  EXPECT_EQ(after.parts[2], (SfdiskLine{ebr + 2048, 30 * 2048 - 2048, 0x07}));
  EXPECT_EQ(after.parts[3], before.parts[2]);
}

TEST_F(CreateDeleteTest, DeletingTheExtendedPartitionCompactsTheMbrSlots) {
  NEED_TOOLS("sfdisk");
  AddDisk("size=1GiB");
  SfdiskScript(0, "label: dos\\nstart=2048,size=204800,type=7\\nstart=206848,size=204800,type=f\\n"
                  "start=411648,size=204800,type=6\\n");
  Boot();
  ASSERT_EQ(Delete(1), Outcome::Done);
  EXPECT_EQ(Sfdisk(ImagePath(0)).parts, (std::vector<SfdiskLine>{{2048, 204800, 0x07}, {411648, 204800, 0x06}}));
  std::string out;
  Shell("sfdisk --dump " + ImagePath(0), &out);
  EXPECT_NE(out.find("disk0.img2 : start=      411648"), std::string::npos) << "slot 3 moved up to slot 2\n" << out;
}

TEST_F(CreateDeleteTest, TheFourthSlotIsForTheExtendedPartitionAndNothingIsPushedOut) {
  NEED_TOOLS("sfdisk");
  AddDisk("size=1GiB");
  // Slot 3 empty, slot 4 used: a new partition between the first two must
  // not push the fourth slot out of the table.
  SfdiskScript(0, "label: dos\\nstart=2048,size=100000,type=7\\nstart=400000,size=100000,type=7\\n"
                  "start=600000,size=100000,type=7\\n");
  Boot();
  bool primaryOffered = true, extendedChosen = false;
  host_.OnPage("CCreatePart4", [&](ui::ScriptedWindow& w) {
    primaryOffered = w.IsEnabled(IDC_CP_PRIMARY);
    extendedChosen = w.GetCheck(IDC_CP_EXTENDED);
    w.Cancel();
  });
  Manage(0, 1, ID_CREATEPARTITION_NEWPART);
  EXPECT_FALSE(primaryOffered);
  EXPECT_TRUE(extendedChosen) << "three primaries: only an extended partition can follow";

  WriteSectorAt(ImagePath(0), 0, TableSector({{7, 2048, 100000}, {7, 400000, 100000}, {}, {7, 600000, 100000}}));
  Boot();
  ASSERT_EQ(Create(1, 50, Kind::Extended), Outcome::Done);
  EXPECT_EQ(Sfdisk(ImagePath(0)).parts,
            (std::vector<SfdiskLine>{{2048, 100000, 0x07}, {102400, 102400, 0x0F}, {400000, 100000, 0x07},
                                     {600000, 100000, 0x07}}));
  host_.messages.clear();
  Manage(0, 2, ID_CREATEPARTITION_NEWPART);  // the free space behind the extended partition
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_NoMorePartition"});
}

TEST_F(CreateDeleteTest, CancelOnAnyPageCreatesNothing) {
  AddDisk("size=256MiB");
  Boot();
  for (const char* page : {"CCreatePart4", "CCreatePart41", "CcreatePart42"}) {
    SCOPED_TRACE(page);
    FillWizard(64, Kind::Primary, L"NTFS", partition::kQuickFormat);
    host_.OnPage(page, [](ui::ScriptedWindow& w) { w.Cancel(); });
    Manage(0, -1, ID_CREATEPARTITION_NEWPART);
    EXPECT_EQ(partition::PartitionManager.lastOutcome, Outcome::Cancelled);
    EXPECT_EQ(ReadSectorAt(ImagePath(0), 0), std::vector<uint8_t>(512, 0));
  }
}

TEST_F(CreateDeleteTest, GptDiskKeepsItsPartitionsAndStaysValid) {
  NEED_TOOLS("sgdisk");
  AddDisk("size=1GiB");
  std::string img = ImagePath(0);
  ASSERT_EQ(Shell("sgdisk -n1:2048:+100M -t1:ef00 -n2:0:+16M -t2:0c01 -c2:'Microsoft reserved partition' "
                  "-n3:0:+300M -t3:0700 " + img),
            0);
  auto table = [&] {
    std::string out;
    Shell("sgdisk -p " + img + " | sed -n '/^Number/,$p'", &out);
    return out;
  };
  auto verify = [&] {
    std::string out;
    EXPECT_EQ(Shell("sgdisk --verify " + img, &out), 0) << out;
    EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
  };
  std::string original = table();
  Boot();
  // Rows: the EFI partition, the reserved one shown as free space, the data
  // partition, free space. The reserved space holds nothing new.
  host_.messages.clear();
  Manage(0, 1, ID_CREATEPARTITION_NEWPART);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_NoFreeSpace"});
  EXPECT_EQ(table(), original);
  // An extended partition is no choice on GPT.
  bool extendedOffered = true;
  host_.OnPage("CCreatePart4", [&](ui::ScriptedWindow& w) {
    extendedOffered = w.IsEnabled(IDC_CP_EXTENDED);
    w.Cancel();
  });
  Manage(0, 3, ID_CREATEPARTITION_NEWPART);
  EXPECT_FALSE(extendedOffered);

  ASSERT_EQ(Create(3, 100, Kind::Primary, L"NTFS", partition::kQuickFormat), Outcome::Done);
  verify();
  std::string created = table();
  EXPECT_EQ(created.substr(0, original.size()), original) << created;
  EXPECT_NE(created.find("   4          854016         1058815   100.0 MiB   0700  Basic data partition"),
            std::string::npos)
      << created;

  ASSERT_EQ(Delete(2), Outcome::Done);  // the first data partition
  verify();
  std::string deleted = table();
  EXPECT_NE(deleted.find("            2048          206847   100.0 MiB   EF00"), std::string::npos) << deleted;
  EXPECT_NE(deleted.find("          206848          239615   16.0 MiB    0C01"), std::string::npos) << deleted;
  EXPECT_EQ(deleted.find("239616"), std::string::npos) << deleted;
  EXPECT_NE(deleted.find("854016         1058815"), std::string::npos) << deleted;
}

TEST_F(CreateDeleteTest, SizesBeyondOneTerabyteKeepAllTheirBits) {
  AddDisk("size=3TiB");
  AddDisk("size=3TiB");
  Boot();
  // An MBR cannot reach beyond 2 TiB: the maximum stops there.
  uint64_t maxSectors = 0;
  host_.OnPage("CCreatePart4", [&](ui::ScriptedWindow& w) {
    maxSectors = partition::CreatePartitionRequest.maxSectors;
    w.Cancel();
  });
  Manage(0, -1, ID_CREATEPARTITION_NEWPART);
  EXPECT_EQ(maxSectors, (1ull << 32) - 2048);
  FillWizard(1u << 21, Kind::Primary);  // 2 TiB asked: the most the MBR holds
  ASSERT_EQ(Manage(0, -1, ID_CREATEPARTITION_NEWPART), true);
  sim::DriverLayout l;
  ASSERT_TRUE(sim::ReadDriverLayout(Sim().Disk(0), &l));
  EXPECT_EQ(l.entries[0].startLba, 2048u);
  EXPECT_EQ(l.entries[0].lengthSectors, (1ull << 32) - 2048);

  // A GPT disk: a 2.5 TiB region and partition.
  ASSERT_EQ(sim::CreateEmptyDisk(Sim().Disk(1), win::PARTITION_STYLE_GPT, 0, bytes::Guid{{1}}, 128), 0u);
  Sim().Mounts().Mount();
  ASSERT_EQ(Create(0, 2621440, Kind::Primary, L"", partition::kDoNotFormat, 1), Outcome::Done);
  ASSERT_TRUE(sim::ReadDriverLayout(Sim().Disk(1), &l));
  ASSERT_EQ(l.entries.size(), 1u);
  EXPECT_EQ(l.entries[0].startLba, 2048u);
  EXPECT_EQ(l.entries[0].lengthSectors, 2621440ull * 2048);
}
