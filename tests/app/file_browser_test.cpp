// The Open and Save As dialogs of a simulated PC: they browse the drives
// and folders the program sees (not the host's), and a report saved
// through them lands in the simulated folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_browser_ids.h"
#include "app/file_browser_page.h"
#include "erase/delete_report.h"
#include "platform/winapi.h"
#include "support/sim_fixture.h"
#include "ui/control_ids.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::wstring kFilter = L"Report (*.txt)|*.txt|All files (*.*)|*.*|";

class FileBrowserTest : public SimTest {
 protected:
  FileBrowserTest() {
    config_.programPath = L"W:\\Vektrel\\vektrel.exe";
    Drive(L'C', 3, "c");
    Drive(L'D', 2, "d");  // removable
    fs::create_directories(dir_.File("c/Reports/Old"));
    fs::create_directories(dir_.File("d"));
    for (const char* f : {"c/notes.txt", "c/b.txt", "c/setup.log", "c/Reports/last.txt"})
      WriteHostFile(dir_.File(f), {'x'});
    Boot();
  }
  void Drive(wchar_t letter, uint32_t type, const std::string& folder) {
    sim::DriveConfig d;
    d.letter = letter;
    d.driveType = type;
    d.files = dir_.File(folder);
    config_.drives.push_back(d);
  }
  static std::vector<std::wstring> Names(ui::ScriptedWindow& w) {
    std::vector<std::wstring> out;
    for (int i = 0; i < w.ListCount(IDC_LIST); ++i) out.push_back(w.ListCell(IDC_LIST, i, 0));
    return out;
  }
  static int RowNamed(ui::ScriptedWindow& w, const std::wstring& name) {
    for (int i = 0; i < w.ListCount(IDC_LIST); ++i)
      if (w.ListCell(IDC_LIST, i, 0) == name) return i;
    return -1;
  }
  // Runs the dialog with `script` and gives what it chose.
  std::optional<std::wstring> Run(bool save, const std::wstring& initial, bool mustExist,
                                  std::function<void(ui::ScriptedWindow&)> script) {
    app::CFileBrowser browser(save, kFilter, L".txt", initial, mustExist);
    host_.OnPage("CFileBrowser", script);
    ui::RunModal(browser);
    return browser.Chosen();
  }
};

}  // namespace

TEST_F(FileBrowserTest, ShowsTheSimulatedDrivesFoldersFirstThenFilesOfTheType) {
  auto chosen = Run(true, L"", false, [&](ui::ScriptedWindow& w) {
    ASSERT_EQ(w.LinesCount(IDC_FB_DRIVES), 2);
    EXPECT_EQ(w.LinesGet(IDC_FB_DRIVES, 0), L"C:\\");
    EXPECT_EQ(w.LinesGet(IDC_FB_DRIVES, 1), L"D:\\");
    EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"C:\\") << "the fixed drive first";
    EXPECT_FALSE(w.IsEnabled(IDC_FB_UP));
    EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Reports", L"b.txt", L"notes.txt"}));
    EXPECT_TRUE(w.Choose(IDC_FB_TYPE, 1));
    EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Reports", L"b.txt", L"notes.txt", L"setup.log"}));
    EXPECT_TRUE(w.Choose(IDC_FB_DRIVES, 1));
    EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"D:\\");
    EXPECT_TRUE(Names(w).empty());
    w.Cancel();
  });
  EXPECT_FALSE(chosen);
}

TEST_F(FileBrowserTest, AReportSavedThroughItLandsInTheSimulatedFolder) {
  auto chosen = Run(true, L"", false, [&](ui::ScriptedWindow& w) {
    EXPECT_TRUE(w.ActivateRow(IDC_LIST, RowNamed(w, L"Reports")));
    EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"C:\\Reports");
    EXPECT_TRUE(w.IsEnabled(IDC_FB_UP));
    EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Old", L"last.txt"}));
    w.Type(IDC_FB_NAME, L"wiped disk 1");
    w.Press(win::IDOK);
  });
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, L"C:\\Reports\\wiped disk 1.txt") << "the default extension is added";
  ASSERT_TRUE(erase::SaveDeleteReport(*chosen));
  EXPECT_FALSE(ReadHostFile(dir_.File("c/Reports/wiped disk 1.txt")).empty());
}

