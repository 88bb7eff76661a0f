// The sector viewer and the partition view: navigation, typed sector
// numbers, whole disks and partitions, and failed reads.
#include <gtest/gtest.h>

#include "disk/disk_access.h"
#include "erase/dump_row.h"
#include "erase/region_fixture.h"
#include "platform/text.h"
#include "support/image_tools.h"
#include "viewer/sector_view.h"
#include "viewer/sector_viewer_page.h"
#include "viewer/viewer_ids.h"

using namespace testing_support;

namespace {
// The sector number the dump's first row stands for.
uint64_t ShownSector(ui::ScriptedWindow& w) {
  return std::stoull(text::Narrow(w.GetText(IDC_VIEW_DUMP).substr(0, 10)), nullptr, 16) / 512;
}
}  // namespace

class ViewerTest : public RegionTest {
 protected:
  // Opens the partition view, checks the row and views it; steps(w) acts on the viewer.
  void View(int row, std::function<void(ui::ScriptedWindow&)> steps) {
    host_.OnPage("CViewDiskPartition", [row](ui::ScriptedWindow& w) {
      EXPECT_TRUE(w.CheckRow(IDC_LIST, row, true));
      w.Press(IDC_VIEW);
      w.Cancel();
    });
    host_.OnPage("CViewDiskData", [steps](ui::ScriptedWindow& w) {
      steps(w);
      w.Cancel();
    });
    app::OpenPartitionView();
  }
};

TEST_F(ViewerTest, NavigationAndTypingReachTheLastSector) {
  AddDisk("size=1000s,model=Small");
  Boot();
  struct Step {
    const char* what;
    int button;               // 0: type `typed`, then Go
    const wchar_t* typed;
    uint64_t expected;
  } steps[] = {
      {"start", IDC_VIEW_PREVIOUS, nullptr, 0},  // Previous on sector 0 stays there
      // 1000 sectors are not a whole number of 63-sector blocks: the last
      // sector is reached all the same.
      {"end", IDC_VIEW_END, nullptr, 999},
      {"next at the end", IDC_VIEW_NEXT, nullptr, 999},
      {"previous", IDC_VIEW_PREVIOUS, nullptr, 998},
      {"next", IDC_VIEW_NEXT, nullptr, 999},
      {"typed last", 0, L"999", 999},
      {"typed beyond", 0, L"5000", 999},
      {"typed beyond 32 bits", 0, L"4294967396", 999},
      {"typed beyond 64 bits", 0, L"99999999999999999999999", 999},
      {"typed leading digits", 0, L"12abc", 12},
      {"typed text", 0, L"abc", 0},
      {"typed negative", 0, L"-5", 0},
      {"first", IDC_VIEW_START, nullptr, 0},
  };
  View(RowOf(0), [&](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.GetText(IDC_VIEW_SECTOR), L"0");
    EXPECT_FALSE(w.IsVisible(IDC_VIEW_CYLINDER) || w.IsVisible(IDC_VIEW_HEAD));
    for (const Step& s : steps) {
      if (s.button) {
        w.Press(s.button);
      } else {
        w.Type(IDC_VIEW_SECTOR, s.typed);
        w.Press(IDC_VIEW_GO);
      }
      EXPECT_EQ(viewer::ViewerSector, s.expected) << s.what;
      EXPECT_EQ(w.GetText(IDC_VIEW_SECTOR), text::Dec(s.expected)) << s.what;
      EXPECT_EQ(ShownSector(w), s.expected) << s.what;
    }
  });
  EXPECT_EQ(disk::OpenDiskCount, 0) << "Close closes the disk";
}

TEST_F(ViewerTest, PartitionsAreReadFromTheirVolumesStart) {
  AddDisk("size=8MiB,model=Viewed");
  Boot();
  Layout(0, {{2048, 4000, ""}, {6048, 4000, ""}});
  std::vector<uint8_t> mark(512, 0);
  std::memcpy(mark.data(), "first sector of partition one", 29);
  WriteSectorAt(ImagePath(0), 2048, mark);
  std::vector<uint8_t> dumped(512, 0);
  std::memcpy(dumped.data(), "sector two", 10);
  WriteSectorAt(ImagePath(0), 2050, dumped);
  std::wstring partitionDump, diskDump;
  View(RowOf(0, 1), [&](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.GetText(IDC_VIEW_REGION_TEXT), L"IDS_Partition (C:) RAW 1.95 MB");
    partitionDump = w.GetText(IDC_VIEW_DUMP);
    w.Type(IDC_VIEW_SECTOR, L"2");
    w.Press(IDC_VIEW_GO);
    EXPECT_EQ(w.GetText(IDC_VIEW_DUMP).substr(0, 85), erase::FormatDumpRow(dumped.data(), 0, 2));
  });
  EXPECT_EQ(partitionDump, viewer::SectorDumpText(mark.data(), 0));
  // Then the disk itself: its sector 0 is the partition table.
  View(RowOf(0), [&](ui::ScriptedWindow& w) { diskDump = w.GetText(IDC_VIEW_DUMP); });
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  EXPECT_EQ(diskDump, viewer::SectorDumpText(mbr.data(), 0));
  EXPECT_EQ(Sim().OpenHandleCount(), 0);
}

