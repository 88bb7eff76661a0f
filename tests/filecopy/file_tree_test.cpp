// The folder tree: tick sequences and the states they leave on every item,
// lazy loading under a ticked folder, the selection read from the states,
// shortcuts hidden and archives shown as files in any letter case, special
// folders found by their identity and network places parsed with care.
#include <gtest/gtest.h>

#include <functional>

#include "app/language.h"
#include "filecopy/file_tree_ctrl.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/file_tree.h"
#include "support/image_tools.h"
#include "support/sim_fixture.h"

using namespace testing_support;
using filecopy::CFileTreeCtrl;

namespace {

constexpr int kTree = 100;
const wchar_t kShellFolders[] = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class TreePage : public ui::Page {
 public:
  int TemplateId() const override { return 0; }
  const char* Name() const override { return "TreePage"; }
  void OnInit(ui::Window& w) override { tree.Fill(w); }
  void OnTreeExpanding(ui::Window& w, int, ui::TreeItem item) override { tree.OnExpanding(w, item); }
  void OnTreeStateClick(ui::Window& w, int, ui::TreeItem item, bool shift) override {
    tree.OnStateClick(w, item, shift);
  }
  CFileTreeCtrl tree{kTree, true};
};

class FileTreeTest : public SimTest {
 protected:
  void Machine() {
    auto seed = [&](const std::wstring& name, const std::wstring& path) {
      config_.registry.push_back({kShellFolders, name, 1, text::EncodeUtf16LE(path + L'\0')});
    };
    seed(L"Personal", L"C:\\Users\\Demo\\Eigene Dateien");
    seed(L"Desktop", L"C:\\Users\\Demo\\Desktop");
    seed(L"NetHood", L"C:\\Users\\Demo\\NetHood");
    AddDisk("size=256MiB");
    Boot();
    ASSERT_EQ(WriteMbrGroups(Sim().Disk(0), 0x1111, {{{2048, 400000, 0x07, "NTFS"}}}), 0u);
    Sim().Mounts().Mount();
    for (const wchar_t* f : {L"C:\\T", L"C:\\T\\Sub", L"C:\\T\\Sub\\Deeper", L"C:\\T\\Empty", L"C:\\T\\Only",
                             L"C:\\Users", L"C:\\Users\\Demo", L"C:\\Users\\Demo\\Eigene Dateien",
                             L"C:\\Users\\Demo\\My Documents", L"C:\\Users\\Demo\\NetHood",
                             L"C:\\Users\\Demo\\NetHood\\Public (NAS)", L"C:\\Users\\Demo\\NetHood\\broken)",
                             L"C:\\Users\\Demo\\NetHood\\ (server)", L"C:\\Users\\Demo\\NetHood\\Media (box"})
      ASSERT_TRUE(MakeFolder(f));
    for (const wchar_t* f : {L"C:\\T\\a.txt", L"C:\\T\\b.txt", L"C:\\T\\Sub\\c.txt", L"C:\\T\\Sub\\Deeper\\d.txt",
                             L"C:\\T\\Only\\e.txt", L"C:\\T\\Only\\Archive.ZiP", L"C:\\T\\Only\\Shortcut.LNK",
                             L"C:\\Users\\Demo\\Eigene Dateien\\letter.doc"})
      ASSERT_TRUE(MakeFile(f, "x"));
  }

  // Runs fn on the tree page.
  void OnTree(const std::function<void(ui::ScriptedWindow&, CFileTreeCtrl&)>& fn) {
    TreePage page;
    host_.OnPage("TreePage", [&](ui::ScriptedWindow& w) {
      fn(w, page.tree);
      w.Close(0);
    });
    ui::RunModal(page);
  }

