// The create-partition wizard: size and kind (CCreatePart4), format option
// and file system (CCreatePart41), and the summary (CcreatePart42). The
// pages only fill the CreatePartitionRequest; the partition manager creates
// the partition when the summary was confirmed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "partition/partition_ids.h"
#include "partition/size_controls.h"
#include "ui/window.h"

namespace partition {

class CCreatePart4 : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CREATEPART4; }
  const char* Name() const override { return "CCreatePart4"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnEditChange(ui::Window& w, int id) override;
  void OnSlider(ui::Window& w, int id, int64_t pos, bool released) override;

 private:
  void ShowKind(ui::Window& w);
  SizeControls size_{0, 0, nullptr};
};

class CCreatePart41 : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CREATEPART41; }
  const char* Name() const override { return "CCreatePart41"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnLinesSelect(ui::Window& w, int id, int index) override;

 private:
  void ShowOption(ui::Window& w);
};

class CcreatePart42 : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CREATEPART42; }
  const char* Name() const override { return "CcreatePart42"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
};

// Runs the pages from the first, Back and Next moving between them; true
// when the summary was confirmed (Cancel on any page: false).
bool RunCreateWizard();

// The file systems offered for a partition of sizeMB megabytes: NTFS, FAT32
// below 32768 MB, FAT below 4096 MB.
std::vector<std::wstring> OfferedFileSystems(uint64_t sizeMB);
// Fills a drop-down list with them and selects the request's file system
// (NTFS when it is empty).
void ShowFileSystems(ui::Window& w, int id, uint64_t sizeMB);
// The summary's five lines, "label: value".
std::vector<std::wstring> CreateSummaryLines();

}  // namespace partition
