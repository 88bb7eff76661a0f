// The guard of the running Windows on the demo machine (an installed
// Windows 10: a 100 MiB active system partition, then C:) and on small
// machines: what it protects, and that the deletion wizard, the partition
// manager and the console refuse it and say why, while a Windows PE boot
// protects nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "duplicate/system_guard.h"
#include "erase/erase_ids.h"
#include "erase/deletion_progress_page.h"
#include "erase/region_list.h"
#include "erase/selected_region.h"
#include "partition/partition_fixture.h"
#include "platform/text.h"
#include "support/image_tools.h"

using namespace testing_support;
using partition::Outcome;

class SystemGuardTest : public PartitionTest {
 protected:
  // The demo machine of the repository, its images made afresh, on the
  // virtual clock.
  void DemoMachine() {
    std::string dir = dir_.File("demo");
    ASSERT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-mkimage demo " + dir + "/images > /dev/null"), 0);
    std::filesystem::copy_file(std::string(VEKTREL_SOURCE_DIR) + "/demo/demo.ini", dir + "/demo.ini");
    demoIni_ = dir + "/demo.ini";
    std::string error;
    sim::MachineConfig c;
    ASSERT_TRUE(sim::LoadMachineFile(demoIni_, &c, &error)) << error;
    c.virtualClock = true;
    c.programHost = config_.programHost;
    config_ = c;
    Boot();
  }
  // The deletion wizard's first page: which rows take their check, and
  // what the operator is told about the others.
  std::vector<bool> CheckEachDeletionRow(std::vector<std::wstring>* told) {
    std::vector<bool> taken;
    host_.OnPage("CSelectDisk", [&](ui::ScriptedWindow& w) {
      for (int i = 0; i < w.ListCount(IDC_LIST); ++i) {
        size_t before = host_.messages.size();
        w.CheckRow(IDC_LIST, i, true);
        taken.push_back(w.ListGetCheck(IDC_LIST, i));
        told->push_back(host_.messages.size() > before ? host_.messages.back().text : L"");
      }
      w.Cancel();
    });
    app::OpenDeletionWizard();
    return taken;
  }
  std::string demoIni_;
};

TEST_F(SystemGuardTest, OnTheDemoMachineWindowsAndItsSystemPartitionAreGuarded) {
  DemoMachine();
  const uint64_t disk0 = 8ull << 21;
  std::vector<duplicate::GuardedPartition> g = duplicate::GuardedPartitions();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_TRUE(g[0].driveNumber == 0 && g[0].startLba == 2048 && g[0].lengthSectors == 204800 && !g[0].windowsVolume)
      << "the active system partition";
  EXPECT_TRUE(g[1].driveNumber == 0 && g[1].startLba == 206848 && g[1].lengthSectors == disk0 - 206848 &&
              g[1].windowsVolume)
      << "C:, where the Windows folder is";
  struct Case {
    int drive;
    uint64_t start, length;
    std::wstring refusal;
  } cases[] = {
      {0, 2048, 204800, L"IDS_GuardSystem"},       {0, 206848, disk0 - 206848, L"IDS_GuardWindows"},
      {0, 300000, 2048, L"IDS_GuardWindows"},      {0, 0, disk0, L"IDS_GuardHolds"},
      {0, 0, 2048, L""},                           {1, 0, 32ull << 20, L""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(duplicate::WriteRefusal(c.drive, c.start, c.length), c.refusal) << c.drive << " " << c.start;
  EXPECT_EQ(duplicate::DiskWriteRefusal(0), L"IDS_GuardHolds");
  EXPECT_EQ(duplicate::DiskWriteRefusal(1), L"");
}

TEST_F(SystemGuardTest, TheDeletionWizardRefusesWhatWindowsNeedsAndSaysWhy) {
  DemoMachine();
  // Rows: Disk0, its system partition, C:, Disk1.
  std::vector<std::wstring> told;
  EXPECT_EQ(CheckEachDeletionRow(&told), (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(told, (std::vector<std::wstring>{L"IDS_GuardHolds", L"IDS_GuardSystem", L"IDS_GuardWindows", L""}));

  // The progress page asks the guard again before anything is written: a
  // region chosen before the disks changed.
  erase::SelectedRegion = erase::Region{};
  erase::SelectedRegion.DriveNumber = 0;
  erase::SelectedRegion.RegionKind = erase::kPartition;
  erase::SelectedRegion.DriveLetter = L'C';
  erase::SelectedRegion.FileSystemName = L"NTFS";
  erase::SelectedRegion.StartLba = 206848;
  erase::SelectedRegion.LengthSectors = (8ull << 21) - 206848;
  host_.answerYes = true;
  host_.messages.clear();
  uint64_t writes = Sim().Disk(0).writes;
  host_.OnPage("CDeletionProgress", [](ui::ScriptedWindow& w) {
    w.Press(IDC_START_DELETION);
    EXPECT_FALSE(w.IsClosed());
    w.Close(win::IDCANCEL);
  });
  erase::CDeletionProgress progress;
  ui::RunModal(progress);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"IDS_GuardWindows"}) << "refused before the question";
  EXPECT_EQ(Sim().Disk(0).writes, writes);
}

TEST_F(SystemGuardTest, ThePartitionManagerNeitherDeletesNorFormatsWindowsOrItsSystemPartition) {
  DemoMachine();
  // Map boxes of Disk0: the system partition (no letter: nothing to
  // format), then C:.
  struct Case {
    int box, command;
    const wchar_t* refusal;
  } cases[] = {{0, ID_CREATEPARTITION_DELETEPART, L"IDS_GuardSystem"},
               {1, ID_CREATEPARTITION_DELETEPART, L"IDS_GuardWindows"},
               {1, ID_CREATEPARTITION_FORMAT, L"IDS_GuardWindows"}};
  const std::vector<uint8_t> mbr = ReadSectorAt(ImagePath(0), 0), boot = ReadSectorAt(ImagePath(0), 206848);
  const uint64_t writes = Sim().Disk(0).writes;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box * 100 + c.command);
    host_.messages.clear();
    host_.answerYes = true;
    bool pageOpened = false;
    host_.OnPage("CCreatePart5", [&](ui::ScriptedWindow& w) {
      pageOpened = true;
      w.Press(IDC_CP5_START);
    });
    EXPECT_TRUE(Manage(0, c.box, c.command)) << "offered, and refused with the reason when chosen";
    EXPECT_EQ(partition::PartitionManager.lastOutcome, Outcome::Refused);
    EXPECT_EQ(Messages(), std::vector<std::wstring>{c.refusal});
    EXPECT_FALSE(pageOpened);
  }
  host_.answerYes = false;
  EXPECT_EQ(Sim().Disk(0).writes, writes);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 0), mbr);
  EXPECT_EQ(ReadSectorAt(ImagePath(0), 206848), boot);
}

