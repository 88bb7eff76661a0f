// The duplication's choosing pages driven as an operator would: what the
// source page checks and fills (and refuses: a basic copy of a disk without
// a volume whose files can be read), and what the destination page refuses
// (the system disk, a write-protected disk, the source disk itself, a
// partition overlapping the source, a whole disk into a partition), and the
// one-click marker never choosing the system disk.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "duplicate/destination_guard.h"
#include "duplicate/dup_fixture.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_driver.h"
#include "duplicate/duplication_wizard.h"
#include "duplicate/system_disk.h"
#include "erase/region_list.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

using namespace testing_support;
using duplicate::DuplicationJob;

namespace {

class WizardPagesTest : public DupTest {
 protected:
  // Drive 0: partitions A (C:) and B (D:); drive 1: empty; drive 2: the
  // running Windows (E:).
  void Machine() {
    config_.windowsDir = L"E:\\Windows";
    AddDisk("size=16MiB,model=Source");
    AddDisk("size=32MiB,model=Empty");
    AddDisk("size=16MiB,model=System");
    Boot();
    Layout(0, {{{2048, 8000, 0x07, "NTFS"}, {12000, 8000, 0x07, "NTFS"}}});
    Layout(2, {{{2048, 8000, 0x07, "NTFS"}}});
    ASSERT_EQ(disk::DriveLetterOf(2048, 2), L'E');
    app::ReadStartupValues();
  }
  int Row(int drive, int partition) { return erase::RegionRowOf(app::BuildDiskListRows(), drive, partition); }

  // The source page with that row checked and Next pressed; then the
  // destination page with the other row checked. Returns whether the
  // destination row kept its check mark.
  bool TryDestination(int sourceRow, int destinationRow, bool sector = false) {
    bool checked = false;
    host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, sourceRow, true);
      w.Tick(sector ? IDC_MS_SECTOR : IDC_MS_BASIC, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CFormatDisk", [&](ui::ScriptedWindow& w) { w.Cancel(); });
    host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, destinationRow, true);
      checked = w.ListGetCheck(IDC_LIST, destinationRow);
      w.Close(win::IDCANCEL);
    });
    duplicate::RunDuplicationWizard();
    return checked;
  }
};

