// Canvas: smooth vector drawing with plain GDI. Shapes are drawn at four
// times the size into a scratch bitmap that starts as a copy of what lies
// under it, then averaged down: anti-aliased edges without GDI+, which not
// every Windows PE image carries.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/windows_include.h"

namespace ui::win32 {

struct Pt {
  double x, y;
};

class Canvas {
 public:
  // `area` of `target` (a memory DC, read back as the starting picture).
  Canvas(HDC target, const RECT& area);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  // Writes the averaged picture back to the target.
  void Commit();

  // Coordinates are pixels from the area's top-left corner.
  void FillRect(double x, double y, double w, double h, COLORREF c);
  void FillRoundRect(double x, double y, double w, double h, double r, COLORREF c);
  void GradientRoundRect(double x, double y, double w, double h, double r, COLORREF top, COLORREF bottom);
  void FrameRoundRect(double x, double y, double w, double h, double r, double width, COLORREF c);
  void FillEllipse(double cx, double cy, double rx, double ry, COLORREF c);
  void FrameEllipse(double cx, double cy, double rx, double ry, double width, COLORREF c);
  void FillPolygon(const std::vector<Pt>& points, COLORREF c);
  void Polyline(const std::vector<Pt>& points, double width, COLORREF c);
  // A slice from `start` turning clockwise by `sweep` (radians; 0 = east).
  void FillPie(double cx, double cy, double r, double start, double sweep, COLORREF c);
  // The picture so far, and what was drawn since `before` (an earlier
  // Pixels()) turned grey and laid over it with `strength`: the faded look
  // of a disabled control.
  std::vector<uint32_t> Pixels() const;
  void FadeSince(const std::vector<uint32_t>& before, double strength);

 private:
  int S(double v) const;
  void Select(HPEN pen, HBRUSH brush);

  HDC target_;
  RECT area_;
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr, old_ = nullptr;
  uint32_t* bits_ = nullptr;
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
};

// The header of a 32-bit top-down DIB.
BITMAPINFO TopDownDib(int width, int height);

// c1 mixed with c2; t = 0 gives c1.
COLORREF Mix(COLORREF c1, COLORREF c2, double t);

}  // namespace ui::win32
