// DialogHost::Wait: the pauses of the long operations without a frozen
// window. A box that was just closed is painted over, the wait cursor
// shows, and clicks and keys stay in the queue: the page reads them when
// its loop drains the queue again, so that no handler runs in the middle
// of an operation that was not written to be entered twice.
#include <algorithm>

#include "platform/system.h"
#include "ui/win32/dialog_host.h"

namespace ui::win32 {

namespace {

// Painting and messages sent by other threads (the wait window's Cancel)
// only: no input, no timers, no posted messages.
void DrawWindows() {
  MSG m;
  for (int n = 0; n < 256 && ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE); ++n) {
    if (m.message == WM_QUIT) {
      ::PostQuitMessage(int(m.wParam));  // for the loop that owns it
      return;
    }
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

}  // namespace

void DialogHost::Wait(uint32_t milliseconds) {
  // Short slices keep the windows drawn; on the simulated PC's virtual
  // clock each slice returns at once and only moves the clock.
  constexpr uint32_t kSlice = 15;
  auto& sys = platform::Sys();
  HCURSOR before = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const uint32_t start = sys.GetTickCount();
  for (;;) {
    DrawWindows();
    uint32_t spent = sys.GetTickCount() - start;
    if (spent >= milliseconds) break;
    sys.Sleep(std::min(kSlice, milliseconds - spent));
  }
  ::SetCursor(before);
  RethrowParked();
}

}  // namespace ui::win32