  static int State(ui::ScriptedWindow& w, CFileTreeCtrl& tree, const std::wstring& path) {
    ui::TreeItem item = tree.FindPath(w, path);
    EXPECT_NE(item, ui::kTreeRoot) << text::ToUtf8(path);
    return w.TreeGetState(kTree, item);
  }
};

TEST_F(FileTreeTest, TickSequencesLeaveEveryItemInTheRightState) {
  Machine();
  // A step: a path under C:\T clicked ("+" first: with Shift held).
  const struct {
    std::vector<std::wstring> clicks;
    std::vector<std::pair<std::wstring, int>> states;
    bool anyTicked;
  } kCases[] = {
      {{L"T"}, {{L"T", 15}, {L"T\\a.txt", 5}, {L"T\\Sub", 15}, {L"T\\Sub\\Deeper\\d.txt", 5}, {L"T\\Only", 3},
                {L"T\\Empty", 8}}, true},
      // A file cleared under a ticked folder: the folder stays part-ticked
      // and the wizard still sees a choice.
      {{L"T", L"T\\a.txt"}, {{L"T", 14}, {L"T\\a.txt", 0}, {L"T\\b.txt", 5}}, true},
      {{L"T\\a.txt"}, {{L"T", 2}}, true},
      {{L"T\\a.txt", L"T\\b.txt"}, {{L"T", 3}}, true},
      // A ticked file clicked again is cleared, not counted twice.
      {{L"T\\a.txt", L"T\\a.txt"}, {{L"T", 0}, {L"T\\a.txt", 0}}, false},
      {{L"T\\Only"}, {{L"T", 4}, {L"T\\Only\\e.txt", 5}, {L"T\\Only\\Archive.ZiP", 5}}, true},
      {{L"T\\Only", L"T\\Sub"}, {{L"T", 12}}, true},
      {{L"T\\Only", L"T\\Sub", L"T\\a.txt", L"T\\b.txt"}, {{L"T", 15}}, true},
      {{L"T\\Sub\\Deeper"}, {{L"T\\Sub\\Deeper", 3}, {L"T\\Sub", 12}, {L"T", 4}}, true},
      {{L"T\\Sub\\Deeper", L"T\\Sub\\c.txt"}, {{L"T\\Sub", 15}, {L"T", 4}}, true},
      {{L"+T"}, {{L"T", 12}, {L"T\\a.txt", 0}, {L"T\\Sub", 15}, {L"T\\Only", 3}}, true},
      {{L"+T", L"+T"}, {{L"T", 15}}, true},
      {{L"+T", L"+T", L"+T"}, {{L"T", 0}, {L"T\\Sub\\c.txt", 0}}, false},
      {{L"T", L"T"}, {{L"T", 0}, {L"T\\Sub\\Deeper\\d.txt", 0}}, false},
      {{L"T\\a.txt", L"T"}, {{L"T", 15}, {L"T\\a.txt", 5}}, true},  // a part-ticked folder ticks all
      {{L"T\\Empty"}, {{L"T\\Empty", 8}, {L"T", 0}}, false},        // an empty folder ignores clicks
  };
  for (const auto& c : kCases) {
    std::wstring trace;
    for (auto& k : c.clicks) trace += k + L" ";
    SCOPED_TRACE(text::ToUtf8(trace));
    OnTree([&](ui::ScriptedWindow& w, CFileTreeCtrl& tree) {
      // Every folder opened first, so that the states are all there.
      for (const wchar_t* f : {L"C:\\T\\Sub\\Deeper\\d.txt", L"C:\\T\\Only\\e.txt", L"C:\\T\\a.txt"})
        ASSERT_NE(tree.FindPath(w, f), ui::kTreeRoot);
      for (const std::wstring& k : c.clicks) {
        bool shift = k[0] == L'+';
        ui::TreeItem item = tree.FindPath(w, L"C:\\" + k.substr(shift ? 1 : 0));
        ASSERT_TRUE(w.ClickTreeState(kTree, item, shift));
      }
      for (const auto& [path, state] : c.states) EXPECT_EQ(State(w, tree, L"C:\\" + path), state) << text::ToUtf8(path);
      EXPECT_EQ(tree.AnyTicked(w), c.anyTicked);
    });
  }
}

TEST_F(FileTreeTest, ATickedFolderHandsItsStateToChildrenLoadedLaterAndTheSelectionIsReadFromStates) {
  Machine();
  OnTree([&](ui::ScriptedWindow& w, CFileTreeCtrl& tree) {
    ui::TreeItem t = tree.FindPath(w, L"C:\\T");
    ASSERT_NE(t, ui::kTreeRoot);
    EXPECT_TRUE(w.TreeChildren(kTree, t).empty()) << "not loaded before it opens";
    ASSERT_TRUE(w.ClickTreeState(kTree, t, false));
    EXPECT_EQ(w.TreeGetState(kTree, t), 15);
    EXPECT_EQ(State(w, tree, L"c:\\t\\sub\\deeper\\D.TXT"), 5);
    ASSERT_TRUE(w.ClickTreeState(kTree, tree.FindPath(w, L"C:\\T\\a.txt"), false));
    EXPECT_EQ(CFileTreeCtrl::SelectionText(tree.Selection(w)),
              L"Folder:C:\\T\\Only\r\nFolder:C:\\T\\Sub\r\nFile:C:\\T\\b.txt\r\n");
    // Shortcuts are not listed; archives are files, in any letter case.
    ui::TreeItem only = tree.FindPath(w, L"C:\\T\\Only");
    w.ExpandTreeItem(kTree, only);
    std::vector<std::wstring> names;
    for (ui::TreeItem c : w.TreeChildren(kTree, only)) names.push_back(w.TreeGetText(kTree, c));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Archive.ZiP", L"e.txt"}));
    EXPECT_FALSE(tree.Record(tree.FindPath(w, L"C:\\T\\Only\\Archive.ZiP"))->isFolder);
    EXPECT_FALSE(tree.SetItemState(w, ui::kTreeRoot, 0, 0));
    EXPECT_FALSE(tree.SetItemState(w, t, 10, 0));
    EXPECT_EQ(tree.Diagnostics(), (std::vector<std::wstring>{L"NULL item in CFileTreeCtrl::SetItemState!"}));
  });
}

TEST_F(FileTreeTest, AFolderStandsForAllItHoldsOnlyWhenTickedItselfOrNothingHiddenIsLeftOut) {
  Machine();
  // C:\T\Only also holds a shortcut the tree does not show.
  const struct {
    std::vector<std::wstring> clicks;
    std::wstring selection;
  } kCases[] = {
      {{L"T\\Only\\e.txt", L"T\\Only\\Archive.ZiP"}, L"File:C:\\T\\Only\\Archive.ZiP\r\nFile:C:\\T\\Only\\e.txt\r\n"},
      {{L"T\\Only"}, L"Folder:C:\\T\\Only\r\n"},
      {{L"T", L"T\\Only\\e.txt", L"T\\Only\\e.txt"},
       L"File:C:\\T\\Only\\Archive.ZiP\r\nFile:C:\\T\\Only\\e.txt\r\nFolder:C:\\T\\Sub\r\nFile:C:\\T\\a.txt\r\n"
       L"File:C:\\T\\b.txt\r\n"},
      {{L"T\\a.txt", L"T\\b.txt", L"T\\Sub", L"T\\Only"}, L"Folder:C:\\T\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(text::ToUtf8(c.selection));
    OnTree([&](ui::ScriptedWindow& w, CFileTreeCtrl& tree) {
      for (const wchar_t* f : {L"C:\\T\\Sub\\Deeper\\d.txt", L"C:\\T\\Only\\e.txt", L"C:\\T\\a.txt"})
        ASSERT_NE(tree.FindPath(w, f), ui::kTreeRoot);
      for (const std::wstring& k : c.clicks) ASSERT_TRUE(w.ClickTreeState(kTree, tree.FindPath(w, L"C:\\" + k), false));
      EXPECT_EQ(CFileTreeCtrl::SelectionText(tree.Selection(w)), c.selection);
    });
  }
}

TEST_F(FileTreeTest, SpecialFoldersByIdentityAndNetworkPlacesParsedWithCare) {
  Machine();
  OnTree([&](ui::ScriptedWindow& w, CFileTreeCtrl& tree) {
    std::vector<std::pair<std::wstring, std::wstring>> top;
    for (ui::TreeItem item : w.TreeChildren(kTree, ui::kTreeRoot)) {
      top.push_back({w.TreeGetText(kTree, item), tree.PathOf(item)});
      EXPECT_EQ(w.TreeGetState(kTree, item), tree.PathOf(item).empty() ? 9 : 0);
    }
    // The documents folder is whatever "Personal" names, whatever its
    // folder is called; the desktop that does not exist is not shown.
    ASSERT_GE(top.size(), 3u);
    EXPECT_EQ(top[0], (std::pair<std::wstring, std::wstring>{app::T(L"IDS_MyDocuments"), L"C:\\Users\\Demo\\Eigene Dateien"}));
    EXPECT_EQ(top[1].first, app::T(L"IDS_MyComputer"));
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[2].first, app::T(L"IDS_MyNetworkPlaces"));
    std::vector<ui::TreeItem> places = w.TreeChildren(kTree, w.TreeChildren(kTree, ui::kTreeRoot)[2]);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(tree.PathOf(places[0]), L"\\\\NAS\\Public");
  });
  const struct {
    const wchar_t* name;
    const wchar_t* path;
  } kPlaces[] = {{L"Public (NAS)", L"\\\\NAS\\Public"}, {L"My Files (nas-2)", L"\\\\nas-2\\My Files"},
                 {L"a (b) (srv)", L""},                  {L"broken)", L""},
                 {L" (server)", L""},                    {L"share ()", L""},
                 {L"share (a\\b)", L""},                 {L"share", L""},
                 {L"(x)", L""}};
  for (auto& p : kPlaces) EXPECT_EQ(filecopy::NetworkPlacePath(p.name), p.path) << text::ToUtf8(p.name);
}

}  // namespace
