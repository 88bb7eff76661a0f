#include "ui/scripted/scripted_host.h"

#include <algorithm>

#include "platform/system.h"
#include "platform/winapi.h"

namespace ui {

// ---- ScriptedWindow

void ScriptedWindow::ListSetup(int id, const std::vector<ListColumn>& columns, bool checkBoxes, bool) {
  Control& ctl = c(id);
  ctl.columns = columns;
  ctl.checkBoxes = checkBoxes;
}

void ScriptedWindow::ListClear(int id) {
  Control& ctl = c(id);
  ctl.rows.clear();
  ctl.rowChecks.clear();
  ctl.selected = -1;
}

int ScriptedWindow::ListAdd(int id, const std::vector<std::wstring>& cells, int) {
  Control& ctl = c(id);
  ctl.rows.push_back(cells);
  ctl.rowChecks.push_back(false);
  return int(ctl.rows.size()) - 1;
}

std::wstring ScriptedWindow::ListCell(int id, int row, int column) {
  Control& ctl = c(id);
  if (row < 0 || row >= int(ctl.rows.size()) || column < 0 || column >= int(ctl.rows[size_t(row)].size()))
    return L"";
  return ctl.rows[size_t(row)][size_t(column)];
}

void ScriptedWindow::ListSetCheck(int id, int row, bool checked) {
  Control& ctl = c(id);
  if (row >= 0 && row < int(ctl.rowChecks.size())) ctl.rowChecks[size_t(row)] = checked;
}

bool ScriptedWindow::ListGetCheck(int id, int row) {
  Control& ctl = c(id);
  return row >= 0 && row < int(ctl.rowChecks.size()) && ctl.rowChecks[size_t(row)];
}

void ScriptedWindow::LinesClear(int id) {
  c(id).lines.clear();
  c(id).linesSelected = -1;
}

std::wstring ScriptedWindow::LinesGet(int id, int index) {
  Control& ctl = c(id);
  return index >= 0 && index < int(ctl.lines.size()) ? ctl.lines[size_t(index)] : L"";
}

ScriptedWindow::Control::TreeNode* ScriptedWindow::Control::Node(TreeItem item) {
  for (TreeNode& n : tree)
    if (n.item == item) return &n;
  return nullptr;
}

TreeItem ScriptedWindow::TreeAdd(int id, TreeItem parent, const std::wstring& text, uint64_t data, int stateImage,
                                 bool hasChildren) {
  Control& ctl = c(id);
  if (parent != kTreeRoot && !ctl.Node(parent)) return kTreeRoot;
  Control::TreeNode n;
  n.item = nextTreeItem_++;
  n.parent = parent;
  n.text = text;
  n.data = data;
  n.state = stateImage & 15;
  n.hasChildren = hasChildren;
  ctl.tree.push_back(n);
  return n.item;
}

void ScriptedWindow::TreeSetText(int id, TreeItem item, const std::wstring& text) {
  if (auto* n = c(id).Node(item)) n->text = text;
}

std::wstring ScriptedWindow::TreeGetText(int id, TreeItem item) {
  auto* n = c(id).Node(item);
  return n ? n->text : L"";
}

void ScriptedWindow::TreeSetState(int id, TreeItem item, int stateImage) {
  if (auto* n = c(id).Node(item)) n->state = stateImage & 15;
}

int ScriptedWindow::TreeGetState(int id, TreeItem item) {
  auto* n = c(id).Node(item);
  return n ? n->state : 0;
}

void ScriptedWindow::TreeSetData(int id, TreeItem item, uint64_t data) {
  if (auto* n = c(id).Node(item)) n->data = data;
}

uint64_t ScriptedWindow::TreeGetData(int id, TreeItem item) {
  auto* n = c(id).Node(item);
  return n ? n->data : 0;
}

void ScriptedWindow::TreeSelect(int id, TreeItem item) {
  Control& ctl = c(id);
  if (item == kTreeRoot || ctl.Node(item)) ctl.treeSelected = item;
}

void ScriptedWindow::TreeExpand(int id, TreeItem item, bool expand) {
  Control& ctl = c(id);
  auto* n = ctl.Node(item);
  if (n) n->expanded = expand && !TreeChildren(id, item).empty();
}

std::vector<TreeItem> ScriptedWindow::TreeChildren(int id, TreeItem parent) {
  std::vector<TreeItem> out;
  for (const auto& n : c(id).tree)
    if (n.parent == parent) out.push_back(n.item);
  return out;
}

void ScriptedWindow::TreeDeleteChildren(int id, TreeItem parent) {
  Control& ctl = c(id);
  // Items go with all their descendants; the selection with them.
  std::vector<TreeItem> doomed = TreeChildren(id, parent);
  for (size_t i = 0; i < doomed.size(); ++i) {
    std::vector<TreeItem> below = TreeChildren(id, doomed[i]);
    doomed.insert(doomed.end(), below.begin(), below.end());
  }
  for (TreeItem item : doomed) {
    if (ctl.treeSelected == item) ctl.treeSelected = kTreeRoot;
    ctl.tree.erase(std::remove_if(ctl.tree.begin(), ctl.tree.end(),
                                  [item](const Control::TreeNode& n) { return n.item == item; }),
                   ctl.tree.end());
  }
  if (auto* n = ctl.Node(parent)) n->expanded = false;
}

TreeItem ScriptedWindow::FindTreeItem(int treeId, uint64_t data) {
  for (const auto& n : c(treeId).tree)
    if (n.data == data) return n.item;
  return kTreeRoot;
}

void ScriptedWindow::SetRange(int id, int64_t low, int64_t high) {
  c(id).low = low;
  c(id).high = high;
  host_->Progressed(*this, id);
}

void ScriptedWindow::SetPos(int id, int64_t pos) {
  c(id).pos = pos;
  host_->Progressed(*this, id);
}

void ScriptedWindow::SetPicture(int id, Picture picture, bool highlighted, bool selected) {
  Control& ctl = c(id);
  ctl.picture = picture;
  ctl.highlighted = highlighted;
  ctl.pictureSelected = selected;
}

int ScriptedWindow::PopupMenu(const std::vector<MenuItem>& items) {
  if (!host_->popupMenu) return 0;
  int cmd = host_->popupMenu(*this, items);
  for (const MenuItem& m : items)
    if (m.command == cmd) return m.enabled ? cmd : 0;
  return 0;
}

void ScriptedWindow::SetTimer(unsigned id, unsigned milliseconds) {
  KillTimer(id);
  timers_.push_back({id, milliseconds, clockMs_ + milliseconds});
}

void ScriptedWindow::KillTimer(unsigned id) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                timers_.end());
}

