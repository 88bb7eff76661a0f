// The main window's tiles and menu: every task is on the menu, tasks whose
// wizards are not built yet are drawn faded and say so, and the keyboard
// focus chooses a tile as a click does.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "filecopy/filecopy_ids.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"

using namespace testing_support;

namespace {

class MainWindowTest : public SimTest {
 protected:
  // Starts the program as the GUI does and runs `script` on its window.
  void RunMain(std::function<void(ui::ScriptedWindow&)> script) {
    Boot();
    app::CreateSingleInstanceGuard();
    app::CQobApp application;
    ASSERT_TRUE(application.Prepare());
    host_.OnPage("CQobDlg", [&](ui::ScriptedWindow& w) {
      script(w);
      w.Close(win::IDOK);
    });
    app::CQobDlg main;
    ui::RunModal(main);
  }
};

}  // namespace

TEST_F(MainWindowTest, EveryTaskIsLiveInTheTilesAndTheMenu) {
  int count = 0;
  const app::Tile* tiles = app::MainWindowTiles(&count);
  ASSERT_EQ(count, 9);
  RunMain([&](ui::ScriptedWindow& w) {
    for (int i = 0; i < count; ++i) {
      const app::Tile& t = tiles[i];
      EXPECT_FALSE(app::TaskPending(t.command)) << text::ToUtf8(t.captionKey);
      EXPECT_FALSE(w.c(t.id).dimmed) << text::ToUtf8(t.captionKey);
      EXPECT_TRUE(w.IsEnabled(IDC_TILE_LABEL_FIRST + i)) << text::ToUtf8(t.captionKey);
      EXPECT_TRUE(w.IsEnabled(t.command)) << "the menu item of " << text::ToUtf8(t.captionKey);
      EXPECT_TRUE(w.Menu().count(t.command)) << "the Actions menu names " << text::ToUtf8(t.captionKey);
      EXPECT_TRUE(w.FocusOn(t.id));
      std::wstring description = w.GetText(IDC_DESCRIPTION);
      EXPECT_EQ(description.rfind(app::T(t.descriptionKey), 0), 0u);
      EXPECT_EQ(description.find(app::T(L"IDS_NotAvailable")), std::wstring::npos);
    }
  });
}

TEST_F(MainWindowTest, TheFilesTileOpensTheFileCopyWizard) {
  bool treePage = false;
  host_.OnPage("CBackupFiles", [&](ui::ScriptedWindow& w) {
    treePage = !w.TreeChildren(IDC_FC_TREE, ui::kTreeRoot).empty() && !w.IsEnabled(IDC_NEXT);
    w.Close(win::IDCANCEL);
  });
  RunMain([&](ui::ScriptedWindow& w) {
    host_.messages.clear();
    EXPECT_TRUE(w.Press(IDC_TILE_FILES));
    EXPECT_TRUE(host_.messages.empty()) << "no longer a pending task";
  });
  EXPECT_TRUE(treePage) << "the folder tree, with Next off until something is ticked";
}

TEST_F(MainWindowTest, TheDuplicateTileOpensTheDuplicationWizard) {
  AddDisk("size=16MiB,model=Any");
  bool sourcePage = false;
  host_.OnPage("CMirrorSource", [&](ui::ScriptedWindow& w) {
    sourcePage = w.ListCount(IDC_LIST) > 0;
    w.Close(win::IDCANCEL);
  });
  RunMain([&](ui::ScriptedWindow& w) {
    host_.messages.clear();
    EXPECT_TRUE(w.Press(IDC_TILE_DUPLICATE));
    EXPECT_TRUE(host_.messages.empty()) << "no longer a pending task";
  });
  EXPECT_TRUE(sourcePage) << "the source page with the disks listed";
}

TEST_F(MainWindowTest, TheFocusChoosesATileAsAClickDoesWithoutRunningIt) {
  RunMain([&](ui::ScriptedWindow& w) {
    EXPECT_TRUE(w.c(IDC_TILE_ONECLICK).pictureSelected) << "the first tile is chosen at the start";
    for (int id : {IDC_TILE_DELETE, IDC_TILE_SCAN, IDC_TILE_PARTVIEW}) {
      EXPECT_TRUE(w.FocusOn(id));
      for (int other : {IDC_TILE_ONECLICK, IDC_TILE_DELETE, IDC_TILE_SCAN, IDC_TILE_PARTVIEW})
        EXPECT_EQ(w.c(other).pictureSelected, other == id) << id << " " << other;
    }
    EXPECT_EQ(w.GetText(IDC_DESCRIPTION), app::T(L"IDS_ViewDiskParH2"));
    // The description box hands the focus on to the first tile.
    EXPECT_TRUE(w.FocusOn(IDC_DESCRIPTION));
    EXPECT_EQ(w.Focus(), IDC_TILE_ONECLICK);
  });
  EXPECT_EQ(host_.pagesOpened, (std::vector<std::string>{"CQobDlg"})) << "no wizard was started";
}
