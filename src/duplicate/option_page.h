// COption: the duplication's option page: a bad-sector scan of the
// destination before the copy, a new SID (stored only), and a verify pass.
#pragma once

#include "ui/window.h"

namespace duplicate {

class COption : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "COption"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
};

}  // namespace duplicate
