#include "app/about_dialog.h"

#include "app/app_state.h"
#include "app/language.h"
#include "app/version.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace app {

int CAboutDlg::TemplateId() const { return IDD_ABOUT; }

void CAboutDlg::OnInit(ui::Window& w) {
  w.SetText(0, WithoutAccessKey(T(L"ID_HELP_ABOUTVEKTREL")));
  w.SetText(IDC_ABOUT_TEXT, FillField(T(L"IDS_AboutText"), L"%VERSION%", VersionText()));
}

void CAboutDlg::OnCommand(ui::Window& w, int id) {
  if (id == win::IDOK) w.Close(win::IDOK);
}

}  // namespace app
