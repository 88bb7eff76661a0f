// The scripted host: pages run without a screen. A script, keyed by the
// page's class name, does what an operator would do (check a row, press a
// button, type a size); questions are answered by a policy; timers fire in
// order on the machine's clock. The console program and the tests use it,
// so both run the same checks and messages as the dialogs.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/window.h"

namespace ui {

class ScriptedHost;

class ScriptedWindow : public Window {
 public:
  ScriptedWindow(ScriptedHost* host, Page* page) : host_(host), page_(page) {}

  // ---- Window
  void SetText(int id, const std::wstring& text) override { c(id).text = text; }
  std::wstring GetText(int id) override { return c(id).text; }
  void Enable(int id, bool enabled) override { c(id).enabled = enabled; }
  bool IsEnabled(int id) override { return c(id).enabled; }
  void Show(int id, bool visible) override { c(id).visible = visible; }
  bool IsVisible(int id) override { return c(id).visible; }
  void SetCheck(int id, bool checked) override { c(id).checked = checked; }
  bool GetCheck(int id) override { return c(id).checked; }
  void SetFont(int id, Font font) override { c(id).font = font; }
  void SetFocus(int id) override { focus_ = id; }

  void ListSetup(int id, const std::vector<ListColumn>& columns, bool checkBoxes, bool gridLines) override;
  void ListClear(int id) override;
  int ListAdd(int id, const std::vector<std::wstring>& cells, int image) override;
  int ListCount(int id) override { return int(c(id).rows.size()); }
  std::wstring ListCell(int id, int row, int column) override;
  void ListSetCheck(int id, int row, bool checked) override;
  bool ListGetCheck(int id, int row) override;
  void ListSelect(int id, int row) override { c(id).selected = row; }
  int ListSelected(int id) override { return c(id).selected; }

  void LinesClear(int id) override;
  void LinesAdd(int id, const std::wstring& line) override { c(id).lines.push_back(line); }
  int LinesCount(int id) override { return int(c(id).lines.size()); }
  std::wstring LinesGet(int id, int index) override;
  void LinesSelect(int id, int index) override { c(id).linesSelected = index; }
  int LinesSelected(int id) override { return c(id).linesSelected; }

  void TreeSetup(int id, bool checkImages) override { c(id).treeCheckImages = checkImages; }
  void TreeClear(int id) override { TreeDeleteChildren(id, kTreeRoot); }
  TreeItem TreeAdd(int id, TreeItem parent, const std::wstring& text, uint64_t data, int stateImage,
                   bool hasChildren) override;
  void TreeSetText(int id, TreeItem item, const std::wstring& text) override;
  std::wstring TreeGetText(int id, TreeItem item) override;
  void TreeSetState(int id, TreeItem item, int stateImage) override;
  int TreeGetState(int id, TreeItem item) override;
  void TreeSetData(int id, TreeItem item, uint64_t data) override;
  uint64_t TreeGetData(int id, TreeItem item) override;
  void TreeSelect(int id, TreeItem item) override;
  TreeItem TreeSelected(int id) override { return c(id).treeSelected; }
  void TreeExpand(int id, TreeItem item, bool expand) override;
  std::vector<TreeItem> TreeChildren(int id, TreeItem parent) override;
  void TreeDeleteChildren(int id, TreeItem parent) override;

  void SetRange(int id, int64_t low, int64_t high) override;
  void SetPos(int id, int64_t pos) override;
  int64_t GetPos(int id) override { return c(id).pos; }

  void SetMap(int id, const std::vector<MapBox>& boxes) override { c(id).map = boxes; }
  void SetPie(int id, double freeShare) override { c(id).pie = freeShare; }
  void SetPicture(int id, Picture picture, bool highlighted, bool selected) override;
  void SetPictureDimmed(int id, bool dimmed) override { c(id).dimmed = dimmed; }
  void Redraw(int) override {}

  void SetMenuText(int command, const std::wstring& text) override { menu_[command] = text; }
  void SetMenuPopupText(int index, const std::wstring& text) override { popups_[index] = text; }
  void RemoveMenuItem(int command, bool) override { menu_.erase(command), removedMenu_.push_back(command); }
  int PopupMenu(const std::vector<MenuItem>& items) override;

