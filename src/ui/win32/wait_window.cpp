#include "ui/win32/wait_window.h"

#include <commctrl.h>

#include <mutex>
#include <vector>

#include "ui/control_ids.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/small_windows.h"

namespace ui::win32 {

struct CWaitThread::Shared {
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  bool allowCancel = false;
  std::mutex lock;
  std::wstring text;
  HANDLE ready = nullptr;
  HWND dialog = nullptr;  // set by the thread before `ready`
};

namespace {

// Waits for `h` while still answering messages that other threads send to
// ours: the wait dialog is owned by our window, and the system talks to
// owners synchronously.
void WaitAnswering(HANDLE h, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    DWORD spent = ::GetTickCount() - start;
    if (spent >= milliseconds) return;
    DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, milliseconds - spent, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) return;
    MSG m;
    ::PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// CWaitDialog: the window itself.
class CWaitDialog {
 public:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<CWaitThread::Shared*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG:
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        Init(hwnd, *reinterpret_cast<CWaitThread::Shared*>(lp));
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL && s->allowCancel && ::IsWindowEnabled(::GetDlgItem(hwnd, IDCANCEL))) Cancel(hwnd, *s);
        return TRUE;
      case WM_CLOSE:
        return TRUE;  // only the starter closes it
      case WM_ERASEBKGND:
        CCustomDialog::EraseBackground(hwnd, reinterpret_cast<HDC>(wp));
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(
            CCustomDialog::ControlBrush(hwnd, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
      default:
        return FALSE;
    }
  }

  static void ShowText(HWND hwnd, CWaitThread::Shared& s) {
    std::lock_guard<std::mutex> g(s.lock);
    ::SetDlgItemTextW(hwnd, IDC_WAIT_TEXT, s.text.c_str());
  }

 private:
  static void Init(HWND hwnd, CWaitThread::Shared& s) {
    RECT area, me;
    if (s.owner && ::IsWindowVisible(s.owner))
      ::GetWindowRect(s.owner, &area);
    else
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    ::GetWindowRect(hwnd, &me);
    int w = me.right - me.left, h = me.bottom - me.top;
    ::SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowText(hwnd, s);
    ::ShowWindow(::GetDlgItem(hwnd, IDC_WAIT_PROGRESS), SW_HIDE);
    ::ShowWindow(::GetDlgItem(hwnd, IDCANCEL), s.allowCancel ? SW_SHOW : SW_HIDE);
  }

  static void Cancel(HWND hwnd, CWaitThread::Shared& s) {
    HWND progress = ::GetDlgItem(hwnd, IDC_WAIT_PROGRESS);
    ::ShowWindow(progress, SW_SHOW);
    ::SendMessageW(progress, PBM_SETMARQUEE, TRUE, 30);
    ::EnableWindow(::GetDlgItem(hwnd, IDCANCEL), FALSE);
    // The owner's thread is busy; it sees this when it next drains its queue.
    ::SendNotifyMessageW(s.owner, kWaitCancelMsg, 0, 0);
  }
};

DWORD WINAPI ThreadMain(void* param) {
  std::shared_ptr<CWaitThread::Shared> s(*static_cast<std::shared_ptr<CWaitThread::Shared>*>(param));
  MSG m;
  ::PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue exists from here
  // Not owned by the page in the system's sense: a window owned across
  // threads shares its owner's input queue, and the page's thread is the
  // one that blocks. It stands over the page and the page is disabled; a
  // hidden window of this thread owns it, which keeps it off the taskbar.
  HWND hiddenOwner = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, s->instance, nullptr);
  std::vector<WORD> tmpl = LoadPageTemplate(s->instance, IDD_WAIT);
  HWND dlg = tmpl.empty() ? nullptr
                          : ::CreateDialogIndirectParamW(s->instance, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                                         hiddenOwner, CWaitDialog::Proc, reinterpret_cast<LPARAM>(s.get()));
  s->dialog = dlg;
  ::SetEvent(s->ready);
  if (!dlg) {
    if (hiddenOwner) ::DestroyWindow(hiddenOwner);
    return 0;
  }
  ::ShowWindow(dlg, SW_SHOW);
  // Our own modal loop, because a dialog box's loop would drop the thread
  // messages (they have no window).
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (!m.hwnd && m.message == kWaitSetTextMsg) {
      CWaitDialog::ShowText(dlg, *s);
    } else if (!m.hwnd && m.message == kWaitCloseMsg) {
      break;  // the dialog's result: 1
    } else if (!::IsDialogMessageW(dlg, &m)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
  ::DestroyWindow(dlg);
  if (hiddenOwner) ::DestroyWindow(hiddenOwner);
  return 1;
}

}  // namespace

std::unique_ptr<CWaitThread> CWaitThread::Start(HINSTANCE instance, HWND owner, const std::wstring& text,
                                                bool allowCancel) {
  std::unique_ptr<CWaitThread> w(new CWaitThread);
  w->shared_ = std::make_shared<Shared>();
  Shared& s = *w->shared_;
  s.instance = instance;
  s.owner = owner;
  s.allowCancel = allowCancel;
  s.text = text;
  s.ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!s.ready) return nullptr;
  // The page is frozen while it waits: keep clicks from queueing up on it.
  w->owner_ = owner;
  if (owner && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    w->ownerDisabled_ = true;
  }
  auto* handoff = new std::shared_ptr<Shared>(w->shared_);
  w->thread_ = ::CreateThread(nullptr, 0, ThreadMain, handoff, 0, &w->threadId_);
  if (w->thread_) WaitAnswering(s.ready, INFINITE);
  delete handoff;  // the thread took its own copy before signalling
  ::CloseHandle(s.ready);
  s.ready = nullptr;
  if (!w->thread_ || !s.dialog) return nullptr;  // the destructor gives the owner back
  return w;
}

CWaitThread::~CWaitThread() { Close(); }

void CWaitThread::SetText(const std::wstring& text) {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> g(shared_->lock);
    shared_->text = text;
  }
  ::PostThreadMessageW(threadId_, kWaitSetTextMsg, 0, 0);
}

void CWaitThread::Close() {
  // The owner comes back before the window goes, so that activation
  // returns to it rather than to another program.
  if (ownerDisabled_) {
    ::EnableWindow(owner_, TRUE);
    ownerDisabled_ = false;
  }
  if (!thread_) return;
  ::PostThreadMessageW(threadId_, kWaitCloseMsg, 0, 0);
  WaitAnswering(thread_, 10000);
  ::CloseHandle(thread_);
  thread_ = nullptr;
  if (owner_) ::SetForegroundWindow(owner_);
}

}  // namespace ui::win32
