// CSelectDeleteMethod: the deletion wizard's choice of one of the four
// wipe methods.
#pragma once

#include "ui/window.h"

namespace erase {

class CSelectDeleteMethod : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CSelectDeleteMethod"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnListCheck(ui::Window& w, int listId, int row, bool checked) override;

 private:
  void ShowMethod(ui::Window& w);
};

}  // namespace erase
