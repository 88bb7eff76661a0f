// Whole duplications through the wizard's pages: the clone compared with
// its source to the last sector, the source never written, and every fault
// (unreadable, flaky, corrupting, write-protected sectors; a stopped or
// refused run) counted and shown so that the summary never says Completed
// when something went wrong. The signature copy of a finished clone is done
// by the run itself.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "disk/disk_access.h"
#include "duplicate/dup_fixture.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_wizard.h"
#include "erase/region_list.h"
#include "platform/winapi.h"
#include "scan/scan_engine.h"
#include "ui/control_ids.h"

using namespace testing_support;
using duplicate::DuplicationJob;
using duplicate::DuplicationResult;

namespace {

struct Choice {
  int source[2] = {0, 0};       // disk number, partition row
  int destination[2] = {1, 0};
  bool sector = true;
  bool verify = false;
  bool prescan = false;
  bool protectWhileRunning = false;  // the destination refuses writes from the first pump of the copy on
};

class DuplicationRunTest : public DupTest {
 protected:
  // The summary page's rows, label -> value, and its details.
  std::map<std::wstring, std::wstring> summary_;
  std::wstring details_;
  std::set<std::wstring> statuses_;   // the progress page's status lines
  std::pair<int64_t, int64_t> bar_;  // its bar at the end: position, top

  DuplicationResult Run(const Choice& c) {
    auto row = [](const int place[2]) { return erase::RegionRowOf(app::BuildDiskListRows(), place[0], place[1]); };
    summary_.clear();
    host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, row(c.source), true);
      w.Tick(c.sector ? IDC_MS_SECTOR : IDC_MS_BASIC, true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CMirrorDestination", [&](ui::ScriptedWindow& w) {
      w.CheckRow(IDC_LIST, row(c.destination), true);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("COption", [&](ui::ScriptedWindow& w) {
      w.Tick(IDC_MO_VERIFY, c.verify);
      w.Tick(IDC_MO_SCAN, c.prescan);
      w.Press(IDC_NEXT);
    });
    host_.OnPage("CClone", [&](ui::ScriptedWindow& w) {
      auto pump = host_.onPump;
      host_.onPump = [&, pump](ui::ScriptedWindow& p) {
        if (c.protectWhileRunning) Sim().Disk(1).MutableConfig().writeProtected = true;
        statuses_.insert(p.GetText(IDC_STATUS));
        if (pump) pump(p);
      };
      w.Press(IDC_CL_START);
      host_.onPump = pump;
      bar_ = {w.c(IDC_PROGRESS).pos, w.c(IDC_PROGRESS).high};
    });
    host_.OnPage("CCloneSummary", [&](ui::ScriptedWindow& w) {
      const int labels[] = {IDC_TEXT1, IDC_TEXT2, IDC_TEXT3, IDC_TEXT4, IDC_TEXT5, IDC_TEXT6,
                            IDC_TEXT7, IDC_TEXT8, IDC_CS_TEXT9, IDC_CS_TEXT10, IDC_CS_TEXT11, IDC_CS_TEXT12};
      for (int id : labels) summary_[w.GetText(id)] = w.GetText(id + (id >= IDC_CS_TEXT9 ? 1 : IDC_VALUE1 - IDC_TEXT1));
      details_ = w.GetText(IDC_CS_DETAILS);
      w.Close(win::IDOK);
    });
    duplicate::RunDuplicationWizard();
    return DuplicationJob.Result;
  }

  // Drive 0: 40000 sectors (not a whole number of cylinders) with an MBR
  // partition and a pattern to its last sector; drive 1 larger.
  void Machine(const std::string& sourceFaults = "", const std::string& destinationFaults = "") {
    AddDisk("size=40000s,model=Source" + sourceFaults);
    AddDisk("size=48000s,model=Destination" + destinationFaults);
    Boot();
    Layout(0, {{{2048, 30000, 0x07, "NTFS"}}});
    FillPattern(0, 34000, 6000, 0x5C);
    before_ = ReadHostFile(ImagePath(0));
    host_.answerYes = true;
  }

  // Another machine in the same test: the disks made anew.
  void TearDownMachine() {
    platform::SetSystem(nullptr);
    sim_.reset();
    for (const sim::DiskConfig& d : config_.disks) std::filesystem::remove(d.image);
    config_.disks.clear();
    std::filesystem::remove_all(config_.filesRoot);
    disk::ResetDiskAccessState();
    disk::ResetDiskTable();
    disk::ResetVolumeMaps();
    disk::ResetPartitionState();
    host_.messages.clear();
  }

