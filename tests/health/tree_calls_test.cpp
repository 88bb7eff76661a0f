// The tree calls of the window interface as the scripted host keeps them:
// items under parents with data and check states, children loaded when an
// item is about to open, clicks on check images, deleting children.
#include <gtest/gtest.h>

#include "ui/scripted/scripted_host.h"

namespace {

constexpr int kTree = 100;

// A page with a lazily filled tree, as a folder tree is.
class TreePage : public ui::Page {
 public:
  int TemplateId() const override { return 0; }
  const char* Name() const override { return "TreePage"; }
  void OnInit(ui::Window& w) override {
    w.TreeSetup(kTree, checks);
    root = w.TreeAdd(kTree, ui::kTreeRoot, L"C:", 0xC0000000FFull, 0, true);
  }
  void OnTreeExpanding(ui::Window& w, int id, ui::TreeItem item) override {
    expanding.push_back(w.TreeGetText(id, item));
    // Children are loaded before the item opens; a reload starts afresh.
    w.TreeDeleteChildren(id, item);
    w.TreeAdd(id, item, L"Windows", 1, w.TreeGetState(id, item), true);
    w.TreeAdd(id, item, L"empty.txt", 2, 8, false);
  }
  void OnTreeStateClick(ui::Window& w, int id, ui::TreeItem item, bool shift) override {
    clicks.push_back({item, shift});
    w.TreeSetState(id, item, shift ? 12 : 15);
  }
  void OnTreeSelect(ui::Window& w, int id, ui::TreeItem item) override { selected.push_back(w.TreeGetData(id, item)); }

  bool checks = true;
  ui::TreeItem root = ui::kTreeRoot;
  std::vector<std::wstring> expanding;
  std::vector<std::pair<ui::TreeItem, bool>> clicks;
  std::vector<uint64_t> selected;
};

}  // namespace

TEST(TreeCalls, ItemsLoadWhenTheyOpenAndReportClicksOnTheirCheckImages) {
  ui::ScriptedHost host;
  TreePage page;
  host.OnPage("TreePage", [&](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.TreeGetData(kTree, page.root), 0xC0000000FFull);  // all 64 bits
    EXPECT_TRUE(w.TreeChildren(kTree, page.root).empty());
    EXPECT_TRUE(w.ClickTreeState(kTree, page.root, false));
    EXPECT_EQ(w.TreeGetState(kTree, page.root), 15);
    ASSERT_TRUE(w.ExpandTreeItem(kTree, page.root));
    std::vector<ui::TreeItem> kids = w.TreeChildren(kTree, page.root);
    ASSERT_EQ(kids.size(), 2u);
    EXPECT_EQ(w.TreeGetState(kTree, kids[0]), 15);  // the parent's state went down with the load
    EXPECT_FALSE(w.ExpandTreeItem(kTree, page.root));  // already open
    EXPECT_TRUE(w.SelectTreeItem(kTree, kids[1]));
    EXPECT_EQ(w.TreeSelected(kTree), kids[1]);
    EXPECT_TRUE(w.ClickTreeState(kTree, kids[1], true));
    // Closing and opening again loads afresh; the old items are gone, and
    // the selection with them.
    EXPECT_TRUE(w.CollapseTreeItem(kTree, page.root));
    ASSERT_TRUE(w.ExpandTreeItem(kTree, page.root));
    std::vector<ui::TreeItem> again = w.TreeChildren(kTree, page.root);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again[0], kids[0]);
    EXPECT_EQ(w.TreeGetText(kTree, kids[0]), L"");
    EXPECT_EQ(w.TreeSelected(kTree), ui::kTreeRoot);
    // An item without an expand button and without children does not open.
    EXPECT_FALSE(w.ExpandTreeItem(kTree, again[1]));
    w.TreeClear(kTree);
    EXPECT_TRUE(w.TreeChildren(kTree, ui::kTreeRoot).empty());
    w.Close(0);
  });
  ui::SetHost(&host);
  ui::RunModal(page);
  ui::SetHost(nullptr);
  EXPECT_EQ(page.expanding, (std::vector<std::wstring>{L"C:", L"C:"}));
  ASSERT_EQ(page.clicks.size(), 2u);
  EXPECT_TRUE(page.clicks[1].second);
  EXPECT_EQ(page.selected, (std::vector<uint64_t>{2}));
}

TEST(TreeCalls, WithoutCheckImagesThereIsNothingToClick) {
  ui::ScriptedHost host;
  TreePage page;
  page.checks = false;
  host.OnPage("TreePage", [&](ui::ScriptedWindow& w) {
    EXPECT_FALSE(w.ClickTreeState(kTree, page.root, false));
    w.Close(0);
  });
  ui::SetHost(&host);
  ui::RunModal(page);
  ui::SetHost(nullptr);
  EXPECT_TRUE(page.clicks.empty());
}
