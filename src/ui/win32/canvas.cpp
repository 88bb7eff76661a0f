#include "ui/win32/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui::win32 {

namespace {
constexpr int kScale = 4;
}

COLORREF Mix(COLORREF c1, COLORREF c2, double t) {
  auto ch = [t](int a, int b) { return BYTE(std::lround(a + (b - a) * t)); };
  return RGB(ch(GetRValue(c1), GetRValue(c2)), ch(GetGValue(c1), GetGValue(c2)), ch(GetBValue(c1), GetBValue(c2)));
}

BITMAPINFO TopDownDib(int width, int height) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

Canvas::Canvas(HDC target, const RECT& area)
    : target_(target), area_(area), w_(area.right - area.left), h_(area.bottom - area.top) {
  if (w_ <= 0 || h_ <= 0) return;
  BITMAPINFO bi = TopDownDib(w_ * kScale, h_ * kScale);
  void* bits = nullptr;
  dc_ = ::CreateCompatibleDC(target);
  bitmap_ = ::CreateDIBSection(target, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dc_ || !bitmap_) return;
  bits_ = static_cast<uint32_t*>(bits);
  old_ = static_cast<HBITMAP>(::SelectObject(dc_, bitmap_));
  ::SetStretchBltMode(dc_, COLORONCOLOR);
  ::StretchBlt(dc_, 0, 0, w_ * kScale, h_ * kScale, target, area.left, area.top, w_, h_, SRCCOPY);
  oldPen_ = ::SelectObject(dc_, ::GetStockObject(NULL_PEN));
  oldBrush_ = ::SelectObject(dc_, ::GetStockObject(NULL_BRUSH));
}

Canvas::~Canvas() {
  if (dc_) {
    ::SelectObject(dc_, oldPen_);
    ::SelectObject(dc_, oldBrush_);
    if (pen_) ::DeleteObject(pen_);
    if (brush_) ::DeleteObject(brush_);
    if (old_) ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  if (bitmap_) ::DeleteObject(bitmap_);
}

int Canvas::S(double v) const { return int(std::lround(v * kScale)); }

void Canvas::Select(HPEN pen, HBRUSH brush) {
  ::SelectObject(dc_, pen ? HGDIOBJ(pen) : ::GetStockObject(NULL_PEN));
  ::SelectObject(dc_, brush ? HGDIOBJ(brush) : ::GetStockObject(NULL_BRUSH));
  if (pen_) ::DeleteObject(pen_);
  if (brush_) ::DeleteObject(brush_);
  pen_ = pen;
  brush_ = brush;
}

void Canvas::FillRect(double x, double y, double w, double h, COLORREF c) {
  if (!bits_) return;
  RECT r = {S(x), S(y), S(x + w), S(y + h)};
  HBRUSH b = ::CreateSolidBrush(c);
  ::FillRect(dc_, &r, b);
  ::DeleteObject(b);
}

void Canvas::FillRoundRect(double x, double y, double w, double h, double r, COLORREF c) {
  if (!bits_) return;
  Select(nullptr, ::CreateSolidBrush(c));
  // Without a pen the filled shape stops one pixel short on the right and bottom.
  ::RoundRect(dc_, S(x), S(y), S(x + w) + 1, S(y + h) + 1, S(2 * r), S(2 * r));
}

void Canvas::GradientRoundRect(double x, double y, double w, double h, double r, COLORREF top, COLORREF bottom) {
  if (!bits_) return;
  HRGN clip = ::CreateRoundRectRgn(S(x), S(y), S(x + w) + 1, S(y + h) + 1, S(2 * r), S(2 * r));
  ::SelectClipRgn(dc_, clip);
  int y0 = S(y), y1 = S(y + h);
  for (int row = y0; row < y1; ++row) {
    RECT band = {S(x), row, S(x + w), row + 1};
    HBRUSH b = ::CreateSolidBrush(Mix(top, bottom, y1 > y0 + 1 ? double(row - y0) / (y1 - y0 - 1) : 0));
    ::FillRect(dc_, &band, b);
    ::DeleteObject(b);
  }
  ::SelectClipRgn(dc_, nullptr);
  ::DeleteObject(clip);
}

void Canvas::FrameRoundRect(double x, double y, double w, double h, double r, double width, COLORREF c) {
  if (!bits_) return;
  Select(::CreatePen(PS_INSIDEFRAME, S(width), c), nullptr);
  ::RoundRect(dc_, S(x), S(y), S(x + w), S(y + h), S(2 * r), S(2 * r));
}

void Canvas::FillEllipse(double cx, double cy, double rx, double ry, COLORREF c) {
  if (!bits_) return;
  Select(nullptr, ::CreateSolidBrush(c));
  ::Ellipse(dc_, S(cx - rx), S(cy - ry), S(cx + rx) + 1, S(cy + ry) + 1);
}

void Canvas::FrameEllipse(double cx, double cy, double rx, double ry, double width, COLORREF c) {
  if (!bits_) return;
  Select(::CreatePen(PS_INSIDEFRAME, S(width), c), nullptr);
  ::Ellipse(dc_, S(cx - rx), S(cy - ry), S(cx + rx), S(cy + ry));
}

void Canvas::FillPolygon(const std::vector<Pt>& points, COLORREF c) {
  if (!bits_ || points.size() < 3) return;
  std::vector<POINT> p;
  for (const Pt& q : points) p.push_back({S(q.x), S(q.y)});
  Select(nullptr, ::CreateSolidBrush(c));
  ::SetPolyFillMode(dc_, WINDING);
  ::Polygon(dc_, p.data(), int(p.size()));
}

void Canvas::Polyline(const std::vector<Pt>& points, double width, COLORREF c) {
  if (!bits_ || points.size() < 2) return;
  std::vector<POINT> p;
  for (const Pt& q : points) p.push_back({S(q.x), S(q.y)});
  LOGBRUSH lb = {BS_SOLID, c, 0};
  Select(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, DWORD(S(width)), &lb, 0, nullptr),
         nullptr);
  ::Polyline(dc_, p.data(), int(p.size()));
}

