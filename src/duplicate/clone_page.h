// CClone: the duplication's progress page. It shows what was chosen (both
// disk maps and the choices), asks once more on Start, runs
// RunDuplication and shows its progress; Cancel stops it between blocks,
// files or polls. When the run ends the page closes itself (IDC_NEXT) and
// the summary page follows.
#pragma once

#include "ui/window.h"

namespace duplicate {

class CClone : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CClone"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;

  // The quick duplicate opens the page without the pages before it.
  bool backDisabled = false;

 private:
  void Start(ui::Window& w);
  bool running_ = false;
  bool cancelAllowed_ = true;
  friend class ClonePageProgress;
};

}  // namespace duplicate
