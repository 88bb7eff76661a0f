#include "erase/page_texts.h"

#include "app/language.h"
#include "ui/control_ids.h"

namespace erase {

void SetTexts(ui::Window& w, std::initializer_list<ControlText> texts) {
  for (const ControlText& t : texts) w.SetText(t.id, app::T(t.key));
}

void SetHeadings(ui::Window& w, const wchar_t* caption, const wchar_t* heading, const wchar_t* subheading) {
  SetTexts(w, {{0, caption}, {IDC_HEADING, heading}, {IDC_SUBHEADING, subheading}});
  w.SetFont(IDC_HEADING, ui::Font::Bold);
}

}  // namespace erase
