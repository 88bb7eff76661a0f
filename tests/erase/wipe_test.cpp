// The wipe engine through the deletion wizard on simulated disks: what
// each method leaves on the disk, where it writes, how it counts errors,
// and what a cancel leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/language.h"
#include "disk/disk_access.h"
#include "erase/region_fixture.h"
#include "erase/wipe_methods.h"
#include "disk/volume_map.h"
#include "platform/text.h"

using namespace testing_support;

namespace {

std::vector<uint8_t> Sectors(const std::vector<uint8_t>& image, uint64_t lba, uint64_t count) {
  return std::vector<uint8_t>(image.begin() + long(lba * 512), image.begin() + long((lba + count) * 512));
}

bool AllBytes(const std::vector<uint8_t>& v, uint8_t value) {
  for (uint8_t b : v)
    if (b != value) return false;
  return true;
}

// Whether the region holds the random stream of a pass seeded with seed:
// 16384 results a block, of which n sectors are written, and the same for
// the tail.
bool HoldsRandomStream(const std::vector<uint8_t>& image, uint64_t start, uint64_t length, uint32_t n, uint32_t seed) {
  erase::SeedRandom(seed);
  uint8_t block[erase::kBlockBufferBytes];
  for (uint64_t at = 0; at < length; at += n) {
    erase::FillRandomBlock(block);
    uint64_t count = std::min<uint64_t>(n, length - at);
    if (std::memcmp(image.data() + (start + at) * 512, block, count * 512) != 0) return false;
  }
  return true;
}

// The seed of the deletion: the time it was started, which is at most a
// few seconds before the wipe's own start time.
bool HoldsRandomStreamOfDeletion(const std::vector<uint8_t>& image, uint64_t start, uint64_t length, uint32_t n) {
  for (int back = 0; back <= 3; ++back)
    if (HoldsRandomStream(image, start, length, n, uint32_t(erase::DeleteStartTime - back))) return true;
  return false;
}

}  // namespace

class WipeTest : public RegionTest {};

TEST_F(WipeTest, WholeDiskWipesReachTheLastSector) {
  // 16000 sectors: 253 blocks of 63 and a tail of 61; an NTFS partition on
  // it that the wipe must take away from the system first.
  for (int method : {erase::WipeZero, erase::WipeDoD}) {
    SCOPED_TRACE(method);
    config_.disks.clear();
    AddDisk("size=16000s,model=Wiped");
    WriteHostFile(ImagePath(0), std::vector<uint8_t>(16000 * 512, 0xAB));
    Boot();
    Layout(0, {{2048, 8000, "NTFS"}});
    disk::BuildLetterDiskMap();
    ASSERT_EQ(disk::CountVolumesOnDisk(0), 1);
    host_.messages.clear();
    Delete(RowOf(0), method);
    EXPECT_EQ(disk::IoErrorCount, 0);
    EXPECT_FALSE(erase::DeleteCancelled);
    EXPECT_TRUE(Shown(L"IDS_DeleteOver"));
    std::vector<uint8_t> image = ReadHostFile(ImagePath(0));
    if (method == erase::WipeZero) EXPECT_TRUE(AllBytes(image, 0));
    else EXPECT_TRUE(HoldsRandomStreamOfDeletion(image, 0, 16000, 63));
    EXPECT_EQ(erase::ProgressPosition, erase::ProgressRangeOf(method, 16000, 63));
    disk::BuildLetterDiskMap();
    EXPECT_EQ(disk::CountVolumesOnDisk(0), 0) << "the layout was cleared";
  }
}

TEST_F(WipeTest, PartitionWipeTouchesNothingOutsideThePartition) {
  // The first partition is 10000 sectors: its tail of 46 sectors is
  // written alone, not as a whole block that would run into the next one.
  for (int method : {erase::WipeZero, erase::WipeRandomRandomZero}) {
    SCOPED_TRACE(method);
    config_.disks.clear();
    AddDisk("size=16MiB,model=System");
    AddDisk("size=32768s,model=Target");
    WriteHostFile(ImagePath(1), std::vector<uint8_t>(32768 * 512, 0xAB));
    Boot();
    Layout(1, {{2048, 10000, "NTFS"}, {12048, 8000, "FAT"}});
    std::vector<uint8_t> before = ReadHostFile(ImagePath(1));
    Delete(RowOf(1, 1), method);
    EXPECT_EQ(disk::IoErrorCount, 0) << "the locked volume accepts the raw writes";
    std::vector<uint8_t> after = ReadHostFile(ImagePath(1));
    EXPECT_EQ(Sectors(after, 0, 2048), Sectors(before, 0, 2048));
    EXPECT_TRUE(AllBytes(Sectors(after, 2048, 10000), 0));
    EXPECT_EQ(Sectors(after, 12048, 32768 - 12048), Sectors(before, 12048, 32768 - 12048));
    for (auto& v : Sim().Mounts().Volumes()) EXPECT_FALSE(v->locked) << "the volume is unlocked afterwards";
    EXPECT_EQ(Sim().OpenHandleCount(), 0);
  }
}

