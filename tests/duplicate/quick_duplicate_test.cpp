// The quick duplicate: which disk counts as empty (never one with a table, a
// file system or a GPT at either end), the marked disk of the unattended
// start (never the system disk), what a copy needs, the borrowing of room
// from the partition behind in whole alignment units (read back by sfdisk),
// and the countdown that starts the copy or is cancelled.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "app/language.h"
#include "app/main_window.h"
#include "app/restart_dialog.h"
#include "app/startup.h"
#include "duplicate/destination_prep.h"
#include "duplicate/dup_fixture.h"
#include "duplicate/quick_duplicate.h"
#include "duplicate/system_disk.h"
#include "platform/sim/boot_sectors.h"
#include "platform/text.h"
#include "ui/control_ids.h"

using namespace testing_support;

namespace {

using duplicate::BlankDisk;
using duplicate::SystemDisk;
using partition::LayoutSlotTable;

class QuickDuplicateTest : public DupTest {
 protected:
  QuickDuplicateTest() {
    duplicate::ResetSystemDiskState();
    duplicate::LastQuickOutcome = duplicate::QuickOutcome::NotRun;
  }
  void Mark(int drive) {
    std::vector<uint8_t> s = ReadSectorAt(ImagePath(drive), 0);
    std::memcpy(s.data() + 16, duplicate::kOneClickMark, 19);
    WriteSectorAt(ImagePath(drive), 0, s);
  }
  int SlotOf(wchar_t letter) {
    for (int i = 0; i < duplicate::PlanSlotCount; ++i)
      if (LayoutSlotTable[i].sourceLetter == letter) return i;
    return -1;
  }
  // Start and length (sectors) of every planned slot, for comparing.
  std::vector<std::pair<uint64_t, uint64_t>> Plan() {
    std::vector<std::pair<uint64_t, uint64_t>> p;
    for (int i = 0; i < duplicate::PlanSlotCount; ++i)
      if (!LayoutSlotTable[i].IsEmpty())
        p.push_back({LayoutSlotTable[i].destinationStartBytes / 512, LayoutSlotTable[i].destinationLengthBytes / 512});
    return p;
  }
};

TEST_F(QuickDuplicateTest, TheLargestEmptyDiskIsChosenNeverOneThatHoldsSomething) {
  // Every disk that holds something is larger than the empty ones, so
  // taking any of them would show.
  AddDisk("size=16MiB,model=Empty Small");
  AddDisk("size=24MiB,model=Empty Large");
  AddDisk("size=48MiB,model=Table Without Entries");
  AddDisk("size=48MiB,model=GPT First Entry Empty");
  AddDisk("size=48MiB,model=Backup GPT Only");
  AddDisk("size=48MiB,model=Whole Disk FAT");
  AddDisk("size=48MiB,model=Whole Disk ext4");
  AddDisk("size=48MiB,model=Unreadable,bad=0-0");
  Boot();
  const uint64_t sectors = 48 * 2048;
  WriteSectorAt(ImagePath(2), 0, TableSector({}));
  WriteGpt(ImagePath(3), sectors, {{0, 0, ""}, {2048, 4095, "second"}});
  std::vector<uint8_t> zero(512, 0), entryless = ReadSectorAt(ImagePath(3), 1);
  // Only the copy at the end survives of this GPT.
  WriteSectorAt(ImagePath(4), sectors - 1, entryless);
  sim::BootSectorParams fat;
  fat.fileSystem = "FAT";
  fat.lengthSectors = sectors;
  ASSERT_EQ(sim::WriteBootSectors(Sim().Disk(5), fat), 0u);
  std::vector<uint8_t> boot = ReadSectorAt(ImagePath(5), 0);
  boot[510] = boot[511] = 0;  // its file-system text alone must tell
  WriteSectorAt(ImagePath(5), 0, boot);
  bool ext4 = HaveTool("mkfs.ext4") && Shell("mkfs.ext4 -q -F " + ImagePath(6) + " >/dev/null 2>&1") == 0;

  disk::RefreshDiskModel();
  const bool expected[] = {true, true, false, false, false, false, !ext4, false};
  for (int drive = 0; drive < 8; ++drive)
    EXPECT_EQ(duplicate::IsBlankDisk(drive, disk::DiskTable[drive + 1].SizeSectors), expected[drive])
        << text::ToUtf8(disk::DiskTable[drive + 1].Model);
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(BlankDisk, ext4 ? 2 : 7);
  if (ext4) {
    // Nothing empty left but the small one.
    WriteSectorAt(ImagePath(1), 0, TableSector({}));
    duplicate::DetectSystemAndBlankDisks();
    EXPECT_EQ(BlankDisk, 1);
  }
}

TEST_F(QuickDuplicateTest, TheMarkedDiskIsTheDestinationButNeverTheSystemDisk) {
  config_.programPath = L"C:\\Vektrel\\vektrel.exe";
  config_.windowsDir = L"C:\\Windows";
  AddDisk("size=64MiB,model=System");
  AddDisk("size=32MiB,model=Prepared");
  AddDisk("size=128MiB,model=Empty");
  Boot();
  Layout(0, {{{2048, 40960, 0x07, "NTFS"}}});  // C:
  Layout(1, {{{2048, 20480, 0x07, "NTFS"}}});  // holds a volume, and the mark
  Mark(0);
  Mark(1);
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(SystemDisk, 1);
  EXPECT_EQ(BlankDisk, 3) << "without marker mode the largest empty disk";
  duplicate::MarkerMode = true;
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(BlankDisk, 2) << "the marked disk that is not the system disk";
  WriteSectorAt(ImagePath(1), 0, TableSector({{0x07, 2048, 20480}}));  // the mark gone
  duplicate::DetectSystemAndBlankDisks();
  EXPECT_EQ(BlankDisk, -1) << "the marked system disk is never taken";
  duplicate::MarkerMode = false;
}

TEST_F(QuickDuplicateTest, NeededSectorsCountsTheLetteredVolumesWithAQuarterToSpare) {
  AddDisk("size=64MiB,model=Source");
  Boot();
  Layout(0, {{{2048, 40960, 0x07, "NTFS"}, {43008, 40960, 0x07, "NTFS"}, {83968, 20480, 0x27, ""}}});
  PutFile(L'C', "a.bin", 5u << 20);
  PutFile(L'D', "b.bin", 3u << 20);
  uint64_t c = disk::UsedSectorsOfLetter(L'C'), d = disk::UsedSectorsOfLetter(L'D');
  ASSERT_GE(c, 10240u);
  EXPECT_EQ(duplicate::NeededSectors(1), c + c / 4 + d + d / 4) << "the partition without a letter adds nothing";
  EXPECT_EQ(duplicate::NeededSectors(7), 0u);
}

TEST_F(QuickDuplicateTest, BorrowingMovesWholeUnitsAndTheTableReadsBackInSfdisk) {
  AddDisk("size=256MiB,model=Source");
  AddDisk("size=256MiB,model=Target");
  Boot();
  // C: nearly full, D: roomy; each keeps its size in a Same plan.
  Layout(0, {{{2048, 40960, 0x07, "NTFS"}, {43008, 400000, 0x07, "NTFS"}}});
  PutFile(L'C', "full.bin", 18u << 20);
  PutFile(L'D', "little.bin", 1u << 20);
  ASSERT_EQ(duplicate::PlanDiskDuplication(1, 2, duplicate::Expansion::Same), duplicate::PlanStatus::Ok);
  const int c = SlotOf(L'C'), d = SlotOf(L'D');
  ASSERT_GE(c, 0);
  ASSERT_GE(d, 0);
  const uint64_t needed = duplicate::UsedWithReserve(c);
  ASSERT_GT(needed, 40960u) << "C: is short of room";
  const auto before = Plan();

  // More than D: can spare: refused, and the plan is as it was.
  EXPECT_FALSE(duplicate::BorrowSpace(c, 400000));
  EXPECT_EQ(Plan(), before);
  // Nothing behind the last partition to borrow from.
  EXPECT_FALSE(duplicate::BorrowSpace(d, 1));

  ASSERT_TRUE(duplicate::BorrowSpace(c, needed - 40960));
  const auto& sc = LayoutSlotTable[c];
  const auto& sd = LayoutSlotTable[d];
  EXPECT_GE(sc.destinationLengthBytes / 512, needed);
  for (const auto& [start, length] : Plan()) EXPECT_EQ(start % 2048, 0u) << start;
  EXPECT_EQ((sc.destinationLengthBytes / 512 - 40960) % 2048, 0u) << "C: grew by whole units";
  EXPECT_EQ(sc.destinationStartBytes + sc.destinationLengthBytes, sd.destinationStartBytes) << "D: moved behind C:";
  EXPECT_EQ(sd.destinationStartBytes + sd.destinationLengthBytes, (43008u + 400000u) * 512) << "D: keeps its end";
  EXPECT_EQ(duplicate::CheckPlan(disk::DiskAt(2)->SizeSectors), duplicate::PlanStatus::Ok);

  ASSERT_TRUE(duplicate::WriteDestinationLayout(1));
  if (!HaveTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
  std::string dump;
  ASSERT_EQ(Shell("sfdisk -d " + ImagePath(1), &dump), 0) << dump;
  std::regex row("start=\\s*(\\d+), size=\\s*(\\d+)");
  std::vector<std::pair<uint64_t, uint64_t>> read;
  for (std::sregex_iterator m(dump.begin(), dump.end(), row), end; m != end; ++m)
    read.push_back({std::stoull((*m)[1]), std::stoull((*m)[2])});
  EXPECT_EQ(read, Plan()) << dump;
}

TEST_F(QuickDuplicateTest, TheTileRefusesAnEmptyDiskTooSmallForTheUsedData) {
  config_.programPath = L"C:\\Vektrel\\vektrel.exe";
  config_.windowsDir = L"C:\\Windows";
  AddDisk("size=128MiB,model=System");
  AddDisk("size=16MiB,model=Small Empty");
  Boot();
  Layout(0, {{{2048, 200000, 0x07, "NTFS"}}});
  PutFile(L'C', "Windows/System32/Kernel32.dll", 20u << 20);
  const std::vector<uint8_t> before = ReadHostFile(ImagePath(1));
  duplicate::RunQuickDuplicate(false);
  EXPECT_EQ(duplicate::LastQuickOutcome, duplicate::QuickOutcome::TooSmall);
  EXPECT_TRUE(Shown(app::T(L"IDS_DestinationTooSmall")));
  EXPECT_TRUE(host_.pagesOpened.empty()) << "no progress page";
  EXPECT_TRUE(ReadHostFile(ImagePath(1)) == before);
}

// The main window started with "/B ONECLICK" on a machine whose second disk
// carries the mark.
class OneClickStartTest : public QuickDuplicateTest {
 protected:
  void Machine() {
    config_.programPath = L"C:\\Vektrel\\vektrel.exe";
    config_.windowsDir = L"C:\\Windows";
    config_.commandLine = L"/B ONECLICK";
    AddDisk("size=64MiB,model=System");
    AddDisk("size=64MiB,model=Prepared");
    AddDisk("size=128MiB,model=Empty");
    Boot();
    Layout(0, {{{2048, 126976, 0x07, "NTFS"}}});
    PutFile(L'C', "Windows/System32/Kernel32.dll", 4096);
    Mark(1);
  }
  // Runs the main window; at the countdown's tick `cancelAt` (0: never) its
  // Cancel is pressed. Returns the countdown's texts.
  std::vector<std::wstring> Run(int cancelAt) {
    app::CQobApp application;
    EXPECT_TRUE(application.Prepare());
    app::LanguageTable.insert(app::LanguageTable.begin(), {L"IDS_OTB", L"%TIME%"});
    std::vector<std::wstring> countdown;
    int mainTicks = 0;
    host_.OnPage("CRestart", [&](ui::ScriptedWindow& w) { countdown.push_back(w.GetText(IDC_RESTART_TEXT)); });
    host_.onTimer = [&](ui::ScriptedWindow& w, unsigned id) {
      if (std::string(w.Name()) == "CRestart") {
        if (w.IsClosed()) return;
        countdown.push_back(w.GetText(IDC_RESTART_TEXT));
        if (int(countdown.size()) == cancelAt + 1) w.Press(IDC_RESTART_SECOND);
      } else if (id == app::CQobDlg::kOneClickTimer && ++mainTicks == 5 && !w.IsClosed()) {
        w.Close(0);
      }
    };
    host_.OnPage("CQobDlg", [](ui::ScriptedWindow&) {});
    host_.OnPage("CClone", [&](ui::ScriptedWindow& w) {
      opened_ = true;
      backEnabled_ = w.IsEnabled(IDC_BACK);
      w.Close(win::IDCANCEL);
    });
    app::CQobDlg main;
    ui::RunModal(main);
    host_.onTimer = nullptr;
    return countdown;
  }
  bool opened_ = false, backEnabled_ = true;
};

TEST_F(OneClickStartTest, TheCountdownStartsTheCopyOntoTheMarkedDisk) {
  Machine();
  host_.answer = [](const std::wstring&, unsigned) { return win::IDYES; };
  std::vector<std::wstring> countdown = Run(0);
  ASSERT_EQ(countdown.size(), 21u);
  EXPECT_EQ(countdown.front(), L"20");
  EXPECT_EQ(countdown.back(), L"0");
  ASSERT_TRUE(opened_) << "the progress page follows the countdown";
  EXPECT_FALSE(backEnabled_);
  const auto& j = duplicate::DuplicationJob;
  EXPECT_EQ(j.SourceDisk, 1);
  EXPECT_EQ(j.DestinationDisk, 2) << "the marked disk, not the larger empty one";
  EXPECT_EQ(j.CopyMode, duplicate::CopyKind::Basic);
  EXPECT_EQ(j.ExpansionMode, duplicate::Expansion::Auto);
  EXPECT_FALSE(duplicate::MarkerMode) << "marker mode ends with the run";
}

TEST_F(OneClickStartTest, CancelStopsTheCountdownAndNothingStarts) {
  Machine();
  std::vector<std::wstring> countdown = Run(5);
  EXPECT_EQ(countdown.size(), 6u);
  EXPECT_FALSE(opened_);
  EXPECT_EQ(duplicate::LastQuickOutcome, duplicate::QuickOutcome::NotRun);
  EXPECT_FALSE(duplicate::MarkerMode);
}

}  // namespace
