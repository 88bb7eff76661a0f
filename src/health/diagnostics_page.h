// CSmartDiagnostics: the diagnostics dialog of the disk page. A summary of
// the chosen drive in fourteen rows and the attribute list of every disk,
// read afresh when it opens and on Refresh.
#pragma once

#include "health/smart_reader.h"
#include "ui/window.h"

namespace health {

class CSmartDiagnostics : public ui::Page {
 public:
  CSmartDiagnostics(SmartReader& reader, int drive) : reader_(reader), drive_(drive) {}
  int TemplateId() const override;
  const char* Name() const override { return "CSmartDiagnostics"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 private:
  void ReadAndFill(ui::Window& w);

  SmartReader& reader_;
  int drive_;
};

}  // namespace health