  void SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;

  int MessageBox(const std::wstring& text, unsigned flags) override;
  std::optional<std::wstring> SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt) override;
  std::optional<std::wstring> SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                             const std::wstring& initialName) override;
  std::optional<std::wstring> OpenFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                             const std::wstring& initialName, bool mustExist) override;
  std::optional<std::wstring> BrowseForFolder(const std::wstring& title, bool editBox) override;

  void Close(int result) override;
  bool IsClosed() override { return closed_; }
  void PumpMessages() override;

  // ---- what an operator does; false when the control cannot be used
  // (disabled or hidden), in which case nothing happens.
  bool Press(int id);                          // a button (or menu command)
  bool Tick(int id, bool checked);             // a check box or radio button, then its command
  bool CheckRow(int listId, int row, bool checked);
  bool SelectRow(int listId, int row);
  bool RightClickRow(int listId, int row);
  bool ActivateRow(int listId, int row);     // a double click
  bool Type(int id, const std::wstring& text);  // an edit box
  bool Choose(int id, int index);               // a list box or drop-down list
  bool Slide(int id, int64_t pos);              // a slider, released at pos
  bool MapMouse(int id, int box, MouseAction action);
  bool SelectTreeItem(int treeId, TreeItem item);
  // The expand button: the page hears of it before the item opens; an
  // item left without children does not open.
  bool ExpandTreeItem(int treeId, TreeItem item);
  bool CollapseTreeItem(int treeId, TreeItem item);
  bool ClickTreeState(int treeId, TreeItem item, bool shift);  // its check image
  void Hover(int id);
  // The keyboard focus moved to a control (Tab, or a click that focuses it).
  bool FocusOn(int id);
  void Cancel();                                // Esc or the close box
  void Notify(unsigned message, uintptr_t param) { page_->OnMessage(*this, message, param); }
  void FireTimer(unsigned id);

  // ---- state for scripts, the console and tests
  struct Control {
    std::wstring text;
    bool enabled = true, visible = true, checked = false;
    Font font = Font::Normal;
    std::vector<ListColumn> columns;
    bool checkBoxes = false;
    std::vector<std::vector<std::wstring>> rows;
    std::vector<bool> rowChecks;
    int selected = -1;
    std::vector<std::wstring> lines;
    int linesSelected = -1;
    int64_t low = 0, high = 100, pos = 0;
    std::vector<MapBox> map;
    double pie = -1;
    Picture picture = Picture::None;
    bool highlighted = false, pictureSelected = false, dimmed = false;
    struct TreeNode {
      TreeItem item = kTreeRoot, parent = kTreeRoot;
      std::wstring text;
      uint64_t data = 0;
      int state = 0;
      bool hasChildren = false, expanded = false;
    };
    std::vector<TreeNode> tree;  // in the order added
    bool treeCheckImages = false;
    TreeItem treeSelected = kTreeRoot;
    TreeNode* Node(TreeItem item);
  };
  Control& c(int id) { return controls_[id]; }
  const std::map<int, Control>& Controls() const { return controls_; }
  const std::map<int, std::wstring>& Menu() const { return menu_; }
  const std::map<int, std::wstring>& MenuPopups() const { return popups_; }
  const std::vector<int>& RemovedMenu() const { return removedMenu_; }
  int Result() const { return result_; }
  Page& ThePage() { return *page_; }
  const char* Name() const { return page_->Name(); }
  bool HasTimers() const { return !timers_.empty(); }
  int Focus() const { return focus_; }
  // The first tree item with this data, or kTreeRoot.
  TreeItem FindTreeItem(int treeId, uint64_t data);

 private:
  friend class ScriptedHost;
  bool Usable(int id) { return !closed_ && c(id).enabled && c(id).visible; }
  struct Timer {
    unsigned id;
    unsigned period;
    uint64_t due;
  };
  ScriptedHost* host_;
  Page* page_;
  std::map<int, Control> controls_;
  std::map<int, std::wstring> menu_, popups_;
  std::vector<int> removedMenu_;
  std::vector<Timer> timers_;
  uint64_t clockMs_ = 0;
  bool closed_ = false;
  int result_ = 0;
  int focus_ = 0;
  int pumpDepth_ = 0;
  TreeItem nextTreeItem_ = 1;
};

