// The deletion wizard's pages: how rows are checked, what the operator can
// and cannot choose, the way back, and the questions before anything is
// written.
#include <gtest/gtest.h>

#include "disk/disk_access.h"
#include "erase/region_fixture.h"
#include "erase/wipe_methods.h"

using namespace testing_support;

class DeletionPagesTest : public RegionTest {
 protected:
  // Disk 1 holds the running Windows (C:), disk 2 two partitions.
  void TwoDisks() {
    config_.windowsDir = L"C:\\Windows";
    AddDisk("size=16MiB,model=System");
    AddDisk("size=16MiB,model=Target");
    Boot();
    Layout(0, {{2048, 20000, "NTFS"}});
    Layout(1, {{2048, 8000, "NTFS"}, {10048, 6000, ""}});
  }
  // What the progress page names as the target after the row was chosen
  // (the page is then left without writing).
  std::wstring TargetShown(int row) {
    host_.OnPage("CSelectDisk", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, row, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CSelectDeleteMethod", [](ui::ScriptedWindow& w) { w.Press(IDC_NEXT); });
    std::wstring shown;
    host_.OnPage("CDeletionProgress", [&](ui::ScriptedWindow& w) {
      shown = w.GetText(IDC_VALUE1);
      w.Close(win::IDCANCEL);
    });
    app::OpenDeletionWizard();
    return shown;
  }
  std::vector<bool> Checks(ui::ScriptedWindow& w) {
    std::vector<bool> out;
    for (int i = 0; i < w.ListCount(IDC_LIST); ++i) out.push_back(w.ListGetCheck(IDC_LIST, i));
    return out;
  }
};

TEST_F(DeletionPagesTest, ChecksWorkLikeRadioButtonsAndTheSystemDiskIsRefused) {
  TwoDisks();
  // Rows: 0 disk 1, 1 its partition, 2 disk 2, 3 and 4 its partitions.
  host_.OnPage("CSelectDisk", [&](ui::ScriptedWindow& w) {
    ASSERT_EQ(w.ListCount(IDC_LIST), 5);
    EXPECT_FALSE(w.IsEnabled(IDC_NEXT));
    w.CheckRow(IDC_LIST, 2, true);
    EXPECT_EQ(Checks(w), (std::vector<bool>{false, false, true, true, true}));
    EXPECT_TRUE(w.IsEnabled(IDC_NEXT) && w.IsEnabled(IDC_VIEW));
    w.CheckRow(IDC_LIST, 4, true);
    EXPECT_EQ(Checks(w), (std::vector<bool>{false, false, false, false, true}));
    for (int systemRow : {0, 1}) {
      w.CheckRow(IDC_LIST, systemRow, true);
      EXPECT_EQ(Checks(w), (std::vector<bool>{false, false, false, false, true})) << systemRow;
      EXPECT_EQ(host_.messages.back().text, systemRow ? L"IDS_GuardWindows" : L"IDS_GuardHolds");
    }
    w.CheckRow(IDC_LIST, 4, false);
    EXPECT_FALSE(w.IsEnabled(IDC_NEXT) || w.IsEnabled(IDC_VIEW));
    w.Cancel();
  });
  app::OpenDeletionWizard();
}

TEST_F(DeletionPagesTest, BackKeepsTheCheckedRowAndTheMethod) {
  TwoDisks();
  int visits = 0;
  host_.OnPage("CSelectDisk", [&](ui::ScriptedWindow& w) {
    if (++visits == 1) {
      w.CheckRow(IDC_LIST, 3, true);
      w.Press(IDC_NEXT);
      return;
    }
    EXPECT_EQ(Checks(w), (std::vector<bool>{false, false, false, true, false}));
    EXPECT_TRUE(w.IsEnabled(IDC_NEXT) && w.IsEnabled(IDC_VIEW));
    w.Cancel();
  });
  host_.OnPage("CSelectDeleteMethod", [&](ui::ScriptedWindow& w) {
    EXPECT_TRUE(w.ListGetCheck(IDC_LIST, 0)) << "the first method is checked the first time";
    EXPECT_EQ(w.GetText(IDC_METHOD_DESCRIPTION), L"IDS_algodesc1");
    w.CheckRow(IDC_LIST, 0, false);
    EXPECT_EQ(w.GetText(IDC_METHOD_DESCRIPTION), L"");
    EXPECT_FALSE(w.IsEnabled(IDC_NEXT));
    EXPECT_EQ(erase::WipeMethod, -1);
    w.CheckRow(IDC_LIST, 2, true);
    EXPECT_EQ(erase::WipeMethod, 2);
    w.Press(IDC_BACK);
  });
  app::OpenDeletionWizard();
  EXPECT_EQ(visits, 2);
}

TEST_F(DeletionPagesTest, NothingIsWrittenUnlessTheStartIsConfirmed) {
  TwoDisks();
  struct Case {
    const char* what;
    std::function<void(ui::ScriptedWindow&)> onProgressPage;
  } cases[] = {
      {"start declined", [](ui::ScriptedWindow& w) {
         w.Press(IDC_START_DELETION);  // answered No
         EXPECT_FALSE(w.IsClosed());
         EXPECT_TRUE(w.IsEnabled(IDC_START_DELETION));
         w.Close(win::IDCANCEL);
       }},
      {"cancel before the start", [this](ui::ScriptedWindow& w) {
         host_.answerYes = true;
         w.Press(win::IDCANCEL);
         EXPECT_TRUE(w.IsClosed());
       }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_.answerYes = false;
    host_.pagesOpened.clear();
    uint64_t writes = Sim().Disk(1).writes;
    host_.OnPage("CSelectDisk", [](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, 2, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CSelectDeleteMethod", [](ui::ScriptedWindow& w) { w.Press(IDC_NEXT); });
    host_.OnPage("CDeletionProgress", c.onProgressPage);
    app::OpenDeletionWizard();
    EXPECT_EQ(Sim().Disk(1).writes, writes);
    EXPECT_EQ(host_.pagesOpened.back(), "CDeletionProgress") << "no report page";
  }
}

TEST_F(DeletionPagesTest, TargetTextsNameTheRegionAndItsDisk) {
  TwoDisks();
  // The disk by its Windows number (Disk1 in the list), with its model and
  // size, wherever the page is about to write.
  struct Case {
    int row;
    std::wstring text;
  } cases[] = {
      {2, L"IDS_Disk 1 Target 16 MB"},
      {3, L"IDS_Partition (D:) NTFS 3.91 MB, IDS_Disk 1 (Target, 16 MB)"},
      // Unformatted and so RAW, even though it has a letter.
      {4, L"IDS_Partition (E:) RAW 2.93 MB, IDS_Disk 1 (Target, 16 MB)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TargetShown(c.row), c.text);
  }
  // A partition without a letter is named by its start, and by its type
  // as the lists name it (none when the type has no name).
  erase::Region r;
  r.RegionKind = erase::kPartition;
  r.StartLba = 10048;
  r.FileSystemName = L"NTFS";
  r.LengthSectors = 2048;
  EXPECT_EQ(erase::RegionTargetText(r), L"IDS_Partition (#10048) NTFS 1 MB");
  r.FileSystemName.clear();
  EXPECT_EQ(erase::RegionTargetText(r), L"IDS_Partition (#10048) 1 MB");
}

TEST_F(DeletionPagesTest, RunExplorerOpensTheFileDialogAndIgnoresTheChoice) {
  TwoDisks();
  std::vector<std::wstring> filters;
  host_.fileDialog = [&](bool save, const std::wstring& filter) -> std::optional<std::wstring> {
    EXPECT_FALSE(save);
    filters.push_back(filter);
    return L"C:\\Windows\\notepad.exe";
  };
  host_.OnPage("CSelectDisk", [](ui::ScriptedWindow& w) {
    w.Press(IDC_RUN_EXPLORER);
    EXPECT_FALSE(w.IsClosed());
    w.Cancel();
  });
  app::OpenDeletionWizard();
  EXPECT_EQ(filters, std::vector<std::wstring>{L"All files (*.*)|*.*|"});
}

TEST_F(DeletionPagesTest, APartitionOutsideTheDiskIsRefusedByEveryPageThatReadsOrWritesIt) {
  // A disk of 32768 sectors: the second entry lies wholly past its end, the
  // third begins inside and reaches past it.
  AddDisk("size=16MiB,model=Target");
  Boot();
  WriteSectorAt(ImagePath(0), 0,
                TableSector({{0x07, 2048, 8000}, {0x83, 0xFFFFFF00u, 0xFFFF}, {0x0C, 30000, 10000}}, 0x1234));
  std::vector<uint8_t> before = ReadHostFile(ImagePath(0));
  struct Case {
    const char* page;
    int partition;
  } cases[] = {{"CSelectDisk", 2}, {"CSelectDisk", 3}, {"CScanNewDiskPartition", 2}, {"CViewDiskPartition", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page) + " " + std::to_string(c.partition));
    host_.messages.clear();
    int row = RowOf(0, c.partition);
    ASSERT_GE(row, 0);
    bool pageSeen = false;
    host_.answerYes = true;
    host_.OnPage(c.page, [&](ui::ScriptedWindow& w) {
      pageSeen = true;
      EXPECT_FALSE(w.CheckRow(IDC_LIST, row, true) && w.ListGetCheck(IDC_LIST, row));
      EXPECT_TRUE(w.CheckRow(IDC_LIST, RowOf(0, 1), true)) << "the sound partition stays choosable";
      w.Close(win::IDCANCEL);
    });
    if (std::string(c.page) == "CSelectDisk") app::OpenDeletionWizard();
    else if (std::string(c.page) == "CScanNewDiskPartition") app::OpenScanWizard();
    else app::OpenPartitionView();
    EXPECT_TRUE(pageSeen);
    EXPECT_TRUE(Shown(L"IDS_PartitionOutsideDisk"));
  }
  EXPECT_EQ(ReadHostFile(ImagePath(0)), before);
}

TEST_F(DeletionPagesTest, PartitionsWithoutALetterAreNamedByTheirRealType) {
  AddDisk("size=16MiB,model=Target");
  Boot();
  Layout(0, {{2048, 4000, "", 0x83}, {6048, 4000, "", 0xEF}, {10048, 4000, "", 0x99}, {14048, 4000, "", 0x0F}});
  struct Case {
    int partition;
    std::wstring listed, target;
  } cases[] = {
      {1, L"IDS_SpecialPertition (Linux)", L"IDS_Partition (#2048) Linux 1.95 MB, IDS_Disk 0 (Target, 16 MB)"},
      {2, L"IDS_SpecialPertition (EFI)", L"IDS_Partition (#6048) EFI 1.95 MB, IDS_Disk 0 (Target, 16 MB)"},
      // A type without a name gets none, not a file system it does not have.
      {3, L"IDS_SpecialPertition", L"IDS_Partition (#10048) 1.95 MB, IDS_Disk 0 (Target, 16 MB)"},
      // An extended partition without logical drives.
      {4, L"IDS_SpecialPertition (Extended)", L"IDS_Partition (#14048) Extended 1.95 MB, IDS_Disk 0 (Target, 16 MB)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partition);
    int row = RowOf(0, c.partition);
    ASSERT_GE(row, 0);
    EXPECT_EQ(app::BuildDiskListRows()[size_t(row)].cells[1], c.listed);
    EXPECT_EQ(TargetShown(row), c.target);
  }
}
