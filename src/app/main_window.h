// CQobDlg: the main window. One picture tile per task with its description,
// the Actions and Help menus, the Windows PE clock, the unattended one-click
// start from the command line, and Exit.
#pragma once

#include <string>

#include "ui/window.h"

namespace app {

struct Tile {
  int id;
  ui::Picture picture;
  const wchar_t* captionKey;
  const wchar_t* descriptionKey;
  int command;  // the menu command the tile runs
};
// The tiles in the order the window shows them.
const Tile* MainWindowTiles(int* count);

// Whether the task a command starts is not built yet (its tile is drawn
// faded and its menu item greyed); the list lives beside the stubs that
// stand in for those wizards (task_doors.cpp).
bool TaskPending(int command);

class CQobDlg : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CQobDlg"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;  // WM_CLOSE and WM_QUERYENDSESSION: Exit
  void OnTimer(ui::Window& w, unsigned id) override;
  void OnHover(ui::Window& w, int id) override;
  void OnMessage(ui::Window& w, unsigned message, uintptr_t param) override;
  // Tiles: the focus chooses a tile as a click does, without running it.
  void OnFocus(ui::Window& w, int id) override;

  static constexpr unsigned kOneClickTimer = 1228;
  static constexpr unsigned kClockTimer = 1224;

  // The text the Windows PE clock shows after `elapsedSeconds` of uptime.
  static std::wstring ClockText(uint64_t elapsedSeconds);

 private:
  void RunCommand(ui::Window& w, int command, bool fromTile);
  // Draws `id` as the chosen tile and shows its description.
  void Select(ui::Window& w, const Tile& t);
  void Exit(ui::Window& w);
  void Help();
  int hot_ = -1;
  int selected_ = -1;
  int oneClickTicks_ = 0;
};

// Resets the selections a wizard hands between its pages (the chosen disk
// and partition indexes) before a wizard starts.
void ResetWizardSelections();

}  // namespace app
