// Putting language texts on a page's controls.
#pragma once

#include <initializer_list>

#include "ui/window.h"

namespace erase {

struct ControlText {
  int id;               // 0: the window's caption
  const wchar_t* key;   // a language key
};

// Each control gets the text of its key.
void SetTexts(ui::Window& w, std::initializer_list<ControlText> texts);
// The caption and the subheading, and the heading in bold.
void SetHeadings(ui::Window& w, const wchar_t* caption, const wchar_t* heading, const wchar_t* subheading);

}  // namespace erase
