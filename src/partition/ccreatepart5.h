// The format page (CCreatePart5): the file system and the quick-format box
// for the selected partition. Confirming stores them in the
// CreatePartitionRequest (format option 1 when the box is ticked, else 0).
#pragma once

#include <cstdint>

#include "partition/partition_ids.h"
#include "ui/window.h"

namespace partition {

class CCreatePart5 : public ui::Page {
 public:
  CCreatePart5(wchar_t letter, uint64_t lengthSectors) : letter_(letter), length_(lengthSectors) {}
  int TemplateId() const override { return IDD_CREATEPART5; }
  const char* Name() const override { return "CCreatePart5"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnLinesSelect(ui::Window& w, int id, int index) override;
  bool Confirmed() const { return confirmed_; }

 private:
  wchar_t letter_;
  uint64_t length_;
  bool confirmed_ = false;
};

}  // namespace partition
