// DialogWindow: tree views (Tree*), a SysTreeView32 whose items carry a
// record of their own (64-bit data and the 0..15 check state) and, when
// the page asks for check images, a state image list of the sixteen
// check pictures. Clicks on those pictures are the page's to answer: the
// control does not toggle them itself.
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include <cwchar>

#include "ui/win32/controls.h"
#include "ui/win32/dialog_host.h"

namespace ui::win32 {

namespace {

constexpr const wchar_t* kChecksProp = L"VektrelTreeChecks";
constexpr UINT_PTR kSubclassId = 0x7E1;

// What each item's lParam points at; freed when the control deletes it.
struct ItemRecord {
  uint64_t data = 0;
  int state = 0;
};

HTREEITEM Handle(TreeItem item) { return item == kTreeRoot ? TVI_ROOT : reinterpret_cast<HTREEITEM>(item); }
TreeItem ItemOf(HTREEITEM h) { return reinterpret_cast<TreeItem>(h); }

bool IsTree(HWND hwnd) {
  wchar_t cls[32];
  return hwnd && ::GetClassNameW(hwnd, cls, 32) && _wcsicmp(cls, WC_TREEVIEWW) == 0;
}

ItemRecord* RecordOf(HWND tree, TreeItem item) {
  if (!tree || item == kTreeRoot) return nullptr;
  TVITEMW it = {};
  it.mask = TVIF_HANDLE | TVIF_PARAM;
  it.hItem = Handle(item);
  if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<ItemRecord*>(it.lParam);
}

// Index 0 of a state image list draws nothing; state 0 is an empty box
// like state 1, so that an unchecked item can be clicked.
UINT StateImageOf(int state) { return state == 0 ? 1u : UINT(state & 15); }

enum class Box { Empty, Ticked, Partial, Grey };
Box BoxOf(int index) {
  switch (index) {
    case 3: case 5: case 15: return Box::Ticked;
    case 2: case 4: case 6: case 7: case 12: case 14: return Box::Partial;
    case 8: case 9: return Box::Grey;
    default: return Box::Empty;
  }
}

HIMAGELIST MakeCheckImages(HWND tree) {
  const int size = Scale(tree, 16);
  const COLORREF mask = RGB(255, 0, 255);
  HIMAGELIST list = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 16, 0);
  if (!list) return nullptr;
  HDC screen = ::GetDC(tree);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, size * 16, size);
  HGDIOBJ old = ::SelectObject(dc, bmp);
  HBRUSH back = ::CreateSolidBrush(mask);
  RECT all = {0, 0, size * 16, size};
  ::FillRect(dc, &all, back);
  for (int i = 0; i < 16; ++i) {
    int inset = size / 8;
    RECT r = {i * size + inset, inset, (i + 1) * size - inset, size - inset};
    Box box = BoxOf(i);
    UINT style = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (box == Box::Ticked) style |= DFCS_CHECKED;
    if (box == Box::Grey) style |= DFCS_INACTIVE;
    ::DrawFrameControl(dc, &r, DFC_BUTTON, style);
    if (box == Box::Partial) {
      int pad = (r.right - r.left) / 4;
      RECT fill = {r.left + pad, r.top + pad, r.right - pad, r.bottom - pad};
      ::FillRect(dc, &fill, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    }
  }
  ::SelectObject(dc, old);
  ::ImageList_AddMasked(list, bmp, mask);
  ::DeleteObject(back);
  ::DeleteObject(bmp);
  ::DeleteDC(dc);
  ::ReleaseDC(tree, screen);
  return list;
}

// The check pictures go with the control.
LRESULT CALLBACK TreeSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_NCDESTROY) {
    if (auto list = static_cast<HIMAGELIST>(::RemovePropW(hwnd, kChecksProp))) ::ImageList_Destroy(list);
    ::RemoveWindowSubclass(hwnd, TreeSubclass, kSubclassId);
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void DialogWindow::TreeSetup(int id, bool checkImages) {
  HWND tree = Item(id);
  if (!tree) return;
  Quiet q(this);
  ::SendMessageW(tree, TVM_SETEXTENDEDSTYLE, TVS_EX_DOUBLEBUFFER, TVS_EX_DOUBLEBUFFER);
  HIMAGELIST old = static_cast<HIMAGELIST>(::RemovePropW(tree, kChecksProp));
  HIMAGELIST list = checkImages ? MakeCheckImages(tree) : nullptr;
  if (list) ::SetPropW(tree, kChecksProp, list);
  ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(list));
  if (old) ::ImageList_Destroy(old);
  ::SetWindowSubclass(tree, TreeSubclass, kSubclassId, 0);
}

void DialogWindow::TreeClear(int id) {
  Quiet q(this);
  if (HWND tree = Item(id)) ::SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TreeItem DialogWindow::TreeAdd(int id, TreeItem parent, const std::wstring& text, uint64_t data, int stateImage,
                               bool hasChildren) {
  HWND tree = Item(id);
  if (!tree) return kTreeRoot;
  Quiet q(this);
  auto* record = new ItemRecord{data, stateImage & 15};
  TVINSERTSTRUCTW ins = {};
  ins.hParent = Handle(parent);
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  ins.item.pszText = const_cast<wchar_t*>(text.c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(record);
  ins.item.cChildren = hasChildren ? 1 : 0;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.state = ::SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_STATE, 0) ? INDEXTOSTATEIMAGEMASK(StateImageOf(record->state)) : 0;
  auto h = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!h) {
    delete record;
    return kTreeRoot;
  }
  return ItemOf(h);
}

