// DialogWindow::Proc: what the system tells a page's dialog, turned into
// the Page calls. Notifications that the page's own calls cause (a text
// set, a row checked) do not reach the page, as in the scripted host.
#include "platform/win32/windows_include.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "platform/host_info.h"
#include "platform/text.h"
#include "ui/control_ids.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_host.h"
#include "ui/win32/small_windows.h"
#include "ui/win32/text_slack.h"

namespace ui::win32 {

namespace {

enum class Kind { Other, Button, Edit, ListBox, ComboBox, ListView, Trackbar, Static };

Kind KindOf(HWND hwnd) {
  wchar_t cls[64];
  if (!hwnd || !::GetClassNameW(hwnd, cls, 64)) return Kind::Other;
  static const struct {
    const wchar_t* name;
    Kind kind;
  } kKinds[] = {{L"Button", Kind::Button},          {L"Edit", Kind::Edit},
                {L"ListBox", Kind::ListBox},        {L"ComboBox", Kind::ComboBox},
                {WC_LISTVIEWW, Kind::ListView},     {TRACKBAR_CLASSW, Kind::Trackbar},
                {L"Static", Kind::Static}};
  for (const auto& k : kKinds)
    if (_wcsicmp(cls, k.name) == 0) return k.kind;
  return Kind::Other;
}

INT_PTR MsgResult(HWND hwnd, LONG_PTR value) {
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, value);
  return TRUE;
}

void CenterOver(HWND hwnd, HWND owner) {
  RECT area, work, me;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  if (HMONITOR mon = ::MonitorFromWindow(owner ? owner : hwnd, MONITOR_DEFAULTTONEAREST)) {
    MONITORINFO mi = {sizeof mi};
    if (::GetMonitorInfoW(mon, &mi)) work = mi.rcWork;
  }
  area = work;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
  ::GetWindowRect(hwnd, &me);
  int w = me.right - me.left, h = me.bottom - me.top;
  int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
  x = std::max(int(work.left), std::min(x, int(work.right) - w));
  y = std::max(int(work.top), std::min(y, int(work.bottom) - h));
  ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The main window stands on a picture: its texts must let it show through.
void DressMainWindow(HWND hwnd) {
  std::wstring dir = text::FromUtf8(platform::ExecutableDirectory());
  CPictureWindow::Attach(hwnd, dir + L"\\Resources\\MainBackground.jpg");
  for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (KindOf(child) != Kind::Static) continue;
    LONG_PTR type = ::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE)
      CTransparentStatic2::Attach(child);
  }
}

void SetIcons(HINSTANCE instance, HWND hwnd) {
  const int sizes[2][2] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
  for (const auto& s : sizes) {
    int px = ::GetSystemMetrics(s[1]);
    if (HANDLE icon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAINICON), IMAGE_ICON, px, px, LR_SHARED))
      ::SendMessageW(hwnd, WM_SETICON, WPARAM(s[0]), reinterpret_cast<LPARAM>(icon));
  }
}

}  // namespace

INT_PTR CALLBACK DialogWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    reinterpret_cast<DialogWindow*>(lp)->hwnd_ = hwnd;
  }
  auto* w = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!w) return FALSE;
  try {
    return w->Route(msg, wp, lp);
  } catch (...) {
    // Unwinding through the system's frames is not allowed: park the
    // exception, end this dialog, and let RunModal throw it again.
    w->host_->Park(std::current_exception());
    if (!w->closed_) w->Close(IDCANCEL);
    return TRUE;
  }
}

