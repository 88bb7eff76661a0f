#include "partition/cformatdisk.h"

#include "app/language.h"
#include "platform/winapi.h"

namespace partition {

using app::T;

bool FormatNowAnswer = false;

void CFormatDisk::OnInit(ui::Window& w) {
  FormatNowAnswer = false;
  w.SetText(0, T(L"IDS_Product"));
  w.SetText(IDC_FD_TEXT, T(L"IDS_part2disk"));
  w.SetText(IDC_FD_FORMATNOW, T(L"IDS_formatnow"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
}

void CFormatDisk::OnCommand(ui::Window& w, int id) {
  if (id != IDC_FD_FORMATNOW) return;
  FormatNowAnswer = true;
  w.Close(win::IDOK);
}

void CFormatDisk::OnCancel(ui::Window& w) {
  FormatNowAnswer = false;
  w.Close(win::IDCANCEL);
}

bool AskFormatNow() {
  CFormatDisk prompt;
  ui::RunModal(prompt);
  return FormatNowAnswer;
}

void ResetFormatNowAnswer() { FormatNowAnswer = false; }

}  // namespace partition
