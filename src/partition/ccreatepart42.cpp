// Create wizard, page 3: the summary to confirm.
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/create_wizard.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

void CcreatePart42::OnInit(ui::Window& w) {
  w.SetText(0, T(L"IDS_CreatePartWz3CAP"));
  w.SetText(IDC_HEADING, T(L"IDS_CreatePartWz3H1"));
  w.SetText(IDC_CP42_LABEL, T(L"IDS_CreatePartWz3Lbl1"));
  w.SetText(IDC_BACK, T(L"IDS_Back"));
  w.SetText(IDC_NEXT, T(L"IDS_Next"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  w.LinesClear(IDC_CP42_SUMMARY);
  for (const std::wstring& line : CreateSummaryLines()) w.LinesAdd(IDC_CP42_SUMMARY, line);
}

void CcreatePart42::OnCommand(ui::Window& w, int id) {
  if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  } else if (id == IDC_NEXT) {
    CreatePartitionRequest.finished = true;
    w.Close(win::IDOK);
  }
}

}  // namespace partition