INT_PTR DialogWindow::Route(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      OnCommandMessage(wp, lp);
      return TRUE;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lp));
      return FALSE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      OnScroll(reinterpret_cast<HWND>(lp), LOWORD(wp));
      return TRUE;
    case WM_TIMER:
      if (!closed_ && timers_.count(unsigned(wp))) page_->OnTimer(*this, unsigned(wp));
      return TRUE;
    case WM_DEVICECHANGE:
      if (!closed_ && (wp == DBT_DEVICEARRIVAL || wp == DBT_DEVICEREMOVECOMPLETE))
        page_->OnMessage(*this, unsigned(wp), uintptr_t(lp));
      return MsgResult(hwnd_, TRUE);
    case kWaitCancelMsg:
      if (!closed_) page_->OnMessage(*this, kMsgWaitCancel, uintptr_t(wp));
      return TRUE;
    case WM_QUERYENDSESSION:
      if (!closed_) page_->OnCancel(*this);
      return MsgResult(hwnd_, TRUE);
    case WM_CLOSE:
      if (!closed_) page_->OnCancel(*this);
      return TRUE;
    case kHoverMsg: {
      int id = int(wp);
      // A late "left" from one tile must not undo the "entered" of the next.
      if (id == -1 && int(lp) != hoverId_) return TRUE;
      hoverId_ = id;
      if (!closed_) page_->OnHover(*this, id);
      return TRUE;
    }
    case kMapMouseMsg:
      if (!closed_)
        page_->OnMapMouse(*this, int(wp), short(LOWORD(lp)), static_cast<MouseAction>(HIWORD(lp)));
      return TRUE;
    case WM_ERASEBKGND:
      CBDialog::EraseBackground(hwnd_, reinterpret_cast<HDC>(wp));
      return MsgResult(hwnd_, TRUE);
    case kPaintBackgroundMsg:
      CBDialog::EraseBackground(hwnd_, reinterpret_cast<HDC>(wp));
      return MsgResult(hwnd_, TRUE);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(
          CBDialog::ControlBrush(hwnd_, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_DPICHANGED:
      ::PostMessageW(hwnd_, kFontsAgainMsg, 0, 0);
      return FALSE;  // the system scales the dialog and its own font
    case kFontsAgainMsg:
      for (const auto& [id, font] : std::map<int, Font>(fonts_)) SetFont(id, font);
      return TRUE;
    case WM_DESTROY:
      for (unsigned id : timers_) ::KillTimer(hwnd_, id);
      timers_.clear();
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR DialogWindow::OnInitDialog() {
  if (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CAPTION) SetIcons(host_->Instance(), hwnd_);
  if (host_->IsMainWindow(this)) DressMainWindow(hwnd_);
  // Text boxes of several lines read better with some air at their sides;
  // group-box captions from the template get their slack (see text_slack.h).
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (KindOf(child) == Kind::Edit && (::GetWindowLongPtrW(child, GWL_STYLE) & ES_MULTILINE))
      ::SendMessageW(child, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(Scale(hwnd_, 6), Scale(hwnd_, 6)));
    if (IsGroupBox(child)) {
      int n = ::GetWindowTextLengthW(child);
      std::wstring caption(size_t(n) + 1, L'\0');
      caption.resize(size_t(std::max(::GetWindowTextW(child, caption.data(), n + 1), 0)));
      if (!caption.empty()) ::SetWindowTextW(child, WithLineSlack(caption).c_str());
    }
  }
  // The next page of a wizard stands where the last one stood (the operator
  // may have moved it); anything else is centred over its owner.
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  POINT at;
  if (host_->FormerPlace(hwnd_, owner, &at))
    ::SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  else
    CenterOver(hwnd_, owner);
  page_->OnInit(*this);
  if (focusChosen_) return FALSE;
  // The default button takes the focus, so that the page's usual step is
  // one key away; without one (or with it disabled) the dialog puts the
  // focus on its first control.
  LRESULT def = ::SendMessageW(hwnd_, DM_GETDEFID, 0, 0);
  HWND button = HIWORD(def) == DC_HASDEFID ? Item(LOWORD(def)) : nullptr;
  if (button && ::IsWindowEnabled(button) && (::GetWindowLongPtrW(button, GWL_STYLE) & WS_VISIBLE)) {
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, WPARAM(button), TRUE);
    return FALSE;
  }
  return TRUE;
}

void DialogWindow::OnCommandMessage(WPARAM wp, LPARAM lp) {
  if (closed_) return;
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  HWND control = reinterpret_cast<HWND>(lp);
  if (!control || code == BN_CLICKED) {
    // Menu items, accelerators, Esc and Enter, buttons, tiles, notify statics.
    if (id == IDCANCEL)
      page_->OnCancel(*this);
    else
      page_->OnCommand(*this, id);
    return;
  }
  switch (KindOf(control)) {
    case Kind::Edit:
      if (code == EN_CHANGE && !quiet_) page_->OnEditChange(*this, id);
      if (code == EN_SETFOCUS) page_->OnFocus(*this, id);
      break;
    case Kind::ListBox:
      if (code == LBN_SELCHANGE) page_->OnLinesSelect(*this, id, LinesSelected(id));
      if (code == LBN_SETFOCUS) page_->OnFocus(*this, id);
      break;
    case Kind::ComboBox:
      if (code == CBN_SELCHANGE) page_->OnLinesSelect(*this, id, LinesSelected(id));
      if (code == CBN_SETFOCUS) page_->OnFocus(*this, id);
      break;
    case Kind::Button:
      if (code == BN_SETFOCUS) page_->OnFocus(*this, id);
      break;
    default:
      // Our own controls (the tiles) tell of the focus as buttons do.
      if (code == BN_SETFOCUS) page_->OnFocus(*this, id);
      break;
  }
}

void DialogWindow::OnNotify(const NMHDR& nm) {
  if (OnTreeNotify(nm)) return;
  if (closed_ || KindOf(nm.hwndFrom) != Kind::ListView) return;
  const int id = int(nm.idFrom);
  switch (nm.code) {
    case LVN_ITEMCHANGED: {
      const auto& lv = reinterpret_cast<const NMLISTVIEW&>(nm);
      if (quiet_ || !(lv.uChanged & LVIF_STATE) || lv.iItem < 0) return;
      // State image 1 is the empty box, 2 the ticked one; 0 means "none yet"
      // (a row being added), which is no click.
      UINT before = (lv.uOldState & LVIS_STATEIMAGEMASK) >> 12;
      UINT after = (lv.uNewState & LVIS_STATEIMAGEMASK) >> 12;
      if (before && after && before != after) page_->OnListCheck(*this, id, lv.iItem, after == 2);
      return;
    }
    case NM_CLICK:
      page_->OnListSelect(*this, id, reinterpret_cast<const NMITEMACTIVATE&>(nm).iItem);
      return;
    case NM_DBLCLK:
      page_->OnListActivate(*this, id, reinterpret_cast<const NMITEMACTIVATE&>(nm).iItem);
      return;
    case NM_RCLICK:
      page_->OnListRightClick(*this, id, reinterpret_cast<const NMITEMACTIVATE&>(nm).iItem);
      return;
    default:
      return;
  }
}

void DialogWindow::OnScroll(HWND control, int code) {
  if (closed_ || KindOf(control) != Kind::Trackbar) return;
  int id = ::GetDlgCtrlID(control);
  bool released = code == TB_ENDTRACK || code == TB_THUMBPOSITION;
  page_->OnSlider(*this, id, GetPos(id), released);
}

}  // namespace ui::win32
