#include "ui/win32/dialog_host.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "platform/text.h"
#include "ui/win32/controls.h"
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
  INT_PTR r = ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(page.TemplateId()), owner, DialogWindow::Proc,
                                reinterpret_cast<LPARAM>(&w));
  stack_.pop_back();
  RethrowParked();
  if (r == -1) {
    // A page whose template is missing from the resources: a build mistake
    // that should be seen, not a silent no-op.
    std::wstring text = L"The window \"" + text::Widen(page.Name()) + L"\" (template " +
                        text::Dec(page.TemplateId()) + L") cannot be shown.";
    ::MessageBoxW(owner, text.c_str(), app::AppCaption.c_str(), MB_OK | MB_ICONERROR);
    return IDCANCEL;
  }
  return w.IsClosed() ? w.Result() : int(r);
}

int DialogHost::MessageBox(const std::wstring& text, unsigned flags) {
  int r = ::MessageBoxW(OwnerForNew(), text.c_str(), app::AppCaption.c_str(), flags);
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

HFONT DialogHost::FontFor(HFONT base, Font kind) {
  if (kind == Font::Normal) return base;
  auto key = std::make_pair(base, kind);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  LOGFONTW lf = {};
  if (!base || !::GetObjectW(base, sizeof lf, &lf)) ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  if (kind == Font::Bold) {
    lf.lfWeight = FW_BOLD;
  } else {
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    wcscpy(lf.lfFaceName, L"Courier New");
  }
  HFONT f = ::CreateFontIndirectW(&lf);
  fonts_[key] = f;  // kept for the life of the program: a handful at most
  return f;
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
