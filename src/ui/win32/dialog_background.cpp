// CBDialog / CCustomDialog: generated background bitmaps, and the matching
// colours for the controls on them.
#include <algorithm>
#include <cwchar>
#include <map>

#include "ui/win32/canvas.h"
#include "ui/win32/small_windows.h"

namespace ui::win32 {

namespace {

const COLORREF kTop = RGB(0xFF, 0xFF, 0xFF), kTint = RGB(0xE8, 0xEE, 0xF5);

struct Background {
  HBITMAP bitmap = nullptr;
  SIZE size = {0, 0};
};

// How far row y of the bitmap has gone from white to the tint (0..1): a
// soft fall from the top for the pages; a band lighter in its middle for
// the small dialogs, centred on them.
double Shade(BackgroundMode mode, int y) {
  if (mode == BackgroundMode::Tiled) return std::min(1.0, std::max(0, y) / 640.0);
  double t = (y - 256) / 256.0;
  return std::min(1.0, t * t * 1.6);
}

COLORREF ColourAt(BackgroundMode mode, int y) { return Mix(kTop, kTint, Shade(mode, y)); }

// One colour per row, repeated sideways.
Background Make(BackgroundMode mode, int width, int height) {
  Background b;
  BITMAPINFO bi = TopDownDib(width, height);
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return b;
  auto* px = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    COLORREF c = ColourAt(mode, y);
    uint32_t v = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    std::fill(px + size_t(y) * size_t(width), px + size_t(y + 1) * size_t(width), v);
  }
  b.bitmap = bmp;  // kept for the life of the program
  b.size = {width, height};
  return b;
}

const Background& Of(BackgroundMode mode) {
  static const Background tiled = Make(BackgroundMode::Tiled, 64, 2048);
  static const Background centred = Make(BackgroundMode::Centred, 64, 512);
  return mode == BackgroundMode::Tiled ? tiled : centred;
}

// Where the bitmap's top-left corner lies in the dialog's client area.
POINT Origin(HWND dialog, BackgroundMode mode) {
  if (mode == BackgroundMode::Tiled) return {0, 0};
  RECT rc;
  ::GetClientRect(dialog, &rc);
  const SIZE s = Of(mode).size;
  return {(rc.right - s.cx) / 2, (rc.bottom - s.cy) / 2};
}

HBRUSH SolidBrush(COLORREF c) {
  // A few dozen shades at most over the program's life.
  static std::map<COLORREF, HBRUSH> brushes;
  HBRUSH& b = brushes[c];
  if (!b) b = ::CreateSolidBrush(c);
  return b;
}

bool IsClass(HWND hwnd, const wchar_t* name) {
  wchar_t cls[32];
  return ::GetClassNameW(hwnd, cls, 32) && _wcsicmp(cls, name) == 0;
}

}  // namespace

void CBDialog::EraseBackground(HWND dialog, HDC dc, BackgroundMode mode) {
  // Copies of the bitmap side by side over what needs painting. (Pattern
  // brushes would do the same, but their origins are kept differently by
  // different systems.)
  const Background& b = Of(mode);
  if (!b.bitmap) return;
  RECT clip;
  if (::GetClipBox(dc, &clip) == ERROR) ::GetClientRect(dialog, &clip);
  POINT o = Origin(dialog, mode);
  auto first = [](LONG from, LONG origin, LONG step) {
    LONG k = (from - origin) / step;
    if (origin + k * step > from) --k;
    return origin + k * step;
  };
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, b.bitmap);
  for (LONG y = first(clip.top, o.y, b.size.cy); y < clip.bottom; y += b.size.cy)
    for (LONG x = first(clip.left, o.x, b.size.cx); x < clip.right; x += b.size.cx)
      ::BitBlt(dc, x, y, b.size.cx, b.size.cy, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

HBRUSH CBDialog::ControlBrush(HWND dialog, HDC dc, HWND control, BackgroundMode mode) {
  if (IsClass(control, L"Edit")) {
    // Read-only edit boxes (descriptions, dumps) stay white like all text boxes.
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return ::GetSysColorBrush(COLOR_WINDOW);
  }
  // The shade at the control's middle, as a plain colour: controls paint
  // through DCs whose brush origins differ between systems (parent DCs,
  // themes), and over a control's height the fall is too soft to see.
  RECT r = {0, 0, 0, 0};
  if (control != dialog) {
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  }
  COLORREF c = ColourAt(mode, (r.top + r.bottom) / 2 - Origin(dialog, mode).y);
  ::SetBkColor(dc, c);
  ::SetBkMode(dc, TRANSPARENT);
  return SolidBrush(c);
}

}  // namespace ui::win32
