// The sector copies: a disk cloned to its last sector, every kind of
// injected fault on either side with the source left byte for byte as it
// was, the verify pass and its repair, locking the destination's volumes,
// loops that cannot run, cancel, and a hidden partition planned too small.
#include <gtest/gtest.h>

#include "duplicate/block_copy.h"
#include "duplicate/block_loop.h"
#include "duplicate/boot_fixup.h"
#include "duplicate/dup_fixture.h"

using namespace testing_support;
using duplicate::DuplicationJob;
using duplicate::DuplicationResult;
using duplicate::LbaRange;

namespace {

// 20011 sectors: no whole number of blocks (1008) or transfers, and an odd
// last sector that only an exact copy reaches.
constexpr uint64_t kSourceSectors = 20011;

class BlockCopyTest : public DupTest {
 protected:
  // Source (drive 0) filled with the pattern, destination (drive 1) larger
  // and holding something else; the faults go with each disk.
  void Machine(const std::string& sourceFaults, const std::string& destinationFaults, const std::string& tag = "") {
    config_.disks.clear();
    AddDisk("size=" + std::to_string(kSourceSectors * 512) + (sourceFaults.empty() ? "" : "," + sourceFaults),
            "source" + tag + ".img");
    AddDisk("size=12MiB" + (destinationFaults.empty() ? "" : "," + destinationFaults), "destination" + tag + ".img");
    FillPattern(0, 0, kSourceSectors, 0x11);
    FillPattern(1, 0, 24576, 0x22);
    Boot();
    disk::RefreshDiskModel();
    DiskToDisk();
  }
};

TEST_F(BlockCopyTest, EveryFaultIsCountedAndTheSourceIsNeverWritten) {
  struct Case {
    const char* source;
    const char* destination;
    std::vector<LbaRange> unreadable;
    int verifyErrors, writeErrors;
    DuplicationResult result;
  } cases[] = {
      {"", "", {}, 0, 0, DuplicationResult::Completed},
      // The last sector too: it is copied like every other.
      {"bad=1000-1003;20010", "", {{1000, 1003}, {20010, 20010}}, 0, 0, DuplicationResult::CompletedError},
      // Fails the transfer's read and the block's: read alone, it reads.
      {"flaky=5000:2", "", {}, 0, 0, DuplicationResult::Completed},
      {"flaky=5000:9", "", {{5000, 5000}}, 0, 0, DuplicationResult::CompletedError},
      // Unreadable in the copy, read by the verify pass: repaired, and no
      // longer listed as zeros.
      {"flaky=5000:3,bad=9000", "", {{9000, 9000}}, 0, 0, DuplicationResult::CompletedError},
      {"flaky=5000:3", "", {}, 0, 0, DuplicationResult::Completed},
      // Read by the verify pass beside a sector that fails again there.
      {"flaky=5000:3,flaky=5001:9", "", {{5001, 5001}}, 0, 0, DuplicationResult::CompletedError},
      {"bad=9000,flaky=9001:1", "", {{9000, 9000}}, 0, 0, DuplicationResult::CompletedError},
      // Writes that would go wrong on the source: it is never written.
      {"corrupt=0-20010", "", {}, 0, 0, DuplicationResult::Completed},
      // The destination stores one block wrongly: three repairs fail.
      {"", "corrupt=3000", {}, 1, 0, DuplicationResult::CompletedError},
      // A destination block that cannot be read back is a difference too.
      {"", "bad=7000", {}, 1, 0, DuplicationResult::CompletedError},
      {"", "flaky=7000:1", {}, 0, 0, DuplicationResult::Completed},
      // Neither side's block reads back in the verify pass (a transfer
      // after the first two, whose buffers hold other sectors by then): the
      // unreadable sector is written as zeros again, nothing else.
      {"bad=7100", "bad=7101", {{7100, 7100}}, 1, 0, DuplicationResult::CompletedError},
      // A write-protected destination: every block's write fails.
      {"", "wp=1", {}, 20, 20, DuplicationResult::CompletedError},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " / " + c.destination);
    DuplicationJob = {};
    Machine(c.source, c.destination, std::to_string(++n));
    std::vector<uint8_t> before = ReadHostFile(ImagePath(0));
    uint64_t writesBefore = Sim().Disk(0).writes;

    EXPECT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, false));
    EXPECT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, true));

    EXPECT_EQ(Sim().Disk(0).writes, writesBefore);
    EXPECT_EQ(ReadHostFile(ImagePath(0)), before);
    EXPECT_EQ(DuplicationJob.UnreadableRanges, c.unreadable);
    uint64_t count = 0;
    for (const LbaRange& r : c.unreadable) count += r.last - r.first + 1;
    EXPECT_EQ(DuplicationJob.UnreadableSectorCount, count);
    EXPECT_EQ(DuplicationJob.VerifyErrorCount, c.verifyErrors);
    EXPECT_EQ(DuplicationJob.WriteErrorCount, c.writeErrors);
    EXPECT_EQ(duplicate::JudgeResult(), c.result);
    EXPECT_EQ(DuplicationJob.LastPosition, kSourceSectors);
    // An unreadable sector is zeros on the destination, whatever else failed there.
    for (const LbaRange& r : c.unreadable)
      EXPECT_TRUE(Sectors(1, r.first, r.last - r.first + 1) == std::vector<uint8_t>((r.last - r.first + 1) * 512, 0))
          << r.first;
    if (std::string(c.destination).empty()) {
      // Byte for byte to the last sector, unreadable sectors as zeros.
      std::vector<uint8_t> want = before;
      for (const LbaRange& r : c.unreadable)
        std::fill(want.begin() + std::ptrdiff_t(r.first * 512), want.begin() + std::ptrdiff_t((r.last + 1) * 512), 0);
      EXPECT_TRUE(Sectors(1, 0, kSourceSectors) == want);
    }
  }
}

