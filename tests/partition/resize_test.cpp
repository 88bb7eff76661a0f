// Resizing: the limits, growing a partition with its NTFS file system, and
// never cutting a file system short.
#include <gtest/gtest.h>

#include "partition/partition_fixture.h"
#include "platform/bytes.h"
#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_layout.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::Outcome;

class ResizeTest : public PartitionTest {
 protected:
  struct Part {
    uint64_t start, length;
    uint8_t type;
    const char* fs;
  };
  // An MBR layout in the driver's groups of four, with boot sectors.
  void Layout(const std::vector<std::vector<Part>>& groups) {
    std::vector<std::vector<MbrPart>> mbr;
    for (const auto& group : groups) {
      mbr.emplace_back();
      for (const Part& p : group) mbr.back().push_back({p.start, p.length, p.type, p.fs ? p.fs : ""});
    }
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x77, mbr), 0u);
    Sim().Mounts().Mount();
  }
  static constexpr uint64_t kToTheEnd = ~uint64_t(0);
  // Resizes the partition at `box`: typed megabytes, the slider moved to
  // its end (kToTheEnd), or the page as it opens (nothing). opened gets
  // the size in the box and the slider's position as the page opened.
  Outcome Resize(int box, std::optional<uint64_t> mb, std::pair<std::wstring, int64_t>* opened = nullptr) {
    host_.OnPage("CCreatePart3", [=](ui::ScriptedWindow& w) {
      if (opened) *opened = {w.GetText(IDC_CP_SIZE), w.GetPos(IDC_CP_SLIDER)};
      if (mb == kToTheEnd) {
        w.Slide(IDC_CP_SLIDER, w.c(IDC_CP_SLIDER).high);
      } else if (mb) {
        w.Type(IDC_CP_SIZE, std::to_wstring(*mb));
        w.Press(IDC_CP_APPLY);
      }
      w.Press(IDC_CP_RESIZE);
      if (!w.IsClosed()) w.Cancel();
    });
    EXPECT_TRUE(Manage(0, box, ID_CREATEPARTITION_RESIZEPART)) << "resize not offered";
    return partition::PartitionManager.lastOutcome;
  }
  uint64_t LengthAt(uint64_t start) {
    sim::DriverLayout l;
    EXPECT_TRUE(sim::ReadDriverLayout(Sim().Disk(0), &l));
    for (const sim::DriverPartition& p : l.entries)
      if (!p.IsEmpty() && p.startLba == start) return p.lengthSectors;
    return 0;
  }
};

TEST_F(ResizeTest, ThePageOpensAtTheCurrentSizeAndItsEndGrowsTheNtfsVolumeToTheMaximum) {
  AddDisk("size=1GiB");
  Boot();
  Layout({{{2048, 204800, 7, "NTFS"}, {206848, 204800, 7, "NTFS"}, {1000000, 100000, 7, nullptr}}});
  // Resize pressed at once changes nothing.
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  uint64_t writes = Sim().Disk(0).writes;
  std::pair<std::wstring, int64_t> opened;
  ASSERT_EQ(Resize(1, std::nullopt, &opened), Outcome::Done);
  EXPECT_EQ(opened, (std::pair<std::wstring, int64_t>{L"100", 204800}));
  EXPECT_EQ(Sim().Disk(0).writes, writes);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 0), mbr);
  EXPECT_EQ(LengthAt(206848), 204800u);

  ASSERT_EQ(Resize(1, kToTheEnd), Outcome::Done);
  const uint64_t grown = 1000000 - 206848;
  EXPECT_EQ(LengthAt(206848), grown) << "the partition and the whole free region behind it";
  std::vector<uint8_t> boot = ReadSectorAt(ImagePath(0), 206848);
  EXPECT_EQ(bytes::Get64(boot.data() + 0x28), grown - 1) << "NTFS counts the new sectors";
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 206848 + grown - 1), boot) << "its backup boot sector moved to the end";
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ResizeTest, ASmallerSizeIsRefusedWithoutTouchingTheDisk) {
  AddDisk("size=1GiB");
  Boot();
  Layout({{{2048, 204800, 7, "NTFS"}, {206848, 204800, 7, "NTFS"}}});
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0), boot = ReadSectorAt(ImagePath(0), 206848);
  uint64_t writes = Sim().Disk(0).writes;
  EXPECT_NE(Resize(1, 50), Outcome::Done);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_ShrinkNotPossible"});
  EXPECT_EQ(Sim().Disk(0).writes, writes);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 0), mbr);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 206848), boot);
  // The same size asks the driver for nothing.
  EXPECT_EQ(Resize(1, 100), Outcome::Done);
  EXPECT_EQ(Sim().Disk(0).writes, writes);
}

