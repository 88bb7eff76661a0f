// CDeletionProgress: shows what will be erased and how, asks once more,
// runs the deletion and shows its progress; Cancel stops it between blocks.
#pragma once

#include "ui/window.h"

namespace erase {

class CDeletionProgress : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CDeletionProgress"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;
};

}  // namespace erase
