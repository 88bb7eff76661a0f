// Each picture is laid out in a 100 x 100 design square; Box maps that
// square onto the canvas so that the same drawing serves every size.
#include "ui/win32/tile_pictures.h"

#include <cmath>
#include <numbers>

namespace ui::win32 {

namespace {

const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kBlue = RGB(0x2F, 0x6D, 0xB5);
const COLORREF kNavy = RGB(0x1F, 0x3B, 0x5B);
const COLORREF kSky = RGB(0x8C, 0xB8, 0xE8);
const COLORREF kPale = RGB(0xDC, 0xEB, 0xFC);
const COLORREF kGreen = RGB(0x2E, 0xAD, 0x5B);
const COLORREF kTeal = RGB(0x2E, 0x9E, 0x8F);
const COLORREF kMint = RGB(0xA8, 0xD5, 0xB5);
const COLORREF kRed = RGB(0xE0, 0x47, 0x5B);
const COLORREF kAmber = RGB(0xF5, 0xB9, 0x42);
const COLORREF kDarkAmber = RGB(0xD9, 0x96, 0x1C);
const COLORREF kSilver = RGB(0xC8, 0xD1, 0xDC);
const COLORREF kSteel = RGB(0x88, 0x93, 0xA1);
const COLORREF kSlate = RGB(0x4C, 0x58, 0x68);
const COLORREF kCharcoal = RGB(0x2E, 0x37, 0x44);
const COLORREF kLine = RGB(0xB8, 0xC2, 0xCC);

struct Box {
  Canvas& c;
  double x, y, k;  // k: canvas pixels per design unit

  double X(double u) const { return x + u * k; }
  double Y(double v) const { return y + v * k; }
  Pt P(double u, double v) const { return {X(u), Y(v)}; }
  Box Sub(double u, double v, double size) const { return {c, X(u), Y(v), k * size / 100}; }

