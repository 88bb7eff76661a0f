#include "ui/win32/dialog_template.h"

#include <algorithm>
#include <cstring>

namespace ui::win32 {

namespace {

// DLGTEMPLATEEX, in 16-bit words: dlgVer, signature, helpID (2), exStyle
// (2), style (2), cDlgItems, x, y, cx, cy; then menu, class and title, the
// font block when the style has DS_SETFONT, and the items from the next
// 32-bit boundary.
constexpr size_t kStyleWord = 6;
constexpr size_t kFixedWords = 13;

// Skips a name-or-ordinal field (or a plain string, which never starts
// with 0xFFFF); false past the end.
bool Skip(const WORD* t, size_t n, size_t* at, bool ordinalAllowed) {
  if (*at >= n) return false;
  if (ordinalAllowed && t[*at] == 0xFFFF) {
    *at += 2;
    return *at <= n;
  }
  while (*at < n && t[*at] != 0) ++*at;
  if (*at >= n) return false;
  ++*at;
  return true;
}

int SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

DialogFont ReadMessageFont() {
  DialogFont f;
  f.face = L"Segoe UI";
  NONCLIENTMETRICSW ncm = {};
  ncm.cbSize = sizeof ncm;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    // Before Vista the structure is one field shorter.
    ncm.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) return f;
  }
  const LOGFONTW& lf = ncm.lfMessageFont;
  if (lf.lfFaceName[0]) f.face = lf.lfFaceName;
  // The height is in pixels of the system's DPI; templates want points.
  int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  int points = height ? ::MulDiv(height, 72, SystemDpi()) : 9;
  f.points = std::max(points, 9);
  f.weight = lf.lfWeight ? int(lf.lfWeight) : FW_NORMAL;
  f.italic = lf.lfItalic != 0;
  f.charset = lf.lfCharSet;
  return f;
}

}  // namespace

const DialogFont& PageFont() {
  static const DialogFont font = ReadMessageFont();
  return font;
}

std::vector<WORD> WithFont(const void* original, size_t bytes, const DialogFont& font) {
  const WORD* t = static_cast<const WORD*>(original);
  const size_t n = bytes / sizeof(WORD);
  if (n < kFixedWords || t[0] != 1 || t[1] != 0xFFFF) return {};
  DWORD style;
  std::memcpy(&style, t + kStyleWord, sizeof style);
  size_t at = kFixedWords;
  if (!Skip(t, n, &at, true) || !Skip(t, n, &at, true) || !Skip(t, n, &at, false)) return {};
  const size_t fontAt = at;
  if (style & DS_SETFONT) {
    at += 3;  // point size, weight, italic and character set
    if (!Skip(t, n, &at, false)) return {};
  }
  const size_t itemsAt = (at + 1) & ~size_t(1);
  if (itemsAt > n) return {};

  std::vector<WORD> out(t, t + fontAt);
  // DS_FIXEDSYS with DS_SETFONT would ask for the shell's font instead.
  style = (style | DS_SETFONT) & ~DWORD(DS_FIXEDSYS);
  std::memcpy(out.data() + kStyleWord, &style, sizeof style);
  out.push_back(WORD(font.points));
  out.push_back(WORD(font.weight));
  out.push_back(WORD((font.italic ? 1 : 0) | (WORD(font.charset) << 8)));
  out.insert(out.end(), font.face.begin(), font.face.end());
  out.push_back(0);
  if (out.size() % 2) out.push_back(0);  // items start on a 32-bit boundary
  out.insert(out.end(), t + itemsAt, t + n);
  return out;
}

std::vector<WORD> LoadPageTemplate(HINSTANCE instance, int id) {
  HRSRC res = ::FindResourceW(instance, MAKEINTRESOURCEW(id), RT_DIALOG);
  HGLOBAL mem = res ? ::LoadResource(instance, res) : nullptr;
  const void* data = mem ? ::LockResource(mem) : nullptr;
  if (!data) return {};
  return WithFont(data, ::SizeofResource(instance, res), PageFont());
}

int ScaleWithDialog(HWND dialog, int pixels) {
  RECT r = {0, 0, 400, 0};
  if (!dialog || !::MapDialogRect(dialog, &r) || r.right <= 0) return pixels;
  return ::MulDiv(pixels, r.right, 600);
}

}  // namespace ui::win32