TEST_F(WipeTest, RandomDataIsFifteenBitWordsAndRepeatsWithinTheSameSecond) {
  // Two unformatted partitions (RAW: nothing to lock) wiped one after the
  // other within the same second of the machine's clock.
  AddDisk("size=4MiB,model=One");
  AddDisk("size=4MiB,model=Two");
  Boot();
  Layout(0, {{2048, 4000, ""}});
  Layout(1, {{2048, 4000, ""}});
  host_.onPump = [this](ui::ScriptedWindow&) {
    for (auto& v : Sim().Mounts().Volumes()) EXPECT_FALSE(v->locked) << "a RAW partition is not locked";
  };
  Delete(RowOf(0, 1), erase::WipeRandom);
  std::time_t first = erase::DeleteStartTime;
  Delete(RowOf(1, 1), erase::WipeRandom);
  ASSERT_EQ(erase::DeleteStartTime, first);
  std::vector<uint8_t> a = Sectors(ReadHostFile(ImagePath(0)), 2048, 4000);
  std::vector<uint8_t> b = Sectors(ReadHostFile(ImagePath(1)), 2048, 4000);
  EXPECT_EQ(a, b);
  EXPECT_FALSE(AllBytes(a, 0));
  for (size_t i = 1; i < a.size(); i += 2) ASSERT_LT(a[i], 0x80) << "byte " << i;
  EXPECT_TRUE(HoldsRandomStream(ReadHostFile(ImagePath(0)), 2048, 4000, 63, uint32_t(first)));
}

TEST_F(WipeTest, RandomBlocksContinueTheGeneratorsSequence) {
  // Both ways of making a block give 16384 successive results, little-endian,
  // and leave the generator where 16384 single steps would.
  for (auto fill : {erase::FillRandomBlock, erase::FillRandomBlockLanes}) {
    erase::SeedRandom(1796810400u);
    erase::NextRandom15();  // not on a block boundary
    uint32_t from = erase::RandomState();
    uint8_t block[erase::kBlockBufferBytes], twice[erase::kBlockBufferBytes];
    fill(block);
    fill(twice);
    uint32_t after = erase::RandomState();
    erase::SetRandomState(from);
    for (uint8_t* b : {block, twice})
      for (uint32_t i = 0; i < erase::kBlockBufferBytes; i += 2) {
        uint16_t v = erase::NextRandom15();
        ASSERT_EQ(b[i] | (b[i + 1] << 8), v) << i;
      }
    EXPECT_EQ(erase::RandomState(), after);
  }
  // The first results of a known seed: state = state * 214013 + 2531011.
  erase::SeedRandom(1);
  EXPECT_EQ(erase::NextRandom15(), 41);
  EXPECT_EQ(erase::NextRandom15(), 18467);
}