  void Rect(double u, double v, double w, double h, COLORREF col) const { c.FillRect(X(u), Y(v), w * k, h * k, col); }
  void Round(double u, double v, double w, double h, double r, COLORREF col) const {
    c.FillRoundRect(X(u), Y(v), w * k, h * k, r * k, col);
  }
  void Gradient(double u, double v, double w, double h, double r, COLORREF top, COLORREF bottom) const {
    c.GradientRoundRect(X(u), Y(v), w * k, h * k, r * k, top, bottom);
  }
  void Frame(double u, double v, double w, double h, double r, double width, COLORREF col) const {
    c.FrameRoundRect(X(u), Y(v), w * k, h * k, r * k, width * k, col);
  }
  void Disc(double u, double v, double r, COLORREF col) const { c.FillEllipse(X(u), Y(v), r * k, r * k, col); }
  void Ring(double u, double v, double r, double width, COLORREF col) const {
    c.FrameEllipse(X(u), Y(v), r * k, r * k, width * k, col);
  }
  void Poly(std::initializer_list<Pt> pts, COLORREF col) const {
    std::vector<Pt> p;
    for (const Pt& q : pts) p.push_back(P(q.x, q.y));
    c.FillPolygon(p, col);
  }
  void Lines(std::initializer_list<Pt> pts, double width, COLORREF col) const {
    std::vector<Pt> p;
    for (const Pt& q : pts) p.push_back(P(q.x, q.y));
    c.Polyline(p, width * k, col);
  }
};

COLORREF Fade(COLORREF c, bool faded) { return faded ? Mix(c, kWhite, 0.45) : c; }

// A 3.5" drive seen from above.
void Disk(const Box& b, bool faded = false) {
  b.Gradient(15, 3, 70, 94, 8, Fade(kSlate, faded), Fade(kCharcoal, faded));
  for (Pt s : {Pt{21, 9}, Pt{79, 9}, Pt{21, 91}, Pt{79, 91}}) b.Disc(s.x, s.y, 2.2, Fade(kSteel, faded));
  b.Disc(50, 40, 28, Fade(kSilver, faded));
  b.Ring(50, 40, 21, 1.2, Fade(RGB(0xE6, 0xEB, 0xF1), faded));
  b.Disc(50, 40, 8, Fade(kSteel, faded));
  b.Disc(50, 40, 3.5, Fade(kSilver, faded));
  b.Lines({{72, 84}, {56, 52}}, 5, Fade(RGB(0xAE, 0xB8, 0xC4), faded));
  b.Disc(72, 84, 6, Fade(kSteel, faded));
  b.Disc(26, 86, 2.6, Fade(RGB(0x4C, 0xD9, 0x64), faded));
}

// A round badge with a white arrow pointing right.
void ArrowBadge(const Box& b, double cx, double cy, double r, COLORREF col) {
  b.Disc(cx, cy, r + 2.5, kWhite);
  b.Disc(cx, cy, r, col);
  double s = r / 17;
  b.Poly({{cx - 9 * s, cy - 4 * s},
          {cx + 1 * s, cy - 4 * s},
          {cx + 1 * s, cy - 10 * s},
          {cx + 11 * s, cy},
          {cx + 1 * s, cy + 10 * s},
          {cx + 1 * s, cy + 4 * s},
          {cx - 9 * s, cy + 4 * s}},
         kWhite);
}

void OneClick(const Box& b) {
  Disk(b.Sub(4, 4, 82));
  double cx = 72, cy = 74;
  b.Disc(cx, cy, 22.5, kWhite);
  b.Disc(cx, cy, 20, kGreen);
  b.Poly({{cx + 3, cy - 14}, {cx - 8, cy + 2}, {cx - 1, cy + 2}, {cx - 4, cy + 14}, {cx + 8, cy - 3}, {cx + 1, cy - 3},
          {cx + 5, cy - 14}},
         kWhite);
}

void Duplicate(const Box& b) {
  Disk(b.Sub(-4, 6, 64), true);
  Disk(b.Sub(40, 6, 64));
  ArrowBadge(b, 50, 78, 16, kBlue);
}

void FilesFolders(const Box& b) {
  b.Round(8, 16, 30, 14, 3, kDarkAmber);
  b.Round(8, 22, 84, 64, 4, kDarkAmber);
  b.Round(26, 10, 52, 50, 2, RGB(0xEE, 0xF2, 0xF6));
  b.Round(20, 15, 52, 50, 2, kWhite);
  b.Frame(20, 15, 52, 50, 2, 0.8, kLine);
  for (double v : {25.0, 32.0, 39.0, 46.0}) b.Rect(27, v, v == 46.0 ? 24 : 38, 2.4, RGB(0x9A, 0xA6, 0xB2));
  b.Poly({{6, 42}, {94, 42}, {89, 88}, {11, 88}}, kAmber);
  b.Poly({{6, 42}, {94, 42}, {93.6, 46}, {6.4, 46}}, RGB(0xFF, 0xD7, 0x7A));
  ArrowBadge(b, 76, 76, 15, kBlue);
}

void Delete(const Box& b) {
  Disk(b.Sub(0, 2, 80));
  // An eraser lying at 45 degrees over the drive's corner.
  const double a = -std::numbers::pi / 4, ca = std::cos(a), sa = std::sin(a);
  auto at = [&](double along, double across) { return Pt{66 + along * ca - across * sa, 72 + along * sa + across * ca}; };
  b.Poly({at(-26, -12.5), at(26, -12.5), at(26, 12.5), at(-26, 12.5)}, RGB(0x9B, 0x2C, 0x26));
  b.Poly({at(-24, -10.5), at(6, -10.5), at(6, 10.5), at(-24, 10.5)}, kWhite);
  b.Poly({at(6, -10.5), at(24, -10.5), at(24, 10.5), at(6, 10.5)}, kRed);
  b.Lines({{22, 94}, {36, 94}}, 2.5, kSteel);
  b.Lines({{28, 88}, {38, 88}}, 2.5, kSteel);
}

void Scan(const Box& b) {
  Disk(b.Sub(0, 0, 80));
  double cx = 62, cy = 60;
  b.Lines({{cx + 14, cy + 14}, {92, 92}}, 10, kNavy);
  b.Disc(cx, cy, 21, kWhite);
  b.Disc(cx, cy, 16, kPale);
  // A few sectors under the lens, one of them bad.
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 3; ++col)
      b.Round(cx - 11 + col * 8, cy - 11 + r * 8, 6, 6, 1, (r == 1 && col == 2) ? kRed : kSky);
  b.Ring(cx, cy, 21, 5, kBlue);
}

void PartitionManager(const Box& b) {
  struct Seg {
    double share;
    COLORREF col;
  };
  auto bar = [&](double v, std::initializer_list<Seg> segs) {
    b.Round(6, v - 2, 88, 30, 5, kCharcoal);
    double u = 9;
    for (const Seg& s : segs) {
      double w = 82 * s.share;
      b.Round(u, v + 1, w - 1.5, 24, 3, s.col);
      u += w;
    }
  };
  bar(14, {{0.42, kBlue}, {0.28, kTeal}, {0.30, RGB(0xA5, 0xAE, 0xB9)}});
  bar(56, {{0.26, kBlue}, {0.46, kMint}, {0.28, kTeal}});
  // A resize grip on the second bar.
  b.Round(41.5, 50, 5, 40, 2, kWhite);
  b.Frame(41.5, 50, 5, 40, 2, 1, kNavy);
  b.Poly({{36, 70}, {40, 65}, {40, 75}}, kNavy);
  b.Poly({{52, 70}, {48, 65}, {48, 75}}, kNavy);
}

void PartitionView(const Box& b) {
  b.Round(6, 8, 88, 84, 5, kWhite);
  b.Gradient(6, 8, 88, 16, 5, kBlue, RGB(0x24, 0x56, 0x90));
  b.Rect(6, 18, 88, 6, RGB(0x24, 0x56, 0x90));
  b.Frame(6, 8, 88, 84, 5, 1, kLine);
  for (double u : {13.0, 20.0, 27.0}) b.Disc(u, 16, 2, kWhite);
  for (int r = 0; r < 5; ++r)
    for (int col = 0; col < 6; ++col) {
      COLORREF fill = r == 2 ? kBlue : ((r + col) % 3 == 0 ? kSky : kPale);
      b.Round(13 + col * 12.6, 30 + r * 12, 10, 8, 1.5, fill);
    }
}

void DiskHealth(const Box& b) {
  // The classic heart curve, traced as a polygon.
  std::vector<Pt> heart;
  for (int i = 0; i < 96; ++i) {
    double t = 2 * std::numbers::pi * i / 96;
    double hx = 16 * std::pow(std::sin(t), 3);
    double hy = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    heart.push_back(b.P(50 + hx * 2.7, 48 - hy * 2.7));
  }
  b.c.FillPolygon(heart, kRed);
  b.Disc(32, 32, 7, RGB(0xEA, 0x74, 0x83));
  b.Lines({{16, 50}, {34, 50}, {40, 38}, {48, 66}, {56, 28}, {62, 50}, {84, 50}}, 4.5, kWhite);
}

void BootableUsb(const Box& b) {
  b.Round(36, 6, 28, 26, 2, kSilver);
  b.Frame(36, 6, 28, 26, 2, 1, kSteel);
  b.Rect(42, 12, 6, 6, kSlate);
  b.Rect(52, 12, 6, 6, kSlate);
  b.Gradient(28, 28, 44, 66, 7, RGB(0x3D, 0x7C, 0xC9), RGB(0x24, 0x50, 0x8A));
  b.Round(35, 42, 30, 30, 3, kWhite);
  // The USB trident on the label.
  b.Lines({{50, 68}, {50, 47}}, 2.6, kNavy);
  b.Poly({{50, 44}, {46, 50}, {54, 50}}, kNavy);
  b.Lines({{50, 62}, {42, 56}, {42, 52}}, 2.2, kNavy);
  b.Rect(40, 49.5, 4, 4, kNavy);
  b.Lines({{50, 58}, {58, 53}, {58, 50}}, 2.2, kNavy);
  b.Disc(58, 48.5, 2.4, kNavy);
  b.Disc(50, 70, 3, kNavy);
  b.Disc(50, 84, 2.6, RGB(0x4C, 0xD9, 0x64));
}

}  // namespace

void DrawTilePicture(Canvas& canvas, Picture picture, double x, double y, double size) {
  Box b{canvas, x, y, size / 100};
  switch (picture) {
    case Picture::OneClick:
      return OneClick(b);
    case Picture::Duplicate:
      return Duplicate(b);
    case Picture::FilesFolders:
      return FilesFolders(b);
    case Picture::Delete:
      return Delete(b);
    case Picture::Scan:
      return Scan(b);
    case Picture::PartitionManager:
      return PartitionManager(b);
    case Picture::PartitionView:
      return PartitionView(b);
    case Picture::DiskHealth:
      return DiskHealth(b);
    case Picture::BootableUsb:
      return BootableUsb(b);
    case Picture::None:
      return;
  }
}

void DrawProgramMark(Canvas& canvas, double x, double y, double size) {
  Box b{canvas, x, y, size / 100};
  Disk(b.Sub(0, 0, 86));
  ArrowBadge(b, 74, 74, 20, kBlue);
}

}  // namespace ui::win32
