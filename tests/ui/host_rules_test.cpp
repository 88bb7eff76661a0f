// Rules every page gets from its host: a question always shows the
// question icon, and the pauses of the operations are the host's waits
// (the Win32 host keeps the windows drawn through them).
#include <gtest/gtest.h>

#include "erase/region_fixture.h"
#include "platform/text.h"
#include "scan/scan_ids.h"

using namespace testing_support;

namespace {
class HostRulesTest : public RegionTest {};
}  // namespace

TEST_F(HostRulesTest, TheQuestionWhileAScanRunsShowsTheQuestionIcon) {
  AddDisk("size=64MiB,model=Slow,speed=1MiB");
  Boot();
  host_.OnPage("CScanNewDiskPartition", [this](ui::ScriptedWindow& w) {
    EXPECT_TRUE(w.CheckRow(IDC_LIST, RowOf(0), true));
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CBadSectorScan", [this](ui::ScriptedWindow& w) {
    host_.onPump = [&](ui::ScriptedWindow& pumped) {
      host_.onPump = nullptr;
      host_.answerYes = false;
      pumped.Press(win::IDCANCEL);  // asked while the scan runs; answered No
      host_.answerYes = true;
      pumped.Press(win::IDCANCEL);
    };
    w.Press(IDC_START_SCAN);
  });
  host_.answerYes = true;
  app::OpenScanWizard();
  int asked = 0;
  for (const auto& m : host_.messages) {
    if ((m.flags & 0xF) != win::MB_YESNO) continue;
    ++asked;
    EXPECT_EQ(m.flags & 0xF0, unsigned(win::MB_ICONQUESTION)) << text::ToUtf8(m.text);
  }
  EXPECT_EQ(asked, 3) << "the scan's own question and the cancel question twice";
}

TEST_F(HostRulesTest, TheOperationsPauseThroughTheHost) {
  AddDisk("size=8MiB,model=Whole");
  AddDisk("size=8MiB,model=Busy");
  sim::VolumeConfig busy;
  busy.disk = 1;
  busy.startLba = 2048;
  busy.inUse = true;
  config_.volumes.push_back(busy);
  Boot();
  Layout(0, {{2048, 6000, "NTFS"}});
  Layout(1, {{2048, 6000, "NTFS"}});
  // A whole disk: the system is given a second to drop the volumes of the
  // emptied layout.
  Delete(RowOf(0), erase::WipeZero);
  ASSERT_FALSE(host_.waits.empty());
  EXPECT_EQ(host_.waits.back().milliseconds, 1000u);
  EXPECT_EQ(host_.waits.back().page, "CDeletionProgress");
  // A volume the system holds: the lock is tried again and again.
  host_.waits.clear();
  Delete(RowOf(1, 1), erase::WipeZero);
  EXPECT_EQ(host_.waits.size(), size_t(erase::kLockAttempts));
  for (const auto& w : host_.waits) EXPECT_EQ(w.milliseconds, erase::kLockRetryMs);
}