TEST_F(WizardPagesTest, TheDestinationPageRefusesWhatWouldOverwriteTheSourceOrTheSystem) {
  Machine();
  struct Case {
    const char* what;
    int source[2], destination[2];  // disk number, partition row (0 the disk)
    bool accepted;
    const wchar_t* message;  // shown when refused; nullptr none
    bool protectDestination = false;
  } cases[] = {
      {"a disk onto itself", {0, 0}, {0, 0}, false, L"IDS_DestinationIsSource"},
      {"a disk onto its own partition", {0, 0}, {0, 2}, false, L"IDS_DestinationIsSource"},
      {"a partition onto itself", {0, 1}, {0, 1}, false, L"IDS_DestinationOverlapsSource"},
      {"a partition onto another of its disk", {0, 1}, {0, 2}, true, nullptr},
      {"a disk onto another disk", {0, 0}, {1, 0}, true, nullptr},
      {"a disk into a partition", {2, 0}, {0, 2}, false, L"IDS_DiskNeedsDisk"},
      {"the system disk", {0, 0}, {2, 0}, false, L"IDS_MDest1"},
      {"a partition of the system disk", {0, 1}, {2, 1}, false, L"IDS_MDest1"},
      {"a write-protected disk", {0, 0}, {1, 0}, false, L"IDS_DestinationWriteProtected", true},
      {"a partition of a write-protected disk", {0, 1}, {0, 2}, false, L"IDS_DestinationWriteProtected", true},
      {"a partition onto an empty disk (offers a partition)", {0, 1}, {1, 0}, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sim().Disk(0).MutableConfig().writeProtected = Sim().Disk(1).MutableConfig().writeProtected = c.protectDestination;
    host_.messages.clear();
    host_.pagesOpened.clear();
    bool accepted = TryDestination(Row(c.source[0], c.source[1]), Row(c.destination[0], c.destination[1]));
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(Shown(c.message ? c.message : L"-"), c.message != nullptr);
    if (!c.message) {
      EXPECT_TRUE(host_.messages.empty());
    }
  }
  EXPECT_EQ(host_.pagesOpened.back(), "CFormatDisk") << "the format-now prompt for a partition source";
}

TEST_F(WizardPagesTest, APartitionOverlappingTheSourceOnItsDiskIsRefused) {
  AddDisk("size=16MiB,model=Overlaps");
  AddDisk("size=16MiB,model=Other");
  Boot();
  // A hostile table: the second entry starts inside the first.
  WriteSectorAt(ImagePath(0), 0, TableSector({{0x07, 2048, 8000}, {0x07, 6000, 8000}, {0x07, 20000, 10000}}));
  Sim().Mounts().Mount();
  app::ReadStartupValues();
  EXPECT_FALSE(TryDestination(Row(0, 1), Row(0, 2), true));
  EXPECT_TRUE(Shown(L"IDS_DestinationOverlapsSource"));
  EXPECT_TRUE(TryDestination(Row(0, 1), Row(0, 3), true)) << "apart from the source";
}

TEST_F(WizardPagesTest, TheDriverRefusesASourceAsItsOwnDestinationBeforeWriting) {
  Machine();
  std::vector<uint8_t> before = ReadHostFile(ImagePath(0));
  DiskToDisk(duplicate::CopyKind::SectorBySector, 1, 1);
  duplicate::RunPage page;
  EXPECT_EQ(duplicate::RunDuplication(page), duplicate::DuplicationResult::Aborted);
  EXPECT_TRUE(Shown(L"IDS_DestinationIsSource"));
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == before);
  DiskToDisk(duplicate::CopyKind::SectorBySector, 1, 3);
  EXPECT_EQ(duplicate::RunDuplication(page), duplicate::DuplicationResult::Aborted) << "the system disk";
  EXPECT_TRUE(Shown(L"IDS_MDest1"));
  // Protected after the destination page let it through.
  Sim().Disk(1).MutableConfig().writeProtected = true;
  DiskToDisk(duplicate::CopyKind::SectorBySector, 1, 2);
  EXPECT_EQ(duplicate::RunDuplication(page), duplicate::DuplicationResult::Aborted) << "a write-protected disk";
  EXPECT_TRUE(Shown(L"IDS_DestinationWriteProtected"));
  EXPECT_EQ(Sim().Disk(1).writes, 0u);
}

// Before it writes over a disk that holds partitions the page asks; for a
// partition destination it names that partition, and not the whole disk as
// what will be overwritten.
TEST_F(WizardPagesTest, TheOverwriteQuestionNamesWhatIsOverwritten) {
  Machine();
  struct Case {
    const char* what;
    int source[2], destination[2];
    const wchar_t* key;
    const wchar_t* names;
  } cases[] = {
      {"a partition onto another", {0, 1}, {0, 2}, L"IDS_CHECKBEFORESTARTPART", L"IDS_Partition D:"},
      {"a disk onto a disk with partitions", {1, 0}, {0, 0}, L"IDS_CHECKBEFORESTART", L"IDS_Disk 0"},
  };
  Layout(1, {{{2048, 8000, 0x07, "NTFS"}}});
  app::ReadStartupValues();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.messages.clear();
    host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, Row(c.source[0], c.source[1]), true);
      w.Tick(IDC_MS_BASIC, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, Row(c.destination[0], c.destination[1]), true);
      w.Press(IDC_NEXT);  // answered No: the page stays
      if (!w.IsClosed()) w.Close(win::IDCANCEL);
    });
    duplicate::RunDuplicationWizard();
    ASSERT_FALSE(host_.messages.empty());
    const std::wstring& q = host_.messages.back().text;
    EXPECT_EQ(q.substr(q.rfind(L'\n') + 1), c.key) << q;
    EXPECT_NE(q.find(c.names), std::wstring::npos) << q;
  }
}

