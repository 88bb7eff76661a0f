// The host's own window classes and the private messages between them and
// the dialogs that hold them. Pages never see any of this.
#pragma once

#include "platform/win32/windows_include.h"

namespace ui::win32 {

// Class names the dialog templates use for owner-drawn pieces.
inline constexpr const wchar_t* kTileClass = L"VektrelTile";
inline constexpr const wchar_t* kDiskMapClass = L"VektrelDiskMap";
inline constexpr const wchar_t* kPieClass = L"VektrelPie";

// Host -> control
inline constexpr UINT kSetMapMsg = WM_APP + 100;      // lParam: const std::vector<MapBox>*
inline constexpr UINT kSetPieMsg = WM_APP + 101;      // lParam: const double* (free share, < 0: none)
inline constexpr UINT kSetPictureMsg = WM_APP + 102;  // wParam: Picture, lParam: kTileHot | kTileSelected
inline constexpr LPARAM kTileHot = 1;
inline constexpr LPARAM kTileSelected = 2;
inline constexpr UINT kSetDimmedMsg = WM_APP + 103;  // wParam: TRUE to draw the tile faded

// Control -> its dialog
inline constexpr UINT kHoverMsg = WM_APP + 110;     // wParam: id entered, or -1 with lParam = id left
inline constexpr UINT kMapMouseMsg = WM_APP + 111;  // wParam: id, lParam: MAKELPARAM(box, MouseAction)

// Anyone -> a window with a painted background: paint it into the DC
// given in wParam, in the window's client coordinates, without leaving out
// the children. Returns TRUE when done. Transparent children use it.
inline constexpr UINT kPaintBackgroundMsg = WM_APP + 120;

// A page to itself, after the system has moved it to a monitor of another
// DPI and given it a new dialog font: the bold and fixed fonts follow.
inline constexpr UINT kFontsAgainMsg = WM_APP + 121;

// The wait window's thread messages and its cancel notice to the owner.
inline constexpr UINT kWaitCancelMsg = WM_USER + 12;
inline constexpr UINT kWaitSetTextMsg = WM_USER + 13;
inline constexpr UINT kWaitCloseMsg = WM_USER + 14;

inline bool IsGroupBox(HWND hwnd) {
  wchar_t cls[16];
  return ::GetClassNameW(hwnd, cls, 16) && _wcsicmp(cls, L"Button") == 0 &&
         (::GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

void RegisterTileClass(HINSTANCE instance);
void RegisterDiskMapClass(HINSTANCE instance);
void RegisterPieClass(HINSTANCE instance);

// One of our control classes: no background brush (they paint it all).
void RegisterControlClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, const wchar_t* cursor);

// A control's own state, made at WM_NCCREATE and gone after WM_NCDESTROY
// (nullptr before and after).
template <typename T>
T* ControlState(HWND hwnd, UINT msg) {
  if (msg == WM_NCCREATE) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new T));
  T* state = reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY && state) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete state;
    return nullptr;
  }
  return state;
}

// Paints the parent's background under `child` into `dc` (the child's
// client coordinates): through kPaintBackgroundMsg when the parent has a
// picture, else with the brush the parent gives for statics.
void PaintParentBackground(HWND child, HDC dc);

// Double-buffered painting for WM_PAINT: draw into Dc() over the whole
// client area; the result reaches the screen in one piece when it ends.
class BufferedPaint {
 public:
  explicit BufferedPaint(HWND hwnd);
  ~BufferedPaint();
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC Dc() const { return mem_; }
  const RECT& Client() const { return client_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_;
  RECT client_;
  HDC mem_;
  HBITMAP bitmap_, old_;
};

// A DPI-independent length: `pixels` at 96 DPI on the window's monitor.
int Scale(HWND hwnd, int pixels);

}  // namespace ui::win32
