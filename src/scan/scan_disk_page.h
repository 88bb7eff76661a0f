// CScanNewDiskPartition: the first page of the scan wizard, where the
// operator checks the disk or partition to scan.
#pragma once

#include "erase/region_list.h"
#include "ui/window.h"

namespace scan {

class CScanNewDiskPartition : public erase::RegionListPage {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CScanNewDiskPartition"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 protected:
  void ChecksChanged(ui::Window& w, int firstChecked) override;
};

}  // namespace scan
