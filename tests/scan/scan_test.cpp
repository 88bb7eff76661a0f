// The bad-sector scan through its wizard and as the duplication opens it:
// which blocks are listed and counted, which sectors are found unreadable,
// where the last read ends, cancel, and a disk that cannot be read.
#include <gtest/gtest.h>

#include <cwchar>

#include "disk/disk_access.h"
#include "erase/region_fixture.h"
#include "scan/scan_engine.h"
#include "scan/scan_ids.h"
#include "scan/scan_page.h"
#include "platform/text.h"

using namespace testing_support;
using Ranges = std::vector<scan::SectorRange>;

class ScanTest : public RegionTest {
 protected:
  struct Outcome {
    std::vector<std::wstring> lines;
    std::wstring result;
    std::wstring badSectors;  // as the summary page shows them
    std::wstring failed, retryGood, time;
    bool summary = false;
  };
  // The scan wizard on a row; Start Scan, then the summary page.
  Outcome Scan(int row, std::function<void(ui::ScriptedWindow&)> onScanPage = nullptr) {
    Outcome out;
    host_.answerYes = true;
    host_.OnPage("CScanNewDiskPartition", [row](ui::ScriptedWindow& w) {
      EXPECT_TRUE(w.CheckRow(IDC_LIST, row, true));
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CBadSectorScan", [&](ui::ScriptedWindow& w) {
      if (onScanPage) onScanPage(w);
      else w.Press(IDC_START_SCAN);
    });
    host_.onClose = [&](ui::ScriptedWindow& w) {
      if (std::string(w.Name()) != "CBadSectorScan") return;
      for (int i = 0; i < w.LinesCount(IDC_SCAN_ERRORS); ++i) out.lines.push_back(w.LinesGet(IDC_SCAN_ERRORS, i));
    };
    host_.OnPage("CScanSummary", [&](ui::ScriptedWindow& w) {
      out.summary = true;
      out.result = w.GetText(IDC_VALUE2);
      out.badSectors = w.GetText(IDC_VALUE4);
      out.failed = w.GetText(IDC_VALUE5);
      out.retryGood = w.GetText(IDC_VALUE6);
      out.time = w.GetText(IDC_VALUE3);
      w.Press(IDC_FINISH);
    });
    app::OpenScanWizard();
    return out;
  }
};

