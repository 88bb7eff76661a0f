// DialogWindow: texts, states, fonts, ranges, owner-drawn pieces, timers,
// message boxes, closing and draining the queue.
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/app_state.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_host.h"
#include "ui/win32/text_slack.h"

namespace ui::win32 {

namespace {

bool IsClass(HWND hwnd, const wchar_t* name) {
  wchar_t cls[64];
  return hwnd && ::GetClassNameW(hwnd, cls, 64) && _wcsicmp(cls, name) == 0;
}

// Edit boxes break lines only at CR LF; pages write plain LF.
std::wstring ToEditLines(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\n' && (i == 0 || s[i - 1] != L'\r')) out.push_back(L'\r');
    out.push_back(s[i]);
  }
  return out;
}

std::wstring FromEditLines(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n')) out.push_back(s[i]);
  return out;
}

std::wstring WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring s(size_t(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(size_t(std::max(n, 0)));
  return s;
}

}  // namespace

void DialogWindow::SetText(int id, const std::wstring& text) {
  if (id == 0) {
    if (hwnd_) ::SetWindowTextW(hwnd_, text.c_str());
    return;
  }
  HWND c = Item(id);
  if (!c) return;
  Quiet q(this);  // EN_CHANGE from our own text is not the operator typing
  if (IsGroupBox(c)) {
    ::SetWindowTextW(c, WithLineSlack(text).c_str());
    return;
  }
  ::SetWindowTextW(c, IsClass(c, L"Edit") ? ToEditLines(text).c_str() : text.c_str());
}

std::wstring DialogWindow::GetText(int id) {
  if (id == 0) return hwnd_ ? WindowText(hwnd_) : L"";
  HWND c = Item(id);
  if (!c) return L"";
  if (IsGroupBox(c)) return WithoutLineSlack(WindowText(c));
  return IsClass(c, L"Edit") ? FromEditLines(WindowText(c)) : WindowText(c);
}

void DialogWindow::Enable(int id, bool enabled) {
  if (HWND c = Item(id)) {
    ::EnableWindow(c, enabled);
  } else if (HMENU menu = hwnd_ ? ::GetMenu(hwnd_) : nullptr) {
    // Commands without a control are menu items of the main window.
    ::EnableMenuItem(menu, UINT(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

bool DialogWindow::IsEnabled(int id) {
  HWND c = Item(id);
  return c && ::IsWindowEnabled(c);
}

void DialogWindow::Show(int id, bool visible) {
  if (HWND c = Item(id)) ::ShowWindow(c, visible ? SW_SHOW : SW_HIDE);
}

bool DialogWindow::IsVisible(int id) {
  // The control's own flag: during OnInit the dialog itself is not shown yet.
  HWND c = Item(id);
  return c && (::GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE);
}

void DialogWindow::SetCheck(int id, bool checked) {
  if (HWND c = Item(id)) ::SendMessageW(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogWindow::GetCheck(int id) {
  HWND c = Item(id);
  return c && ::SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogWindow::SetFont(int id, Font font) {
  HWND c = Item(id);
  if (!c) return;
  fonts_[id] = font;
  HFONT base = reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  ::SendMessageW(c, WM_SETFONT, WPARAM(host_->FontFor(base, font)), TRUE);
}

void DialogWindow::SetFocus(int id) {
  HWND c = Item(id);
  if (!c) return;
  ::SendMessageW(hwnd_, WM_NEXTDLGCTL, WPARAM(c), TRUE);
  focusChosen_ = true;
}

void DialogWindow::SetRange(int id, int64_t low, int64_t high) {
  Range& r = RangeOf(id);
  r.low = low;
  r.high = high;
  uint64_t span = high > low ? uint64_t(high) - uint64_t(low) : 0;
  HWND c = Item(id);
  // A trackbar gains nothing from more steps than it has pixels, and some
  // implementations draw the thumb wrongly for ranges in the millions.
  const uint64_t limit = IsClass(c, TRACKBAR_CLASSW) ? 0xFFFFu : 0x7FFFFFFFu;
  r.shift = 0;
  while ((span >> r.shift) > limit) ++r.shift;
  if (IsClass(c, PROGRESS_CLASSW)) {
    ::SendMessageW(c, PBM_SETRANGE32, 0, LPARAM(span >> r.shift));
  } else if (IsClass(c, TRACKBAR_CLASSW)) {
    ::SendMessageW(c, TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageW(c, TBM_SETRANGEMAX, TRUE, LPARAM(span >> r.shift));
  }
  SetPos(id, r.pos);
}

void DialogWindow::SetPos(int id, int64_t pos) {
  Range& r = RangeOf(id);
  r.pos = pos;
  int64_t clamped = std::clamp(pos, std::min(r.low, r.high), std::max(r.low, r.high));
  LPARAM scaled = LPARAM((uint64_t(clamped) - uint64_t(r.low)) >> r.shift);
  HWND c = Item(id);
  if (IsClass(c, PROGRESS_CLASSW))
    ::SendMessageW(c, PBM_SETPOS, WPARAM(scaled), 0);
  else if (IsClass(c, TRACKBAR_CLASSW))
    ::SendMessageW(c, TBM_SETPOS, TRUE, scaled);
}

int64_t DialogWindow::GetPos(int id) {
  Range& r = RangeOf(id);
  HWND c = Item(id);
  if (IsClass(c, TRACKBAR_CLASSW)) {
    // The operator moves a slider; read where it is now.
    uint64_t scaled = uint64_t(::SendMessageW(c, TBM_GETPOS, 0, 0));
    uint64_t top = uint64_t(::SendMessageW(c, TBM_GETRANGEMAX, 0, 0));
    r.pos = int64_t(uint64_t(r.low) + (scaled << r.shift));
    // The right end of the slider is the range's end, not the last whole step.
    if ((scaled >= top || r.pos > r.high) && r.high > r.low) r.pos = r.high;
  }
  return r.pos;
}

void DialogWindow::SetMap(int id, const std::vector<MapBox>& boxes) {
  if (HWND c = Item(id)) ::SendMessageW(c, kSetMapMsg, 0, reinterpret_cast<LPARAM>(&boxes));
}

void DialogWindow::SetPie(int id, double freeShare) {
  if (HWND c = Item(id)) ::SendMessageW(c, kSetPieMsg, 0, reinterpret_cast<LPARAM>(&freeShare));
}

void DialogWindow::SetPicture(int id, Picture picture, bool highlighted, bool selected) {
  if (HWND c = Item(id))
    ::SendMessageW(c, kSetPictureMsg, WPARAM(picture), (highlighted ? kTileHot : 0) | (selected ? kTileSelected : 0));
}

void DialogWindow::SetPictureDimmed(int id, bool dimmed) {
  if (HWND c = Item(id)) ::SendMessageW(c, kSetDimmedMsg, dimmed, 0);
}

void DialogWindow::Redraw(int id) {
  HWND target = id == 0 ? hwnd_ : Item(id);
  if (target) ::RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void DialogWindow::SetTimer(unsigned id, unsigned milliseconds) {
  if (!hwnd_ || closed_) return;
  ::SetTimer(hwnd_, id, milliseconds, nullptr);
  timers_.insert(id);
}

void DialogWindow::KillTimer(unsigned id) {
  if (hwnd_) ::KillTimer(hwnd_, id);
  timers_.erase(id);
}

int DialogWindow::MessageBox(const std::wstring& text, unsigned flags) {
  HWND owner = closed_ ? host_->OwnerForNew() : hwnd_;
  int r = ::MessageBoxW(owner, WithLineSlack(text).c_str(), app::AppCaption.c_str(), BoxFlags(flags));
  host_->RethrowParked();
  return r;
}

void DialogWindow::Close(int result) {
  if (closed_) return;
  closed_ = true;
  result_ = result;
  for (unsigned id : timers_) ::KillTimer(hwnd_, id);
  timers_.clear();
  if (!hwnd_) return;
  host_->RememberPlace(hwnd_);
  // Pages open their next page from inside a handler: this one must leave
  // the screen now, not when its handler returns.
  ::EndDialog(hwnd_, result);
  ::ShowWindow(hwnd_, SW_HIDE);
}

void DialogWindow::PumpMessages() {
  HWND main = host_->MainWindow();
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      ::PostQuitMessage(int(m.wParam));  // for the loop that owns it
      break;
    }
    if ((hwnd_ && ::IsDialogMessageW(hwnd_, &m)) || (main && main != hwnd_ && ::IsDialogMessageW(main, &m)))
      continue;
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
    break;
  }
  host_->RethrowParked();
}

}  // namespace ui::win32