int ScriptedWindow::MessageBox(const std::wstring& text, unsigned flags) {
  return host_->Answer(text, flags, page_->Name());
}

std::optional<std::wstring> ScriptedWindow::SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt) {
  return SaveFileDialog(filter, defaultExt, L"");
}

std::optional<std::wstring> ScriptedWindow::SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                           const std::wstring& initialName) {
  host_->fileDialogs.push_back({true, filter, defaultExt, initialName});
  if (!host_->fileDialog) return std::nullopt;
  return host_->fileDialog(true, filter);
}

std::optional<std::wstring> ScriptedWindow::OpenFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                           const std::wstring& initialName, bool) {
  host_->fileDialogs.push_back({false, filter, defaultExt, initialName});
  if (!host_->fileDialog) return std::nullopt;
  return host_->fileDialog(false, filter);
}

std::optional<std::wstring> ScriptedWindow::BrowseForFolder(const std::wstring& title, bool) {
  host_->folderDialogs.push_back(title);
  if (!host_->folderDialog) return std::nullopt;
  return host_->folderDialog(title);
}

void ScriptedWindow::Close(int result) {
  if (closed_) return;
  closed_ = true;
  result_ = result;
  timers_.clear();
}

void ScriptedWindow::PumpMessages() {
  // Operator actions arrive while a long loop drains the queue; a pump
  // inside such an action does not deliver them again.
  if (pumpDepth_ > 0) return;
  ++pumpDepth_;
  host_->Pumped(*this);
  --pumpDepth_;
}

bool ScriptedWindow::Press(int id) {
  if (!Usable(id)) return false;
  if (id == win::IDCANCEL) {
    page_->OnCancel(*this);
  } else {
    page_->OnCommand(*this, id);
  }
  return true;
}

bool ScriptedWindow::Tick(int id, bool checked) {
  if (!Usable(id)) return false;
  c(id).checked = checked;
  page_->OnCommand(*this, id);
  return true;
}

bool ScriptedWindow::CheckRow(int listId, int row, bool checked) {
  if (!Usable(listId) || row < 0 || row >= ListCount(listId)) return false;
  ListSetCheck(listId, row, checked);
  page_->OnListCheck(*this, listId, row, checked);
  return true;
}

bool ScriptedWindow::SelectRow(int listId, int row) {
  if (!Usable(listId) || row < -1 || row >= ListCount(listId)) return false;
  c(listId).selected = row;
  page_->OnListSelect(*this, listId, row);
  return true;
}

bool ScriptedWindow::RightClickRow(int listId, int row) {
  if (!Usable(listId)) return false;
  page_->OnListRightClick(*this, listId, row);
  return true;
}

bool ScriptedWindow::ActivateRow(int listId, int row) {
  if (!Usable(listId) || row < 0 || row >= ListCount(listId)) return false;
  c(listId).selected = row;
  page_->OnListActivate(*this, listId, row);
  return true;
}

bool ScriptedWindow::Type(int id, const std::wstring& text) {
  if (!Usable(id)) return false;
  c(id).text = text;
  page_->OnEditChange(*this, id);
  return true;
}

bool ScriptedWindow::Choose(int id, int index) {
  if (!Usable(id) || index < 0 || index >= LinesCount(id)) return false;
  c(id).linesSelected = index;
  page_->OnLinesSelect(*this, id, index);
  return true;
}

bool ScriptedWindow::Slide(int id, int64_t pos) {
  if (!Usable(id)) return false;
  Control& ctl = c(id);
  ctl.pos = std::clamp(pos, std::min(ctl.low, ctl.high), std::max(ctl.low, ctl.high));
  page_->OnSlider(*this, id, ctl.pos, true);
  return true;
}

