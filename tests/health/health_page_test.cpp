// The disk-health page and its diagnostics dialog on simulated drives: a
// SATA drive with an attribute at its threshold, an NVMe drive, a drive
// that answers nothing, and the tree that names the drives.
#include <gtest/gtest.h>

#include "app/language.h"
#include "health/diagnostics_page.h"
#include "health/health_fixture.h"

using namespace testing_support;

namespace {

std::vector<std::vector<std::wstring>> DiagnosticsRows(ui::ScriptedWindow& w, int listId) {
  std::vector<std::vector<std::wstring>> rows;
  for (int r = 0; r < w.ListCount(listId); ++r) {
    std::vector<std::wstring> row;
    for (int c = 0; c < 7; ++c) row.push_back(w.ListCell(listId, r, c));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST_F(HealthTest, SataDriveWithAnAttributeAtItsThresholdIsFailing) {
  AddDisk(kCheckedSata);
  Boot();
  Texts(L"IDS_HealthPowerOn: %DAYS% days (%HOURS% hours)\r\nIDS_HealthHours: %HOURS% h\r\n");
  PageView v = ShowDrive(0);
  EXPECT_EQ(v.drive, 0);
  EXPECT_EQ(v.model, L"IDS_HealthModelChecked Sata");
  // Hours from the low 32 bits of the raw value (0x30D4), not from the
  // normalised value 90 read as days.
  EXPECT_EQ(v.powerOn, L"520 days (12500 hours)");
  EXPECT_EQ(Row(v, L"IDS_HealthRunningDays"), L"520");
  EXPECT_EQ(Row(v, L"IDS_HealthRunningDays", 3), L"12500 h");
  // 40 °C from the raw low byte, not the value 60 taken as °F.
  EXPECT_EQ(v.figures[0].value, L"40C/104F (IDS_HealthGood)");
  // No attribute 198: not available, not slot 0's values.
  EXPECT_EQ(v.figures[1].value, L"IDS_HealthNotAvailable");
  EXPECT_EQ(Row(v, L"IDS_HealthReliability"), L"IDS_HealthNotAvailable");
  EXPECT_EQ(v.figures[2].value, L"110");
  EXPECT_EQ(Row(v, L"IDS_HealthError"), L"100");
  EXPECT_EQ(Row(v, L"IDS_HealthError", 2), L"99");
  EXPECT_EQ(Row(v, L"IDS_HealthSmartEnabled"), L"IDS_HealthDiaginfoEnabled");
  EXPECT_EQ(Row(v, L"IDS_HealthSmartVersion"), L"1.1");
  EXPECT_EQ(Row(v, L"IDS_HealthSerial"), L"CHK-0042");
  // Not "GOOD" whatever the drive says.
  EXPECT_EQ(v.status, L"IDS_HealthStatusFailing");
  EXPECT_EQ(v.statusText, L"IDS_HealthStatusFailingText\nIDS_HealthReasonAttribute");

  // The attribute list of the diagnostics dialog: ascending ids, names and
  // criticality from the file beside the program, raw values whole.
  std::vector<std::vector<std::wstring>> summary, list;
  host_.OnPage("CSmartDiagnostics", [&](ui::ScriptedWindow& w) {
    summary = DiagnosticsRows(w, IDC_HEALTH_SUMMARY);
    list = DiagnosticsRows(w, IDC_LIST);
    EXPECT_EQ(w.GetText(IDC_STATUS), L"");
    w.Press(win::IDCANCEL);
  });
  Open([](ui::ScriptedWindow& w) { w.Press(IDC_HEALTH_DETAILS); });
  ASSERT_EQ(summary.size(), 14u);
  EXPECT_EQ(summary[13][0], L"IDS_HealthTemperature");
  using Row7 = std::vector<std::wstring>;
  std::vector<Row7> expected = {
      Row7(7, L""),
      {L"", L">>>>>>>>>>>>>>>  Drive 0  <<<<<<<<<<<<<<<<", L"", L"", L"", L"", L""},
      {L"Model", L"Checked Sata", L"", L"", L"", L"", L""},
      {L"Serial", L"CHK-0042", L"", L"", L"", L"", L""},
      {L"IDS_HealthCacheBuffer", L"8192 (3)", L"", L"", L"", L"", L""},
      {L"001 (CR)", L"Raw Read Error Rate", L"100", L"99", L"0", L"16", L""},
      {L"002", L"Throughput Performance", L"110", L"100", L"0", L"50", L""},
      {L"005 (CR)", L"Reallocated Sectors Count", L"36", L"36", L"140737488355346", L"36", L"IDS_HealthFailingMark"},
      {L"007", L"Seek Error Rate", L"88", L"60", L"12345678", L"30", L""},
      {L"009", L"Power-On Hours", L"90", L"90", L"4294979796", L"0", L""},
      {L"194", L"Temperature", L"60", L"45", L"128850329640", L"0", L""},
      Row7(7, L""),
  };
  EXPECT_EQ(list, expected);
}

TEST_F(HealthTest, NvmeDriveShowsItsHealthLog) {
  AddDisk("size=64MiB,model=Fast Nvme,serial=NV-77,bus=Nvme,nvme.temperature=45,nvme.spare=8,nvme.sparethreshold=10,"
          "nvme.used=12,nvme.read=2000000,nvme.written=1000,nvme.hours=1530,nvme.unsafe=23,nvme.mediaerrors=0");
  Boot();
  PageView v = ShowDrive(0);
  EXPECT_EQ(v.figures[0].value, L"45C/113F (IDS_HealthGood)");
  EXPECT_EQ(v.figures[1].title, L"IDS_HealthSpare");
  EXPECT_EQ(v.figures[1].value, L"8%");
  EXPECT_EQ(v.figures[2].value, L"12%");
  EXPECT_EQ(Row(v, L"IDS_HealthSmartEnabled"), L"IDS_HealthDiaginfoEnabled");
  EXPECT_EQ(Row(v, L"IDS_HealthSmartVersion"), L"NVMe");
  EXPECT_EQ(Row(v, L"IDS_HealthSerial"), L"NV-77");
  EXPECT_EQ(Row(v, L"IDS_HealthSpare", 2), L"10%");
  EXPECT_EQ(Row(v, L"IDS_HealthDataRead"), L"2000000 (1.02 TB)");
  EXPECT_EQ(Row(v, L"IDS_HealthPowerOnHours"), L"1530");
  EXPECT_EQ(Row(v, L"IDS_HealthUnsafeShutdowns"), L"23");
  // The spare has fallen below its threshold.
  EXPECT_EQ(v.status, L"IDS_HealthStatusFailing");
  EXPECT_EQ(v.statusText, L"IDS_HealthStatusFailingText\nIDS_HealthReasonSpare");
}

TEST_F(HealthTest, DriveThatAnswersNothingShowsNotAvailableAndNoVerdict) {
  AddDisk("size=64MiB,model=Plain Usb,bus=Usb");
  Boot();
  PageView v = ShowDrive(0);
  EXPECT_EQ(Row(v, L"IDS_HealthSmartEnabled"), L"IDS_HealthDiaginfoNotEnabled");
  EXPECT_EQ(Row(v, L"IDS_HealthSmartVersion"), L"");
  EXPECT_EQ(v.powerOn, L"IDS_HealthPowerOnTitleIDS_HealthNotAvailable");
  for (const auto& f : v.figures) EXPECT_EQ(f.value, L"IDS_HealthNotAvailable") << f.title;
  for (const wchar_t* key : {L"IDS_HealthRunningDays", L"IDS_HealthReliability", L"IDS_HealthPerformance", L"IDS_HealthError"})
    EXPECT_EQ(Row(v, key), L"IDS_HealthNotAvailable") << key;
  EXPECT_EQ(v.status, L"IDS_HealthStatusUnknown");
}

TEST_F(HealthTest, AVerdictNeedsTheThresholdsAndTheTableShowsWhatWasRead) {
  // One attribute at its threshold's level; each case fails one request.
  const std::string drive = "size=64MiB,smart=ata,smart.attribute=id=5 value=10 worst=10 raw=0 threshold=10";
  struct Case {
    const char* fail;
    const wchar_t *enabled, *version, *status, *text;
  } cases[] = {
      {"", L"IDS_HealthDiaginfoEnabled", L"1.1", L"IDS_HealthStatusFailing",
       L"IDS_HealthStatusFailingText\nIDS_HealthReasonAttribute"},
      // The attributes came back, the thresholds did not: not judged, not good.
      {",smart.fail=thresholds:1", L"IDS_HealthDiaginfoEnabled", L"1.1", L"IDS_HealthStatusUnknown",
       L"IDS_HealthStatusUnjudgedText\nIDS_HealthReasonThresholds"},
      // SMART could not be switched on, though the version block was read.
      {",smart.fail=enable", L"IDS_HealthDiaginfoNotEnabled", L"1.1", L"IDS_HealthStatusUnknown",
       L"IDS_HealthStatusUnknownText"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fail);
    config_.disks.clear();
    AddDisk(drive + c.fail);
    Boot();
    PageView v = ShowDrive(0);
    EXPECT_EQ(Row(v, L"IDS_HealthSmartEnabled"), c.enabled);
    EXPECT_EQ(Row(v, L"IDS_HealthSmartVersion"), c.version);
    EXPECT_EQ(v.status, c.status);
    EXPECT_EQ(v.statusText, c.text);
  }
}

TEST_F(HealthTest, TreeItemsCarryTheDriveNumberWhateverTheirLabelSays) {
  // Drive 0 does not answer, so the disks are Disk1 and Disk2; the label
  // word for a disk is not four characters long in this language.
  AddDisk("missing=1");
  AddDisk("size=32MiB,model=First,smart=ata,smart.attribute=id=9 value=100 worst=100 raw=48");
  AddDisk("size=48MiB,model=Second,smart=ata,smart.attribute=id=9 value=100 worst=100 raw=96");
  Boot();
  Texts(L"IDS_Drive: Laufwerk\r\n");
  PageView v = ShowDrive(2);
  EXPECT_EQ(v.drive, 2);
  EXPECT_EQ(v.model, L"IDS_HealthModelSecond");
  EXPECT_EQ(Row(v, L"IDS_HealthRunningDays"), L"4");
  ASSERT_EQ(v.treeData.size(), 2u);
  EXPECT_EQ(v.treeData, (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(v.treeTexts[0].rfind(L"Laufwerk1", 0), 0u) << v.treeTexts[0];
}

TEST_F(HealthTest, SelectingAPartitionLeavesThePageAsItWas) {
  int d = AddDisk("size=64MiB,model=Parted,smart=ata,smart.attribute=id=9 value=100 worst=100 raw=240");
  Boot();
  ASSERT_EQ(WriteMbrGroups(Sim().Disk(d), 0x1234, {{{2048, 20480, 0x07, "NTFS"}}}), 0u);
  Sim().Mounts().Mount();
  PageView v = Open([](ui::ScriptedWindow& w) {
    ui::TreeItem disk = w.TreeChildren(IDC_HEALTH_TREE, ui::kTreeRoot).at(0);
    std::vector<ui::TreeItem> parts = w.TreeChildren(IDC_HEALTH_TREE, disk);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(w.TreeGetData(IDC_HEALTH_TREE, parts[0]), health::kPartitionItem | 0);
    w.SetText(IDC_HEALTH_POWERON, L"untouched");
    w.SelectTreeItem(IDC_HEALTH_TREE, parts[0]);
  });
  EXPECT_EQ(v.powerOn, L"untouched");
  EXPECT_EQ(v.treeTexts.size(), 2u);
}

TEST_F(HealthTest, DetailsRefreshReadsTheDrivesAgainWithoutStaleValues) {
  AddDisk(kCheckedSata);
  Boot();
  std::vector<std::vector<std::wstring>> before, after;
  host_.OnPage("CSmartDiagnostics", [&](ui::ScriptedWindow& w) {
    before = DiagnosticsRows(w, IDC_LIST);
    // The drive loses attribute 194 and attribute 5 recovers.
    auto& attrs = Sim().Disk(0).MutableConfig().smart.attributes;
    attrs.erase(attrs.begin());
    for (auto& a : attrs)
      if (a.id == 5) a.value = 100;
    w.Press(IDC_HEALTH_REFRESH);
    after = DiagnosticsRows(w, IDC_LIST);
    w.Press(win::IDCANCEL);
  });
  PageView v = Open([](ui::ScriptedWindow& w) { w.Press(IDC_HEALTH_DETAILS); });
  EXPECT_EQ(before.size(), after.size() + 1);
  for (const auto& r : after) EXPECT_NE(r[0], L"194");
  // The page itself shows the fresh values once the dialog closes.
  EXPECT_EQ(v.figures[0].value, L"IDS_HealthNotAvailable");
  EXPECT_EQ(v.status, L"IDS_HealthStatusAttention");
}
