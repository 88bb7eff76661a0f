// The wizards walked through as an operator walks them, their pages held
// against their templates: the pages of one wizard share one size (the
// window keeps its place and size from step to step), and no page says
// its heading twice (a heading repeated inside its group box).
#include <gtest/gtest.h>

#include <map>

#include "duplicate/dup_fixture.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_wizard.h"
#include "erase/region_fixture.h"
#include "partition/partition_fixture.h"
#include "scan/scan_ids.h"
#include "platform/text.h"
#include "support/rc_templates.h"

using namespace testing_support;

namespace {

const RcScript& Script() { return ProgramResourceScript(); }

// A page as it was when it closed.
struct SeenPage {
  std::string name;
  int templateId;
  size_t depth;  // 0: opened by the test itself
  std::map<int, std::wstring> shown;  // visible controls' texts
};

class Walk {
 public:
  explicit Walk(ui::ScriptedHost& host) {
    host.onClose = [this, &host](ui::ScriptedWindow& w) {
      SeenPage p{w.Name(), w.ThePage().TemplateId(), host.Stack().size() - 1, {}};
      for (const auto& [id, c] : w.Controls())
        if (c.visible && !c.text.empty() && id != 0) p.shown[id] = c.text;
      pages.push_back(p);
    };
  }
  // The names of the pages seen at `depth`, in the order they closed.
  std::vector<std::string> At(size_t depth) const {
    std::vector<std::string> out;
    for (const SeenPage& p : pages)
      if (p.depth == depth) out.push_back(p.name);
    return out;
  }
  std::vector<SeenPage> pages;
};

// The pages of a wizard all have the size of its first page.
void ExpectOneSize(const Walk& walk, const std::vector<std::string>& wizard) {
  const RcDialog* first = nullptr;
  for (const SeenPage& p : walk.pages) {
    if (std::find(wizard.begin(), wizard.end(), p.name) == wizard.end()) continue;
    const RcDialog* d = Script().Dialog(long(p.templateId));
    ASSERT_NE(d, nullptr) << p.name;
    if (!first) first = d;
    EXPECT_TRUE(d->w == first->w && d->h == first->h)
        << p.name << " (" << d->name << ") is " << d->w << "x" << d->h << ", " << first->name << " " << first->w
        << "x" << first->h;
  }
}

// No heading of a page (its heading and subheading lines, its group boxes'
// captions) is shown again by another control of it.
void ExpectNoRepeatedHeading(const Walk& walk) {
  for (const SeenPage& p : walk.pages) {
    const RcDialog* d = Script().Dialog(long(p.templateId));
    ASSERT_NE(d, nullptr) << p.name;
    auto shown = [&](const RcControl& c) -> const std::wstring* {
      auto it = p.shown.find(int(c.idValue));
      return c.idValue < 0 || !c.Visible() || it == p.shown.end() ? nullptr : &it->second;
    };
    for (const RcControl& h : d->controls) {
      const std::wstring* heading = shown(h);
      if (!heading || !(h.IsGroupBox() || h.id == "IDC_HEADING" || h.id == "IDC_SUBHEADING")) continue;
      for (const RcControl& c : d->controls) {
        const std::wstring* other = shown(c);
        EXPECT_FALSE(&c != &h && other && *other == *heading)
            << p.name << " shows \"" << text::ToUtf8(*heading) << "\" in " << h.id << " and again in " << c.id;
      }
    }
  }
}

class DeletionAndScanWalk : public RegionTest {};
class CreateWizardWalk : public PartitionTest {};
class DuplicationWalk : public DupTest {};

}  // namespace

TEST_F(DeletionAndScanWalk, DeletionPagesShareOneSizeAndSayEachHeadingOnce) {
  AddDisk("size=8MiB,model=Target");
  Boot();
  Layout(0, {{2048, 6000, "NTFS"}});
  Walk walk(host_);
  Delete(RowOf(0, 1), erase::WipeZero, [](ui::ScriptedWindow& w) {
    // The viewer opened from the report is held to the same rule.
    w.Press(IDC_VIEW_REGION);
  });
  ASSERT_EQ(walk.At(0), (std::vector<std::string>{"CSelectDisk", "CSelectDeleteMethod", "CDeletionProgress",
                                                  "CDeleteProgressSummary"}));
  ASSERT_EQ(walk.At(1), (std::vector<std::string>{"CViewDiskData"}));
  ExpectOneSize(walk, walk.At(0));
  ExpectNoRepeatedHeading(walk);
}

TEST_F(DeletionAndScanWalk, ScanPagesShareOneSizeAndSayEachHeadingOnce) {
  AddDisk("size=8MiB,model=Target");
  Boot();
  host_.answerYes = true;
  host_.OnPage("CScanNewDiskPartition", [this](ui::ScriptedWindow& w) {
    EXPECT_TRUE(w.CheckRow(IDC_LIST, RowOf(0), true));
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CBadSectorScan", [](ui::ScriptedWindow& w) { w.Press(IDC_START_SCAN); });
  host_.OnPage("CScanSummary", [](ui::ScriptedWindow& w) { w.Press(IDC_FINISH); });
  Walk walk(host_);
  app::OpenScanWizard();
  ASSERT_EQ(walk.At(0), (std::vector<std::string>{"CScanNewDiskPartition", "CBadSectorScan", "CScanSummary"}));
  ExpectOneSize(walk, walk.At(0));
  ExpectNoRepeatedHeading(walk);
}

TEST_F(CreateWizardWalk, CreatePagesShareOneSizeAndSayEachHeadingOnce) {
  AddDisk("size=64MiB,model=Target");
  Boot();
  Walk walk(host_);
  EXPECT_EQ(Create(0, 16, Kind::Primary), partition::Outcome::Done);
  const std::vector<std::string> wizard = {"CCreatePart4", "CCreatePart41", "CcreatePart42"};
  std::vector<std::string> seen;
  for (const std::string& name : walk.At(1))
    if (std::find(wizard.begin(), wizard.end(), name) != wizard.end()) seen.push_back(name);
  ASSERT_EQ(seen, wizard);
  ExpectOneSize(walk, wizard);
  ExpectNoRepeatedHeading(walk);
}

TEST_F(DuplicationWalk, DuplicationPagesShareOneSizeAndSayEachHeadingOnce) {
  AddDisk("size=16MiB,model=Source");
  AddDisk("size=16MiB,model=Target");
  Boot();
  Layout(0, {{{2048, 8000, 0x07, "NTFS"}}});
  host_.answerYes = true;
  host_.OnPage("CMirrorSource", [](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, 0, true);
    w.Tick(IDC_MS_SECTOR, true);
    w.Press(IDC_NEXT);
  });
  host_.OnPage("CMirrorDestination", [](ui::ScriptedWindow& w) {
    w.CheckRow(IDC_LIST, w.ListCount(IDC_LIST) - 1, true);
    w.Press(IDC_NEXT);
  });
  host_.OnPage("COption", [](ui::ScriptedWindow& w) { w.Press(IDC_NEXT); });
  host_.OnPage("CClone", [](ui::ScriptedWindow& w) { w.Press(IDC_CL_START); });
  host_.OnPage("CCloneSummary", [](ui::ScriptedWindow& w) { w.Close(win::IDOK); });
  Walk walk(host_);
  duplicate::RunDuplicationWizard();
  ASSERT_EQ(walk.At(0), (std::vector<std::string>{"CMirrorSource", "CMirrorDestination", "COption", "CClone",
                                                  "CCloneSummary"}));
  ExpectOneSize(walk, walk.At(0));
  ExpectNoRepeatedHeading(walk);
}
