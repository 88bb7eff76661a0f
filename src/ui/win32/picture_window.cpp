// CPictureWindow: a window's background taken over and painted with a
// picture, kept as a bitmap of the client size.
#include "platform/win32/windows_include.h"

#include <commctrl.h>
#include <olectl.h>

#include <cwchar>
#include <map>

#include "ui/win32/canvas.h"
#include "ui/win32/controls.h"
#include "ui/win32/small_windows.h"

namespace ui::win32 {

namespace {

struct PictureState {
  IPicture* picture = nullptr;
  HBITMAP cache = nullptr;
  SIZE cacheSize = {0, 0};
  std::map<COLORREF, HBRUSH> brushes;
};

// The whole file into movable memory, decoded by OLE; nullptr when the file
// is missing or not a picture.
IPicture* LoadPicture(const std::wstring& file) {
  if (file.empty()) return nullptr;
  HANDLE f = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return nullptr;
  IPicture* picture = nullptr;
  LARGE_INTEGER size;
  if (::GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
    DWORD bytes = DWORD(size.QuadPart), got = 0;
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* p = mem ? ::GlobalLock(mem) : nullptr;
    bool read = p && ::ReadFile(f, p, bytes, &got, nullptr) && got == bytes;
    if (p) ::GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (read && SUCCEEDED(::CreateStreamOnHGlobal(mem, TRUE, &stream))) {
      mem = nullptr;  // the stream frees it
      if (FAILED(::OleLoadPicture(stream, LONG(bytes), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))))
        picture = nullptr;
      stream->Release();
    }
    if (mem) ::GlobalFree(mem);
  }
  ::CloseHandle(f);
  return picture;
}

void Render(HWND hwnd, PictureState& s) {
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  if (s.cache && s.cacheSize.cx == rc.right && s.cacheSize.cy == rc.bottom) return;
  if (s.cache) ::DeleteObject(s.cache);
  HDC screen = ::GetDC(hwnd);
  s.cache = ::CreateCompatibleBitmap(screen, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
  s.cacheSize = {rc.right, rc.bottom};
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(hwnd, screen);
  HGDIOBJ old = ::SelectObject(dc, s.cache);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  if (s.picture && SUCCEEDED(s.picture->get_Width(&w)) && SUCCEEDED(s.picture->get_Height(&h))) {
    // Stretched over the client area; HIMETRIC runs bottom-up.
    s.picture->Render(dc, 0, 0, rc.right, rc.bottom, 0, h, w, -h, nullptr);
  } else {
    Canvas c(dc, rc);
    c.GradientRoundRect(0, 0, rc.right, rc.bottom, 0, RGB(0xFB, 0xFC, 0xFE), RGB(0xE4, 0xEA, 0xF2));
    c.Commit();
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
}

void Blit(HWND hwnd, PictureState& s, HDC dc) {
  Render(hwnd, s);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, s.cache);
  ::BitBlt(dc, 0, 0, s.cacheSize.cx, s.cacheSize.cy, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

// A control that paints its own background gets the picture's colour at
// its middle: close enough for a check box, and the same on every system.
HBRUSH ControlBrush(HWND hwnd, PictureState& s, HDC dc, HWND control) {
  Render(hwnd, s);
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, s.cache);
  COLORREF c = ::GetPixel(mem, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  if (c == CLR_INVALID) c = ::GetSysColor(COLOR_BTNFACE);
  HBRUSH& b = s.brushes[c];
  if (!b) b = ::CreateSolidBrush(c);
  ::SetBkColor(dc, c);
  ::SetBkMode(dc, TRANSPARENT);
  return b;
}

bool IsEdit(HWND hwnd) {
  wchar_t cls[16];
  return ::GetClassNameW(hwnd, cls, 16) && _wcsicmp(cls, L"Edit") == 0;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* s = reinterpret_cast<PictureState*>(data);
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wp);
      int saved = ::SaveDC(dc);
      // Children paint themselves (over our picture where they are
      // transparent), except group boxes, which leave their inside to us.
      for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child) || IsGroupBox(child)) continue;
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
      }
      Blit(hwnd, *s, dc);
      ::RestoreDC(dc, saved);
      return 1;
    }
    case kPaintBackgroundMsg:
      Blit(hwnd, *s, reinterpret_cast<HDC>(wp));
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (!IsEdit(reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<LRESULT>(ControlBrush(hwnd, *s, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
      break;
    case WM_SIZE:
      ::InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, Proc, id);
      if (s->picture) s->picture->Release();
      if (s->cache) ::DeleteObject(s->cache);
      for (auto& [colour, brush] : s->brushes) ::DeleteObject(brush);
      delete s;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void CPictureWindow::Attach(HWND hwnd, const std::wstring& imageFile) {
  auto* s = new PictureState;
  s->picture = LoadPicture(imageFile);
  ::SetWindowSubclass(hwnd, Proc, 1, reinterpret_cast<DWORD_PTR>(s));
  ::InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace ui::win32