class ScriptedHost : public Host {
 public:
  using PageScript = std::function<void(ScriptedWindow&)>;

  // ---- Host
  int RunModal(Page& page) override;
  int MessageBox(const std::wstring& text, unsigned flags) override;
  Window* Top() override { return stack_.empty() ? nullptr : stack_.back(); }
  std::unique_ptr<WaitWindow> StartWait(const std::wstring& text, bool allowCancel) override;
  void Diagnostic(const std::wstring& line) override {
    diagnostics.push_back(line);
    if (onDiagnostic) onDiagnostic(line);
  }
  // Sleeps on the machine's clock; nothing is drawn, nothing acts.
  void Wait(uint32_t milliseconds) override;

  // ---- how the host acts for the operator
  // Runs after the page's OnInit (and again each time the page opens).
  void OnPage(const std::string& pageName, PageScript script) { scripts_[pageName] = std::move(script); }
  // Answers message boxes; the default answers Yes/OK when answerYes is
  // set and No/Cancel otherwise; OK-only boxes get OK.
  bool answerYes = false;
  std::function<int(const std::wstring& text, unsigned flags)> answer;
  // Called each time a page drains its message queue (a running loop).
  std::function<void(ScriptedWindow&)> onPump;
  // Called when a page's progress bar or slider moves.
  std::function<void(ScriptedWindow&, int id, int64_t pos, int64_t low, int64_t high)> onProgress;
  // Called just before a page is taken down, with its final state.
  std::function<void(ScriptedWindow&)> onClose;
  // Answers the file dialogs (save = true for the save dialog).
  std::function<std::optional<std::wstring>(bool save, const std::wstring& filter)> fileDialog;
  // The file dialogs asked for, with what they were to start from.
  struct FileDialogCall {
    bool save;
    std::wstring filter, defaultExt, initialName;
  };
  std::vector<FileDialogCall> fileDialogs;
  // Answers the folder picker (nothing: Cancel), and the titles it was
  // shown with.
  std::function<std::optional<std::wstring>(const std::wstring& title)> folderDialog;
  std::vector<std::wstring> folderDialogs;
  // Chooses from a popup menu.
  std::function<int(ScriptedWindow&, const std::vector<MenuItem>&)> popupMenu;
  // Called after a timer fired.
  std::function<void(ScriptedWindow&, unsigned id)> onTimer;
  // How many timer events a page may see before the host gives up on it.
  int maxTimerEvents = 100000;

  // ---- what happened
  struct Message {
    std::wstring text;
    unsigned flags;
    int answer;
    std::string page;  // the page it was shown over ("" for none)
  };
  std::vector<Message> messages;
  std::vector<std::string> pagesOpened;
  std::vector<std::wstring> waitTexts;
  std::vector<std::wstring> diagnostics;
  std::function<void(const std::wstring&)> onDiagnostic;
  // The waits asked for, in milliseconds, with the page they were made over.
  struct Pause {
    uint32_t milliseconds;
    std::string page;
  };
  std::vector<Pause> waits;
  // Pages the host had to close because nothing was left to do on them.
  std::vector<std::string> abandoned;

  int Answer(const std::wstring& text, unsigned flags, const std::string& page);
  void Pumped(ScriptedWindow& w) {
    if (onPump) onPump(w);
  }
  void Progressed(ScriptedWindow& w, int id) {
    if (onProgress) onProgress(w, id, w.c(id).pos, w.c(id).low, w.c(id).high);
  }
  std::vector<ScriptedWindow*>& Stack() { return stack_; }

 private:
  std::map<std::string, PageScript> scripts_;
  std::vector<ScriptedWindow*> stack_;
};

}  // namespace ui