TEST(UnreadableList, SectorsReadAfterAllLeaveTheList) {
  struct Case {
    uint64_t first, count;
    std::vector<LbaRange> left;
  } cases[] = {
      {15, 2, {{10, 14}, {17, 20}, {30, 30}, {40, 50}}},  // a hole in a range
      {5, 7, {{12, 20}, {30, 30}, {40, 50}}},             // the front of one
      {18, 25, {{10, 17}, {43, 50}}},                     // across three
      {0, 100, {}},
      {21, 9, {{10, 20}, {30, 30}, {40, 50}}},            // between them
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + "+" + std::to_string(c.count));
    DuplicationJob = {};
    for (uint64_t lba : {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 30, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50})
      duplicate::AddUnreadableSector(lba);
    duplicate::ClearUnreadableSectors(c.first, c.count);
    EXPECT_EQ(DuplicationJob.UnreadableRanges, c.left);
    uint64_t n = 0;
    for (const LbaRange& r : c.left) n += r.last - r.first + 1;
    EXPECT_EQ(DuplicationJob.UnreadableSectorCount, n);
  }
}

TEST_F(BlockCopyTest, VerifyRepairsWhatDiffersAndWritesNothingElse) {
  Machine("", "");
  ASSERT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, false));
  // An identical destination: the verify pass only reads.
  uint64_t writes = Sim().Disk(1).writes;
  ASSERT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, true));
  EXPECT_EQ(Sim().Disk(1).writes, writes);
  // A block changed behind the program's back is rewritten once, and counts
  // nothing when it then reads back right.
  WriteSectorAt(ImagePath(1), 12345, std::vector<uint8_t>(512, 0xEE));
  ASSERT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, true));
  EXPECT_EQ(Sim().Disk(1).writes, writes + 1);
  EXPECT_EQ(DuplicationJob.VerifyErrorCount, 0);
  EXPECT_TRUE(Sectors(1, 0, kSourceSectors) == Sectors(0, 0, kSourceSectors));
  EXPECT_EQ(duplicate::JudgeResult(), DuplicationResult::Completed);
}

