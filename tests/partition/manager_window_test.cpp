// The manager window and its pages: which commands the context menu
// offers, what the create wizard offers and sums up, the properties page,
// and the wait for a new partition's letter.
#include <gtest/gtest.h>

#include "app/format_size.h"
#include "partition/ccreatepart1.h"
#include "partition/create_wizard.h"
#include "partition/partition_fixture.h"
#include "platform/sim/sim_layout.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::Outcome;

class ManagerWindowTest : public PartitionTest {};

TEST_F(ManagerWindowTest, TheContextMenuGreysWhatTheSelectionCannotDo) {
  auto row = [](int record, int type, int primary, int letter) {
    disk::PartitionEntry e;
    e.RecordIndex = record;
    e.Type = type;
    e.IsPrimary = primary;
    e.DriveLetter = letter;
    e.LengthSectors = 100000;
    return e;
  };
  auto& m = partition::PartitionManager;
  m.selectedDisk = 1;
  m.regions = {row(0, 7, 1, 'C'),  row(-1, -1, 1, 0),  row(1, 7, 1, 'D'), row(2, 0x27, 1, -1),
               row(3, 15, 1, -1),  row(-1, -1, 0, 0),  row(4, 7, 0, 'E')};
  // Items in menu order: create logical, create, format, delete, resize, properties.
  struct Case {
    int selected;
    bool fromMap;
    const char* offered;
  } cases[] = {
      {-1, true, "-C---P"},  // nothing under the pointer
      {1, true, "-C---P"},   // free space
      {5, true, "L----P"},   // free space of the extended partition
      {0, true, "--FDRP"},   // a partition with free space behind it
      {2, true, "--FD-P"},   // ... with a partition behind it
      {6, true, "--FD-P"},   // ... the last region
      {3, true, "---D-P"},   // a partition without a letter
      {4, true, "L--D-P"},   // an empty extended partition takes the first logical drive
      {-1, false, "-----P"},
      {0, false, "--FDRP"},
      {1, false, "-----P"},
  };
  for (const Case& c : cases) {
    m.selectedRegion = c.selected;
    std::string got;
    const char letters[] = "LCFDRP";
    std::vector<ui::MenuItem> items = partition::ContextMenuItems(c.fromMap, c.selected >= 0);
    ASSERT_EQ(items.size(), 6u);
    for (size_t i = 0; i < items.size(); ++i) got.push_back(items[i].enabled ? letters[i] : '-');
    EXPECT_EQ(got, c.offered) << "row " << c.selected << (c.fromMap ? " in the map" : " in the list");
  }
}

TEST_F(ManagerWindowTest, TheWizardOffersFileSystemsBySizeAndSumsUp) {
  AddDisk("size=64GiB");
  Boot();
  struct Case {
    uint64_t mb;
    std::vector<std::wstring> offered;
  } cases[] = {{4095, {L"NTFS", L"FAT32", L"FAT"}}, {4096, {L"NTFS", L"FAT32"}}, {32768, {L"NTFS"}}};
  for (const Case& c : cases) {
    std::vector<std::wstring> shown;
    FillWizard(c.mb, Kind::Primary);
    host_.OnPage("CCreatePart41", [&](ui::ScriptedWindow& w) {
      w.Tick(IDC_CP41_QUICK, true);
      for (int i = 0; i < w.LinesCount(IDC_CP41_FS); ++i) shown.push_back(w.LinesGet(IDC_CP41_FS, i));
      w.Cancel();
    });
    Manage(0, -1, ID_CREATEPARTITION_NEWPART);
    EXPECT_EQ(shown, c.offered) << c.mb;
  }

  // A size above the maximum shows and uses the maximum; an extended
  // partition chosen after a file system is never formatted.
  std::wstring typed;
  std::vector<std::wstring> summary;
  int page1 = 0;
  host_.OnPage("CCreatePart4", [&](ui::ScriptedWindow& w) {
    if (++page1 == 1) {
      w.Type(IDC_CP_SIZE, L"999999999");
      w.Press(IDC_CP_APPLY);
      typed = w.GetText(IDC_CP_SIZE);
      w.Tick(IDC_CP_PRIMARY, true);
    } else {
      w.Tick(IDC_CP_EXTENDED, true);
    }
    w.Press(IDC_NEXT);
  });
  int page2 = 0;
  host_.OnPage("CCreatePart41", [&](ui::ScriptedWindow& w) {
    if (++page2 == 1) {
      w.Tick(IDC_CP41_QUICK, true);
      w.Choose(IDC_CP41_FS, 0);
      w.Press(IDC_BACK);
      return;
    }
    EXPECT_FALSE(w.IsEnabled(IDC_CP41_QUICK));
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CcreatePart42", [&](ui::ScriptedWindow& w) {
    for (int i = 0; i < w.LinesCount(IDC_CP42_SUMMARY); ++i) summary.push_back(w.LinesGet(IDC_CP42_SUMMARY, i));
    w.Cancel();
  });
  Manage(0, -1, ID_CREATEPARTITION_NEWPART);
  uint64_t maxSectors = 64ull * 1024 * 2048 - 2048;
  EXPECT_EQ(typed, std::to_wstring(maxSectors / 2048));
  // The disk by its Windows number, with its model and size.
  EXPECT_EQ(summary, (std::vector<std::wstring>{L"IDS_PhysicalDNO: 0 (Vektrel Virtual Disk, 64 GB)",
                                                L"IDS_PartitonType: IDS_Extended",
                                                L"IDS_PartitonSize: " + app::FormatSize(maxSectors / 2048 * 2048),
                                                L"IDS_FormatOption: IDS_NoFormat",
                                                L"IDS_FileSystem: IDS_None"}));
}

