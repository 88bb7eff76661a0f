// The properties page (CCreatePart6): the selected disk and, when a region
// is selected, its drive, file system, free and used space with a pie of
// the two.
#pragma once

#include "partition/partition_ids.h"
#include "ui/window.h"

namespace partition {

class CCreatePart6 : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CREATEPART6; }
  const char* Name() const override { return "CCreatePart6"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
};

}  // namespace partition
