// The delete report: its lines, the file it is saved as, the dump rows,
// and the ways off the report page.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/language.h"
#include "app/version.h"
#include "disk/disk_access.h"
#include "erase/delete_report.h"
#include "erase/dump_row.h"
#include "erase/region_fixture.h"
#include "erase/wipe_methods.h"
#include "platform/text.h"
#include "viewer/viewer_ids.h"

using namespace testing_support;

namespace {

std::vector<std::wstring> FileLines(const std::vector<uint8_t>& bytes) {
  std::wstring all = text::DecodeUtf16LE(bytes.data() + 2, bytes.size() - 2);
  std::vector<std::wstring> lines;
  size_t at = 0;
  for (size_t end; (end = all.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
    lines.push_back(all.substr(at, end - at));
  EXPECT_EQ(at, all.size()) << "every line ends with CR LF";
  return lines;
}

}  // namespace

class DeleteReportTest : public RegionTest {
 protected:
  // A reports folder lent to the machine as drive R:.
  void ReportsDrive() {
    sim::DriveConfig d;
    d.letter = L'R';
    d.files = dir_.File("reports");
    config_.drives.push_back(d);
  }
};

TEST_F(DeleteReportTest, SavedReportOfAZeroFilledPartition) {
  ReportsDrive();
  AddDisk("size=8MiB,model=Target,serial=TGT-0001,bus=Usb");
  Boot();
  Layout(0, {{2048, 6300, "NTFS"}});
  host_.fileDialog = [](bool save, const std::wstring& filter) -> std::optional<std::wstring> {
    EXPECT_TRUE(save);
    EXPECT_EQ(filter, L"IDS_DelReport (*.txt)|*.txt|");
    return L"R:\\report.txt";
  };
  Delete(RowOf(0, 1), erase::WipeZero, [](ui::ScriptedWindow& w) {
    w.Press(IDC_SAVE_REPORT);
    w.Press(IDC_SAVE_REPORT);  // saving again writes the same file
  });
  std::vector<uint8_t> bytes = ReadHostFile(dir_.File("reports") + "/report.txt");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  EXPECT_EQ(bytes.size() % 2, 0u);
  std::vector<std::wstring> lines = FileLines(bytes);
  std::vector<std::wstring> expected = {
      L"IDS_DelProgSum2",
      L"IDS_DelProgSum3 " + erase::DeleteDateText,
      L"IDS_DelProgSum4 IDS_Product",
      L"",
      L"IDS_Configuration",
      L"IDS_DiskPartition: IDS_Partition (C:) NTFS ",
      L"IDS_TotalSize: 3.08 MB",
      L"IDS_DelProg2 IDS_algoname1",
      L"",
      L"IDS_Result",
      L"IDS_DelResult IDS_Completed",
      L"IDS_DelErr 0",
      L"IDS_AfterDelSnap",
      L"0000000000  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ",
      L"0000000010  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ",
      L"0000000020  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ",
      L"",
      // What a certificate needs besides, behind the lines readers know.
      L"IDS_ReportModel Target",
      L"IDS_ReportSerial TGT-0001",
      L"IDS_ReportSectors 16384",
      L"IDS_ReportBus USB",
      L"IDS_ReportVersion IDS_Product " + app::VersionText(),
      L"IDS_ReportOverwritten",
  };
  EXPECT_EQ(lines, expected);
  for (int i = 13; i < 16; ++i) EXPECT_EQ(lines[size_t(i)].size(), 60u);
  EXPECT_EQ(erase::DeleteDateText, L"12/09/2026 10:00");
  EXPECT_FALSE(Shown(L"IDS_ReportNotSaved"));
  // The save dialog offers the disk and the time as the file's name.
  ASSERT_FALSE(host_.fileDialogs.empty());
  EXPECT_EQ(host_.fileDialogs.back().initialName, L"IDS_DelReport IDS_Drive0 C 2026-12-09 1000.txt");
}

TEST_F(DeleteReportTest, HowFarAnAbortedDeletionGotAndWhatItWasRunBy) {
  AddDisk("size=64MiB,model=Target,spt=63");
  Boot();
  app::ReadStartupValues();
  app::LanguageName = L"English";
  ASSERT_TRUE(app::LoadLanguageTable());
  Layout(0, {{2048, 63 * 1000, ""}});
  struct Case {
    int cancelAtPump;  // 0: not cancelled
    std::wstring line;
  } cases[] = {
      {0, L"Sectors overwritten: 63000 of 63000 (pass 4 of 4)"},
      // The wipe goes a megabyte at a time (32 blocks of 63 sectors) between
      // looks at the queue: cancelled at the third look, in pass 1.
      {3, L"Sectors overwritten: 4032 of 63000 (pass 1 of 4)"},
  };
  for (const Case& c : cases) {
    int pumps = 0;
    host_.onPump = [&](ui::ScriptedWindow& w) {
      if (c.cancelAtPump && ++pumps == c.cancelAtPump) w.Press(win::IDCANCEL);
    };
    std::wstring caption;
    Delete(RowOf(0, 1), erase::WipeDoD, [&](ui::ScriptedWindow& w) { caption = w.GetText(0); });
    host_.onPump = nullptr;
    EXPECT_NE(erase::DeleteReport.find(L"\r\n" + c.line + L"\r\n"), std::wstring::npos) << text::ToUtf8(erase::DeleteReport);
    EXPECT_NE(erase::DeleteReport.find(L"\r\nProgram version: Vektrel " + app::VersionText() + L"\r\n"),
              std::wstring::npos);
    EXPECT_EQ(caption, L"Deletion Report - Vektrel " + app::VersionText());
  }
}

TEST_F(DeleteReportTest, ADeletionWithErrorsIsNotReportedAsCompleted) {
  // Five blocks; on a disk that has become write-protected, 25 failed
  // attempts, and the message, the page and the report say so.
  struct Case {
    bool writeProtected;
    std::wstring errors, result, message;
  } cases[] = {
      {false, L"0", L"IDS_Completed", L"IDS_DeleteOver"},
      {true, L"25", L"IDS_Completed_Error", L"IDS_DeleteOverErrors"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writeProtected);
    config_.disks.clear();
    AddDisk("size=8MiB,model=Target");
    Boot();
    Layout(0, {{2048, 315, ""}});
    Sim().Disk(0).MutableConfig().writeProtected = c.writeProtected;
    host_.messages.clear();
    std::wstring errors, result, snapshotBox;
    Delete(RowOf(0, 1), erase::WipeZero, [&](ui::ScriptedWindow& w) {
      errors = w.GetText(IDC_VALUE7);
      result = w.GetText(IDC_VALUE6);
      snapshotBox = w.GetText(IDC_SNAPSHOT);
      EXPECT_EQ(w.c(IDC_SNAPSHOT).font, ui::Font::Fixed);
    });
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(result, c.result);
    // The question names the partition and its disk.
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{
                              L"IDS_DeleteWarning\n\nIDS_Partition (C:) RAW 0.15 MB, IDS_Disk 0 (Target, 8 MB)",
                              c.message}));
    EXPECT_NE(erase::DeleteReport.find(L"\r\nIDS_DelResult " + c.result + L"\r\nIDS_DelErr " + c.errors + L"\r\n"),
              std::wstring::npos);
    EXPECT_EQ(snapshotBox.size(), 32u * 87) << "32 rows of 85 characters and CR LF";
  }
}