TEST_F(ManagerWindowTest, ALogicalDriveNeedsAFileSystemAndIsNamedSo) {
  AddDisk("size=256MiB");
  Boot();
  ASSERT_EQ(Create(-1, 100, Kind::Extended), Outcome::Done);
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  std::vector<std::wstring> summary;
  FillWizard(50, Kind::Logical);
  host_.OnPage("CcreatePart42", [&](ui::ScriptedWindow& w) {
    summary.push_back(w.LinesGet(IDC_CP42_SUMMARY, 1));
    w.Press(IDC_NEXT);
  });
  host_.messages.clear();
  Manage(0, 0, ID_CREATEPARTITION_LOGICAL);
  EXPECT_EQ(summary, std::vector<std::wstring>{L"IDS_PartitonType: IDS_LogicalDrive"});
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_SelectPartitionType"});
  sim::DriverLayout l;
  ASSERT_TRUE(sim::ReadDriverLayout(Sim().Disk(0), &l));
  for (size_t i = 4; i < l.entries.size(); ++i) EXPECT_TRUE(l.entries[i].IsEmpty()) << "no logical drive";
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 0), mbr);
}

TEST_F(ManagerWindowTest, PropertiesShowWhatTheSelectionHas) {
  AddDisk("size=256MiB,model=Props Disk");
  Boot();
  ASSERT_EQ(Create(-1, 40, Kind::Primary, L"FAT32", partition::kQuickFormat), Outcome::Done);
  ASSERT_EQ(Create(1, 60, Kind::Extended), Outcome::Done);
  WriteHostFile(Sim().Mounts().ByLetter(L'C')->hostFolder + "/data.bin", std::vector<uint8_t>(4 << 20, 1));
  struct Case {
    int box;
    std::vector<std::wstring> values;  // the values shown, in the page's order
    bool pie;
  } cases[] = {
      {-1, {L"0", L"256 MB", L"Props Disk"}, false},
      {1, {L"0", L"256 MB", L"Props Disk", L"IDS_ExtendedPartition", L"60 MB"}, false},
      {0, {L"0", L"256 MB", L"Props Disk", L"C:", L"FAT32", L"40 MB", L"36 MB", L"4 MB"}, true},
  };
  const int values[] = {IDC_CP6_DISKNO, IDC_CP6_DISKSIZE, IDC_CP6_MODEL, IDC_CP6_DRIVE,
                        IDC_CP6_FS,     IDC_CP6_PARTSIZE, IDC_CP6_FREE,  IDC_CP6_USED};
  for (const Case& c : cases) {
    std::vector<std::wstring> shown;
    double pie = -1;
    host_.OnPage("CCreatePart6", [&](ui::ScriptedWindow& w) {
      for (int id : values)
        if (w.IsVisible(id)) shown.push_back(w.GetText(id));
      if (w.IsVisible(IDC_CP6_PIE)) pie = w.c(IDC_CP6_PIE).pie;
      w.Press(win::IDOK);
    });
    EXPECT_TRUE(Manage(0, c.box, ID_CREATEPARTITION_PROPERTIES));
    EXPECT_EQ(shown, c.values) << c.box;
    EXPECT_EQ(pie >= 0, c.pie) << c.box;
    if (c.pie) {
      EXPECT_NEAR(pie, 36.0 / 40.0, 0.01);
    }
  }
}

TEST_F(ManagerWindowTest, ChoosingAPartitionInTheListSelectsItsRegion) {
  AddDisk("size=256MiB");
  AddDisk("size=256MiB");
  Boot();
  ASSERT_EQ(Create(-1, 40, Kind::Primary, L"", partition::kDoNotFormat, 1), Outcome::Done);
  ASSERT_EQ(Create(1, 40, Kind::Primary, L"", partition::kDoNotFormat, 1), Outcome::Done);
  Manage(0, -1, 0, [&](ui::ScriptedWindow& w) {
    const auto& m = partition::PartitionManager;
    int row = -1;
    for (size_t i = 0; i < m.listRows.size(); ++i)
      if (!m.listRows[i].isDisk && m.listRows[i].letter == 'D') row = int(i);
    ASSERT_GE(row, 0);
    w.SelectRow(IDC_LIST, row);
    EXPECT_EQ(partition::SelectedDiskEntry()->DriveNumber, 1);
    EXPECT_EQ(m.selectedRegion, 1);
    EXPECT_EQ(w.GetText(IDC_PM_INFO_KIND), L"IDS_Primary");
    EXPECT_EQ(w.GetText(IDC_PM_INFO_TYPE), L"NTFS (D:)");
    ASSERT_EQ(w.c(IDC_MAP).map.size(), 3u);
    EXPECT_TRUE(w.c(IDC_MAP).map[1].selected);
    w.MapMouse(IDC_MAP, 2, ui::MouseAction::Hover);
    EXPECT_TRUE(w.c(IDC_MAP).map[2].hot);
  });
}

TEST_F(ManagerWindowTest, ANewPartitionThatNeverGetsALetterEndsTheWaitWithAMessage) {
  config_.volumes.push_back({0, 2048, 0, true, "", false});  // mounted without a letter
  AddDisk("size=256MiB");
  Boot();
  uint64_t before = Sim().Clock().Micros();
  EXPECT_EQ(Create(-1, 40, Kind::Primary, L"NTFS", partition::kQuickFormat), Outcome::Failed);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_PartitionCreateError"});
  EXPECT_EQ((Sim().Clock().Micros() - before) / 1000000, 10u) << "20 polls, 500 ms apart";
  EXPECT_EQ(Regions().size(), 2u) << "the partition was created nevertheless";
}
