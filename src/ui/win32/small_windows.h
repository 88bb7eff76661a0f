// The small window classes of the host: backgrounds and transparent text.
#pragma once

#include <string>

#include "platform/win32/windows_include.h"

namespace ui::win32 {

// A static text control that paints its parent's background under its
// text, so that the text stands on a picture.
class CTransparentStatic2 {
 public:
  static void Attach(HWND staticControl);
};

// Takes over the background of a window and paints a picture there,
// leaving its visible children alone. The picture comes from an image file
// (BMP, JPEG, GIF) decoded by OLE; without one, a quiet gradient.
class CPictureWindow {
 public:
  static void Attach(HWND hwnd, const std::wstring& imageFile);
};

// A borderless window over its owner (or the screen) with the program's
// name and mark, painted at once, for the moments before the main window.
class CSplashDlg {
 public:
  CSplashDlg() = default;
  ~CSplashDlg() { Close(); }
  CSplashDlg(const CSplashDlg&) = delete;
  CSplashDlg& operator=(const CSplashDlg&) = delete;
  // It goes away by itself as soon as a message loop runs (the main window's).
  void Show(HINSTANCE instance, int templateId, HWND owner);
  void Close();

 private:
  HWND hwnd_ = nullptr;
};

// The dialogs' own background: a bitmap we generate, painted when the
// background is erased, with its colour handed to the controls on it.
// CBDialog tiles it (the wizard pages); CCustomDialog centres its own (the
// small fixed dialogs).
enum class BackgroundMode { Tiled, Centred };

class CBDialog {
 public:
  // WM_ERASEBKGND; `mode` picks the bitmap and its placement.
  static void EraseBackground(HWND dialog, HDC dc, BackgroundMode mode = BackgroundMode::Tiled);
  // WM_CTLCOLORSTATIC / WM_CTLCOLORBTN / WM_CTLCOLORDLG: a brush of the
  // background's colour where the control stands.
  static HBRUSH ControlBrush(HWND dialog, HDC dc, HWND control, BackgroundMode mode = BackgroundMode::Tiled);
};

class CCustomDialog {
 public:
  static void EraseBackground(HWND dialog, HDC dc) { CBDialog::EraseBackground(dialog, dc, BackgroundMode::Centred); }
  static HBRUSH ControlBrush(HWND dialog, HDC dc, HWND control) {
    return CBDialog::ControlBrush(dialog, dc, control, BackgroundMode::Centred);
  }
};

}  // namespace ui::win32
