// The window a page talks to.
//
// Every wizard page is a Page: it reacts to what the operator does (OnInit,
// OnCommand, a row checked, a timer) and changes what the window shows
// through ui::Window (texts, checks, enables, list rows, progress, message
// boxes). Three hosts implement Window: the Win32 dialog host (real dialogs
// from the resource script), and the scripted host that the console program
// and the tests drive. A page never includes <windows.h>; the control ids it
// uses are the ones of its dialog template.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Page;

struct ListColumn {
  std::wstring title;
  int width = 100;
  bool rightAligned = false;
};

// One block of a disk map (drawn by the host, laid out by the page).
enum class MapKind { Unallocated, Primary, Logical, FreeLogical };
struct MapBox {
  std::wstring label;
  int width = 0;  // pixels
  MapKind kind = MapKind::Unallocated;
  bool selected = false;
  bool hot = false;  // under the pointer
};

struct MenuItem {
  int command = 0;
  std::wstring text;
  bool enabled = true;
};

// A tree item, as the host hands it out; kTreeRoot is the invisible root
// (the parent of the top items) and stands for "no item" in answers.
using TreeItem = std::uintptr_t;
inline constexpr TreeItem kTreeRoot = 0;

enum class Font { Normal, Bold, Fixed };
enum class MouseAction { Hover, Leave, LeftClick, RightClick };

// The pictures of the main window's tiles; the host draws them.
enum class Picture { None, OneClick, Duplicate, FilesFolders, Delete, Scan, PartitionManager, PartitionView,
                     DiskHealth, BootableUsb };

class Window {
 public:
  virtual ~Window() = default;

  // Id 0 stands for the window itself (its caption).
  virtual void SetText(int id, const std::wstring& text) = 0;
  virtual std::wstring GetText(int id) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) = 0;
  virtual void Show(int id, bool visible) = 0;
  virtual bool IsVisible(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;  // check boxes and radio buttons
  virtual bool GetCheck(int id) = 0;
  virtual void SetFont(int id, Font font) = 0;
  virtual void SetFocus(int id) = 0;

  // Report lists. Rows are numbered from 0 in the order added.
  virtual void ListSetup(int id, const std::vector<ListColumn>& columns, bool checkBoxes, bool gridLines) = 0;
  virtual void ListClear(int id) = 0;
  virtual int ListAdd(int id, const std::vector<std::wstring>& cells, int image = 0) = 0;
  virtual int ListCount(int id) = 0;
  virtual std::wstring ListCell(int id, int row, int column) = 0;
  virtual void ListSetCheck(int id, int row, bool checked) = 0;
  virtual bool ListGetCheck(int id, int row) = 0;
  virtual void ListSelect(int id, int row) = 0;
  virtual int ListSelected(int id) = 0;  // -1: none

  // List boxes and drop-down lists: lines of text with one selected.
  virtual void LinesClear(int id) = 0;
  virtual void LinesAdd(int id, const std::wstring& line) = 0;
  virtual int LinesCount(int id) = 0;
  virtual std::wstring LinesGet(int id, int index) = 0;
  virtual void LinesSelect(int id, int index) = 0;
  virtual int LinesSelected(int id) = 0;

  // Tree views. Each item carries a text, 64-bit data and a state image
  // index 0..15, its check state when the tree shows check images: 0, 1,
  // 10, 11 and 13 draw an empty box, 3, 5 and 15 a ticked one, 2, 4, 6, 7,
  // 12 and 14 a partly filled one, 8 and 9 a greyed one. An item with
  // hasChildren shows an expand button before its children exist (they
  // are added when it is about to open).
  virtual void TreeSetup(int id, bool checkImages) = 0;
  virtual void TreeClear(int id) = 0;
  virtual TreeItem TreeAdd(int id, TreeItem parent, const std::wstring& text, uint64_t data, int stateImage,
                           bool hasChildren) = 0;
  virtual void TreeSetText(int id, TreeItem item, const std::wstring& text) = 0;
  virtual std::wstring TreeGetText(int id, TreeItem item) = 0;
  virtual void TreeSetState(int id, TreeItem item, int stateImage) = 0;
  virtual int TreeGetState(int id, TreeItem item) = 0;
  virtual void TreeSetData(int id, TreeItem item, uint64_t data) = 0;
  virtual uint64_t TreeGetData(int id, TreeItem item) = 0;
  virtual void TreeSelect(int id, TreeItem item) = 0;
  virtual TreeItem TreeSelected(int id) = 0;
  virtual void TreeExpand(int id, TreeItem item, bool expand) = 0;  // no OnTreeExpanding
  virtual std::vector<TreeItem> TreeChildren(int id, TreeItem parent) = 0;
  virtual void TreeDeleteChildren(int id, TreeItem parent) = 0;

  // Progress bars and sliders.
  virtual void SetRange(int id, int64_t low, int64_t high) = 0;
  virtual void SetPos(int id, int64_t pos) = 0;
  virtual int64_t GetPos(int id) = 0;

  // Owner-drawn pieces.
  virtual void SetMap(int id, const std::vector<MapBox>& boxes) = 0;
  virtual void SetPie(int id, double freeShare) = 0;  // angle share of the free part, 0..1
  virtual void SetPicture(int id, Picture picture, bool highlighted, bool selected) = 0;
  // A tile drawn faded: its task is not available. It still takes the
  // focus and the click, so that its description can say why.
  virtual void SetPictureDimmed(int id, bool dimmed) {}
  virtual void Redraw(int id) = 0;  // 0: the whole window, at once

  // Menus of the window's menu bar (by command id) and popups.
  virtual void SetMenuText(int command, const std::wstring& text) = 0;
  virtual void SetMenuPopupText(int index, const std::wstring& text) = 0;
  virtual void RemoveMenuItem(int command, bool withSeparatorBefore) = 0;
  virtual int PopupMenu(const std::vector<MenuItem>& items) = 0;  // the chosen command, 0 for none

  virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;

  // Message boxes captioned with AppCaption; flags and results are the
  // MB_... and ID... values of winapi.h.
  virtual int MessageBox(const std::wstring& text, unsigned flags) = 0;
  // The standard file dialogs; filter in the "Name (*.x)|*.x|" form.
  virtual std::optional<std::wstring> SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt) = 0;
  // The same with a file name to start with (a folder, or a folder and a name).
  virtual std::optional<std::wstring> SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                     const std::wstring& initialName) {
    return SaveFileDialog(filter, defaultExt);
  }
  virtual std::optional<std::wstring> OpenFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                     const std::wstring& initialName, bool mustExist) = 0;
  // The folder picker: file-system folders only, with a box to type a path
  // in when editBox (not on Windows PE); the chosen folder, nothing on
  // Cancel.
  virtual std::optional<std::wstring> BrowseForFolder(const std::wstring& title, bool editBox) = 0;

  // Ends the page with a result; the window disappears at once.
  virtual void Close(int result) = 0;
  virtual bool IsClosed() = 0;
  // Drains the message queues of this page and of the main window once, as
  // the long loops do between blocks.
  virtual void PumpMessages() = 0;
};

