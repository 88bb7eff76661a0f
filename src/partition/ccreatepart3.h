// The resize page (CCreatePart3): the new size of a partition that is
// followed by free space, between the limits in the CreatePartitionRequest.
// The choice is left in its newSizeSectors.
#pragma once

#include <cstdint>

#include "partition/partition_ids.h"
#include "partition/size_controls.h"
#include "ui/window.h"

namespace partition {

class CCreatePart3 : public ui::Page {
 public:
  CCreatePart3(wchar_t letter, uint64_t currentSectors) : letter_(letter), current_(currentSectors) {}
  int TemplateId() const override { return IDD_CREATEPART3; }
  const char* Name() const override { return "CCreatePart3"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnEditChange(ui::Window& w, int id) override;
  void OnSlider(ui::Window& w, int id, int64_t pos, bool released) override;
  bool Confirmed() const { return confirmed_; }

 private:
  wchar_t letter_;
  uint64_t current_;
  bool confirmed_ = false;
  SizeControls size_{0, 0, nullptr};
};

}  // namespace partition
