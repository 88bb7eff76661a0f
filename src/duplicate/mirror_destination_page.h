// CMirrorDestination: the duplication's destination page. The operator
// checks the disk or partition that receives the copy and chooses how the
// partitions are sized on it (Auto, Same, Manual); the page plans the
// destination, shows it before and after, and checks on Next that the
// source fits.
#pragma once

#include <vector>

#include "app/disk_list.h"
#include "duplicate/duplication_job.h"
#include "ui/window.h"

namespace duplicate {

class CMirrorDestination : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CMirrorDestination"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnListCheck(ui::Window& w, int listId, int row, bool checked) override;
  void OnLinesSelect(ui::Window& w, int id, int index) override;
  void OnEditChange(ui::Window& w, int id) override;
  void OnSlider(ui::Window& w, int id, int64_t pos, bool released) override;
  const std::vector<app::DiskListRow>& Rows() const { return rows_; }

 private:
  Expansion ModeOnPage(ui::Window& w) const;
  void SetModeOnPage(ui::Window& w, Expansion mode);
  void ModeChanged(ui::Window& w, Expansion mode);
  void Choose(ui::Window& w, int row);
  void DropChoice(ui::Window& w);
  // Plans the chosen destination for mode; false (with the message) when refused.
  bool Plan(ui::Window& w, Expansion mode);
  void ShowPlan(ui::Window& w);
  void ShowManualLimits(ui::Window& w, uint64_t current);
  void Apply(ui::Window& w);
  bool TakeDestination(ui::Window& w);
  void FillList(ui::Window& w);
  bool Basic() const { return DuplicationJob.CopyMode == CopyKind::Basic; }

  std::vector<app::DiskListRow> rows_;
  int chosenRow_ = -1;
  bool changing_ = false;
  bool sizeTyped_ = false;  // a size was typed but not applied yet
  bool manualRowChosen_ = false;
};

}  // namespace duplicate