TEST_F(BlockCopyTest, TheDestinationsVolumesAreTakenFirstOrNothingIsWritten) {
  AddDisk("size=8MiB");
  AddDisk("size=12MiB");
  Boot();
  Layout(0, {{{2048, 8192}}});
  Layout(1, {{{2048, 16384}}});
  DiskToDisk();
  // A mounted volume on the destination: locked and dismounted for the copy.
  ASSERT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, false));
  EXPECT_FALSE(Shown(L"IDS_CloseTheDrive"));
  EXPECT_TRUE(Sectors(1, 0, 16384) == Sectors(0, 0, 16384));
  // One the system will not give up stops the duplication before a write.
  for (auto& v : Sim().Mounts().Volumes()) v->inUse = v->disk == 1;
  uint64_t writes = Sim().Disk(1).writes;
  EXPECT_FALSE(duplicate::CopySectorRange(progress_, 1, 2, false));
  EXPECT_TRUE(Shown(L"IDS_CloseTheDrive"));
  EXPECT_TRUE(DuplicationJob.CancelRequested);
  EXPECT_EQ(Sim().Disk(1).writes, writes);
}

TEST_F(BlockCopyTest, ALoopThatCannotRunIsShownAndCounted) {
  Machine("", "");
  Sim().Disk(1).MutableConfig().missing = true;
  EXPECT_FALSE(duplicate::CopySectorRange(progress_, 1, 2, false));
  EXPECT_TRUE(Shown(L"IDS_DiskCannotOpen"));
  EXPECT_EQ(DuplicationJob.FailedStepCount, 1);
  EXPECT_EQ(duplicate::JudgeResult(), DuplicationResult::CompletedError);
}

TEST_F(BlockCopyTest, CancelStopsBeforeTheNextTransfer) {
  // The next transfer, already read ahead when the cancel comes, holds an
  // unreadable sector: it was not copied, so it is not counted either.
  Machine("bad=20000", "");
  const uint64_t transfer = duplicate::TransferSectorsFor(duplicate::BlockSectorsFor(63));
  progress_.onPump = [](int pumps) {
    if (pumps == 2) DuplicationJob.CancelRequested = true;
  };
  ASSERT_LT(transfer, kSourceSectors);
  EXPECT_TRUE(duplicate::CopySectorRange(progress_, 1, 2, false));
  EXPECT_EQ(DuplicationJob.CopiedSectors, transfer);
  EXPECT_EQ(DuplicationJob.LastPosition, transfer);
  // Nothing of the next transfer was written.
  EXPECT_FALSE(Sectors(1, transfer, 1) == Sectors(0, transfer, 1));
  ASSERT_GT(20000u, transfer);
  EXPECT_TRUE(DuplicationJob.UnreadableRanges.empty());
  EXPECT_EQ(DuplicationJob.UnreadableSectorCount, 0u);
  EXPECT_EQ(duplicate::JudgeResult(), DuplicationResult::Aborted);
}

TEST_F(BlockCopyTest, AHiddenPartitionPlannedSmallerThanItselfIsNotCopied) {
  Machine("", "");
  partition::LayoutSlot& s = partition::LayoutSlotTable[0];
  s.type = 0x27;
  s.startBytes = 2048 * 512;
  s.lengthBytes = 4096 * 512;
  s.destinationStartBytes = 2048 * 512;
  s.destinationLengthBytes = 4095 * 512;
  uint64_t writes = Sim().Disk(1).writes;
  EXPECT_FALSE(duplicate::CopyHiddenPartition(progress_, 1, 2, 0, false));
  EXPECT_TRUE(Shown(L"IDS_PlanImpossible"));
  EXPECT_EQ(Sim().Disk(1).writes, writes);
  // At its size it is copied, its last sector included.
  s.destinationStartBytes = 8192 * 512;
  s.destinationLengthBytes = 4096 * 512;
  EXPECT_TRUE(duplicate::CopyHiddenPartition(progress_, 1, 2, 0, false));
  EXPECT_TRUE(Sectors(1, 8192, 4096) == Sectors(0, 2048, 4096));
}

}  // namespace
