#include "erase/delete_method_page.h"

#include "app/language.h"
#include "erase/erase_ids.h"
#include "erase/page_texts.h"
#include "erase/wipe_methods.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace erase {

using app::T;

int CSelectDeleteMethod::TemplateId() const { return IDD_DELETE_METHOD; }

void CSelectDeleteMethod::OnInit(ui::Window& w) {
  SetHeadings(w, L"IDS_DelMethodCap", L"IDS_DelMethodH1", L"IDS_DelMethodH2");
  SetTexts(w, {{IDC_GROUP, L"IDS_DelMethod1"}, {IDC_BACK, L"IDS_Back"}, {IDC_NEXT, L"IDS_Next"},
               {win::IDCANCEL, L"IDS_Cancel"}});
  w.SetText(IDC_INSTRUCTION, T(L"IDS_DelMethod2") + L" " + T(L"IDS_DelMethod3"));
  w.ListSetup(IDC_LIST, {{T(L"IDS_AlgoName"), 230, false}, {T(L"IDS_AlgoDetail"), 240, false}}, true, true);
  w.ListClear(IDC_LIST);
  for (int i = 0; i < kWipeMethodCount; ++i) {
    std::wstring n = text::Dec(i + 1);
    w.ListAdd(IDC_LIST, {T(L"IDS_algoname" + n), T(L"IDS_algosmalldesc" + n)}, 0);
  }
  if (WipeMethod >= 0 && WipeMethod < kWipeMethodCount) w.ListSetCheck(IDC_LIST, WipeMethod, true);
  ShowMethod(w);
}

void CSelectDeleteMethod::ShowMethod(ui::Window& w) {
  bool chosen = WipeMethod >= 0 && WipeMethod < kWipeMethodCount;
  w.SetText(IDC_METHOD_DESCRIPTION, chosen ? T(L"IDS_algodesc" + text::Dec(WipeMethod + 1)) : L"");
  w.Enable(IDC_NEXT, chosen);
}

void CSelectDeleteMethod::OnListCheck(ui::Window& w, int listId, int row, bool checked) {
  if (listId != IDC_LIST || row < 0 || row >= kWipeMethodCount) return;
  if (checked)
    for (int i = 0; i < kWipeMethodCount; ++i)
      if (i != row) w.ListSetCheck(IDC_LIST, i, false);
  WipeMethod = -1;
  for (int i = 0; i < kWipeMethodCount && WipeMethod < 0; ++i)
    if (w.ListGetCheck(IDC_LIST, i)) WipeMethod = i;
  ShowMethod(w);
}

void CSelectDeleteMethod::OnCommand(ui::Window& w, int id) {
  if (id == IDC_NEXT) {
    if (WipeMethod < 0) {
      w.MessageBox(T(L"IDS_Nomethod"), win::MB_OK);
      return;
    }
    w.Close(IDC_NEXT);
  } else if (id == IDC_BACK) {
    w.Close(IDC_BACK);
  }
}

}  // namespace erase
