// CSplashDlg: the program's name over a blue band, shown while start-up runs.
#include <algorithm>
#include <string>
#include <vector>

#include "ui/win32/canvas.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/small_windows.h"
#include "ui/win32/tile_pictures.h"

namespace ui::win32 {

namespace {

constexpr UINT_PTR kGoneTimer = 1;

void Paint(HWND hwnd) {
  BufferedPaint bp(hwnd);
  HDC dc = bp.Dc();
  const RECT& rc = bp.Client();
  {
    Canvas c(dc, rc);
    c.GradientRoundRect(0, 0, rc.right, rc.bottom, 0, RGB(0x2F, 0x6D, 0xB5), RGB(0x1A, 0x36, 0x5A));
    double mark = rc.bottom * 0.62;
    DrawProgramMark(c, rc.bottom * 0.2, (rc.bottom - mark) / 2, mark);
    c.Commit();
  }
  wchar_t name[64] = {};
  ::GetWindowTextW(hwnd, name, 64);
  HFONT font = ::CreateFontW(-Scale(hwnd, 30), 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  RECT text = rc;
  text.left = LONG(rc.bottom * 0.95);
  ::DrawTextW(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

INT_PTR CALLBACK SplashProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      // The owner's handle variable, cleared when the window goes by itself.
      ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      // Timers fire only once a message loop runs: the main window's.
      ::SetTimer(hwnd, kGoneTimer, 1, nullptr);
      return FALSE;
    case WM_NCDESTROY:
      if (auto* self = reinterpret_cast<HWND*>(::GetWindowLongPtrW(hwnd, DWLP_USER))) *self = nullptr;
      return FALSE;
    case WM_TIMER:
      if (wp == kGoneTimer) ::DestroyWindow(hwnd);
      return TRUE;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      Paint(hwnd);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CSplashDlg::Show(HINSTANCE instance, int templateId, HWND owner) {
  Close();
  std::vector<WORD> tmpl = LoadPageTemplate(instance, templateId);
  if (tmpl.empty()) return;
  hwnd_ = ::CreateDialogIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner, SplashProc,
                                       LPARAM(&hwnd_));
  if (!hwnd_) return;
  // The template's caption is the name we paint; the title bar it brings goes.
  LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~LONG_PTR(WS_CAPTION)) | WS_BORDER);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT area, me;
  if (owner && ::IsWindowVisible(owner))
    ::GetWindowRect(owner, &area);
  else
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::GetWindowRect(hwnd_, &me);
  int w = me.right - me.left, h = me.bottom - me.top;
  ::SetWindowPos(hwnd_, HWND_TOP, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  ::UpdateWindow(hwnd_);  // nobody pumps messages before the main window
}

void CSplashDlg::Close() {
  if (hwnd_) ::DestroyWindow(hwnd_);  // clears hwnd_ on its way out
  hwnd_ = nullptr;
}

}  // namespace ui::win32
