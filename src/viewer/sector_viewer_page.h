// CViewDiskData: one sector of SelectedRegion as a hexadecimal and
// character dump, with stepping through the region. A whole disk is read
// at absolute sectors, a partition through its volume from the volume's
// first sector (through its disk when it has no drive letter). The disk (or volume) stays open while the page is shown.
#pragma once

#include <cstdint>

#include "erase/selected_region.h"
#include "platform/system.h"
#include "ui/window.h"

namespace viewer {

class CViewDiskData : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CViewDiskData"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;

  // Clamps ViewerSector into the region, reads it and shows its dump.
  void ShowSector(ui::Window& w);
  // Whether the last read delivered the sector (the dump shows zeros when
  // it did not).
  bool LastReadOk() const { return lastReadOk_; }

 private:
  erase::Region region_;
  bool diskOpen_ = false;
  platform::Handle volume_ = platform::kInvalidHandle;
  bool busy_ = false;
  bool lastReadOk_ = false;
};

}  // namespace viewer
