// "VektrelPie": used and free space of a volume as a pie in a square, or,
// with a key style, a square of one of its colours for the legend.
#include <algorithm>
#include <numbers>

#include "ui/win32/canvas.h"
#include "ui/win32/control_styles.h"
#include "ui/win32/controls.h"

namespace ui::win32 {

namespace {

const COLORREF kUsed = RGB(0x2F, 0x6D, 0xB5);
const COLORREF kFree = RGB(0xC8, 0x5C, 0xC0);

void PaintKey(HWND hwnd, COLORREF colour) {
  BufferedPaint bp(hwnd);
  PaintParentBackground(hwnd, bp.Dc());
  const RECT& rc = bp.Client();
  double side = std::min(rc.right, rc.bottom) - 1.0;
  Canvas c(bp.Dc(), rc);
  c.FillRoundRect(0.5, (rc.bottom - side) / 2, side, side, side / 5, colour);
  c.Commit();
}

LRESULT CALLBACK PieProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The free share lives in the window's user data, as a fraction in
  // millionths; -1 draws nothing.
  switch (msg) {
    case WM_NCCREATE:
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, -1);
      break;
    case kSetPieMsg: {
      double share = *reinterpret_cast<const double*>(lp);
      LONG_PTR stored = share < 0 ? -1 : LONG_PTR(std::clamp(share, 0.0, 1.0) * 1e6 + 0.5);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, stored);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
      if (style & (VEKTREL_PIE_KEY_USED | VEKTREL_PIE_KEY_FREE)) {
        PaintKey(hwnd, (style & VEKTREL_PIE_KEY_FREE) ? kFree : kUsed);
        return 0;
      }
      BufferedPaint bp(hwnd);
      PaintParentBackground(hwnd, bp.Dc());
      LONG_PTR stored = ::GetWindowLongPtrW(hwnd, GWLP_USERDATA);
      if (stored >= 0) {
        const RECT& rc = bp.Client();
        double d = std::min(rc.right, rc.bottom) - 4.0;
        double cx = rc.right / 2.0, cy = rc.bottom / 2.0, r = d / 2;
        Canvas c(bp.Dc(), rc);
        c.FillEllipse(cx, cy, r + 1.5, r + 1.5, RGB(0xFF, 0xFF, 0xFF));
        c.FillEllipse(cx, cy, r, r, kUsed);
        // The free part starts at twelve o'clock and turns clockwise.
        c.FillPie(cx, cy, r, -std::numbers::pi / 2, stored / 1e6 * 2 * std::numbers::pi, kFree);
        c.Commit();
      }
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterPieClass(HINSTANCE instance) { RegisterControlClass(instance, kPieClass, PieProc, IDC_ARROW); }

}  // namespace ui::win32