// Messages a page may receive besides commands.
inline constexpr unsigned kMsgWaitCancel = 0x0400 + 12;  // WM_USER + 12 from the wait window
inline constexpr unsigned kMsgDeviceArrival = 0x8000;    // DBT_DEVICEARRIVAL
inline constexpr unsigned kMsgDeviceRemoved = 0x8004;    // DBT_DEVICEREMOVECOMPLETE

class Page {
 public:
  virtual ~Page() = default;
  // The dialog template of the page in the resource script.
  virtual int TemplateId() const = 0;
  // The page's class name ("CSelectDisk"): scripts and logs address pages by it.
  virtual const char* Name() const = 0;

  virtual void OnInit(Window& w) {}
  virtual void OnCommand(Window& w, int id) {}
  // Esc, the close box and an IDCANCEL button.
  virtual void OnCancel(Window& w);
  virtual void OnListCheck(Window& w, int listId, int row, bool checked) {}
  virtual void OnListSelect(Window& w, int listId, int row) {}
  virtual void OnListRightClick(Window& w, int listId, int row) {}
  // A row double-clicked.
  virtual void OnListActivate(Window& w, int listId, int row) {}
  virtual void OnLinesSelect(Window& w, int id, int index) {}
  // The operator selected a tree item; an item about to open (its children
  // may be added now); a click on an item's check image (or the space key).
  virtual void OnTreeSelect(Window& w, int treeId, TreeItem item) {}
  virtual void OnTreeExpanding(Window& w, int treeId, TreeItem item) {}
  virtual void OnTreeStateClick(Window& w, int treeId, TreeItem item, bool shift) {}
  virtual void OnEditChange(Window& w, int id) {}
  virtual void OnSlider(Window& w, int id, int64_t pos, bool released) {}
  virtual void OnTimer(Window& w, unsigned id) {}
  // The pointer over a control (a tile), or leaving it (id -1).
  virtual void OnHover(Window& w, int id) {}
  // A disk map: the box under the pointer (-1 for none) and what happened.
  virtual void OnMapMouse(Window& w, int id, int box, MouseAction action) {}
  virtual void OnMessage(Window& w, unsigned message, uintptr_t param) {}
  // The description boxes of the main window hand focus on.
  virtual void OnFocus(Window& w, int id) {}
};

// The wait window: shown on a thread of its own over the page that started
// it, so that the page's thread may block in a long call.
class WaitWindow {
 public:
  virtual ~WaitWindow() = default;
  virtual void SetText(const std::wstring& text) = 0;  // thread message WM_USER + 13
  virtual void Close() = 0;                            // thread message WM_USER + 14
};

class Host {
 public:
  virtual ~Host() = default;
  // Runs a page as a modal dialog over the current top window; returns the
  // value the page closed with.
  virtual int RunModal(Page& page) = 0;
  // A message box without a page (start-up checks, engine messages).
  virtual int MessageBox(const std::wstring& text, unsigned flags) = 0;
  // The current top page's window, or nullptr.
  virtual Window* Top() = 0;
  virtual std::unique_ptr<WaitWindow> StartWait(const std::wstring& text, bool allowCancel) = 0;
  // A diagnostic line for the standard output stream (never shown in a
  // window). The scripted host collects them instead.
  virtual void Diagnostic(const std::wstring& line);
  // Waits `milliseconds` on the machine's clock. A host with windows keeps
  // them drawn meanwhile and shows the wait cursor; what the operator does
  // in the meantime waits in the queue for the page's next look at it.
  // This one only sleeps.
  virtual void Wait(uint32_t milliseconds);
};

Host& CurrentHost();
void SetHost(Host* host);
inline int RunModal(Page& page) { return CurrentHost().RunModal(page); }
// A message box over the top page (or without one).
int MessageBox(const std::wstring& text, unsigned flags);
// The flags a host shows a message box with: a question (Yes and No)
// always carries the question icon, whatever the caller asked for.
unsigned BoxFlags(unsigned flags);
// Drains the message queues of the top page and of the main window once.
void PumpMessages();
// The pauses of the long operations (the system refreshing its volumes, a
// lock tried again, a worker polled): the host's Wait, or a plain sleep of
// the machine when no host is set.
void Wait(uint32_t milliseconds);

}  // namespace ui
