// The disk and partition list of the deletion, scan and partition-view
// pages: check boxes that work like radio buttons, a checked disk row
// carrying its partition rows, and the rows of one disk (the system disk
// on the deletion page) that cannot be checked at all.
#pragma once

#include <vector>

#include "app/disk_list.h"
#include "ui/window.h"

namespace erase {

class RegionList {
 public:
  // Rebuilds the disk model and fills the list; rows of the disk with index
  // lockedDisk (-1: none) refuse their check boxes.
  void Fill(ui::Window& w, int listId, int lockedDisk = -1);
  // The operator changed a check box: keeps the one selection.
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
  int lockedDisk_ = -1;
  std::vector<app::DiskListRow> rows_;
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

// The row of disk index k (1-based), or of its r-th partition row (r
// 1-based, 0 for the disk row itself); -1 when the list has none.
int RegionRowOf(const std::vector<app::DiskListRow>& rows, int diskIndex, int partition);

}  // namespace erase
