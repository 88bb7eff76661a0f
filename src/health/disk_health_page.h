// CDiskDiagnose: the disk diagnostics page. The operator picks a disk in
// the tree; the page reads its SMART values (or its NVMe health log) and
// shows its identity, size and use, power-on time, temperature,
// reliability and performance, the verdict and the property table.
#pragma once

#include <memory>
#include <vector>

#include "app/disk_list.h"
#include "health/smart_reader.h"
#include "ui/window.h"

namespace health {

// Tree item data: the drive number, with this bit on partition items.
inline constexpr uint64_t kPartitionItem = 1ull << 32;

class CDiskDiagnose : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CDiskDiagnose"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnTreeSelect(ui::Window& w, int treeId, ui::TreeItem item) override;

  // The drive shown (-1 for none) and the reader behind the page.
  int ShownDrive() const { return shown_; }
  SmartReader& Reader() { return *reader_; }
  const std::vector<app::DiskListRow>& Rows() const { return rows_; }

 private:
  void FillTree(ui::Window& w);
  void ShowDrive(ui::Window& w, int drive, ui::TreeItem item);

  std::unique_ptr<SmartReader> reader_;
  std::vector<app::DiskListRow> rows_;
  int shown_ = -1;
};

}  // namespace health
