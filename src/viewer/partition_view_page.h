// CViewDiskPartition: the list of disks and partitions from which the
// sector viewer is opened, one region after another.
#pragma once

#include "erase/region_list.h"
#include "ui/control_ids.h"
#include "ui/window.h"

namespace viewer {

class CViewDiskPartition : public erase::RegionListPage {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CViewDiskPartition"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 protected:
  void ChecksChanged(ui::Window& w, int firstChecked) override { w.Enable(IDC_VIEW, firstChecked >= 0); }
};

}  // namespace viewer
