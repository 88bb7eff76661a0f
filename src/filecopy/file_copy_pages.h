// The file copy wizard's pages: CBackupFiles (page 1, the ticked files and
// folders), CBit1 (page 2, the destination folder) and CClone1 (page 3,
// confirm and copy with progress).
#pragma once

#include <cstdint>

#include "filecopy/file_copy.h"
#include "filecopy/file_tree_ctrl.h"
#include "ui/window.h"

namespace filecopy {

// Page 1: the sources.
class CBackupFiles : public ui::Page {
 public:
  CBackupFiles();
  int TemplateId() const override;
  const char* Name() const override { return "CBackupFiles"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnTreeExpanding(ui::Window& w, int treeId, ui::TreeItem item) override { tree_.OnExpanding(w, item); }
  void OnTreeStateClick(ui::Window& w, int treeId, ui::TreeItem item, bool shift) override;
  CFileTreeCtrl& Tree() { return tree_; }

 private:
  CFileTreeCtrl tree_;
};

// Page 2: the destination.
class CBit1 : public ui::Page {
 public:
  CBit1();
  int TemplateId() const override;
  const char* Name() const override { return "CBit1"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnTreeExpanding(ui::Window& w, int treeId, ui::TreeItem item) override { tree_.OnExpanding(w, item); }
  void OnTreeSelect(ui::Window& w, int treeId, ui::TreeItem item) override;
  void OnEditChange(ui::Window& w, int id) override;
  CFileTreeCtrl& Tree() { return tree_; }

 private:
  CFileTreeCtrl tree_;
};

// Page 3: confirm and copy.
class CClone1 : public ui::Page, private FileCopyObserver {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CClone1"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;

 private:
  bool Progress(const FileCopyProgress& p) override;
  void Start(ui::Window& w);
  ui::Window* window_ = nullptr;
  bool running_ = false;
  bool cancel_ = false;
  uint64_t total_ = 0;
  uint32_t startTick_ = 0;
  uint32_t lastShown_ = 0;
};

}  // namespace filecopy