TEST_F(DeleteReportTest, AReportThatCannotBeWrittenIsNotDroppedSilently) {
  AddDisk("size=8MiB,model=Target");
  Boot();
  Layout(0, {{2048, 630, ""}});
  host_.fileDialog = [](bool, const std::wstring&) -> std::optional<std::wstring> { return L"Q:\\nowhere\\r.txt"; };
  Delete(RowOf(0, 1), erase::WipeZero, [](ui::ScriptedWindow& w) { w.Press(IDC_SAVE_REPORT); });
  EXPECT_TRUE(Shown(L"IDS_ReportNotSaved"));
  // A dialog that is cancelled writes nothing and says nothing.
  host_.messages.clear();
  host_.fileDialog = [](bool, const std::wstring&) -> std::optional<std::wstring> { return std::nullopt; };
  Delete(RowOf(0, 1), erase::WipeZero, [](ui::ScriptedWindow& w) { w.Press(IDC_SAVE_REPORT); });
  EXPECT_FALSE(Shown(L"IDS_ReportNotSaved"));
}

TEST_F(DeleteReportTest, FinishOffersTheRestartAndViewShowsTheWipedRegion) {
  AddDisk("size=8MiB,model=Target");
  Boot();
  Layout(0, {{2048, 6300, "NTFS"}});
  std::wstring firstRow;
  host_.OnPage("CViewDiskData", [&](ui::ScriptedWindow& w) {
    firstRow = w.GetText(IDC_VIEW_DUMP).substr(0, 85);
    w.Cancel();
  });
  host_.OnPage("CRestart", [](ui::ScriptedWindow& w) { w.Press(IDC_RESTART_FIRST); });
  EXPECT_THROW(Delete(RowOf(0, 1), erase::WipeDoD,
                      [](ui::ScriptedWindow& w) {
                        w.Press(IDC_VIEW_REGION);
                        w.Press(IDC_FINISH);
                      }),
               platform::ProcessExit);
  EXPECT_EQ(firstRow, erase::FormatDumpRow(erase::SnapshotSector, 0, 0)) << "the viewer opens on the region's first sector";
}

TEST_F(DeleteReportTest, DumpRows) {
  uint8_t sector[512] = {};
  const uint8_t bytes[16] = {0x41, 0x0A, 0x7F, 0xA0, 0x20, 0x7E, 0x00, 0xFF, 0x30, 0x39, 0x61, 0x7A, 0x1F, 0x80, 0x2E, 0x5C};
  std::memcpy(sector + 0x1F0, bytes, 16);
  EXPECT_EQ(erase::FormatDumpRow(sector, 0x1F0, 2),
            L"00000005f0  41 0a 7f a0 20 7e 00 ff 30 39 61 7a 1f 80 2e 5c  A... ~..09az...\\        ");
  EXPECT_EQ(erase::FormatDumpRow(sector, 0x1F0, 2).size(), 85u);
  // Addresses are 64-bit: a sector beyond 2^32 keeps its high bits.
  EXPECT_EQ(erase::FormatDumpRow(sector, 0, 0x100000000ull).substr(0, 12), L"20000000000 ");
}
