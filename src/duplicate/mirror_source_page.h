// CMirrorSource: the duplication's source page. The operator checks a disk
// (with all its partitions) or one partition, and chooses basic or
// sector-by-sector copying; Next fills the source part of DuplicationJob.
#pragma once

#include <vector>

#include "app/disk_list.h"
#include "ui/window.h"

namespace duplicate {

class CMirrorSource : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CMirrorSource"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnListCheck(ui::Window& w, int listId, int row, bool checked) override;
  void OnListSelect(ui::Window& w, int listId, int row) override;
  const std::vector<app::DiskListRow>& Rows() const { return rows_; }

 private:
  void SetMode(ui::Window& w, bool basic);
  void CheckPartition(ui::Window& w, int row);
  // Whether the partition of row holds a newer Windows whose boot files
  // lie on a partition in front of it.
  bool NeedsBootPartition(int row) const;
  // Whether a basic copy of the disk (or pair) checked at row finds a volume
  // whose files it can read.
  bool HasFileVolume(int row) const;
  bool TakeSource(ui::Window& w);
  std::vector<app::DiskListRow> rows_;
  bool changing_ = false;  // the page itself is changing check marks
  bool pair_ = false;      // the Windows 7 pair was accepted
  int pairCount_ = 0;
};

}  // namespace duplicate