TEST_F(ResizeTest, AFatVolumeGrowsButSaysItsFileSystemCannot) {
  AddDisk("size=1GiB");
  Boot();
  Layout({{{2048, 204800, 0x0C, "FAT32"}}});
  ASSERT_EQ(Resize(0, 200), Outcome::Done);
  EXPECT_EQ(LengthAt(2048), 200u * 2048);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_ExtendFsFailed"});
}

TEST_F(ResizeTest, GrowingStopsAtTheBordersTheFreeRowsDoNotShow) {
  AddDisk("size=1GiB");
  Boot();
  // A primary, then free space running into an extended partition whose
  // first logical drive starts far inside it; then a logical drive with
  // free space of the extended partition behind it.
  const uint64_t ext = 300000, extLength = 600000;
  Layout({{{2048, 100000, 7, "NTFS"}, {ext, extLength, 0x0F, nullptr}},
          {{ext + 200000, 100000, 7, "NTFS"}}});
  std::vector<disk::PartitionEntry> rows = Regions();
  ASSERT_EQ(rows.size(), 5u);
  ASSERT_EQ(rows[1].StartLba + rows[1].LengthSectors, ext + 200000) << "the free row reaches into the extended partition";
  ASSERT_EQ(Resize(0, kToTheEnd), Outcome::Done);
  EXPECT_EQ(LengthAt(2048), ext - 2048) << "up to the extended partition, not into it";
  ASSERT_EQ(Resize(2, kToTheEnd), Outcome::Done);
  EXPECT_EQ(LengthAt(ext + 200000), extLength - 200000) << "up to the end of the extended partition";
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ResizeTest, TheFileSystemExtendsOnlyWithinItsPartition) {
  AddDisk("size=256MiB");
  Boot();
  Layout({{{2048, 100000, 7, "NTFS"}, {102048, 100000, 0x0C, "FAT32"}}});
  auto extend = [&](wchar_t letter, uint64_t sectors) {
    platform::Handle h = Sim().CreateFile(std::wstring(L"\\\\.\\") + letter + L":", win::GENERIC_READ, 3,
                                          win::OPEN_EXISTING, 0);
    uint8_t in[8];
    bytes::Put64(in, sectors);
    uint32_t got = 0;
    bool ok = Sim().DeviceIoControl(h, win::FSCTL_EXTEND_VOLUME, in, 8, nullptr, 0, &got);
    uint32_t error = Sim().GetLastError();
    Sim().CloseHandle(h);
    return ok ? 0u : error;
  };
  EXPECT_EQ(extend(L'C', 100001), uint32_t(win::ERROR_INVALID_PARAMETER)) << "beyond the partition";
  EXPECT_EQ(extend(L'C', 99000), uint32_t(win::ERROR_INVALID_PARAMETER)) << "smaller than the volume";
  EXPECT_EQ(extend(L'D', 100000), uint32_t(win::ERROR_INVALID_FUNCTION)) << "FAT does not grow in place";
  EXPECT_EQ(extend(L'C', 100000), 0u);
}
