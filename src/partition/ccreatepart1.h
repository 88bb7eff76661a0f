// The partition manager window (CCreatePart1): every disk with its
// partitions, the map of the selected disk, details of the selected region,
// and the context menu that starts the operations.
#pragma once

#include <vector>

#include "partition/partition_ids.h"
#include "ui/window.h"

namespace partition {

class CCreatePart1 : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CREATEPART1; }
  const char* Name() const override { return "CCreatePart1"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnListSelect(ui::Window& w, int listId, int row) override;
  void OnListRightClick(ui::Window& w, int listId, int row) override;
  void OnMapMouse(ui::Window& w, int id, int box, ui::MouseAction action) override;
  void OnMessage(ui::Window& w, unsigned message, uintptr_t param) override;

 private:
  void ChooseListRow(ui::Window& w, int row);
  void ContextMenu(ui::Window& w, bool fromMap, bool itemUnderPointer);
};

// The context menu's six items in their order, greyed as the selection
// asks. From the map the layout has been read again first.
std::vector<ui::MenuItem> ContextMenuItems(bool fromMap, bool itemUnderPointer);

}  // namespace partition