TEST_F(ScanTest, FailingBlocksAreListedAndCountedAndTheirBadSectorsFound) {
  // A disk of 20000 sectors: blocks of 63, read in spans of 40 blocks
  // (2520 sectors), the last span 2360 sectors with a short last block at
  // 19971. A failing span is read block by block; its read was the first
  // read of each block.
  struct Case {
    const char* faults;
    std::vector<std::wstring> lines;
    int failed, retryGood, errors;
    Ranges bad;
    std::wstring shown;
  } cases[] = {
      {"", {}, 0, 0, 0, {}, L"IDS_NoBadSectors"},
      {"bad=1000-1003", {L"IDS_ErrorinSector 945"}, 1, 0, 4, {{1000, 1003}}, L"4 (1000-1003)"},
      // A range over two spans and four blocks is one range of sectors.
      {"bad=2450-2600",
       {L"IDS_ErrorinSector 2394", L"IDS_ErrorinSector 2457", L"IDS_ErrorinSector 2520", L"IDS_ErrorinSector 2583"},
       4, 0, 16, {{2450, 2600}}, L"151 (2450-2600)"},
      // Two blocks of one span, and a sector of another span that fails twice.
      {"bad=100-130;140,flaky=3000:2",
       {L"IDS_ErrorinSector 63", L"IDS_ErrorinSector 126", L"IDS_ErrorinSector 2961IDS_badsector2"}, 3, 1, 10,
       {{100, 130}, {140, 140}}, L"32 (100-130, 140)"},
      // Flaky sectors: the span's read, then the block's own reads.
      {"flaky=5000:2", {L"IDS_ErrorinSector 4977IDS_badsector2"}, 1, 1, 2, {}, L"IDS_NoBadSectors"},
      {"flaky=5000:3", {L"IDS_ErrorinSector 4977IDS_badsector2"}, 1, 1, 3, {}, L"IDS_NoBadSectors"},
      // Unreadable four times, read when it is looked at alone: the block
      // read in the end, so it is readable on retry and no sector is bad.
      {"flaky=5000:4", {L"IDS_ErrorinSector 4977IDS_badsector2"}, 1, 1, 4, {}, L"IDS_NoBadSectors"},
      {"flaky=5000:9", {L"IDS_ErrorinSector 4977"}, 1, 0, 4, {{5000, 5000}}, L"1 (5000)"},
      // A failure that does not come back cannot be placed within the one
      // read that met it: the span counts as one block read on retry, and
      // its line names the span's sectors, not one that may be sound.
      {"flaky=5000:1", {L"IDS_ErrorinSectors 2520-5039IDS_badsector2"}, 1, 1, 1, {}, L"IDS_NoBadSectors"},
      {"bad=19999", {L"IDS_ErrorinSector 19971"}, 1, 0, 4, {{19999, 19999}}, L"1 (19999)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    config_.disks.clear();
    AddDisk(std::string("size=20000s,model=Scanned") + (*c.faults ? "," : "") + c.faults);
    Boot();
    host_.messages.clear();
    uint64_t readsBefore = 0;
    Outcome o = Scan(RowOf(0), [&](ui::ScriptedWindow& w) {
      readsBefore = Sim().Disk(0).reads;
      w.Press(IDC_START_SCAN);
    });
    EXPECT_EQ(o.lines, c.lines);
    EXPECT_EQ(scan::ScanFailedBlocks, c.failed);
    EXPECT_EQ(scan::ScanRetryGoodBlocks, c.retryGood);
    EXPECT_EQ(disk::IoErrorCount, c.errors);
    EXPECT_EQ(scan::ScanBadSectors, c.bad);
    EXPECT_EQ(o.badSectors, c.shown);
    EXPECT_EQ(Sim().Disk(0).outOfRange, 0u) << "no read runs past the end of the disk";
    // A clean disk is read a megabyte or more at a time: its partition
    // table (to lock its volumes; a blank one is looked at for the two
    // GPT headers too), then eight spans.
    if (!*c.faults) {
      EXPECT_EQ(Sim().Disk(0).reads - readsBefore, 11u);
    }
    EXPECT_TRUE(Shown(L"IDS_ScanComplete"));
    ASSERT_TRUE(o.summary);
    std::wstring expected = c.failed == 0 ? L"IDS_Completed"
                                          : std::to_wstring(c.failed) + L" IDS_badsector1 " +
                                                std::to_wstring(c.retryGood) + L"IDS_badsector2";
    EXPECT_EQ(o.result, expected);
    EXPECT_EQ(o.failed, std::to_wstring(c.failed));
    EXPECT_EQ(o.retryGood, std::to_wstring(c.retryGood));
  }
}

TEST_F(ScanTest, TheSummaryTimesTheWorkAndThePageEndsFull) {
  // 64 MiB at 1 MiB/s: 64 seconds of reading. The operator takes 30
  // seconds to answer a Cancel question with No, and 20 to close the
  // message at the end; neither is time of the scan's.
  AddDisk("size=64MiB,model=Slow,speed=1MiB");
  Boot();
  host_.answer = [&](const std::wstring& text, unsigned) {
    if (text == L"IDS_writeverify") return int(win::IDYES);
    Sim().Sleep(text == L"IDS_Scancancel" ? 30000 : 20000);
    return text == L"IDS_Scancancel" ? int(win::IDNO) : int(win::IDOK);
  };
  bool asked = false;
  std::vector<std::pair<uint64_t, std::wstring>> estimates;  // work done (ms), remaining shown
  uint32_t start = 0;
  struct Last {
    int64_t pos = -1, high = 0;
    std::wstring sector, elapsed, remaining, detail;
  } last;
  host_.onClose = [&](ui::ScriptedWindow& w) {
    if (std::string(w.Name()) != "CBadSectorScan") return;
    last = {w.GetPos(IDC_PROGRESS), w.c(IDC_PROGRESS).high, w.GetText(IDC_SCAN_SECTOR), w.GetText(IDC_ELAPSED),
            w.GetText(IDC_SCAN_REMAINING), w.GetText(IDC_PROGRESS_DETAIL)};
  };
  host_.OnPage("CScanNewDiskPartition", [&](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, RowOf(0), true);
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CBadSectorScan", [&](ui::ScriptedWindow& w) {
    start = Sim().GetTickCount();
    host_.onPump = [&](ui::ScriptedWindow& pumped) {
      uint32_t now = Sim().GetTickCount();
      if (!asked && now - start >= 10000) {
        asked = true;
        pumped.Press(win::IDCANCEL);
      }
      estimates.push_back({now - start, pumped.GetText(IDC_SCAN_REMAINING)});
    };
    w.Press(IDC_START_SCAN);
    host_.onPump = nullptr;
  });
  std::wstring time;
  host_.OnPage("CScanSummary", [&](ui::ScriptedWindow& w) {
    time = w.GetText(IDC_VALUE3);
    w.Press(IDC_FINISH);
  });
  app::OpenScanWizard();
  ASSERT_TRUE(asked);
  EXPECT_FALSE(scan::ScanCancelled);
  EXPECT_NEAR(double(scan::ScanWorkMilliseconds), 64000.0, 1000.0);
  EXPECT_EQ(time, L"00:01:04");
  // The page at the end: a full bar, the last sector, nothing left.
  EXPECT_EQ(last.pos, last.high);
  EXPECT_EQ(last.sector, L"131071");
  EXPECT_EQ(last.elapsed, L"00:01:04");
  EXPECT_EQ(last.remaining, L"00:00:00");
  EXPECT_EQ(last.detail, L"IDS_ProgressRate");
  // From the second second on, the time left follows the rate of the last
  // seconds: within two seconds of the truth (64 s less the work done), the
  // question's half minute not taken for slowness.
  int checked = 0;
  for (auto& [ms, shown] : estimates) {
    uint64_t work = ms >= 40000 ? ms - 30000 : ms;  // the answer came after 10 s of work
    if (work < 2000 || work > 62000 || shown.size() != 8) continue;
    int h, m, sec;
    ASSERT_EQ(swscanf(shown.c_str(), L"%d:%d:%d", &h, &m, &sec), 3) << text::ToUtf8(shown);
    double left = h * 3600 + m * 60 + sec, truth = 64.0 - double(work) / 1000.0;
    EXPECT_NEAR(left, truth, 2.0) << "after " << work << " ms of work";
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

TEST_F(ScanTest, APartitionScanStopsAtThePartitionsEnd) {
  // A partition of 100 sectors from 2048: its second block is 37 sectors,
  // and a bad sector just behind the partition is none of its business.
  struct Case {
    const char* bad;
    std::vector<std::wstring> lines;
    Ranges sectors;
  } cases[] = {
      {"bad=2148", {}, {}},
      {"bad=2147", {L"IDS_ErrorinSector 2111"}, {{2147, 2147}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bad);
    config_.disks.clear();
    AddDisk(std::string("size=8MiB,model=Scanned,") + c.bad);
    Boot();
    Layout(0, {{2048, 100, ""}});
    Outcome o = Scan(RowOf(0, 1), [&](ui::ScriptedWindow& w) {
      EXPECT_EQ(w.GetText(IDC_SCAN_TARGET), L"IDS_Partition (C:) RAW 0.05 MB");
      w.Press(IDC_START_SCAN);
    });
    EXPECT_EQ(o.lines, c.lines);
    EXPECT_EQ(scan::ScanBadSectors, c.sectors);
    EXPECT_EQ(Sim().OpenHandleCount(), 0);
    for (auto& v : Sim().Mounts().Volumes()) EXPECT_FALSE(v->locked);
  }
}

TEST_F(ScanTest, CancelStopsTheScanWithinASecond) {
  // A slow disk: a block takes about 32 ms of the machine's clock.
  AddDisk("size=64MiB,model=Slow,speed=1MiB");
  Boot();
  uint32_t cancelTick = 0;
  int blocksAfter = -1;
  uint64_t readsAtCancel = 0;
  Outcome o = Scan(RowOf(0), [&](ui::ScriptedWindow& w) {
    host_.onPump = [&](ui::ScriptedWindow& pumped) {
      if (cancelTick) return;
      cancelTick = Sim().GetTickCount();
      EXPECT_TRUE(pumped.Press(win::IDCANCEL));
      readsAtCancel = Sim().Disk(0).reads;
    };
    w.Press(IDC_START_SCAN);
    blocksAfter = int(Sim().Disk(0).reads - readsAtCancel);
    EXPECT_EQ(w.GetText(IDC_ELAPSED), L"00:00:01");
  });
  ASSERT_NE(cancelTick, 0u);
  EXPECT_EQ(blocksAfter, 0) << "no block is read after the cancel";
  EXPECT_TRUE(scan::ScanCancelled);
  EXPECT_FALSE(Shown(L"IDS_ScanComplete"));
  EXPECT_EQ(o.result, L"IDS_Aborted");
}

TEST_F(ScanTest, ErrorListCanBeHiddenAndKeepsItsLines) {
  AddDisk("size=4000s,model=Scanned,bad=10;200;300");
  Boot();
  Scan(RowOf(0), [](ui::ScriptedWindow& w) {
    w.Tick(IDC_SCAN_SHOW_ERRORS, false);
    EXPECT_FALSE(w.IsVisible(IDC_SCAN_ERRORS));
    w.Press(IDC_START_SCAN);
    EXPECT_EQ(w.LinesCount(IDC_SCAN_ERRORS), 3);
    EXPECT_FALSE(w.IsVisible(IDC_SCAN_ERRORS));
  });
  EXPECT_EQ(scan::ScanFailedBlocks, 3);
}

TEST_F(ScanTest, OpenedByTheDuplicationTheScanRunsAndClosesByItself) {
  AddDisk("size=4000s,model=Destination,flaky=70:1");
  Boot();
  disk::RefreshDiskModel();
  scan::ScanRegion = erase::Region{};
  scan::ScanRegion.DriveNumber = 0;
  scan::ScanRegion.DiskName = L"Destination";
  scan::ScanRegion.LengthSectors = 4000;
  scan::ScanFromDuplication = true;
  std::wstring subheading;
  host_.onClose = [&](ui::ScriptedWindow& w) { subheading = w.GetText(IDC_SUBHEADING); };
  scan::CBadSectorScan page;
  int result = ui::RunModal(page);
  EXPECT_EQ(result, IDC_NEXT);
  EXPECT_EQ(subheading, L"IDS_BadSectorScanPrescanH1") << "no Start Scan to click";
  EXPECT_TRUE(scan::ScanDone);
  EXPECT_FALSE(scan::ScanCancelled);
  EXPECT_EQ(scan::ScanFailedBlocks, 1);
  EXPECT_EQ(scan::ScanRetryGoodBlocks, 1);
  EXPECT_TRUE(host_.messages.empty()) << "no completion message of its own";
  EXPECT_EQ(host_.pagesOpened, std::vector<std::string>{"CBadSectorScan"});
  EXPECT_TRUE(host_.abandoned.empty());
}

TEST_F(ScanTest, ADiskThatCannotBeOpenedIsNotADiskOfBadBlocks) {
  AddDisk("size=4000s,model=Present");
  Boot();
  scan::ScanRegion = erase::Region{};
  scan::ScanRegion.DriveNumber = 5;  // no such drive
  scan::ScanRegion.LengthSectors = 4000;
  scan::ScanFromDuplication = true;
  scan::CBadSectorScan page;
  ui::RunModal(page);
  EXPECT_TRUE(Shown(L"IDS_DiskUnreadable"));
  EXPECT_TRUE(scan::ScanCancelled) << "the duplication sees the scan as not done";
  EXPECT_EQ(scan::ScanFailedBlocks, 0);
  EXPECT_EQ(scan::ScanResultText(), L"IDS_Aborted");
  EXPECT_EQ(disk::OpenDiskCount, 0);
}
