#include "app/restart_dialog.h"

#include "app/app_state.h"
#include "app/language.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace app {

CRestart::CRestart(std::wstring message, std::wstring first, std::wstring second)
    : message_(message.empty() ? T(L"IDS_Restart") : std::move(message)),
      first_(first.empty() ? T(L"IDS_RestartNow") : std::move(first)),
      second_(second.empty() ? T(L"IDS_RestartLater") : std::move(second)) {}

int CRestart::TemplateId() const { return IDD_RESTART; }

void CRestart::ShowMessage(ui::Window& w) {
  std::wstring text = message_;
  if (counting_) text = FillField(text, L"%TIME%", text::Dec(int64_t(20 - ticks_)));
  w.SetText(IDC_RESTART_TEXT, text);
}

void CRestart::OnInit(ui::Window& w) {
  w.SetText(0, AppCaption);
  w.SetText(IDC_RESTART_FIRST, first_);
  w.SetText(IDC_RESTART_SECOND, second_);
  counting_ = message_.find(L"%TIME") != std::wstring::npos;
  ShowMessage(w);
  if (counting_) w.SetTimer(kCountdownTimer, 1000);
}

void CRestart::OnTimer(ui::Window& w, unsigned id) {
  if (id != kCountdownTimer) return;
  ++ticks_;
  if (ticks_ >= 21) {
    w.KillTimer(kCountdownTimer);
    accepted_ = true;
    w.Close(win::IDOK);
    return;
  }
  ShowMessage(w);
}

void CRestart::OnCommand(ui::Window& w, int id) {
  if (id == IDC_RESTART_FIRST) {
    w.KillTimer(kCountdownTimer);
    accepted_ = true;
    w.Close(win::IDOK);
  } else if (id == IDC_RESTART_SECOND) {
    OnCancel(w);
  }
}

void CRestart::OnCancel(ui::Window& w) {
  w.KillTimer(kCountdownTimer);
  accepted_ = false;
  w.Close(win::IDCANCEL);
}

bool AskRestart(const std::wstring& message, const std::wstring& first, const std::wstring& second) {
  CRestart dlg(message, first, second);
  ui::RunModal(dlg);
  return dlg.Accepted();
}

}  // namespace app