bool ScriptedWindow::MapMouse(int id, int box, MouseAction action) {
  if (!Usable(id)) return false;
  page_->OnMapMouse(*this, id, box, action);
  return true;
}

bool ScriptedWindow::SelectTreeItem(int treeId, TreeItem item) {
  if (!Usable(treeId) || !c(treeId).Node(item)) return false;
  c(treeId).treeSelected = item;
  page_->OnTreeSelect(*this, treeId, item);
  return true;
}

bool ScriptedWindow::ExpandTreeItem(int treeId, TreeItem item) {
  auto* n = Usable(treeId) ? c(treeId).Node(item) : nullptr;
  if (!n || n->expanded || (!n->hasChildren && TreeChildren(treeId, item).empty())) return false;
  page_->OnTreeExpanding(*this, treeId, item);
  // The page may have changed the tree: look the item up again.
  if (auto* again = c(treeId).Node(item)) again->expanded = !TreeChildren(treeId, item).empty();
  return true;
}

bool ScriptedWindow::CollapseTreeItem(int treeId, TreeItem item) {
  auto* n = Usable(treeId) ? c(treeId).Node(item) : nullptr;
  if (!n || !n->expanded) return false;
  n->expanded = false;
  return true;
}

bool ScriptedWindow::ClickTreeState(int treeId, TreeItem item, bool shift) {
  if (!Usable(treeId) || !c(treeId).treeCheckImages || !c(treeId).Node(item)) return false;
  page_->OnTreeStateClick(*this, treeId, item, shift);
  return true;
}

void ScriptedWindow::Hover(int id) { page_->OnHover(*this, id); }

bool ScriptedWindow::FocusOn(int id) {
  if (!Usable(id)) return false;
  focus_ = id;
  page_->OnFocus(*this, id);
  return true;
}

void ScriptedWindow::Cancel() {
  if (!closed_) page_->OnCancel(*this);
}

void ScriptedWindow::FireTimer(unsigned id) {
  for (Timer& t : timers_)
    if (t.id == id) {
      t.due = clockMs_ + t.period;
      break;
    }
  page_->OnTimer(*this, id);
}

// ---- ScriptedHost

int ScriptedHost::Answer(const std::wstring& text, unsigned flags, const std::string& page) {
  flags = BoxFlags(flags);
  int result;
  unsigned buttons = flags & 0xF;
  if (answer) {
    result = answer(text, flags);
  } else if (buttons == win::MB_YESNO) {
    result = answerYes ? win::IDYES : win::IDNO;
  } else if (buttons == win::MB_OKCANCEL) {
    result = answerYes ? win::IDOK : win::IDCANCEL;
  } else {
    result = win::IDOK;
  }
  messages.push_back({text, flags, result, page});
  return result;
}

int ScriptedHost::MessageBox(const std::wstring& text, unsigned flags) { return Answer(text, flags, ""); }

int ScriptedHost::RunModal(Page& page) {
  auto w = std::make_unique<ScriptedWindow>(this, &page);
  stack_.push_back(w.get());
  pagesOpened.push_back(page.Name());
  page.OnInit(*w);
  if (!w->closed_) {
    auto it = scripts_.find(page.Name());
    if (it != scripts_.end()) it->second(*w);
  }
  // The message loop: timers fire in order of their due time, each moving
  // the machine's clock forward by the wait. When nothing is left that
  // could act on the page, the operator closes it.
  int events = 0;
  while (!w->closed_) {
    if (w->timers_.empty() || events++ >= maxTimerEvents) {
      abandoned.push_back(page.Name());
      w->Cancel();
      if (!w->closed_) w->Close(win::IDCANCEL);
      break;
    }
    auto next = std::min_element(w->timers_.begin(), w->timers_.end(),
                                 [](const auto& a, const auto& b) { return a.due < b.due; });
    uint64_t due = next->due;
    unsigned id = next->id;
    if (due > w->clockMs_) {
      platform::Sys().Sleep(uint32_t(due - w->clockMs_));
      w->clockMs_ = due;
    }
    w->FireTimer(id);
    if (onTimer && !w->closed_) onTimer(*w, id);
  }
  if (onClose) onClose(*w);
  stack_.pop_back();
  return w->result_;
}

namespace {
class ScriptedWait : public WaitWindow {
 public:
  explicit ScriptedWait(ScriptedHost* host) : host_(host) {}
  void SetText(const std::wstring& text) override { host_->waitTexts.push_back(text); }
  void Close() override {}

 private:
  ScriptedHost* host_;
};
}  // namespace

void ScriptedHost::Wait(uint32_t milliseconds) {
  waits.push_back({milliseconds, stack_.empty() ? "" : stack_.back()->Name()});
  platform::Sys().Sleep(milliseconds);
}

std::unique_ptr<WaitWindow> ScriptedHost::StartWait(const std::wstring& text, bool) {
  waitTexts.push_back(text);
  return std::make_unique<ScriptedWait>(this);
}

}  // namespace ui
