// Start-up and the main window on simulated machines: single instance,
// Windows PE adaptation, the boot-fix repair, the unattended one-click
// countdown, Exit.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/restart_dialog.h"
#include "app/startup.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"

using namespace testing_support;

class StartupTest : public SimTest {
 protected:
  // A drive letter backed by a folder of the temporary directory.
  void MapDrive(wchar_t letter, const std::string& folder) {
    sim::DriveConfig d;
    d.letter = letter;
    d.files = dir_.File(folder);
    config_.drives.push_back(d);
  }
  void PutMarker(const std::string& folder, const std::wstring& target) {
    WriteHostFile(dir_.File(folder) + "/BOOT/BootFix", text::EncodeUtf16LE(target));
  }
  std::vector<std::wstring> Started() {
    std::vector<std::wstring> out;
    for (auto& p : Sim().Started()) out.push_back(p.how + L" " + p.verb + L" " + p.file + L" " + p.parameters);
    return out;
  }
};

TEST_F(StartupTest, WindowsPeStartUpRepairsCAndEnds) {
  config_.programPath = L"X:\\Vektrel\\vektrel.exe";
  MapDrive(L'D', "d");
  PutMarker("d", L"E:");
  Boot();
  app::CreateSingleInstanceGuard();
  app::CQobApp application;
  EXPECT_THROW(application.InitInstance(), platform::ProcessExit);
  EXPECT_TRUE(app::IsWinPE);
  auto started = Started();
  ASSERT_EQ(started.size(), 3u);
  EXPECT_EQ(started[0], L"CreateProcess  X:\\Vektrel\\setres.exe X:\\Vektrel\\setres.exe h1024 v768 b32");
  EXPECT_EQ(started[1], L"ShellExecute open bcdedit.exe /store C:\\boot\\BCD /set {default} device partition=C:");
  EXPECT_EQ(started[2], L"ShellExecute open bcdedit.exe /store C:\\boot\\BCD /set {default} osdevice partition=C:");
  EXPECT_EQ(Sim().Started()[1].directory, L"X:\\Windows\\System32");
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(host_.messages[0].text, app::T(L"IDS_bootstring2"));
  EXPECT_EQ(app::BootFixTarget, L"E:");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("d") + "/BOOT/BootFix")) << "the marker is deleted";
}

TEST_F(StartupTest, DuplicateTileRepairsTheDriveTheMarkerNames) {
  MapDrive(L'D', "d");
  PutMarker("d", L"E:");
  Boot();
  app::CreateSingleInstanceGuard();
  app::CQobApp application;
  ASSERT_TRUE(application.Prepare());
  EXPECT_FALSE(app::IsWinPE);
  host_.OnPage("CQobDlg", [](ui::ScriptedWindow& w) { w.Press(IDC_TILE_DUPLICATE); });
  app::CQobDlg main;
  EXPECT_THROW(ui::RunModal(main), platform::ProcessExit);
  auto started = Started();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0], L"ShellExecute open bcdedit.exe /store E:\\boot\\bcd /set {default} device partition=E:");
  EXPECT_EQ(started[1], L"ShellExecute open bcdedit.exe /store E:\\boot\\bcd /set {default} osdevice partition=E:");
  ASSERT_EQ(host_.messages.size(), 1u) << "only the second message is shown";
  EXPECT_EQ(host_.messages[0].text, app::T(L"IDS_bootstring3"));
}

TEST_F(StartupTest, SecondCopyEndsAtOnce) {
  config_.anotherInstance = true;
  Boot();
  app::CreateSingleInstanceGuard();
  app::CQobApp application;
  EXPECT_FALSE(application.InitInstance());
  EXPECT_TRUE(host_.pagesOpened.empty());
}

TEST_F(StartupTest, InstalledWindowsUnderWow64StartsTheShadowHelperAndWaits) {
  config_.wow64 = true;
  Boot();
  uint32_t before = Sim().GetTickCount();
  app::CQobApp application;
  ASSERT_TRUE(application.Prepare());
  ASSERT_EQ(Sim().Started().size(), 1u);
  EXPECT_EQ(Sim().Started()[0].file, L"C:\\Program Files\\Vektrel\\RxThunk.exe");
  EXPECT_GE(Sim().GetTickCount() - before, 1000u);
}

TEST_F(StartupTest, OneClickSwitchCountsDownAndStarts) {
  for (const wchar_t* cmd : {L"/B ONECLICK", L"/b oneclick"}) {
    config_.commandLine = cmd;
    Boot();
    app::CQobApp application;
    ASSERT_TRUE(application.Prepare());
    app::LanguageTable.insert(app::LanguageTable.begin(), {L"IDS_OTB", L"Starting in %TIME% s"});
    std::vector<std::wstring> countdown;
    host_.OnPage("CRestart", [&](ui::ScriptedWindow& w) { countdown.push_back(w.GetText(IDC_RESTART_TEXT)); });
    host_.onTimer = [&](ui::ScriptedWindow& w, unsigned id) {
      if (std::string(w.Name()) == "CRestart") countdown.push_back(w.GetText(IDC_RESTART_TEXT));
      else if (!w.HasTimers()) w.Close(0);  // the main window after its fifth tick
    };
    host_.OnPage("CQobDlg", [](ui::ScriptedWindow&) {});
    app::CQobDlg main;
    ui::RunModal(main);
    // The countdown ran 20 seconds and then accepted by itself; the quick
    // duplicate was started (it finds no disks here and offers the wizard).
    ASSERT_EQ(countdown.size(), 21u) << text::ToUtf8(cmd);
    EXPECT_EQ(countdown.front(), L"Starting in 20 s");
    EXPECT_EQ(host_.pagesOpened[1], "CRestart");
    ASSERT_FALSE(host_.messages.empty());
    EXPECT_EQ(host_.messages.back().text, app::T(L"IDS_MessageblankDisk"));
    host_.messages.clear();
    host_.pagesOpened.clear();
    host_.onTimer = nullptr;
  }
}

