// CTransparentStatic2: the static's own painting replaced by "parent's
// background, then the text", double-buffered so the clock does not flicker.
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include <string>

#include "ui/win32/controls.h"
#include "ui/win32/small_windows.h"

namespace ui::win32 {

namespace {

UINT TextFormat(LONG_PTR style) {
  UINT f = DT_WORDBREAK | DT_EDITCONTROL;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      f |= DT_CENTER;
      break;
    case SS_RIGHT:
      f |= DT_RIGHT;
      break;
    case SS_LEFTNOWORDWRAP:
      f = DT_SINGLELINE;
      break;
    default:
      break;
  }
  if (style & SS_CENTERIMAGE) f = (f & ~UINT(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE | DT_VCENTER;
  if (style & SS_NOPREFIX) f |= DT_NOPREFIX;
  if (style & SS_ENDELLIPSIS) f |= DT_END_ELLIPSIS;
  return f;
}

void Paint(HWND hwnd) {
  BufferedPaint bp(hwnd);
  HDC dc = bp.Dc();
  PaintParentBackground(hwnd, dc);
  // The parent chooses the text colour as it would for a plain static.
  ::SendMessageW(::GetParent(hwnd), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(hwnd));
  if (!::IsWindowEnabled(hwnd)) ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  ::SetBkMode(dc, TRANSPARENT);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, font ? HGDIOBJ(font) : ::GetStockObject(DEFAULT_GUI_FONT));
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(size_t(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, text.data(), n + 1);
  RECT rc = bp.Client();
  ::DrawTextW(dc, text.c_str(), n, &rc, TextFormat(::GetWindowLongPtrW(hwnd, GWL_STYLE)));
  ::SelectObject(dc, old);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_SETTEXT: {
      // The static would draw the new text at once over its own brush;
      // store it plainly and repaint our way.
      LRESULT r = ::DefWindowProcW(hwnd, msg, wp, lp);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_ENABLE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, Proc, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void CTransparentStatic2::Attach(HWND staticControl) { ::SetWindowSubclass(staticControl, Proc, 1, 0); }

}  // namespace ui::win32