TEST_F(WipeTest, ProgressRangesOfTheMethods) {
  struct Case {
    int method;
    uint64_t length;
    uint32_t n;
    int64_t range;
  } cases[] = {
      {erase::WipeZero, 2048000, 63, 32507},
      {erase::WipeRandom, 1000, 63, 15},
      {erase::WipeRandomRandomZero, 63000, 63, 3000},
      {erase::WipeRandomRandomZero, 63000, 32, 3000},  // not derived from N
      {erase::WipeDoD, 2048000, 63, 130028},
      {erase::WipeDoD, 62, 63, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(erase::ProgressRangeOf(c.method, c.length, c.n), c.range) << c.method;
}

TEST_F(WipeTest, DoDOnAThousandMegabytePartitionEndsAtItsRange) {
  AddDisk("size=1100MiB,model=Big");
  Boot();
  Layout(0, {{2048, 2048 * 1000, ""}});
  int64_t high = -1, last = -1;
  host_.onProgress = [&](ui::ScriptedWindow& w, int id, int64_t pos, int64_t, int64_t h) {
    if (std::string(w.Name()) != "CDeletionProgress" || id != IDC_PROGRESS) return;
    high = h;
    last = pos;
  };
  Delete(RowOf(0, 1), erase::WipeDoD);
  EXPECT_EQ(high, 130028);
  EXPECT_EQ(last, 130028);
  EXPECT_EQ(disk::IoErrorCount, 0) << "the verification finds what pass 3 wrote, tail included";
}

TEST_F(WipeTest, CancelInPassTwoWritesNoFurtherBlock) {
  AddDisk("size=8MiB,model=Target");
  Boot();
  Layout(0, {{2048, 10000, ""}});
  const int64_t blocks = 10000 / 63;
  uint64_t writesAtCancel = 0;
  bool cancelled = false;
  std::set<std::wstring> statuses;
  host_.onPump = [&](ui::ScriptedWindow& w) {
    statuses.insert(w.GetText(IDC_STATUS));
    if (!cancelled && erase::ProgressPosition >= blocks + 40) {
      cancelled = true;
      EXPECT_TRUE(w.Press(win::IDCANCEL));
      writesAtCancel = Sim().Disk(0).writes;
    }
  };
  bool restartAsked = false;
  host_.OnPage("CRestart", [&](ui::ScriptedWindow& w) { restartAsked = true; });
  Delete(RowOf(0, 1), erase::WipeDoD, [](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.GetText(IDC_VALUE6), L"IDS_Aborted");
    w.Press(IDC_FINISH);
  });
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(Sim().Disk(0).writes, writesAtCancel);
  EXPECT_TRUE(erase::DeleteCancelled);
  EXPECT_FALSE(Shown(L"IDS_DeleteOver"));
  EXPECT_FALSE(restartAsked) << "Finish after a cancel closes without the restart dialog";
  EXPECT_TRUE(statuses.count(L"IDS_Writingrandom  Pass 3") && statuses.count(L"IDS_Verifying  Pass 4"));
  // Pass 2 (0xFF) reached exactly the blocks counted; pass 1's zeros follow.
  int64_t done = erase::ProgressPosition - blocks;
  ASSERT_GE(done, 40);
  std::vector<uint8_t> image = ReadHostFile(ImagePath(0));
  EXPECT_TRUE(AllBytes(Sectors(image, 2048, uint64_t(done) * 63), 0xFF));
  EXPECT_TRUE(AllBytes(Sectors(image, 2048 + uint64_t(done) * 63, 10000 - uint64_t(done) * 63), 0x00));
  EXPECT_TRUE(AllBytes(std::vector<uint8_t>(erase::SnapshotSector, erase::SnapshotSector + 512), 0xFF))
      << "the snapshot is still read";
}

TEST_F(WipeTest, ErrorsArePerBlock) {
  // 64 blocks and a tail of 10 sectors on a write-protected disk: five
  // failed attempts for each; the DoD verification adds one difference a
  // block, since nothing it expects is there.
  struct Case {
    int method;
    int errors;
  } cases[] = {{erase::WipeZero, 5 * 65}, {erase::WipeDoD, 3 * 5 * 65 + 65}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    config_.disks.clear();
    AddDisk("size=4042s,model=Locked,wp=1");
    Boot();
    std::wstring shown;
    Delete(RowOf(0), c.method, [&](ui::ScriptedWindow& w) { shown = w.GetText(IDC_VALUE7); });
    EXPECT_EQ(disk::IoErrorCount, c.errors);
    EXPECT_EQ(shown, text::Dec(int64_t(c.errors)));
    EXPECT_EQ(erase::SectorsOverwritten, 0u) << "nothing was written";
  }
}

TEST_F(WipeTest, VerificationCatchesDataThatComesBackCorrupted) {
  // Sectors 2678..2807 store a flipped bit: blocks 10, 11 and 12 of the
  // partition (each 63 sectors from 2048) come back different.
  AddDisk("size=8MiB,model=Target,corrupt=2683-2806");
  Boot();
  Layout(0, {{2048, 6300, ""}});
  Delete(RowOf(0, 1), erase::WipeDoD);
  EXPECT_EQ(disk::IoErrorCount, 3);
  EXPECT_FALSE(erase::DeleteCancelled);
}

TEST_F(WipeTest, VolumeInUseIsNotOverwritten) {
  AddDisk("size=8MiB,model=Target");
  sim::VolumeConfig busy;
  busy.disk = 0;
  busy.startLba = 2048;
  busy.inUse = true;
  config_.volumes.push_back(busy);
  Boot();
  Layout(0, {{2048, 6300, "NTFS"}});
  std::vector<uint8_t> before = ReadHostFile(ImagePath(0));
  uint32_t tickBefore = Sim().GetTickCount();
  std::wstring result;
  Delete(RowOf(0, 1), erase::WipeZero, [&](ui::ScriptedWindow& w) { result = w.GetText(IDC_VALUE6); });
  EXPECT_EQ(ReadHostFile(ImagePath(0)), before);
  EXPECT_TRUE(Shown(L"IDS_VolumeInUse"));
  EXPECT_FALSE(Shown(L"IDS_DeleteOver"));
  EXPECT_EQ(result, L"IDS_Aborted");
  EXPECT_GE(Sim().GetTickCount() - tickBefore, 22u * 200) << "22 attempts, 200 ms apart";
  EXPECT_EQ(Sim().OpenHandleCount(), 0);
}
