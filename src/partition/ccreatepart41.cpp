// Create wizard, page 2: whether and how to format, and the file system.
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/create_wizard.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

namespace {
const int kOptionButtons[] = {IDC_CP41_NOFORMAT, IDC_CP41_QUICK, IDC_CP41_FULL};
}

void CCreatePart41::OnInit(ui::Window& w) {
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  w.SetText(0, T(L"IDS_CreatePartWz2CAP"));
  w.SetText(IDC_HEADING, T(L"IDS_CreatePartWz2H1"));
  w.SetText(IDC_CP41_LABEL, T(L"IDS_CreatePartWzLbl1"));
  w.SetText(IDC_CP41_FS_LABEL, T(L"IDS_NewFileSystem"));
  w.SetText(IDC_CP41_NOFORMAT, T(L"IDS_DoNotFormat"));
  w.SetText(IDC_CP41_QUICK, T(L"IDS_QuickFormat"));
  w.SetText(IDC_CP41_FULL, T(L"IDS_FullFormat"));
  w.SetText(IDC_BACK, T(L"IDS_Back"));
  w.SetText(IDC_NEXT, T(L"IDS_Next"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  if (r.formatOption < 0 || r.formatOption > 2) r.formatOption = kDoNotFormat;
  bool extended = !r.primary && !r.logical;
  if (extended) {
    // An extended partition holds no file system of its own.
    r.formatOption = kDoNotFormat;
    r.fileSystem.clear();
  }
  for (int id : kOptionButtons) w.Enable(id, !extended);
  ShowOption(w);
}

void CCreatePart41::ShowOption(ui::Window& w) {
  CreatePartitionRequestRecord& r = CreatePartitionRequest;
  for (int i = 0; i < 3; ++i) w.SetCheck(kOptionButtons[i], r.formatOption == i);
  if (r.formatOption == kDoNotFormat) {
    w.Enable(IDC_CP41_FS, false);
    return;
  }
  w.Enable(IDC_CP41_FS, true);
  ShowFileSystems(w, IDC_CP41_FS, r.sizeMB < 0 ? 0 : uint64_t(r.sizeMB));
}

void CCreatePart41::OnCommand(ui::Window& w, int id) {
  for (int i = 0; i < 3; ++i)
    if (id == kOptionButtons[i]) {
      CreatePartitionRequest.formatOption = i;
      ShowOption(w);
      return;
    }
  if (id == IDC_BACK || id == IDC_NEXT) w.Close(id);
}

void CCreatePart41::OnLinesSelect(ui::Window& w, int id, int index) {
  if (id == IDC_CP41_FS && index >= 0) CreatePartitionRequest.fileSystem = w.LinesGet(id, index);
}

}  // namespace partition
