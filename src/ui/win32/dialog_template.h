// Dialog templates from the program's resources, made to use the
// system's message font. Dialog units follow the dialog's font, so every
// template grows with the font and with the monitor's DPI (the font is
// given in points), and the pages keep their proportions.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/windows_include.h"

namespace ui::win32 {

struct DialogFont {
  std::wstring face;
  int points = 9;
  int weight = FW_NORMAL;
  bool italic = false;
  BYTE charset = DEFAULT_CHARSET;
};

// The message font of the system (Segoe UI 9 pt on current Windows), never
// smaller than the 9 points the templates are laid out for: Windows PE and
// older systems answer with an 8-point font.
const DialogFont& PageFont();

// The template `id` with its font set to PageFont(), ready for the
// ...Indirect dialog calls; empty when the resource is missing or is not
// an extended template.
std::vector<WORD> LoadPageTemplate(HINSTANCE instance, int id);

// A template made from `original` (a DLGTEMPLATEEX) with `font` in place
// of its own; empty when `original` is no extended template.
std::vector<WORD> WithFont(const void* original, size_t bytes, const DialogFont& font);

// A length in pixels for what was drawn for the templates' first font (8
// points at 96 DPI, where a dialog unit is 1.5 pixels across): it grows as
// the dialog's units do.
int ScaleWithDialog(HWND dialog, int pixels);

}  // namespace ui::win32
