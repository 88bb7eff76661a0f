#include "ui/win32/dialog_host.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/app_state.h"
#include "platform/text.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/text_slack.h"
#include "ui/win32/wait_window.h"
#include "ui/win32/win32_host.h"

namespace ui::win32 {

void InitCommonControls() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterTileClass(instance);
  RegisterDiskMapClass(instance);
  RegisterPieClass(instance);
}

std::unique_ptr<Host> CreateDialogHost() { return std::make_unique<DialogHost>(::GetModuleHandleW(nullptr)); }

int DialogHost::RunModal(Page& page) {
  DialogWindow w(this, &page);
  HWND owner = OwnerForNew();
  stack_.push_back(&w);
  std::vector<WORD> tmpl = LoadPageTemplate(instance_, page.TemplateId());
  INT_PTR r = tmpl.empty()
                  ? ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(page.TemplateId()), owner, DialogWindow::Proc,
                                      reinterpret_cast<LPARAM>(&w))
                  : ::DialogBoxIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner,
                                              DialogWindow::Proc, reinterpret_cast<LPARAM>(&w));
  stack_.pop_back();
  RethrowParked();
  if (r == -1) {
    // A page whose template is missing from the resources: a build mistake
    // that should be seen, not a silent no-op.
    std::wstring text = L"The window \"" + text::Widen(page.Name()) + L"\" (template " +
                        text::Dec(page.TemplateId()) + L") cannot be shown.";
    ::MessageBoxW(owner, WithLineSlack(text).c_str(), app::AppCaption.c_str(), MB_OK | MB_ICONERROR);
    return IDCANCEL;
  }
  return w.IsClosed() ? w.Result() : int(r);
}

int DialogHost::MessageBox(const std::wstring& text, unsigned flags) {
  int r = ::MessageBoxW(OwnerForNew(), WithLineSlack(text).c_str(), app::AppCaption.c_str(), BoxFlags(flags));
  RethrowParked();
  return r;
}

Window* DialogHost::Top() {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
    if ((*it)->Hwnd() && !(*it)->IsClosed()) return *it;
  return nullptr;
}

HWND DialogHost::OwnerForNew() const {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
    if ((*it)->Hwnd() && !(*it)->IsClosed()) return (*it)->Hwnd();
  return MainWindow();
}

HWND DialogHost::MainWindow() const { return stack_.empty() ? nullptr : stack_.front()->Hwnd(); }

std::unique_ptr<WaitWindow> DialogHost::StartWait(const std::wstring& text, bool allowCancel) {
  return CWaitThread::Start(instance_, OwnerForNew(), text, allowCancel);
}

namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFontFace(const wchar_t* face) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

}  // namespace

HFONT DialogHost::FontFor(HFONT base, Font kind) {
  if (kind == Font::Normal) return base;
  LOGFONTW lf = {};
  if (!base || !::GetObjectW(base, sizeof lf, &lf)) ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  auto key = std::make_tuple(std::wstring(lf.lfFaceName), lf.lfHeight, lf.lfWeight, kind);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  if (kind == Font::Bold) {
    lf.lfWeight = FW_BOLD;
  } else {
    // A row of the fixed font is at most 7 dialog units tall (the dialog
    // font's cell is 8), so that dumps fit the boxes laid out for them
    // whatever the system's font and DPI.
    HDC screen = ::GetDC(nullptr);
    auto cellOf = [screen](HFONT font) {
      TEXTMETRICW tm = {};
      HGDIOBJ old = ::SelectObject(screen, font ? HGDIOBJ(font) : ::GetStockObject(DEFAULT_GUI_FONT));
      ::GetTextMetricsW(screen, &tm);
      ::SelectObject(screen, old);
      return tm.tmHeight;
    };
    const LONG row = std::max<LONG>(8, cellOf(base) * 7 / 8);
    static const bool consolas = HasFontFace(L"Consolas");
    lf.lfWidth = 0;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    wcscpy(lf.lfFaceName, consolas ? L"Consolas" : L"Courier New");
    // A positive height asks for the cell height; the font mapper may
    // still round up.
    HFONT f = nullptr;
    for (LONG h = row; h > row - 4 && h >= 6; --h) {
      if (f) ::DeleteObject(f);
      lf.lfHeight = h;
      f = ::CreateFontIndirectW(&lf);
      if (cellOf(f) <= row) break;
    }
    ::ReleaseDC(nullptr, screen);
    fonts_[key] = f;
    return f;
  }
  HFONT f = ::CreateFontIndirectW(&lf);
  fonts_[key] = f;  // kept for the life of the program: a handful per DPI at most
  return f;
}

void DialogHost::RememberPlace(HWND page) {
  lastPlace_ = Place{};
  if (!page || !::IsWindowVisible(page)) return;
  lastPlace_.owner = ::GetWindow(page, GW_OWNER);
  ::GetWindowRect(page, &lastPlace_.rect);
  if (lastPlace_.owner) ::GetWindowRect(lastPlace_.owner, &lastPlace_.ownerRect);
}

bool DialogHost::FormerPlace(HWND page, HWND owner, POINT* topLeft) const {
  if (!lastPlace_.owner || lastPlace_.owner != owner) return false;
  RECT me, now;
  ::GetWindowRect(page, &me);
  ::GetWindowRect(owner, &now);
  if (!::EqualRect(&now, &lastPlace_.ownerRect)) return false;
  const RECT& r = lastPlace_.rect;
  if (me.right - me.left != r.right - r.left || me.bottom - me.top != r.bottom - r.top) return false;
  *topLeft = {r.left, r.top};
  return true;
}

void DialogHost::Park(std::exception_ptr e) {
  if (!parked_) parked_ = e;
}

void DialogHost::RethrowParked() {
  if (!parked_) return;
  std::exception_ptr e = parked_;
  parked_ = nullptr;
  std::rethrow_exception(e);
}

}  // namespace ui::win32