TEST_F(FileBrowserTest, WhatIsTypedIsResolvedLikeTheSystemsDialog) {
  struct Case {
    const char* what;
    bool save;
    std::wstring typed;
    std::optional<std::wstring> chosen;  // nothing: the dialog stays open
    std::wstring folderAfter;
    std::wstring message;                // "" when none is shown
  };
  const Case cases[] = {
      {"a folder name opens it", true, L"reports", {}, L"C:\\Reports", L""},
      {"a relative path", true, L"Reports\\Old\\..\\new", L"C:\\Reports\\new.txt", L"", L""},
      {"another drive", true, L"d:\\x.txt", L"D:\\x.txt", L"", L""},
      {"a pattern filters the list", true, L"*.log", {}, L"C:\\", L""},
      {"a folder that is not there", true, L"nowhere\\x", {}, L"C:\\", L"IDS_FileDlgNoFolder C:\\nowhere"},
      {"a missing file to open", false, L"gone.txt", {}, L"C:\\", L"IDS_FileDlgNotFound C:\\gone.txt"},
      {"an existing file to open", false, L"NOTES.TXT", L"C:\\NOTES.TXT", L"", L""},
  };
  for (const Case& c : cases) {
    host_.messages.clear();
    std::wstring folder;
    auto chosen = Run(c.save, L"", true, [&](ui::ScriptedWindow& w) {
      w.Type(IDC_FB_NAME, c.typed);
      w.Press(win::IDOK);
      if (w.IsClosed()) return;
      folder = w.GetText(IDC_FB_FOLDER);
      if (c.typed == L"*.log") {
        EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Reports", L"setup.log"})) << c.what;
      }
      w.Cancel();
    });
    EXPECT_EQ(chosen, c.chosen) << c.what;
    if (!c.chosen) {
      EXPECT_EQ(folder, c.folderAfter) << c.what;
    }
    EXPECT_EQ(host_.messages.empty() ? L"" : host_.messages[0].text, c.message) << c.what;
  }
}

TEST_F(FileBrowserTest, AnExistingFileIsReplacedOnlyOnYes) {
  for (bool yes : {false, true}) {
    host_.messages.clear();
    host_.answerYes = yes;
    bool stayed = false;
    auto chosen = Run(true, L"C:\\Reports\\last.txt", false, [&](ui::ScriptedWindow& w) {
      EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"C:\\Reports") << "starts where the name given lies";
      EXPECT_EQ(w.GetText(IDC_FB_NAME), L"last.txt");
      w.Press(win::IDOK);
      stayed = !w.IsClosed();
      if (stayed) w.Cancel();
    });
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, L"IDS_FileDlgReplace C:\\Reports\\last.txt");
    EXPECT_EQ(host_.messages[0].flags & 0xF0, unsigned(win::MB_ICONQUESTION));
    EXPECT_EQ(stayed, !yes);
    EXPECT_EQ(chosen.has_value(), yes);
  }
}

TEST_F(FileBrowserTest, NewFolderTakesAFreeNameAndAPatternStartsTheList) {
  Run(true, L"c:\\*.*", false, [&](ui::ScriptedWindow& w) {
    EXPECT_EQ(w.GetText(IDC_FB_NAME), L"") << "a pattern is no name";
    EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Reports", L"b.txt", L"notes.txt", L"setup.log"}));
    w.Press(IDC_FB_NEWFOLDER);
    w.Press(IDC_FB_NEWFOLDER);
    int row = w.ListSelected(IDC_LIST);
    EXPECT_EQ(w.ListCell(IDC_LIST, row, 0), L"IDS_FileDlgNewFolderName (2)") << "the new folder is selected";
    w.Press(win::IDOK);  // OK with no name opens the selected folder
    EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"C:\\IDS_FileDlgNewFolderName (2)");
    w.Press(IDC_FB_UP);
    EXPECT_EQ(w.GetText(IDC_FB_FOLDER), L"C:\\");
    w.Cancel();
  });
  EXPECT_TRUE(fs::is_directory(dir_.File("c/IDS_FileDlgNewFolderName")));
  EXPECT_TRUE(fs::is_directory(dir_.File("c/IDS_FileDlgNewFolderName (2)")));
}

TEST_F(FileBrowserTest, AsTheFolderPickerItListsFoldersAndGivesTheOneSelectedOpenOrTyped) {
  const struct {
    std::function<void(ui::ScriptedWindow&)> act;
    std::optional<std::wstring> chosen;
  } kCases[] = {
      {[](ui::ScriptedWindow& w) { EXPECT_TRUE(w.SelectRow(IDC_LIST, RowNamed(w, L"Reports"))); }, L"C:\\Reports"},
      {[](ui::ScriptedWindow& w) { EXPECT_TRUE(w.ActivateRow(IDC_LIST, RowNamed(w, L"Reports"))); },
       L"C:\\Reports"},
      {[](ui::ScriptedWindow& w) { w.Type(IDC_FB_NAME, L"c:\\reports\\old"); }, L"C:\\Reports\\Old"},
      {[](ui::ScriptedWindow& w) { w.Type(IDC_FB_NAME, L"C:\\notes.txt"); }, std::nullopt},  // no folder
  };
  for (const auto& c : kCases) {
    app::CFileBrowser browser(false, L"", L"", L"", false);
    browser.ChooseFolder(L"Choose");
    host_.OnPage("CFileBrowser", [&](ui::ScriptedWindow& w) {
      EXPECT_EQ(w.GetText(0), L"Choose");
      EXPECT_EQ(Names(w), (std::vector<std::wstring>{L"Reports"}));
      c.act(w);
      w.Press(win::IDOK);
      if (!w.IsClosed()) w.Cancel();
    });
    ui::RunModal(browser);
    EXPECT_EQ(browser.Chosen(), c.chosen);
  }
}
