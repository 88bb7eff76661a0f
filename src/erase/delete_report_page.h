// CDeleteProgressSummary: the delete report after a deletion, with Save
// Report, a look at the wiped region and Finish.
#pragma once

#include "ui/window.h"

namespace erase {

class CDeleteProgressSummary : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CDeleteProgressSummary"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 private:
  void SaveReport(ui::Window& w);
  void Finish(ui::Window& w);
};

}  // namespace erase