TEST_F(StartupTest, CountdownShowsTheSecondsLeft) {
  Boot();
  app::LanguageTable = {L"IDS_OTB", L"Copy starts in %TIME% seconds"};
  app::CRestart dlg(app::T(L"IDS_OTB"), L"Start", L"Cancel");
  std::vector<std::wstring> seen;
  host_.OnPage("CRestart", [&](ui::ScriptedWindow& w) { seen.push_back(w.GetText(IDC_RESTART_TEXT)); });
  host_.onTimer = [&](ui::ScriptedWindow& w, unsigned) {
    if (!w.IsClosed()) seen.push_back(w.GetText(IDC_RESTART_TEXT));
  };
  ui::RunModal(dlg);
  EXPECT_TRUE(dlg.Accepted());
  ASSERT_EQ(seen.size(), 21u);
  EXPECT_EQ(seen.front(), L"Copy starts in 20 seconds");
  EXPECT_EQ(seen[5], L"Copy starts in 15 seconds");
  EXPECT_EQ(seen.back(), L"Copy starts in 0 seconds");

  // Declining stops the countdown.
  app::CRestart declined(L"%TIME%", L"a", L"b");
  host_.OnPage("CRestart", [](ui::ScriptedWindow& w) { w.Press(IDC_RESTART_SECOND); });
  host_.onTimer = nullptr;
  ui::RunModal(declined);
  EXPECT_FALSE(declined.Accepted());
}

TEST_F(StartupTest, ExitOnWindowsPeAsksAndShutsDown) {
  config_.programPath = L"X:\\Vektrel\\vektrel.exe";
  Boot();
  app::CQobApp application;
  ASSERT_TRUE(application.Prepare());
  host_.OnPage("CQobDlg", [](ui::ScriptedWindow& w) {
    w.Press(ID_ACTIONS_EXIT);  // answered No: the window stays
    EXPECT_FALSE(w.IsClosed());
    EXPECT_TRUE(w.RemovedMenu().empty()) << "Driver Installation stays on Windows PE";
  });
  app::CQobDlg main;
  ui::RunModal(main);
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_EQ(host_.messages[0].text, app::T(L"IDS_EXITSYSTEM"));
  EXPECT_EQ(host_.messages[0].flags, win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL);

  host_.answerYes = true;
  host_.messages.clear();
  host_.OnPage("CQobDlg", [](ui::ScriptedWindow& w) { w.Press(ID_ACTIONS_EXIT); });
  app::CQobDlg again;
  ui::RunModal(again);
  EXPECT_EQ(Sim().Started().back().file, L"wpeutil.exe");
  EXPECT_EQ(Sim().Started().back().parameters, L"shutdown");
}

TEST_F(StartupTest, MainWindowShowsTilesMenusAndTheClock) {
  config_.programPath = L"X:\\Vektrel\\vektrel.exe";
  Boot();
  app::CQobApp application;
  ASSERT_TRUE(application.Prepare());
  host_.OnPage("CQobDlg", [](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.Menu().at(ID_ACTIONS_EXIT), app::T(L"ID_ACTIONS_EXIT"));
    EXPECT_EQ(w.MenuPopups().at(0), app::T(L"ID_POPUP"));
    EXPECT_EQ(w.c(IDC_TILE_SCAN).picture, ui::Picture::Scan);
    w.Hover(IDC_TILE_SCAN);
    EXPECT_TRUE(w.c(IDC_TILE_SCAN).highlighted);
    w.Hover(-1);
    EXPECT_FALSE(w.c(IDC_TILE_SCAN).highlighted);
    w.Press(IDC_TILE_PARTMANAGER);
    EXPECT_EQ(w.GetText(IDC_DESCRIPTION), app::T(L"IDS_PartMDesc"));
    EXPECT_TRUE(w.c(IDC_TILE_PARTMANAGER).pictureSelected);
    EXPECT_NE(w.GetText(IDC_CLOCK).find(app::T(L"IDS_RemainWINPETime") + L": "), std::wstring::npos);
    w.Close(0);
  });
  app::CQobDlg main;
  ui::RunModal(main);
  EXPECT_EQ(app::CQobDlg::ClockText(0), app::T(L"IDS_RemainWINPETime") + L": 72:00:00");
  EXPECT_EQ(app::CQobDlg::ClockText(72 * 3600 - 61), app::T(L"IDS_RemainWINPETime") + L": 01:01");
}
