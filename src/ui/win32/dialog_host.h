// The Win32 dialog host: every page is a modal dialog made from its
// template in the program's resources, and every ui::Window call is the
// matching control message. The semantics are those of the scripted host
// (ui/scripted/), which the tests hold to.
#pragma once

#include <exception>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/windows_include.h"
#include "ui/window.h"

namespace ui::win32 {

class DialogHost;

class DialogWindow : public Window {
 public:
  DialogWindow(DialogHost* host, Page* page) : host_(host), page_(page) {}

  void SetText(int id, const std::wstring& text) override;
  std::wstring GetText(int id) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) override;
  void Show(int id, bool visible) override;
  bool IsVisible(int id) override;
  void SetCheck(int id, bool checked) override;
  bool GetCheck(int id) override;
  void SetFont(int id, Font font) override;
  void SetFocus(int id) override;

  void ListSetup(int id, const std::vector<ListColumn>& columns, bool checkBoxes, bool gridLines) override;
  void ListClear(int id) override;
  int ListAdd(int id, const std::vector<std::wstring>& cells, int image) override;
  int ListCount(int id) override;
  std::wstring ListCell(int id, int row, int column) override;
  void ListSetCheck(int id, int row, bool checked) override;
  bool ListGetCheck(int id, int row) override;
  void ListSelect(int id, int row) override;
  int ListSelected(int id) override;

  void LinesClear(int id) override;
  void LinesAdd(int id, const std::wstring& line) override;
  int LinesCount(int id) override;
  std::wstring LinesGet(int id, int index) override;
  void LinesSelect(int id, int index) override;
  int LinesSelected(int id) override;

  // Tree views (dialog_tree.cpp).
  void TreeSetup(int id, bool checkImages) override;
  void TreeClear(int id) override;
  TreeItem TreeAdd(int id, TreeItem parent, const std::wstring& text, uint64_t data, int stateImage,
                   bool hasChildren) override;
  void TreeSetText(int id, TreeItem item, const std::wstring& text) override;
  std::wstring TreeGetText(int id, TreeItem item) override;
  void TreeSetState(int id, TreeItem item, int stateImage) override;
  int TreeGetState(int id, TreeItem item) override;
  void TreeSetData(int id, TreeItem item, uint64_t data) override;
  uint64_t TreeGetData(int id, TreeItem item) override;
  void TreeSelect(int id, TreeItem item) override;
  TreeItem TreeSelected(int id) override;
  void TreeExpand(int id, TreeItem item, bool expand) override;
  std::vector<TreeItem> TreeChildren(int id, TreeItem parent) override;
  void TreeDeleteChildren(int id, TreeItem parent) override;

  void SetRange(int id, int64_t low, int64_t high) override;
  void SetPos(int id, int64_t pos) override;
  int64_t GetPos(int id) override;

  void SetMap(int id, const std::vector<MapBox>& boxes) override;
  void SetPie(int id, double freeShare) override;
  void SetPicture(int id, Picture picture, bool highlighted, bool selected) override;
  void SetPictureDimmed(int id, bool dimmed) override;
  void Redraw(int id) override;

  void SetMenuText(int command, const std::wstring& text) override;
  void SetMenuPopupText(int index, const std::wstring& text) override;
  void RemoveMenuItem(int command, bool withSeparatorBefore) override;
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

  HWND Hwnd() const { return hwnd_; }
  Page& ThePage() { return *page_; }
  int Result() const { return result_; }

  // The dialog procedure (dialog_proc.cpp).
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  // A progress bar's or slider's 64-bit range, mapped onto the control's
  // 31 bits by dropping low bits.
  struct Range {
    int64_t low = 0, high = 100, pos = 0;
    int shift = 0;
  };
  // While set, notifications that our own calls cause are not the operator's.
  struct Quiet {
    explicit Quiet(DialogWindow* w) : w_(w) { ++w_->quiet_; }
    ~Quiet() { --w_->quiet_; }
    DialogWindow* w_;
  };

  HWND Item(int id) const { return hwnd_ ? ::GetDlgItem(hwnd_, id) : nullptr; }
  std::optional<std::wstring> FileDialog(bool save, const std::wstring& filter, const std::wstring& defaultExt,
                                         const std::wstring& initialName, bool mustExist);
  Range& RangeOf(int id) { return ranges_[id]; }
  INT_PTR Route(UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnInitDialog();
  void OnCommandMessage(WPARAM wp, LPARAM lp);
  void OnNotify(const NMHDR& nm);
  bool OnTreeNotify(const NMHDR& nm);  // dialog_tree.cpp; false when nm is not a tree view's
  void OnScroll(HWND control, int code);

  DialogHost* host_;
  Page* page_;
  HWND hwnd_ = nullptr;
  bool closed_ = false;
  int result_ = 0;
  int quiet_ = 0;
  bool focusChosen_ = false;
  int hoverId_ = -1;
  std::set<unsigned> timers_;
  std::map<int, Range> ranges_;
  std::map<int, Font> fonts_;  // the fonts pages chose, made again after a DPI change
};

class DialogHost : public Host {
 public:
  explicit DialogHost(HINSTANCE instance) : instance_(instance) {}

  int RunModal(Page& page) override;
  int MessageBox(const std::wstring& text, unsigned flags) override;
  Window* Top() override;
  std::unique_ptr<WaitWindow> StartWait(const std::wstring& text, bool allowCancel) override;
  // Sleeps in short slices on the machine's clock, drawing the windows
  // between them; input stays queued (host_wait.cpp).
  void Wait(uint32_t milliseconds) override;

  HINSTANCE Instance() const { return instance_; }
  // The window a new page, message box or wait window is owned by.
  HWND OwnerForNew() const;
  // The first page's window: the program's main window.
  HWND MainWindow() const;
  bool IsMainWindow(const DialogWindow* w) const { return !stack_.empty() && stack_.front() == w; }
  // Bold and fixed-pitch versions of a dialog's font, made once.
  HFONT FontFor(HFONT base, Font kind);
  // A page leaving the screen: where it stood. A new page of the same size
  // over the same owner (the next page of a wizard) opens there, as long
  // as the owner has not moved since.
  void RememberPlace(HWND page);
  bool FormerPlace(HWND page, HWND owner, POINT* topLeft) const;

  // An exception must not cross the system's frames between a dialog
  // procedure and the code that opened the dialog: it is parked here and
  // thrown again once the system hands control back.
  void Park(std::exception_ptr e);
  bool HasParked() const { return bool(parked_); }
  void RethrowParked();

 private:
  HINSTANCE instance_;
  std::vector<DialogWindow*> stack_;
  // By the base font's face and height: each dialog makes its own font
  // from its template and deletes it when it goes, so handles come again.
  std::map<std::tuple<std::wstring, LONG, LONG, Font>, HFONT> fonts_;
  std::exception_ptr parked_;
  struct Place {
    HWND owner = nullptr;
    RECT ownerRect = {}, rect = {};
  } lastPlace_;
};

}  // namespace ui::win32
