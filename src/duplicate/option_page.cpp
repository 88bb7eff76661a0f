#include "duplicate/option_page.h"

#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_job.h"
#include "erase/page_texts.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace duplicate {

int COption::TemplateId() const { return IDD_MIRROR_OPTION; }

void COption::OnInit(ui::Window& w) {
  erase::SetHeadings(w, L"IDS_MOptionCap", L"IDS_MOptionH1", L"IDS_MOptionH2");
  erase::SetTexts(w, {{IDC_GROUP, L"IDS_optionsetting"}, {IDC_MO_SCAN, L"IDS_RunBS"},
                      {IDC_MO_SCAN_TEXT, L"IDS_BADSECTORDESC"}, {IDC_MO_SID, L"IDS_SID"},
                      {IDC_MO_SID_TEXT, L"IDS_RunSID"}, {IDC_MO_VERIFY, L"IDS_VERIFY"},
                      {IDC_MO_VERIFY_TEXT, L"IDS_VERIFYDESC"}, {IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"},
                      {win::IDCANCEL, L"IDS_Cancel"}});
  const DuplicationJobRecord& j = DuplicationJob;
  w.SetCheck(IDC_MO_SCAN, j.BadSectorScan);
  w.SetCheck(IDC_MO_SID, j.ChangeSid);
  w.SetCheck(IDC_MO_VERIFY, j.Verify);
  w.SetFocus(IDC_NEXT);
}

void COption::OnCommand(ui::Window& w, int id) {
  if (id == IDC_NEXT) {
    DuplicationJobRecord& j = DuplicationJob;
    j.BadSectorScan = w.GetCheck(IDC_MO_SCAN);
    j.ChangeSid = w.GetCheck(IDC_MO_SID);
    j.Verify = w.GetCheck(IDC_MO_VERIFY);
    w.Close(IDC_NEXT);
  } else if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  }
}

}  // namespace duplicate
