// A partition copied sector by sector onto a partition of another disk:
// the whole partition to its last sector, then only the destination's own
// entry changed (its length, the source's own type byte), never a GPT's
// protective MBR or an entry that is not the partition's, and the active
// flag moved only when the operator agrees.
#include <gtest/gtest.h>

#include "duplicate/block_copy.h"
#include "duplicate/dup_fixture.h"

using namespace testing_support;
using duplicate::DuplicationJob;

namespace {

class VolumeSectorsTest : public DupTest {
 protected:
  // Source partition (drive 0) of type `type` at 2048; destination disk
  // (drive 1) with a larger partition at 4096 and another one behind it.
  void Machine(uint8_t type, bool sourceActive) {
    AddDisk("size=16MiB");
    AddDisk("size=32MiB");
    Boot();
    Layout(0, {{{2048, 10000, type, "FAT"}}});
    Layout(1, {{{4096, 20000, 0x07, "NTFS"}, {30000, 20000, 0x07, "NTFS"}}});
    if (sourceActive) {
      std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(1), 0);
      mbr[446 + 16] = 0x80;  // the other partition is the active one
      WriteSectorAt(ImagePath(1), 0, mbr);
    }
    FillPattern(0, 2048, 10000, 0x33);
    auto& j = DuplicationJob;
    j.CopyMode = duplicate::CopyKind::SectorBySector;
    j.SourceDisk = 1;
    j.SourceIsPartition = true;
    j.SourceStart = 2048;
    j.SourceLength = 10000;
    j.SourceTypeByte = type;
    j.SourceActive = sourceActive;
    j.DestinationDisk = 2;
    j.DestinationIsPartition = true;
    j.DestinationStart = 4096;
    j.DestinationLength = 20000;
    j.DestinationTableLba = 0;
    j.DestinationSlot = 0;
  }
  wchar_t Letter(int drive, uint64_t start) { return wchar_t(disk::DriveLetterOf(start, drive)); }
};

TEST_F(VolumeSectorsTest, TheEntryKeepsTheSourcesOwnTypeAndTheCopiedLength) {
  // FAT16 (0x0E) must not come out as FAT32 (0x0C).
  Machine(0x0E, false);
  ASSERT_TRUE(duplicate::CopyVolumeSectors(progress_, Letter(1, 4096), Letter(0, 2048), false));
  EXPECT_TRUE(Sectors(1, 4096, 10000) == Sectors(0, 2048, 10000));
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(1), 0);
  EXPECT_EQ(mbr[446 + 4], 0x0E);
  EXPECT_EQ(bytes::Get32(&mbr[446 + 12]), 10000u);
  // The other partition's entry is as it was.
  EXPECT_EQ(bytes::Get32(&mbr[446 + 16 + 8]), 30000u);
  EXPECT_EQ(bytes::Get32(&mbr[446 + 16 + 12]), 20000u);
  EXPECT_EQ(duplicate::JudgeResult(), duplicate::DuplicationResult::Completed);
}

TEST_F(VolumeSectorsTest, OnlyAnEntryReadWellAndBelongingToThePartitionIsChanged) {
  struct Case {
    const char* what;
    std::function<void(const std::string& destinationImage)> setup;
  } cases[] = {
      // The pseudo-record of an empty extended partition names no entry.
      {"slot 4", [](const std::string&) { DuplicationJob.DestinationSlot = 4; }},
      {"an entry of another partition", [](const std::string&) { DuplicationJob.DestinationSlot = 1; }},
      // Sector 0 of a GPT disk is its protective MBR.
      {"a protective MBR",
       [](const std::string& image) {
         std::vector<uint8_t> mbr = ReadSectorAt(image, 0);
         mbr[446 + 16 * 3 + 4] = 0xEE;
         WriteSectorAt(image, 0, mbr);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    config_.disks.clear();
    DuplicationJob = {};
    Machine(0x0E, false);
    c.setup(ImagePath(1));
    std::vector<uint8_t> before = ReadSectorAt(ImagePath(1), 0);
    ASSERT_TRUE(duplicate::CopyVolumeSectors(progress_, Letter(1, 4096), Letter(0, 2048), false));
    EXPECT_EQ(ReadSectorAt(ImagePath(1), 0), before);
  }
}

TEST_F(VolumeSectorsTest, TheActiveFlagMovesOnlyWhenTheOperatorAgrees) {
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    config_.disks.clear();
    DuplicationJob = {};
    host_.messages.clear();
    host_.answerYes = yes;
    Machine(0x07, true);
    ASSERT_TRUE(duplicate::CopyVolumeSectors(progress_, Letter(1, 4096), Letter(0, 2048), false));
    EXPECT_TRUE(Shown(L"IDS_MakeActive"));
    std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(1), 0);
    EXPECT_EQ(mbr[446], yes ? 0x80 : 0x00);
    EXPECT_EQ(mbr[446 + 16], yes ? 0x00 : 0x80);
    EXPECT_EQ(DuplicationJob.ActivatedPartition, yes ? 1u : 0u);
  }
}

}  // namespace
