// CScanSummary: what the bad-sector scan found and how long it took.
#pragma once

#include "ui/window.h"

namespace scan {

class CScanSummary : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CScanSummary"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
};

}  // namespace scan
