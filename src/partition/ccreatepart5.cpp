#include "partition/ccreatepart5.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/create_wizard.h"
#include "partition/manager_state.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

namespace {

// "Formatting erases everything on E: (label DATA, 100 MB) on Disk 1 ...".
std::wstring FormatQuestion(wchar_t letter, uint64_t lengthSectors) {
  std::wstring label;
  if (!platform::Sys().GetVolumeLabel(std::wstring(1, letter) + L":\\", &label) || label.empty())
    label = T(L"IDS_None");
  const disk::DiskEntry* d = SelectedDiskEntry();
  std::wstring text = app::FillField(T(L"IDS_FormatWarning"), L"%VOLUME%", std::wstring(1, letter) + L":");
  text = app::FillField(text, L"%LABEL%", label);
  text = app::FillField(text, L"%SIZE%", app::FormatSize(lengthSectors));
  return app::FillField(text, L"%DISK%", d ? app::DiskDescription(*d) : L"");
}

}  // namespace

void CCreatePart5::OnInit(ui::Window& w) {
  // The disk about to be written, with its number, model and size.
  const disk::DiskEntry* d = SelectedDiskEntry();
  w.SetText(0, T(L"IDS_PartitionFormatCAP") + (d ? L" - " + app::DiskDescription(*d) : L""));
  w.SetText(IDC_HEADING, T(L"IDS_PartitionFormatH1"));
  w.SetText(IDC_CP5_LABEL, T(L"IDS_PartitionFormatLbl1"));
  w.SetText(IDC_CP5_DRIVE_LABEL, T(L"IDS_SelectedDrive"));
  w.SetText(IDC_CP5_DRIVE, std::wstring(1, letter_) + L":");
  w.SetText(IDC_CP5_SIZE_LABEL, T(L"IDS_totalsize1"));
  w.SetText(IDC_CP5_SIZE, app::FormatSize(length_));
  w.SetText(IDC_CP5_FS_LABEL, T(L"IDS_NewFileSystem"));
  w.SetText(IDC_CP5_QUICK, T(L"IDS_QuickFormat"));
  w.SetCheck(IDC_CP5_QUICK, true);
  w.SetText(IDC_BACK, T(L"IDS_Back"));
  w.SetText(IDC_CP5_START, T(L"ID_CREATEPARTITION_FORMAT"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  ShowFileSystems(w, IDC_CP5_FS, length_ / 2048);
}

void CCreatePart5::OnCommand(ui::Window& w, int id) {
  if (id == IDC_CP5_START) {
    // Formatting loses everything on the volume: asked first, with No as
    // the answer a hasty Enter gives.
    unsigned question = win::MB_YESNO | win::MB_ICONQUESTION | win::MB_DEFBUTTON2 | win::MB_TASKMODAL;
    if (w.MessageBox(FormatQuestion(letter_, length_), question) != win::IDYES) return;
    CreatePartitionRequest.formatOption = w.GetCheck(IDC_CP5_QUICK) ? kQuickFormat : kDoNotFormat;
    confirmed_ = true;
    w.Close(win::IDOK);
  } else if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  }
}

void CCreatePart5::OnLinesSelect(ui::Window& w, int id, int index) {
  if (id == IDC_CP5_FS && index >= 0) CreatePartitionRequest.fileSystem = w.LinesGet(id, index);
}

}  // namespace partition