TEST_F(SystemGuardTest, ResizeAndAnEfiSystemPartitionAreGuardedAndWindowsPeGuardsNothing) {
  NEED_TOOLS("sgdisk");
  // A GPT system disk: the EFI system partition, then C: with free space
  // behind it; Windows runs from C: unless the program runs from X:.
  struct Case {
    const wchar_t* program;
    const wchar_t* windows;
    std::vector<std::wstring> refusals;  // delete ESP, delete C:, resize C:
  } cases[] = {
      {L"C:\\Vektrel\\vektrel.exe", L"C:\\Windows", {L"IDS_GuardSystem", L"IDS_GuardWindows", L"IDS_GuardWindows"}},
      {L"X:\\Vektrel\\vektrel.exe", L"X:\\Windows", {L"", L"", L""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.program));
    config_.disks.clear();
    config_.volumes.clear();
    config_.programPath = c.program;
    config_.windowsDir = c.windows;
    std::string img = dir_.File(std::string(c.program[0] == L'C' ? "installed" : "pe") + ".img");
    AddDisk("size=256MiB", img.substr(img.rfind('/') + 1));
    ASSERT_EQ(Shell("sgdisk -n1:2048:+32M -t1:ef00 -n2:0:+64M -t2:0700 " + img + " > /dev/null"), 0);
    config_.volumes.push_back({0, 2048, 0, true, "", false});  // the ESP gets no letter
    Boot();
    app::ReadStartupValues();
    std::vector<std::wstring> said;
    auto refusalOf = [&](int box, int command) {
      host_.messages.clear();
      host_.answerYes = false;  // whatever is asked is answered No: nothing is written either way
      host_.OnPage("CCreatePart3", [](ui::ScriptedWindow& w) { w.Cancel(); });
      Manage(0, box, command);
      said.push_back(host_.messages.empty() || host_.messages[0].flags & win::MB_YESNO ? L""
                                                                                    : host_.messages[0].text);
    };
    refusalOf(0, ID_CREATEPARTITION_DELETEPART);
    refusalOf(1, ID_CREATEPARTITION_DELETEPART);
    refusalOf(1, ID_CREATEPARTITION_RESIZEPART);
    EXPECT_EQ(said, c.refusals);
  }
}

TEST_F(SystemGuardTest, TheConsoleRefusesToo) {
  DemoMachine();
  platform::SetSystem(nullptr);
  sim_.reset();
  const std::vector<uint8_t> mbr = ReadSectorAt(dir_.File("demo/images/system.img"), 0);
  struct Case {
    std::string args;
    std::string says;
  } cases[] = {
      {"--yes part delete --disk 0 --region 2", "holds the Windows you are running"},
      {"--yes part format --disk 0 --region 2 --fs NTFS --quick", "holds the Windows you are running"},
      {"--yes part delete --disk 0 --region 1", "system partition that starts the Windows"},
      {"--yes wipe --disk 0 --method 0", "holds the Windows you are running (C:\\Windows) or the system partition"},
      {"--yes wipe --partition 0:2 --method 0", "holds the Windows you are running"},
      {"--yes duplicate --source 1 --dest 0 --mode sector", "holds the running system cannot be chosen"},
  };
  for (const Case& c : cases) {
    std::string out;
    // The demo machine's clock is the real one; nothing here waits on it.
    EXPECT_EQ(Shell(std::string(VEKTREL_BIN_DIR) + "/vektrel-cli --machine " + demoIni_ + " " + c.args, &out), 1)
        << c.args << "\n" << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_EQ(ReadSectorAt(dir_.File("demo/images/system.img"), 0), mbr);
}
