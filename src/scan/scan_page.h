// CBadSectorScan: the page that runs the bad-sector scan of ScanRegion and
// shows its progress and error list. Opened by the scan wizard (Start Scan
// starts it) or by the duplication for its destination, in which case it
// starts from a timer and closes itself when the scan ends.
#pragma once

#include "ui/window.h"

namespace scan {

class CBadSectorScan : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CBadSectorScan"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;
  void OnTimer(ui::Window& w, unsigned id) override;

  static constexpr unsigned kStartTimer = 1;

 private:
  int ticks_ = 0;
};

}  // namespace scan