  std::vector<uint8_t> before_;
};

TEST_F(DuplicationRunTest, ASectorCloneIsTheSourceToItsLastSector) {
  Machine();
  Choice c;
  c.verify = true;
  EXPECT_EQ(Run(c), DuplicationResult::Completed);
  EXPECT_TRUE(Sectors(1, 0, 40000) == Sectors(0, 0, 40000));
  EXPECT_TRUE(ReadHostFile(ImagePath(0)) == before_) << "the source is only read";
  EXPECT_EQ(DuplicationJob.CopiedBytes, 40000u * 512);
  EXPECT_EQ(summary_[L"IDS_MProgSum7"], L"IDS_Completed");
  EXPECT_EQ(summary_[L"IDS_MProgSum2"], L"IDS_Disk 1 (Destination, 23.44 MB)");
  // The page names the disks by their Windows numbers and ends with a full
  // bar; a clean end is news, not a warning.
  EXPECT_TRUE(statuses_.count(L"IDS_CopyBlock(IDS_Disk 0 IDS_To IDS_Disk 1)")) << statuses_.size();
  EXPECT_TRUE(statuses_.count(L"IDS_Verifying(IDS_Disk 0 IDS_To IDS_Disk 1)"));
  EXPECT_EQ(bar_.first, bar_.second);
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_EQ(host_.messages.back().text, L"IDS_CloningOver");
  EXPECT_EQ(host_.messages.back().flags & 0xF0u, unsigned(win::MB_ICONINFORMATION));
}

TEST_F(DuplicationRunTest, EveryFaultIsCountedShownAndKeepsTheSourceAsItWas) {
  struct Case {
    const char* what;
    std::string sourceFaults, destinationFaults;
    bool verify, protectWhileRunning;
    DuplicationResult result;
    std::wstring row, shows;  // a summary row and what it shows
  } cases[] = {
      {"unreadable source sectors", ",bad=35000-35002", "", false, false, DuplicationResult::CompletedError,
       L"IDS_MProgSumUnreadable", L"3 IDS_UnreadableSectors (1 IDS_UnreadableRanges)"},
      {"a flaky sector that reads on a retry", ",flaky=35000:1", "", false, false, DuplicationResult::Completed,
       L"IDS_MProgSumUnreadable", L"IDS_None"},
      {"writes the destination corrupts", "", ",corrupt=36000-36001", true, false, DuplicationResult::CompletedError,
       L"IDS_MProgSum4", L"1 IDS_verifyerror10 IDS_verifyerror2"},
      // A protected disk is refused before the run; one that turns protected
      // during it fails its writes, and each one counts.
      {"a destination write-protected while it is copied", "", "", false, true, DuplicationResult::CompletedError,
       L"IDS_MProgSum8", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDownMachine();
    Machine(c.sourceFaults, c.destinationFaults);
    Choice choice;
    choice.verify = c.verify;
    choice.protectWhileRunning = c.protectWhileRunning;
    EXPECT_EQ(Run(choice), c.result);
    EXPECT_TRUE(ReadHostFile(ImagePath(0)) == before_);
    if (!c.shows.empty()) EXPECT_EQ(summary_[c.row], c.shows);
    else EXPECT_NE(summary_[c.row], L"IDS_None");
    EXPECT_EQ(summary_[L"IDS_MProgSum7"], c.result == DuplicationResult::Completed ? L"IDS_Completed"
                                                                                    : L"IDS_Completed_Error");
    // Only what reached the destination counts as copied.
    if (c.protectWhileRunning) EXPECT_LT(DuplicationJob.CopiedBytes, 40000u * 512);
    else EXPECT_GT(DuplicationJob.CopiedBytes, 0u);
  }
  // The unreadable sectors are zeros on the clone, listed, and the rest is the source.
  TearDownMachine();
  Machine(",bad=35000-35002");
  Run(Choice());
  ASSERT_EQ(DuplicationJob.UnreadableRanges.size(), 1u);
  EXPECT_EQ(DuplicationJob.UnreadableRanges[0], (duplicate::LbaRange{35000, 35002}));
  EXPECT_NE(details_.find(L"IDS_UnreadableLine 35000-35002"), std::wstring::npos);
  EXPECT_TRUE(Sectors(1, 35000, 3) == std::vector<uint8_t>(3 * 512, 0));
  EXPECT_TRUE(Sectors(1, 35003, 40000 - 35003) == Sectors(0, 35003, 40000 - 35003));
  EXPECT_TRUE(Sectors(1, 0, 35000) == Sectors(0, 0, 35000));
}

// A basic clone copies a hidden partition by its sectors, then verifies it:
// its unreadable sectors are zeros on the clone, never what the
// destination held before.
TEST_F(DuplicationRunTest, AHiddenPartitionOfABasicCloneIsCopiedThenVerified) {
  AddDisk("size=40000s,model=Source,bad=2048-2048,bad=10047-10047");
  AddDisk("size=48000s,model=Destination");
  Boot();
  Layout(0, {{{2048, 8000, 0x27, ""}, {12288, 20000, 0x07, "NTFS"}}});
  FillPattern(0, 2049, 7998, 0x27);
  FillPattern(1, 0, 48000, 0xAA);
  host_.answerYes = true;
  Choice c;
  c.sector = false;
  c.verify = true;
  EXPECT_EQ(Run(c), DuplicationResult::CompletedError);
  ASSERT_EQ(DuplicationJob.UnreadableRanges.size(), 2u);
  EXPECT_EQ(DuplicationJob.UnreadableRanges[0], (duplicate::LbaRange{2048, 2048}));
  EXPECT_EQ(DuplicationJob.UnreadableRanges[1], (duplicate::LbaRange{10047, 10047}));
  EXPECT_EQ(DuplicationJob.VerifyErrorCount, 0);
  EXPECT_TRUE(Sectors(1, 2048, 1) == std::vector<uint8_t>(512, 0));
  EXPECT_TRUE(Sectors(1, 10047, 1) == std::vector<uint8_t>(512, 0));
  EXPECT_TRUE(Sectors(1, 2049, 7998) == Sectors(0, 2049, 7998));
  EXPECT_TRUE(statuses_.count(L"IDS_CopyBlock(IDS_Disk 0 IDS_To IDS_Disk 1)"));
  EXPECT_TRUE(statuses_.count(L"IDS_Verifying(IDS_Disk 0 IDS_To IDS_Disk 1)"));
}

TEST_F(DuplicationRunTest, AStoppedOrDeclinedRunIsAborted) {
  // Cancel in the middle of the copy.
  Machine();
  host_.onPump = [&](ui::ScriptedWindow& w) {
    if (std::string(w.Name()) == "CClone" && DuplicationJob.CopiedSectors > 10000) w.Cancel();
  };
  EXPECT_EQ(Run(Choice()), DuplicationResult::Aborted);
  EXPECT_TRUE(Shown(L"IDS_Unusable"));
  EXPECT_EQ(summary_[L"IDS_MProgSum7"], L"IDS_Aborted");
  host_.onPump = nullptr;

  // The destination's scan finds bad sectors and the operator stops.
  TearDownMachine();
  Machine("", ",bad=47000");
  std::vector<uint8_t> destination = ReadHostFile(ImagePath(1));
  host_.answer = [](const std::wstring& text, unsigned) {
    return text == L"IDS_SkipScan" ? win::IDNO : win::IDYES;
  };
  Choice c;
  c.prescan = true;
  EXPECT_EQ(Run(c), DuplicationResult::Aborted);
  EXPECT_TRUE(ReadHostFile(ImagePath(1)) == destination) << "nothing written";
  EXPECT_NE(summary_[L"IDS_MProgSum3"], L"IDS_NotSelected");
  // Going on over them copies.
  host_.answer = nullptr;
  EXPECT_EQ(Run(c), DuplicationResult::Completed);
  EXPECT_TRUE(Sectors(1, 0, 40000) == Sectors(0, 0, 40000));
  // The retry count is followed by the text's own no-break space alone.
  const std::wstring& scanned = summary_[L"IDS_MProgSum3"];
  EXPECT_NE(scanned.find(L"IDS_badsector1 "), std::wstring::npos) << scanned;
  EXPECT_EQ(scanned.find(L" IDS_badsector2"), std::wstring::npos) << scanned;
}

TEST_F(DuplicationRunTest, APartitionCloneCarriesTheSourceDisksSignatureWithoutFinish) {
  AddDisk("size=16MiB,model=Source");
  AddDisk("size=16MiB,model=Destination");
  Boot();
  Layout(0, {{{2048, 10000, 0x07, "NTFS"}}}, 0x11110000u);
  Layout(1, {{{2048, 20000, 0x07, "NTFS"}}}, 0x22220000u);
  host_.answerYes = true;
  Choice c;
  c.source[1] = 1;
  c.destination[1] = 1;
  EXPECT_EQ(Run(c), DuplicationResult::Completed);
  EXPECT_TRUE(Sectors(1, 2048, 10000) == Sectors(0, 2048, 10000));
  // The summary page was closed without Finish.
  EXPECT_EQ(bytes::Get32(&ReadSectorAt(ImagePath(1), 0)[440]), bytes::Get32(&ReadSectorAt(ImagePath(0), 0)[440]));
}

}  // namespace
