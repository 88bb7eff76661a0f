#include "partition/create_wizard.h"

#include "app/disk_list.h"
#include "app/format_size.h"
#include "app/language.h"
#include "partition/create_request.h"
#include "partition/manager_state.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace partition {

using app::T;

bool RunCreateWizard() {
  CreatePartitionRequest.finished = false;
  int page = 0;
  for (;;) {
    int result;
    if (page == 0) {
      CCreatePart4 p;
      result = ui::RunModal(p);
      if (result != IDC_NEXT) return false;
      page = 1;
    } else if (page == 1) {
      CCreatePart41 p;
      result = ui::RunModal(p);
      if (result == IDC_NEXT) page = 2;
      else if (result == IDC_BACK) page = 0;
      else return false;
    } else {
      CcreatePart42 p;
      result = ui::RunModal(p);
      if (result == IDC_BACK) page = 1;
      else return result == win::IDOK && CreatePartitionRequest.finished;
    }
  }
}

std::vector<std::wstring> OfferedFileSystems(uint64_t sizeMB) {
  std::vector<std::wstring> fs = {L"NTFS"};
  if (sizeMB < 32768) fs.push_back(L"FAT32");
  if (sizeMB < 4096) fs.push_back(L"FAT");
  return fs;
}

void ShowFileSystems(ui::Window& w, int id, uint64_t sizeMB) {
  std::wstring& chosen = CreatePartitionRequest.fileSystem;
  std::vector<std::wstring> offered = OfferedFileSystems(sizeMB);
  w.LinesClear(id);
  int selected = -1;
  for (size_t i = 0; i < offered.size(); ++i) {
    w.LinesAdd(id, offered[i]);
    if (offered[i] == chosen) selected = int(i);
  }
  // A choice the size does not offer stays: formatting turns a FAT choice
  // too large for FAT into FAT32 or NTFS.
  if (chosen.empty()) {
    chosen = offered[0];
    selected = 0;
  }
  w.LinesSelect(id, selected);
}

std::vector<std::wstring> CreateSummaryLines() {
  const CreatePartitionRequestRecord& r = CreatePartitionRequest;
  // A logical drive keeps the request's primary default; it is named first.
  std::wstring kind = r.logical ? T(L"IDS_LogicalDrive") : r.primary ? T(L"IDS_Primary") : T(L"IDS_Extended");
  const wchar_t* options[] = {L"IDS_NoFormat", L"IDS_QuickFormat", L"IDS_FullFormat"};
  std::wstring option = r.formatOption >= 0 && r.formatOption <= 2 ? T(options[r.formatOption]) : T(L"IDS_UnknownOption");
  uint64_t sizeSectors = r.sizeMB > 0 ? uint64_t(r.sizeMB) * 2048 : 0;
  const disk::DiskEntry* d = SelectedDiskEntry();
  return {T(L"IDS_PhysicalDNO") + L": " + (d ? app::DiskNumberWithModel(*d) : L""),
          T(L"IDS_PartitonType") + L": " + kind,
          T(L"IDS_PartitonSize") + L": " + app::FormatSize(sizeSectors),
          T(L"IDS_FormatOption") + L": " + option,
          T(L"IDS_FileSystem") + L": " + (r.fileSystem.empty() ? T(L"IDS_None") : r.fileSystem)};
}

}  // namespace partition