TEST_F(ViewerTest, LastReachesTheLastSectorOfDisksAndOfAnNtfsPartition) {
  // As on the demo machine: a system disk with an NTFS partition, whose
  // last sector holds the backup of its boot sector beyond what the file
  // system spans, and a blank disk; neither is a whole number of blocks.
  AddDisk("size=16MiB,model=System");
  AddDisk("size=32767s,model=Blank");
  Boot();
  // A Linux partition behind it gets no drive letter: it is read through
  // the disk, within its own sectors.
  Layout(0, {{2048, 20000, "NTFS"}, {22528, 8000, "", 0x83}});
  std::vector<uint8_t> boot = ReadSectorAt(ImagePath(0), 2048);
  ASSERT_EQ(ReadSectorAt(ImagePath(0), 2048 + 19999), boot);
  std::vector<uint8_t> linuxLast(512, 0x4C);
  WriteSectorAt(ImagePath(0), 22528 + 7999, linuxLast);
  struct Case {
    int row;
    uint64_t last;
    std::vector<uint8_t> contents;
  } cases[] = {
      {RowOf(0), 32767, ReadSectorAt(ImagePath(0), 32767)},
      {RowOf(0, 1), 19999, boot},
      {RowOf(0, 2), 7999, linuxLast},
      {RowOf(1), 32766, ReadSectorAt(ImagePath(1), 32766)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last);
    View(c.row, [&](ui::ScriptedWindow& w) {
      w.Press(IDC_VIEW_END);
      EXPECT_EQ(viewer::ViewerSector, c.last);
      EXPECT_TRUE(static_cast<viewer::CViewDiskData&>(w.ThePage()).LastReadOk());
      EXPECT_EQ(w.GetText(IDC_VIEW_DUMP), viewer::SectorDumpText(c.contents.data(), c.last));
      w.Press(IDC_VIEW_PREVIOUS);
      w.Press(IDC_VIEW_NEXT);
      EXPECT_EQ(viewer::ViewerSector, c.last) << "Next steps up to it";
    });
  }
  // Windows keeps a mounted NTFS volume's reads inside the file system; the
  // viewer asks for the whole partition.
  platform::Handle h = Sim().CreateFile(L"\\\\.\\C:", win::GENERIC_READ, 3, win::OPEN_EXISTING, 0);
  uint8_t sector[512];
  EXPECT_EQ(disk::ReadSectors(h, sector, 19998, 1), 512u);
  EXPECT_EQ(disk::ReadSectors(h, sector, 19999, 1), 0u);
  uint32_t got = 0;
  ASSERT_TRUE(Sim().DeviceIoControl(h, win::FSCTL_ALLOW_EXTENDED_DASD_IO, nullptr, 0, nullptr, 0, &got));
  EXPECT_EQ(disk::ReadSectors(h, sector, 19999, 1), 512u);
  EXPECT_EQ(disk::ReadSectors(h, sector, 20000, 1), 0u) << "never beyond the partition";
  Sim().CloseHandle(h);
}

TEST_F(ViewerTest, AFailedReadNeverShowsThePreviousSectorUnderTheNewNumber) {
  AddDisk("size=8MiB,model=Viewed,bad=3");
  Boot();
  std::vector<uint8_t> two(512, 0x22);
  WriteSectorAt(ImagePath(0), 2, two);
  View(RowOf(0), [&](ui::ScriptedWindow& w) {
    w.Type(IDC_VIEW_SECTOR, L"2");
    w.Press(IDC_VIEW_GO);
    int errors = disk::IoErrorCount;
    w.Press(IDC_VIEW_NEXT);
    EXPECT_EQ(disk::IoErrorCount, errors + 1);
    EXPECT_FALSE(static_cast<viewer::CViewDiskData&>(w.ThePage()).LastReadOk());
    std::vector<uint8_t> zeros(512, 0);
    EXPECT_EQ(w.GetText(IDC_VIEW_DUMP), viewer::SectorDumpText(zeros.data(), 3));
  });
}
