// DialogWindow: report list views (List*) and list and combo boxes (Lines*).
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "ui/win32/controls.h"
#include "ui/win32/dialog_host.h"
#include "ui/win32/dialog_template.h"

namespace ui::win32 {

namespace {

bool IsComboBox(HWND hwnd) {
  wchar_t cls[32];
  return ::GetClassNameW(hwnd, cls, 32) && _wcsicmp(cls, L"ComboBox") == 0;
}

}  // namespace

void DialogWindow::ListSetup(int id, const std::vector<ListColumn>& columns, bool checkBoxes, bool gridLines) {
  HWND c = Item(id);
  if (!c) return;
  Quiet q(this);
  LONG_PTR style = ::GetWindowLongPtrW(c, GWL_STYLE);
  ::SetWindowLongPtrW(c, GWL_STYLE, (style & ~LONG_PTR(LVS_TYPEMASK)) | LVS_REPORT | LVS_SHOWSELALWAYS);
  DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | (checkBoxes ? LVS_EX_CHECKBOXES : 0) |
             (gridLines ? LVS_EX_GRIDLINES : 0);
  ListView_SetExtendedListViewStyleEx(c, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES,
                                      ex);
  while (ListView_DeleteColumn(c, 0)) {
  }
  int n = 0;
  for (const ListColumn& col : columns) {
    LVCOLUMNW lc = {};
    lc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lc.fmt = col.rightAligned && n > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;  // the first column is always left
    lc.cx = ScaleWithDialog(hwnd_, col.width);
    lc.pszText = const_cast<wchar_t*>(col.title.c_str());
    lc.iSubItem = n;
    ::SendMessageW(c, LVM_INSERTCOLUMNW, WPARAM(n), reinterpret_cast<LPARAM>(&lc));
    ++n;
  }
}

void DialogWindow::ListClear(int id) {
  Quiet q(this);
  if (HWND c = Item(id)) ListView_DeleteAllItems(c);
}

int DialogWindow::ListAdd(int id, const std::vector<std::wstring>& cells, int image) {
  HWND c = Item(id);
  if (!c) return -1;
  Quiet q(this);
  LVITEMW it = {};
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.iItem = ListView_GetItemCount(c);
  it.iImage = image;
  it.pszText = const_cast<wchar_t*>(cells.empty() ? L"" : cells[0].c_str());
  int row = int(::SendMessageW(c, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  for (size_t col = 1; row >= 0 && col < cells.size(); ++col) {
    LVITEMW sub = {};
    sub.iSubItem = int(col);
    sub.pszText = const_cast<wchar_t*>(cells[col].c_str());
    ::SendMessageW(c, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&sub));
  }
  return row;
}

int DialogWindow::ListCount(int id) {
  HWND c = Item(id);
  return c ? ListView_GetItemCount(c) : 0;
}

std::wstring DialogWindow::ListCell(int id, int row, int column) {
  HWND c = Item(id);
  if (!c || row < 0 || row >= ListView_GetItemCount(c) || column < 0) return L"";
  // The control copies at most the buffer; grow until the text fits.
  for (size_t size = 256;; size *= 4) {
    std::wstring buf(size, L'\0');
    LVITEMW it = {};
    it.iSubItem = column;
    it.pszText = buf.data();
    it.cchTextMax = int(size);
    int n = int(::SendMessageW(c, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&it)));
    if (size_t(n) + 1 < size || size >= 65536) return buf.substr(0, size_t(n));
  }
}

void DialogWindow::ListSetCheck(int id, int row, bool checked) {
  HWND c = Item(id);
  if (!c || row < 0) return;
  Quiet q(this);  // not the operator's click: no OnListCheck
  ListView_SetCheckState(c, row, checked);
}

bool DialogWindow::ListGetCheck(int id, int row) {
  HWND c = Item(id);
  return c && row >= 0 && row < ListView_GetItemCount(c) && ListView_GetCheckState(c, row);
}

void DialogWindow::ListSelect(int id, int row) {
  HWND c = Item(id);
  if (!c) return;
  Quiet q(this);
  ListView_SetItemState(c, -1, 0, LVIS_SELECTED);
  if (row >= 0) {
    ListView_SetItemState(c, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(c, row, FALSE);
  }
}

int DialogWindow::ListSelected(int id) {
  HWND c = Item(id);
  return c ? ListView_GetNextItem(c, -1, LVNI_SELECTED) : -1;
}

void DialogWindow::LinesClear(int id) {
  HWND c = Item(id);
  if (!c) return;
  ::SendMessageW(c, IsComboBox(c) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
}

void DialogWindow::LinesAdd(int id, const std::wstring& line) {
  HWND c = Item(id);
  if (!c) return;
  // Inserting at the end keeps the order given even in a sorted box.
  ::SendMessageW(c, IsComboBox(c) ? CB_INSERTSTRING : LB_INSERTSTRING, WPARAM(-1),
                 reinterpret_cast<LPARAM>(line.c_str()));
}

int DialogWindow::LinesCount(int id) {
  HWND c = Item(id);
  if (!c) return 0;
  return std::max(0, int(::SendMessageW(c, IsComboBox(c) ? CB_GETCOUNT : LB_GETCOUNT, 0, 0)));
}

std::wstring DialogWindow::LinesGet(int id, int index) {
  HWND c = Item(id);
  if (!c || index < 0) return L"";
  bool combo = IsComboBox(c);
  LRESULT n = ::SendMessageW(c, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(index), 0);
  if (n < 0) return L"";
  std::wstring s(size_t(n) + 1, L'\0');
  n = ::SendMessageW(c, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(size_t(n < 0 ? 0 : n));
  return s;
}

void DialogWindow::LinesSelect(int id, int index) {
  // Selecting by message sends no CBN_/LBN_SELCHANGE: not the operator's choice.
  HWND c = Item(id);
  if (c) ::SendMessageW(c, IsComboBox(c) ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(index), 0);
}

int DialogWindow::LinesSelected(int id) {
  HWND c = Item(id);
  if (!c) return -1;
  LRESULT r = ::SendMessageW(c, IsComboBox(c) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  return r < 0 ? -1 : int(r);
}

}  // namespace ui::win32
