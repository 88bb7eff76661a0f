// "VektrelTile": a large picture button of the main window. The picture is
// ours (tile_pictures.cpp); the page decides when it looks highlighted or
// selected, the tile only reports the pointer and the click.
#include <algorithm>

#include "ui/win32/canvas.h"
#include "ui/win32/controls.h"
#include "ui/win32/tile_pictures.h"

namespace ui::win32 {

namespace {

struct Tile {
  Picture picture = Picture::None;
  bool hot = false, selected = false, dimmed = false;
  bool tracking = false, pressed = false;
};

void Notify(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { ::SendMessageW(::GetParent(hwnd), msg, wp, lp); }

void Paint(HWND hwnd, const Tile& t) {
  BufferedPaint bp(hwnd);
  HDC dc = bp.Dc();
  PaintParentBackground(hwnd, dc);
  const RECT& rc = bp.Client();
  double w = rc.right, h = rc.bottom;
  {
    Canvas c(dc, rc);
    double m = 1.5, r = Scale(hwnd, 8);
    COLORREF top = RGB(0xFF, 0xFF, 0xFF), bottom = RGB(0xF1, 0xF4, 0xF8), edge = RGB(0xCF, 0xD7, 0xE1);
    double edgeWidth = 1;
    if (t.selected) {
      top = RGB(0xE4, 0xF0, 0xFD), bottom = RGB(0xCC, 0xE1, 0xF8), edge = RGB(0x2F, 0x6D, 0xB5), edgeWidth = 2;
    } else if (t.hot) {
      top = RGB(0xF5, 0xFA, 0xFF), bottom = RGB(0xE2, 0xEE, 0xFB), edge = RGB(0x7F, 0xB2, 0xEA), edgeWidth = 1.5;
    }
    if (t.hot && t.selected) edge = RGB(0x1F, 0x5A, 0xA0);
    c.GradientRoundRect(m, m, w - 2 * m, h - 2 * m, r, top, bottom);
    c.FrameRoundRect(m, m, w - 2 * m, h - 2 * m, r, edgeWidth, edge);
    double size = std::min(w, h) * 0.74;
    // A task that is not available: its picture grey and pale, as on a
    // disabled control.
    std::vector<uint32_t> plain = t.dimmed ? c.Pixels() : std::vector<uint32_t>();
    DrawTilePicture(c, t.picture, (w - size) / 2, (h - size) / 2, size);
    if (t.dimmed) c.FadeSince(plain, 0.45);
    c.Commit();
  }
  if (::GetFocus() == hwnd && !(::SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
    RECT focus = rc;
    int inset = Scale(hwnd, 5);
    ::InflateRect(&focus, -inset, -inset);
    ::DrawFocusRect(dc, &focus);
  }
}

LRESULT CALLBACK TileProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Tile* t = ControlState<Tile>(hwnd, msg);
  if (!t) return ::DefWindowProcW(hwnd, msg, wp, lp);
  const int id = ::GetDlgCtrlID(hwnd);
  switch (msg) {
    case kSetDimmedMsg:
      t->dimmed = wp != 0;
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case kSetPictureMsg:
      t->picture = static_cast<Picture>(wp);
      t->hot = (lp & kTileHot) != 0;
      t->selected = (lp & kTileSelected) != 0;
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd, *t);
      return 0;
    case WM_GETDLGCODE:
      // Enter on a tile runs it, as Space does; the dialog would otherwise
      // take it for its default button.
      if (lp && reinterpret_cast<const MSG*>(lp)->message == WM_KEYDOWN && wp == VK_RETURN) return DLGC_WANTMESSAGE;
      break;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) Notify(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(hwnd));
      return 0;
    case WM_MOUSEMOVE:
      if (!t->tracking) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hwnd, 0};
        t->tracking = ::TrackMouseEvent(&tme) != FALSE;
        Notify(hwnd, kHoverMsg, WPARAM(id), 0);
      }
      return 0;
    case WM_MOUSELEAVE:
      t->tracking = false;
      Notify(hwnd, kHoverMsg, WPARAM(-1), id);
      return 0;
    case WM_LBUTTONDOWN:
      ::SetFocus(hwnd);
      ::SetCapture(hwnd);
      t->pressed = true;
      return 0;
    case WM_LBUTTONUP:
      if (t->pressed) {
        t->pressed = false;
        ::ReleaseCapture();
        POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        if (::PtInRect(&rc, p)) Notify(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(hwnd));
      }
      return 0;
    case WM_CAPTURECHANGED:
      t->pressed = false;
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) Notify(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(hwnd));
      return 0;
    case WM_SETFOCUS:
      // Tab moves through the tiles: the page shows what the focused one does.
      Notify(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_SETFOCUS), LPARAM(hwnd));
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_UPDATEUISTATE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterTileClass(HINSTANCE instance) { RegisterControlClass(instance, kTileClass, TileProc, IDC_HAND); }

}  // namespace ui::win32
