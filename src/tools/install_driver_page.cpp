#include "tools/install_driver_page.h"

#include "app/language.h"
#include "erase/page_texts.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "tools/run_and_wait.h"
#include "tools/tools_ids.h"
#include "ui/control_ids.h"

namespace tools {

using app::T;

namespace {

std::wstring WithCode(std::wstring s, uint32_t code) {
  size_t at = s.find(L"%CODE%");
  if (at != std::wstring::npos) s.replace(at, 6, text::Dec(uint64_t(code)));
  return s;
}

}  // namespace

bool IsInfPath(const std::wstring& path) {
  return path.size() > 4 && text::EqualsIgnoreCase(path.substr(path.size() - 4), L".inf");
}

int CInstallDriver::TemplateId() const { return IDD_INSTALL_DRIVER; }

void CInstallDriver::OnInit(ui::Window& w) {
  erase::SetTexts(w, {{0, L"IDS_InstallDrvCAP"},
                      {IDC_HEADING, L"IDS_InstallDrvH1"},
                      {IDC_TEXT1, L"IDS_InstallDrvDesc"},
                      {IDC_DRIVER_BROWSE, L"IDS_Browse"},
                      {IDC_DRIVER_INSTALL, L"IDS_InstallDrv"},
                      {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetFont(IDC_HEADING, ui::Font::Bold);
  w.Enable(IDC_DRIVER_INSTALL, false);
}

void CInstallDriver::OnEditChange(ui::Window& w, int id) {
  if (id == IDC_DRIVER_PATH) w.Enable(IDC_DRIVER_INSTALL, IsInfPath(w.GetText(IDC_DRIVER_PATH)));
}

void CInstallDriver::OnCancel(ui::Window& w) {
  if (!loading_) w.Close(win::IDCANCEL);
}

void CInstallDriver::OnCommand(ui::Window& w, int id) {
  if (id == IDC_DRIVER_BROWSE) {
    std::optional<std::wstring> path =
        w.OpenFileDialog(L"Driver Files (*.inf)|*.inf|", L"inf", w.GetText(IDC_DRIVER_PATH), true);
    if (!path) return;
    w.SetText(IDC_DRIVER_PATH, *path);
    w.Enable(IDC_DRIVER_INSTALL, IsInfPath(*path));
  } else if (id == IDC_DRIVER_INSTALL) {
    Install(w);
  }
}

void CInstallDriver::Install(ui::Window& w) {
  std::wstring path = w.GetText(IDC_DRIVER_PATH);
  if (!IsInfPath(path)) return;
  // The window stays alive during the load; nothing on it may start a
  // second load or close it meanwhile.
  const int controls[] = {IDC_DRIVER_BROWSE, IDC_DRIVER_INSTALL, IDC_DRIVER_PATH, win::IDCANCEL};
  for (int c : controls) w.Enable(c, false);
  loading_ = true;
  RunOutcome run = RunAndWait(kDriverLoader, QuoteArgument(path), kDriverLoadWaitMs);
  loading_ = false;
  for (int c : controls) w.Enable(c, true);
  if (run.Succeeded()) {
    w.MessageBox(T(L"IDS_RAIDDriverLoadSuccess"), win::MB_OK | win::MB_ICONINFORMATION);
    w.Close(win::IDOK);
  } else if (!run.started) {
    w.MessageBox(T(L"IDS_RAIDDriverLoadFail"), win::MB_OK | win::MB_ICONERROR);
  } else if (!run.ended) {
    w.MessageBox(T(L"IDS_RAIDDriverLoadTimeout"), win::MB_OK | win::MB_ICONERROR);
  } else {
    w.MessageBox(WithCode(T(L"IDS_RAIDDriverLoadError"), run.exitCode), win::MB_OK | win::MB_ICONERROR);
  }
}

void RunDriverInstallation() {
  CInstallDriver page;
  ui::RunModal(page);
}

}  // namespace tools
