// Painting helpers shared by the host's window classes.
#include "ui/win32/controls.h"

namespace ui::win32 {

BufferedPaint::BufferedPaint(HWND hwnd) : hwnd_(hwnd) {
  ::BeginPaint(hwnd, &ps_);
  ::GetClientRect(hwnd, &client_);
  int w = client_.right > 0 ? client_.right : 1;
  int h = client_.bottom > 0 ? client_.bottom : 1;
  mem_ = ::CreateCompatibleDC(ps_.hdc);
  bitmap_ = ::CreateCompatibleBitmap(ps_.hdc, w, h);
  old_ = static_cast<HBITMAP>(::SelectObject(mem_, bitmap_));
}

BufferedPaint::~BufferedPaint() {
  ::BitBlt(ps_.hdc, 0, 0, client_.right, client_.bottom, mem_, 0, 0, SRCCOPY);
  ::SelectObject(mem_, old_);
  ::DeleteObject(bitmap_);
  ::DeleteDC(mem_);
  ::EndPaint(hwnd_, &ps_);
}

void PaintParentBackground(HWND child, HDC dc) {
  HWND parent = ::GetParent(child);
  RECT rc;
  ::GetClientRect(child, &rc);
  if (parent) {
    POINT origin = {0, 0};
    ::MapWindowPoints(child, parent, &origin, 1);
    POINT old;
    ::SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    BOOL done = BOOL(::SendMessageW(parent, kPaintBackgroundMsg, WPARAM(dc), 0));
    ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
    if (done) return;
    // Plain dialogs hand their statics a brush aligned to the dialog.
    HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageW(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(child)));
    if (brush) {
      ::FillRect(dc, &rc, brush);
      return;
    }
  }
  ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
}

void RegisterControlClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, const wchar_t* cursor) {
  WNDCLASSEXW wc = {sizeof wc};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, cursor);
  wc.lpszClassName = name;
  ::RegisterClassExW(&wc);
}

int Scale(HWND hwnd, int pixels) {
  // GetDpiForWindow knows the monitor (Windows 10 1607 and later); older
  // systems have one DPI for the whole screen.
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn getDpi = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = getDpi && hwnd ? getDpi(hwnd) : 0;
  if (!dpi) {
    HDC screen = ::GetDC(nullptr);
    dpi = UINT(::GetDeviceCaps(screen, LOGPIXELSX));
    ::ReleaseDC(nullptr, screen);
  }
  return ::MulDiv(pixels, int(dpi ? dpi : 96), 96);
}

}  // namespace ui::win32