void Canvas::FillPie(double cx, double cy, double r, double start, double sweep, COLORREF c) {
  if (sweep <= 0) return;
  if (sweep >= 2 * std::numbers::pi - 1e-9) return FillEllipse(cx, cy, r, r, c);
  std::vector<Pt> p = {{cx, cy}};
  int steps = std::max(2, int(sweep * r / 2) + 2);
  for (int i = 0; i <= steps; ++i) {
    double a = start + sweep * i / steps;
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});  // y grows downward: clockwise
  }
  FillPolygon(p, c);
}

std::vector<uint32_t> Canvas::Pixels() const {
  if (!bits_) return {};
  ::GdiFlush();
  return std::vector<uint32_t>(bits_, bits_ + size_t(w_) * kScale * size_t(h_) * kScale);
}

void Canvas::FadeSince(const std::vector<uint32_t>& before, double strength) {
  if (!bits_) return;
  ::GdiFlush();
  const size_t n = size_t(w_) * kScale * size_t(h_) * kScale;
  if (before.size() != n) return;
  auto channel = [](uint32_t p, int shift) { return double((p >> shift) & 0xFF); };
  for (size_t i = 0; i < n; ++i) {
    uint32_t now = bits_[i], was = before[i];
    if (now == was) continue;
    double grey = 0.30 * channel(now, 16) + 0.59 * channel(now, 8) + 0.11 * channel(now, 0);
    uint32_t out = 0;
    for (int shift : {16, 8, 0})
      out |= uint32_t(std::lround(channel(was, shift) + (grey - channel(was, shift)) * strength)) << shift;
    bits_[i] = out;
  }
}

void Canvas::Commit() {
  if (!bits_) return;
  ::GdiFlush();
  std::vector<uint32_t> out(size_t(w_) * size_t(h_));
  const int stride = w_ * kScale;
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      unsigned r = 0, g = 0, b = 0;
      for (int dy = 0; dy < kScale; ++dy) {
        const uint32_t* row = bits_ + size_t(y * kScale + dy) * size_t(stride) + size_t(x * kScale);
        for (int dx = 0; dx < kScale; ++dx) {
          r += (row[dx] >> 16) & 0xFF;
          g += (row[dx] >> 8) & 0xFF;
          b += row[dx] & 0xFF;
        }
      }
      constexpr unsigned n = kScale * kScale;
      out[size_t(y) * size_t(w_) + size_t(x)] = ((r + n / 2) / n) << 16 | ((g + n / 2) / n) << 8 | ((b + n / 2) / n);
    }
  BITMAPINFO bi = TopDownDib(w_, h_);
  ::SetDIBitsToDevice(target_, area_.left, area_.top, DWORD(w_), DWORD(h_), 0, 0, 0, UINT(h_), out.data(), &bi,
                      DIB_RGB_COLORS);
}

}  // namespace ui::win32
