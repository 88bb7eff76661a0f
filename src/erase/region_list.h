// The disk and partition list of the deletion, scan and partition-view
// pages: check boxes that work like radio buttons, a checked disk row
// carrying its partition rows, and (on the deletion page) the rows the
// running Windows needs, which cannot be checked at all.
#pragma once

#include <vector>

#include "app/disk_list.h"
#include "ui/window.h"

namespace erase {

class RegionList {
 public:
  // Rebuilds the disk model and fills the list; with guarded, the rows the
  // system guard refuses to have written refuse their check boxes.
  void Fill(ui::Window& w, int listId, bool guarded = false);
  // The operator changed a check box: keeps the one selection. A refused
  // row stays unchecked and the operator is told why.
  void OnCheck(ui::Window& w, int row, bool checked);
  // Checks a row as the operator would (a remembered one); false when it
  // cannot be checked.
  bool Check(ui::Window& w, int row);
  int FirstChecked(ui::Window& w) const;
  // Fills SelectedRegion from a row.
  void Take(int row) const;
  const std::vector<app::DiskListRow>& Rows() const { return rows_; }

 private:
  void SetChecks(ui::Window& w, int row, bool checked);
  int listId_ = 0;
  std::vector<app::DiskListRow> rows_;
  std::vector<std::wstring> refusals_;  // per row: why it cannot be checked, or empty
};

// A page that chooses a region from the list (control IDC_LIST): the
// deletion and scan disk pages and the partition view.
class RegionListPage : public ui::Page {
 public:
  void OnListCheck(ui::Window& w, int listId, int row, bool checked) override;
  const RegionList& List() const { return list_; }

 protected:
  // After the operator changed the checks; firstChecked is -1 when none is left.
  virtual void ChecksChanged(ui::Window& w, int firstChecked) {}
  // The first checked row taken into SelectedRegion; false, after telling
  // the operator, when no row is checked.
  bool TakeChecked(ui::Window& w);
  RegionList list_;
};

// The row of the disk with Windows disk number n, or of its r-th partition
// row (r 1-based, 0 for the disk row itself); -1 when the list has none.
int RegionRowOf(const std::vector<app::DiskListRow>& rows, int driveNumber, int partition);

}  // namespace erase