// Manual sizes: a free row of the planned list cannot be sized. A click on it
// leaves the highlight on the row the size field and Apply belong to, so
// Apply changes the row that looks chosen and no other.
TEST_F(WizardPagesTest, AClickOnAFreeRowKeepsTheChosenRowHighlighted) {
  Machine();
  int lines = 0, afterFreeClick = -2, afterApply = -2;
  std::wstring firstBefore, firstAfter, secondAfter;
  host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, Row(0, 0), true);
    w.Tick(IDC_MS_BASIC, true);
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
    w.Tick(IDC_MD_MANUAL, true);
    w.CheckRow(IDC_LIST, Row(1, 0), true);
    firstBefore = w.LinesGet(IDC_MD_PLANNED, 0);
    // The second partition shrunk to its least: free space behind it.
    ASSERT_TRUE(w.Choose(IDC_MD_PLANNED, 1));
    w.Type(IDC_MD_SIZE, L"1");
    w.Press(IDC_MD_APPLY);
    lines = w.LinesCount(IDC_MD_PLANNED);
    ASSERT_EQ(lines, 3);
    ASSERT_TRUE(w.Choose(IDC_MD_PLANNED, 2));
    afterFreeClick = w.LinesSelected(IDC_MD_PLANNED);
    w.Type(IDC_MD_SIZE, L"9999");
    w.Press(IDC_MD_APPLY);
    afterApply = w.LinesSelected(IDC_MD_PLANNED);
    firstAfter = w.LinesGet(IDC_MD_PLANNED, 0);
    secondAfter = w.LinesGet(IDC_MD_PLANNED, 1);
    w.Close(win::IDCANCEL);
  });
  duplicate::RunDuplicationWizard();
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(afterFreeClick, 1) << "the highlight is back on the row Apply acts on";
  EXPECT_EQ(afterApply, 1);
  EXPECT_EQ(firstAfter, firstBefore) << "a row that was never chosen keeps its size";
  EXPECT_NE(secondAfter.find(L"(D:)"), std::wstring::npos) << secondAfter;
}

// A basic copy reads the files of the source's volumes: a disk with none it
// can read is refused on the source page, saying so, and not as a
// destination too small for it.
TEST_F(WizardPagesTest, ABasicCopyNeedsAVolumeWhoseFilesCanBeRead) {
  Machine();
  struct Case {
    const char* what;
    std::vector<DupPart> parts;  // of drive 1; none leaves it blank
    bool sector, taken;
  } cases[] = {
      {"a blank disk", {}, false, false},
      {"never formatted, and Linux", {{2048, 8000, 0x07, ""}, {12000, 8000, 0x83, ""}}, false, false},
      {"the same sector by sector", {{2048, 8000, 0x07, ""}, {12000, 8000, 0x83, ""}}, true, true},
      {"one FAT volume beside them", {{2048, 8000, 0x07, ""}, {12000, 8000, 0x06, "FAT"}}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.parts.empty()) Layout(1, {c.parts});
    app::ReadStartupValues();
    host_.messages.clear();
    bool taken = false;
    host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, Row(1, 0), true);
      w.Tick(c.sector ? IDC_MS_SECTOR : IDC_MS_BASIC, true);
      w.Press(IDC_NEXT);
      if (!w.IsClosed()) w.Close(win::IDCANCEL);
    });
    host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
      taken = true;
      w.Close(win::IDCANCEL);
    });
    duplicate::RunDuplicationWizard();
    EXPECT_EQ(taken, c.taken);
    EXPECT_EQ(Shown(L"IDS_NoFileVolume"), !c.taken);
    EXPECT_FALSE(Shown(L"IDS_DestinationTooSmall"));
  }
}

