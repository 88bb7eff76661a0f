// The wait window: CWaitThread runs a user-interface thread of its own that
// shows CWaitDialog over the page that started it, so that the page's
// thread may block in a long call while the window stays alive.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/windows_include.h"
#include "ui/window.h"

namespace ui::win32 {

class CWaitThread : public WaitWindow {
 public:
  // nullptr when the thread or the window cannot be made.
  static std::unique_ptr<CWaitThread> Start(HINSTANCE instance, HWND owner, const std::wstring& text,
                                            bool allowCancel);
  ~CWaitThread() override;
  // Stores the text and tells the thread (WM_USER + 13).
  void SetText(const std::wstring& text) override;
  // Tells the thread to end the dialog (WM_USER + 14) and waits for it.
  void Close() override;

  struct Shared;

 private:
  CWaitThread() = default;
  std::shared_ptr<Shared> shared_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HWND owner_ = nullptr;
  bool ownerDisabled_ = false;
};

}  // namespace ui::win32
