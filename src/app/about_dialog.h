// The About box.
#pragma once

#include "ui/window.h"

namespace app {

class CAboutDlg : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CAboutDlg"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
};

}  // namespace app