TEST_F(WizardPagesTest, TheSourcePageChecksAndFills) {
  AddDisk("size=32MiB,model=Windows 7");
  AddDisk("size=32MiB,model=Other");
  sim::VolumeConfig boot;
  boot.startLba = 2048;
  boot.noLetter = true;  // as Windows leaves it
  config_.volumes.push_back(boot);
  Boot();
  // A boot partition without a letter in front of the Windows partition,
  // whose boot files live on that boot partition.
  Layout(0, {{{2048, 4096, 0x07, ""}, {8192, 40000, 0x07, "NTFS"}}});
  PutFile(L'C', "WINDOWS/SYSTEM32/kernel32.dll");
  app::ReadStartupValues();
  std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0);
  mbr[446 + 16] = 0x80;  // the Windows partition is the active one
  WriteSectorAt(ImagePath(0), 0, mbr);

  std::map<std::string, bool> seen;
  host_.answer = [](const std::wstring& text, unsigned) { return win::IDYES; };
  host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
    w.Press(IDC_NEXT);
    seen["nothing checked asks for a source"] = Shown(L"IDS_SelectSource");
    w.CheckRow(IDC_LIST, 1, true);  // the boot partition: no letter
    seen["no letter: sector only"] = !w.IsEnabled(IDC_MS_BASIC) && w.GetCheck(IDC_MS_SECTOR);
    w.CheckRow(IDC_LIST, 0, true);
    seen["a disk checks its partitions"] = w.ListGetCheck(IDC_LIST, 1) && w.ListGetCheck(IDC_LIST, 2);
    w.CheckRow(IDC_LIST, 2, true);  // the Windows partition
    seen["the pair is asked for"] = Shown(L"IDS_Win7SystemMigrate");
    seen["yes checks the boot partition too"] = w.ListGetCheck(IDC_LIST, 1) && w.ListGetCheck(IDC_LIST, 2) &&
                                               !w.ListGetCheck(IDC_LIST, 0);
    seen["a letter allows basic"] = w.IsEnabled(IDC_MS_BASIC) && w.GetCheck(IDC_MS_BASIC);
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) { w.Close(win::IDCANCEL); });
  duplicate::RunDuplicationWizard();
  for (auto& [what, ok] : seen) EXPECT_TRUE(ok) << what;
  const auto& j = DuplicationJob;
  EXPECT_TRUE(j.Windows7Pair);
  EXPECT_EQ(j.PairCount, 2);
  EXPECT_FALSE(j.SourceIsPartition);
  EXPECT_EQ(j.SourceDescription.rfind(L"IDS_Disk 0 (Windows 7, ", 0), 0u) << "named by the Windows disk number";

  // The Windows partition alone: its own type byte and boot flag.
  host_.answer = [](const std::wstring&, unsigned) { return win::IDNO; };
  host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, 2, true);
    w.Press(IDC_NEXT);
  });
  duplicate::RunDuplicationWizard();
  EXPECT_TRUE(j.SourceIsPartition);
  EXPECT_EQ(j.SourceStart, 8192u);
  EXPECT_EQ(j.SourceLength, 40000u);
  EXPECT_EQ(j.SourceLetter, L'C');
  EXPECT_EQ(j.SourceTypeByte, 0x07);
  EXPECT_TRUE(j.SourceActive);
}

TEST_F(WizardPagesTest, TheOneClickMarkNeverChoosesTheSystemDisk) {
  Machine();
  std::vector<uint8_t> marked = ReadSectorAt(ImagePath(2), 0);
  std::memcpy(marked.data() + 16, duplicate::kOneClickMark, 19);
  WriteSectorAt(ImagePath(2), 0, marked);  // the system disk carries the mark (copied by an earlier clone)
  duplicate::MarkerMode = true;
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(duplicate::SystemDisk, 3);
  EXPECT_EQ(duplicate::BlankDisk, -1);
  std::vector<uint8_t> blank(512, 0);
  std::memcpy(blank.data() + 16, duplicate::kOneClickMark, 19);
  WriteSectorAt(ImagePath(1), 0, blank);
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(duplicate::BlankDisk, 2) << "the marked disk that is not the system's";
  duplicate::MarkerMode = false;
}

}  // namespace
