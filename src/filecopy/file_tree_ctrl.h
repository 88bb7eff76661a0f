// CFileTreeCtrl: the folder tree of the file copy, a tree control over the
// user's special folders, the computer's drives and the network places, in
// which every item carries a check state (its state image):
//   0 not checked, 5 a checked file,
//   2/3 a folder with some/all of its own files checked,
//   4/12 a folder with some/all of its subfolders fully checked,
//   6, 7, 14, 15 their sums (15: the folder and everything below it),
//   8 an empty folder and 9 an item that cannot be checked.
// Ticking or clearing an item pushes its state down to the loaded children
// and recomputes every ancestor from its children's states, so a folder
// always shows whether none, some or all of its contents are chosen.
// Whether anything is ticked is read from the states themselves.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "filecopy/copy_paths.h"
#include "ui/window.h"

namespace filecopy {

enum CheckState : int {
  kUnchecked = 0,
  kSomeFiles = 2,
  kAllFiles = 3,
  kSomeFolders = 4,
  kCheckedFile = 5,
  kEmptyFolder = 8,
  kNoCheck = 9,
  kAllFolders = 12,
  kFull = 15,
};

struct ItemRecord {
  enum class Kind { Folder, File, Group };  // Group: "Computer" and "Network", never checked themselves
  Kind kind = Kind::Folder;
  bool isFolder = false;
  bool hasSubfolders = false;  // found when the item was added
  int folderCount = -1;        // child folders with content; -1 = children not loaded
  int fileCount = -1;
  int checkedFiles = 0;
  int fullFolders = 0;
  int partFolders = 0;
  // Entries the copy would take but the tree does not show (shortcuts, and
  // folders that hold only such): none of them can be ticked one by one.
  int hiddenEntries = 0;
  // The operator ticked this folder itself (or a folder above it): it is
  // copied whole, the entries the tree hides included.
  bool tickedWhole = false;
  std::wstring displayName, parsingName;
  ui::TreeItem item = ui::kTreeRoot;
  ui::TreeItem parent = ui::kTreeRoot;
};

// The shell folders of the tree's top, by their identity: the value name
// under the user's "Shell Folders" registry key, never the shown name.
struct SpecialFolder {
  std::wstring valueName;  // "Desktop", "Personal", "My Music", ...
  std::wstring nameKey;    // "IDS_Desktop", ...
  std::wstring path;
};
std::vector<SpecialFolder> ReadSpecialFolders();
// The user's folder of one "Shell Folders" value; "" when it is not set.
std::wstring ShellFolderPath(const std::wstring& valueName);

// A network place's name "share (server)" as \\server\share; "" for a name
// that is not of that form.
std::wstring NetworkPlacePath(const std::wstring& name);

bool EndsWithIgnoreCase(const std::wstring& s, const std::wstring& suffix);

class CFileTreeCtrl {
 public:
  CFileTreeCtrl(int controlId, bool checkBoxes) : id_(controlId), checkBoxes_(checkBoxes) {}

  // The top items; called from the page's OnInit.
  void Fill(ui::Window& w);
  // The page passes the tree's notifications on.
  void OnExpanding(ui::Window& w, ui::TreeItem item);
  void OnStateClick(ui::Window& w, ui::TreeItem item, bool shift);

  bool SetItemState(ui::Window& w, ui::TreeItem item, int state, int mode);
  int GetItemState(ui::Window& w, ui::TreeItem item, const ItemRecord** record = nullptr);
  void CheckItem(ui::Window& w, ui::TreeItem item);
  void UncheckItem(ui::Window& w, ui::TreeItem item);
  void ToggleItem(ui::Window& w, ui::TreeItem item);
  void CycleItem(ui::Window& w, ui::TreeItem item);

  // True while any item is ticked.
  bool AnyTicked(ui::Window& w);
  // The ticked items as few entries as possible: a folder as one entry
  // when the operator ticked it or when every entry the copy would take
  // from it is ticked, otherwise its ticked files and folders; each path
  // once.
  std::vector<SourceEntry> Selection(ui::Window& w);
  // "File:" + path + "\r\n" or "Folder:" + path + "\r\n" per entry.
  static std::wstring SelectionText(const std::vector<SourceEntry>& entries);

  // The item's file-system path ("" for the group items).
  std::wstring PathOf(ui::TreeItem item) const;
  const ItemRecord* Record(ui::TreeItem item) const;
  // The item of a path, opening the folders on the way from the drive
  // under "Computer" (or a network place); kTreeRoot when there is none.
  ui::TreeItem FindPath(ui::Window& w, const std::wstring& path);

  const std::vector<std::wstring>& Diagnostics() const { return diagnostics_; }

 private:
  ItemRecord* Rec(ui::TreeItem item);
  ui::TreeItem Add(ui::Window& w, ui::TreeItem parent, ItemRecord record, int state);
  void AddEntries(ui::Window& w, ui::TreeItem parent, const std::wstring& folder);
  int Recompute(ui::Window& w, ui::TreeItem item);
  int FullState(const ItemRecord& r) const { return r.hasSubfolders ? kFull : kAllFiles; }
  bool FullyChecked(ui::Window& w, ui::TreeItem child);
  // Fully checked and nothing below it left out: the folder may stand for
  // all it holds in the selection.
  bool CopiedWhole(ui::Window& w, ui::TreeItem folder);
  void Collect(ui::Window& w, ui::TreeItem item, std::vector<SourceEntry>* out);

  int id_;
  bool checkBoxes_;
  std::vector<ItemRecord> records_;  // the item's data is its index + 1
  std::unordered_map<ui::TreeItem, size_t> index_;
  std::vector<std::wstring> diagnostics_;
};

}  // namespace filecopy
