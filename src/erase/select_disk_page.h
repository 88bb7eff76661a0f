// CSelectDisk: the first page of the deletion wizard, where the operator
// checks the disk or partition to erase. What the running Windows needs
// cannot be checked (system_guard.h).
#pragma once

#include "erase/region_list.h"
#include "ui/window.h"

namespace erase {

class CSelectDisk : public RegionListPage {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CSelectDisk"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 protected:
  void ChecksChanged(ui::Window& w, int firstChecked) override;
};

// Run Explorer: the open-file dialog on drive C:, so that the operator can
// look at files; the choice is not used.
void RunExplorer(ui::Window& w);

}  // namespace erase
