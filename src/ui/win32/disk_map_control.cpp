// "VektrelDiskMap": one disk's layout as a row of boxes. The page lays the
// boxes out (widths in pixels at 96 DPI) and says which is selected or hot;
// the control draws them and reports the pointer.
#include <algorithm>
#include <vector>

#include "ui/win32/canvas.h"
#include "ui/win32/controls.h"
#include "ui/window.h"

namespace ui::win32 {

namespace {

struct DiskMap {
  std::vector<MapBox> boxes;
  std::vector<RECT> rects;  // where each box was drawn last
  int hover = -1;
  bool tracking = false;
  HFONT font = nullptr;
};

struct KindLook {
  COLORREF fill, text;
};

KindLook LookOf(MapKind kind) {
  switch (kind) {
    case MapKind::Primary:
      return {RGB(0x2F, 0x6D, 0xB5), RGB(0xFF, 0xFF, 0xFF)};
    case MapKind::Logical:
      return {RGB(0x2E, 0x9E, 0x8F), RGB(0xFF, 0xFF, 0xFF)};
    case MapKind::FreeLogical:
      return {RGB(0xA8, 0xD5, 0xB5), RGB(0x1F, 0x29, 0x33)};
    case MapKind::Unallocated:
      break;
  }
  return {RGB(0xB5, 0xBD, 0xC6), RGB(0x1F, 0x29, 0x33)};
}

void Layout(HWND hwnd, DiskMap& m) {
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  long total = 0;
  for (const MapBox& b : m.boxes) total += std::max(b.width, 0);
  // The page lays the boxes out for a map of its own width; they are
  // stretched or squeezed to the control's, which follows the font and DPI.
  double scale = total > 0 ? double(rc.right) / double(total) : 1.0;
  m.rects.clear();
  double x = 0;
  for (const MapBox& b : m.boxes) {
    double next = x + std::max(b.width, 0) * scale;
    m.rects.push_back({int(x + 0.5), 0, int(next + 0.5), rc.bottom});
    x = next;
  }
}

void Paint(HWND hwnd, DiskMap& m) {
  BufferedPaint bp(hwnd);
  HDC dc = bp.Dc();
  PaintParentBackground(hwnd, dc);
  Layout(hwnd, m);
  HGDIOBJ oldFont = ::SelectObject(dc, m.font ? HGDIOBJ(m.font) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < m.boxes.size(); ++i) {
    const MapBox& b = m.boxes[i];
    RECT r = m.rects[i];
    if (r.right - r.left < 1) continue;
    r.right -= 1;  // a hairline gap keeps neighbours apart
    KindLook look = LookOf(b.kind);
    COLORREF fill = b.hot ? Mix(look.fill, RGB(0xFF, 0xFF, 0xFF), 0.28) : look.fill;
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
    HBRUSH edge = ::CreateSolidBrush(Mix(look.fill, RGB(0, 0, 0), 0.35));
    ::FrameRect(dc, &r, edge);
    ::DeleteObject(edge);
    if (b.selected) {
      int t = std::max(2, Scale(hwnd, 2));
      RECT f = r;
      HBRUSH dark = ::CreateSolidBrush(RGB(0x0F, 0x2A, 0x4A));
      for (int k = 0; k < t; ++k, ::InflateRect(&f, -1, -1)) ::FrameRect(dc, &f, dark);
      ::DeleteObject(dark);
      ::FrameRect(dc, &f, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    RECT text = r;
    ::InflateRect(&text, -Scale(hwnd, 3), 0);
    ::SetTextColor(dc, look.text);
    ::DrawTextW(dc, b.label.c_str(), int(b.label.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  ::SelectObject(dc, oldFont);
}

int HitTest(const DiskMap& m, LPARAM lp) {
  POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
  for (size_t i = 0; i < m.rects.size(); ++i)
    if (::PtInRect(&m.rects[i], p)) return int(i);
  return -1;
}

void Notify(HWND hwnd, int box, MouseAction action) {
  ::SendMessageW(::GetParent(hwnd), kMapMouseMsg, WPARAM(::GetDlgCtrlID(hwnd)),
                 MAKELPARAM(WORD(short(box)), WORD(action)));
}

LRESULT CALLBACK DiskMapProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DiskMap* m = ControlState<DiskMap>(hwnd, msg);
  if (!m) return ::DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_SETFONT:
      m->font = reinterpret_cast<HFONT>(wp);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(m->font);
    case kSetMapMsg:
      m->boxes = *reinterpret_cast<const std::vector<MapBox>*>(lp);
      Layout(hwnd, *m);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd, *m);
      return 0;
    case WM_MOUSEMOVE: {
      if (!m->tracking) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hwnd, 0};
        m->tracking = ::TrackMouseEvent(&tme) != FALSE;
      }
      int box = HitTest(*m, lp);
      if (box != m->hover) {
        m->hover = box;
        Notify(hwnd, box, MouseAction::Hover);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      m->tracking = false;
      m->hover = -1;
      Notify(hwnd, -1, MouseAction::Leave);
      return 0;
    case WM_LBUTTONDOWN:
      Notify(hwnd, HitTest(*m, lp), MouseAction::LeftClick);
      return 0;
    case WM_RBUTTONUP:
      Notify(hwnd, HitTest(*m, lp), MouseAction::RightClick);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterDiskMapClass(HINSTANCE instance) {
  RegisterControlClass(instance, kDiskMapClass, DiskMapProc, IDC_ARROW);
}

}  // namespace ui::win32