void DialogWindow::TreeSetText(int id, TreeItem item, const std::wstring& text) {
  HWND tree = Item(id);
  if (!tree || item == kTreeRoot) return;
  Quiet q(this);
  TVITEMW it = {};
  it.mask = TVIF_HANDLE | TVIF_TEXT;
  it.hItem = Handle(item);
  it.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

std::wstring DialogWindow::TreeGetText(int id, TreeItem item) {
  HWND tree = Item(id);
  if (!tree || item == kTreeRoot) return L"";
  // The control copies at most the buffer; grow until the text fits.
  for (size_t size = 256;; size *= 4) {
    std::wstring buf(size, L'\0');
    TVITEMW it = {};
    it.mask = TVIF_HANDLE | TVIF_TEXT;
    it.hItem = Handle(item);
    it.pszText = buf.data();
    it.cchTextMax = int(size);
    if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return L"";
    size_t n = wcsnlen(it.pszText, size);
    if (n + 1 < size || size >= 65536) return std::wstring(it.pszText, n);
  }
}

void DialogWindow::TreeSetState(int id, TreeItem item, int stateImage) {
  HWND tree = Item(id);
  ItemRecord* r = RecordOf(tree, item);
  if (!r) return;
  Quiet q(this);
  r->state = stateImage & 15;
  if (!::SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_STATE, 0)) return;
  TVITEMW it = {};
  it.mask = TVIF_HANDLE | TVIF_STATE;
  it.hItem = Handle(item);
  it.stateMask = TVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(StateImageOf(r->state));
  ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

int DialogWindow::TreeGetState(int id, TreeItem item) {
  ItemRecord* r = RecordOf(Item(id), item);
  return r ? r->state : 0;
}

void DialogWindow::TreeSetData(int id, TreeItem item, uint64_t data) {
  if (ItemRecord* r = RecordOf(Item(id), item)) r->data = data;
}

uint64_t DialogWindow::TreeGetData(int id, TreeItem item) {
  ItemRecord* r = RecordOf(Item(id), item);
  return r ? r->data : 0;
}

void DialogWindow::TreeSelect(int id, TreeItem item) {
  HWND tree = Item(id);
  if (!tree) return;
  Quiet q(this);
  HTREEITEM h = item == kTreeRoot ? nullptr : Handle(item);
  ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
  if (h) ::SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(h));
}

TreeItem DialogWindow::TreeSelected(int id) {
  HWND tree = Item(id);
  if (!tree) return kTreeRoot;
  return ItemOf(reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void DialogWindow::TreeExpand(int id, TreeItem item, bool expand) {
  HWND tree = Item(id);
  if (!tree || item == kTreeRoot) return;
  Quiet q(this);
  ::SendMessageW(tree, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(Handle(item)));
}

std::vector<TreeItem> DialogWindow::TreeChildren(int id, TreeItem parent) {
  std::vector<TreeItem> out;
  HWND tree = Item(id);
  if (!tree) return out;
  auto h = reinterpret_cast<HTREEITEM>(
      parent == kTreeRoot ? ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)
                          : ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(Handle(parent))));
  for (; h; h = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h))))
    out.push_back(ItemOf(h));
  return out;
}

void DialogWindow::TreeDeleteChildren(int id, TreeItem parent) {
  HWND tree = Item(id);
  if (!tree) return;
  if (parent == kTreeRoot) return TreeClear(id);
  Quiet q(this);
  // Collapsing with a reset drops the children and lets the item be
  // filled again the next time it opens; its expand button stays.
  ::SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(Handle(parent)));
  for (TreeItem child : TreeChildren(id, parent))
    ::SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Handle(child)));
}

bool DialogWindow::OnTreeNotify(const NMHDR& nm) {
  if (!IsTree(nm.hwndFrom)) return false;
  HWND tree = nm.hwndFrom;
  const int id = int(nm.idFrom);
  const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(nm);
  switch (nm.code) {
    case TVN_DELETEITEMW:
      // Also while the dialog goes away: the records are ours to free.
      delete reinterpret_cast<ItemRecord*>(tv.itemOld.lParam);
      return true;
    case TVN_SELCHANGEDW:
      if (!closed_ && !quiet_) page_->OnTreeSelect(*this, id, ItemOf(tv.itemNew.hItem));
      return true;
    case TVN_ITEMEXPANDINGW:
      if (!closed_ && !quiet_ && (tv.action & TVE_EXPAND)) page_->OnTreeExpanding(*this, id, ItemOf(tv.itemNew.hItem));
      return true;
    case NM_CLICK: {
      if (closed_ || !::SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_STATE, 0)) return true;
      DWORD pos = ::GetMessagePos();
      TVHITTESTINFO hit = {};
      hit.pt = {short(LOWORD(pos)), short(HIWORD(pos))};
      ::ScreenToClient(tree, &hit.pt);
      auto h = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (h && (hit.flags & TVHT_ONITEMSTATEICON))
        page_->OnTreeStateClick(*this, id, ItemOf(h), ::GetKeyState(VK_SHIFT) < 0);
      return true;
    }
    case TVN_KEYDOWN: {
      const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(nm);
      if (closed_ || key.wVKey != VK_SPACE || !::SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_STATE, 0)) return true;
      if (TreeItem item = TreeSelected(id)) page_->OnTreeStateClick(*this, id, item, ::GetKeyState(VK_SHIFT) < 0);
      return true;
    }
    default:
      return true;
  }
}

}  // namespace ui::win32
