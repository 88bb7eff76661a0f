#include "app/startup.h"

#include "app/app_state.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/run_program.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace app {

bool CQobApp::Prepare() {
  auto& sys = platform::Sys();
  ReadStartupValues();
  LoadLanguageTable();
  AppCaption = T(L"IDS_Product");
  if (SingleInstanceGuard.creationError == win::ERROR_ALREADY_EXISTS) return false;
  // IsWinPE was derived with the folder above: a folder on X: is Windows PE.
  if (IsWinPE) {
    std::wstring setres = AppDirectory + L"\\setres.exe";
    WaitForProgram(setres, setres + L" h1024 v768 b32");
  } else {
    if (sys.IsWow64Process())
      sys.ShellExecute(L"open", AppDirectory + L"\\RxThunk.exe", L"", L"", win::SW_SHOW);
    ui::Wait(1000);
  }
  return true;
}

bool CQobApp::InitInstance() {
  if (!Prepare()) return false;
  CQobDlg main;
  ui::RunModal(main);
  return false;
}

}  // namespace app
