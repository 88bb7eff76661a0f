#include "filecopy/file_tree_ctrl.h"

#include <algorithm>

#include "app/language.h"
#include "filecopy/file_copy.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace filecopy {

namespace {

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr uint32_t kRegExpandSz = 2;

bool Valid(int state) {
  switch (state) {
    case -1: case 0: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 12: case 14: case 15:
      return true;
    default:
      return false;
  }
}

// What the tree shows of a folder: its entries without ".", "..",
// shortcuts, links and what the copy leaves out anyway. hidden counts the
// shortcuts, which a copy of the whole folder takes along.
std::vector<platform::FindData> Shown(const std::wstring& folder, int* hidden = nullptr) {
  std::vector<platform::FindData> found, shown;
  platform::Sys().FindFiles(JoinPath(folder, L"*"), &found);
  if (hidden) *hidden = 0;
  for (auto& fd : found) {
    if (fd.name == L"." || fd.name == L".." || IsJunctionOrLink(fd) || SkippedByFileCopy(fd)) continue;
    if (EndsWithIgnoreCase(fd.name, L".lnk")) {
      if (hidden) ++*hidden;
      continue;
    }
    shown.push_back(fd);
  }
  return shown;
}

}  // namespace

bool EndsWithIgnoreCase(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && text::EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

std::wstring ShellFolderPath(const std::wstring& valueName) {
  auto& sys = platform::Sys();
  platform::Handle key = platform::kNullHandle;
  if (sys.RegCreateKey(win::HKEY_CURRENT_USER, kShellFolders, win::KEY_QUERY_VALUE, &key) != 0) return L"";
  uint32_t type = 0;
  std::vector<uint8_t> data;
  long rc = sys.RegQueryValue(key, valueName, &type, &data, 2048);
  sys.RegCloseKey(key);
  if (rc != 0 || (type != win::REG_SZ && type != kRegExpandSz)) return L"";
  std::wstring path = text::DecodeUtf16LE(data.data(), data.size() & ~size_t(1));
  while (!path.empty() && path.back() == L'\0') path.pop_back();
  return PathComponents(path).empty() ? L"" : path;
}

std::vector<SpecialFolder> ReadSpecialFolders() {
  static const struct {
    const wchar_t* value;
    const wchar_t* key;
  } kFolders[] = {{L"Desktop", L"IDS_Desktop"},
                  {L"Personal", L"IDS_MyDocuments"},
                  {L"My Music", L"IDS_MyMusic"},
                  {L"My Pictures", L"IDS_MyPictures"},
                  {L"My Video", L"IDS_MyVideos"}};
  std::vector<SpecialFolder> out;
  for (auto& f : kFolders) {
    std::wstring path = ShellFolderPath(f.value);
    uint32_t a = path.empty() ? win::INVALID_FILE_ATTRIBUTES : platform::Sys().GetFileAttributes(path);
    if (a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY)) out.push_back({f.value, f.key, path});
  }
  return out;
}

std::wstring NetworkPlacePath(const std::wstring& name) {
  // "share (server)": the last " (" opens the server's name, which ends
  // the name; neither part may be empty or hold a separator.
  if (name.size() < 5 || name.back() != L')') return L"";
  size_t open = name.rfind(L" (");
  if (open == std::wstring::npos || open == 0) return L"";
  std::wstring share = text::Trim(name.substr(0, open));
  std::wstring server = text::Trim(name.substr(open + 2, name.size() - open - 3));
  auto bad = [](const std::wstring& s) { return s.empty() || s.find_first_of(L"\\/()") != std::wstring::npos; };
  if (bad(share) || bad(server)) return L"";
  return L"\\\\" + server + L"\\" + share;
}

ItemRecord* CFileTreeCtrl::Rec(ui::TreeItem item) {
  return const_cast<ItemRecord*>(static_cast<const CFileTreeCtrl*>(this)->Record(item));
}

const ItemRecord* CFileTreeCtrl::Record(ui::TreeItem item) const {
  auto it = index_.find(item);
  return item == ui::kTreeRoot || it == index_.end() ? nullptr : &records_[it->second];
}

std::wstring CFileTreeCtrl::PathOf(ui::TreeItem item) const {
  const ItemRecord* r = Record(item);
  return r ? r->parsingName : L"";
}

ui::TreeItem CFileTreeCtrl::Add(ui::Window& w, ui::TreeItem parent, ItemRecord record, int state) {
  bool button = record.kind == ItemRecord::Kind::Group || record.hasSubfolders ||
                (record.isFolder && state != kEmptyFolder);
  record.parent = parent;
  records_.push_back(record);
  ui::TreeItem item = w.TreeAdd(id_, parent, record.displayName, records_.size(), checkBoxes_ ? state : 0, button);
  records_.back().item = item;
  index_[item] = records_.size() - 1;
  return item;
}

void CFileTreeCtrl::Fill(ui::Window& w) {
  w.TreeSetup(id_, checkBoxes_);
  w.TreeClear(id_);
  records_.clear();
  index_.clear();
  auto& sys = platform::Sys();
  for (const SpecialFolder& f : ReadSpecialFolders()) {
    ItemRecord r;
    r.isFolder = true;
    r.displayName = app::T(f.nameKey);
    r.parsingName = f.path;
    std::vector<platform::FindData> inside = Shown(f.path);
    for (auto& fd : inside) r.hasSubfolders |= (fd.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    Add(w, ui::kTreeRoot, r, inside.empty() ? kEmptyFolder : kUnchecked);
  }
  ItemRecord computer;
  computer.kind = ItemRecord::Kind::Group;
  computer.displayName = app::T(L"IDS_MyComputer");
  ui::TreeItem drives = Add(w, ui::kTreeRoot, computer, kNoCheck);
  std::wstring roots = sys.GetLogicalDriveStrings();
  for (size_t at = 0; at < roots.size();) {
    size_t end = roots.find(L'\0', at);
    if (end == std::wstring::npos) end = roots.size();
    std::wstring root = roots.substr(at, end - at);
    at = end + 1;
    if (root.empty()) break;
    uint32_t type = sys.GetDriveType(root);
    if (type != win::DRIVE_FIXED && type != win::DRIVE_REMOVABLE && type != win::DRIVE_REMOTE) continue;
    std::wstring label;
    sys.GetVolumeLabel(root, &label);
    ItemRecord r;
    r.isFolder = true;
    r.hasSubfolders = true;
    r.displayName = (label.empty() ? L"" : label + L" ") + L"(" + root.substr(0, 2) + L")";
    r.parsingName = root;
    Add(w, drives, r, kUnchecked);
  }
  std::wstring netHood = ShellFolderPath(L"NetHood");
  std::vector<ItemRecord> places;
  if (!netHood.empty()) {
    std::vector<platform::FindData> found;
    sys.FindFiles(JoinPath(netHood, L"*"), &found);
    for (auto& fd : found) {
      std::wstring unc = NetworkPlacePath(fd.name);
      if (unc.empty() || !(fd.attributes & win::FILE_ATTRIBUTE_DIRECTORY)) continue;
      ItemRecord r;
      r.isFolder = true;
      r.hasSubfolders = true;
      r.displayName = fd.name;
      r.parsingName = unc;
      places.push_back(r);
    }
  }
  if (!places.empty()) {
    ItemRecord network;
    network.kind = ItemRecord::Kind::Group;
    network.displayName = app::T(L"IDS_MyNetworkPlaces");
    ui::TreeItem group = Add(w, ui::kTreeRoot, network, kNoCheck);
    for (ItemRecord& r : places) Add(w, group, r, kUnchecked);
  }
}

void CFileTreeCtrl::AddEntries(ui::Window& w, ui::TreeItem parent, const std::wstring& folder) {
  int hidden = 0;
  std::vector<platform::FindData> entries = Shown(folder, &hidden);
  // Folders first, then files, each by name as Explorer sorts them.
  std::sort(entries.begin(), entries.end(), [](const platform::FindData& a, const platform::FindData& b) {
    bool fa = a.attributes & win::FILE_ATTRIBUTE_DIRECTORY, fb = b.attributes & win::FILE_ATTRIBUTE_DIRECTORY;
    if (fa != fb) return fa;
    return text::UpperAscii(a.name) < text::UpperAscii(b.name);
  });
  int folders = 0, files = 0;
  for (const platform::FindData& fd : entries) {
    ItemRecord r;
    r.parsingName = JoinPath(folder, fd.name);
    r.displayName = fd.name;
    // The file system's word decides: a ".zip" archive is a file to copy
    // whatever the shell makes of it.
    r.isFolder = (fd.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    r.kind = r.isFolder ? ItemRecord::Kind::Folder : ItemRecord::Kind::File;
    int state = kUnchecked;
    if (r.isFolder) {
      int hiddenInside = 0;
      std::vector<platform::FindData> inside = Shown(r.parsingName, &hiddenInside);
      for (auto& in : inside) r.hasSubfolders |= (in.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (inside.empty()) {
        state = kEmptyFolder;
        if (hiddenInside > 0) ++hidden;  // shows empty, yet holds shortcuts
      } else {
        ++folders;
      }
    } else {
      ++files;
    }
    Add(w, parent, r, state);
  }
  ItemRecord* p = Rec(parent);
  if (p) {
    p->folderCount = folders;
    p->fileCount = files;
    p->hiddenEntries = hidden;
  }
}

void CFileTreeCtrl::OnExpanding(ui::Window& w, ui::TreeItem item) {
  ItemRecord* r = Rec(item);
  if (!r || r->kind == ItemRecord::Kind::Group || !r->isFolder) return;
  if (r->folderCount >= 0) return;  // loaded already
  std::wstring folder = r->parsingName;
  AddEntries(w, item, folder);
  r = Rec(item);
  if (r->folderCount == 0 && r->fileCount == 0) {
    SetItemState(w, item, kEmptyFolder, 2);
    return;
  }
  // A ticked folder hands its state down to the children just loaded.
  SetItemState(w, item, -1, 1);
}

void CFileTreeCtrl::OnStateClick(ui::Window& w, ui::TreeItem item, bool shift) {
  if (shift) CycleItem(w, item);
  else ToggleItem(w, item);
}

int CFileTreeCtrl::GetItemState(ui::Window& w, ui::TreeItem item, const ItemRecord** record) {
  if (item == ui::kTreeRoot) {
    diagnostics_.push_back(L"NULL item in CFileTreeCtrl::GetItemState!");
    return 0;
  }
  if (record) *record = Record(item);
  return w.TreeGetState(id_, item);
}

bool CFileTreeCtrl::FullyChecked(ui::Window& w, ui::TreeItem child) {
  const ItemRecord* r = Record(child);
  int s = w.TreeGetState(id_, child);
  if (s == kFull) return true;
  bool noSubfolders = r && (r->folderCount >= 0 ? r->folderCount == 0 : !r->hasSubfolders);
  return s == kAllFiles && noSubfolders;
}

// The folder's state from its children's states; a folder whose children
// are not loaded keeps its own.
int CFileTreeCtrl::Recompute(ui::Window& w, ui::TreeItem item) {
  ItemRecord* r = Rec(item);
  int current = w.TreeGetState(id_, item);
  if (!r || !r->isFolder || r->folderCount < 0) return current;
  int folders = 0, files = 0, checked = 0, full = 0, part = 0;
  for (ui::TreeItem child : w.TreeChildren(id_, item)) {
    const ItemRecord* c = Record(child);
    if (!c) continue;
    int s = w.TreeGetState(id_, child);
    if (!c->isFolder) {
      ++files;
      if (s == kCheckedFile) ++checked;
      continue;
    }
    if (s == kEmptyFolder) continue;
    ++folders;
    if (FullyChecked(w, child)) ++full;
    else if (s != kUnchecked && s != kNoCheck) ++part;
  }
  r = Rec(item);
  r->folderCount = folders;
  r->fileCount = files;
  r->checkedFiles = checked;
  r->fullFolders = full;
  r->partFolders = part;
  if (folders == 0 && files == 0) return kEmptyFolder;
  int state;
  if (files == 0) state = full == folders ? kAllFiles : kUnchecked;
  else state = checked == files ? kAllFiles : checked > 0 ? kSomeFiles : kUnchecked;
  if (full || part) state += full == folders ? kAllFolders : kSomeFolders;
  return state;
}

bool CFileTreeCtrl::SetItemState(ui::Window& w, ui::TreeItem item, int state, int mode) {
  if (item == ui::kTreeRoot) {
    diagnostics_.push_back(L"NULL item in CFileTreeCtrl::SetItemState!");
    return false;
  }
  if (!Valid(state)) return false;
  if (!checkBoxes_) return true;
  ItemRecord* r = Rec(item);
  if (!r) return false;
  int old = w.TreeGetState(id_, item);
  if (state == -1) state = (mode == 1 && r->isFolder && old != kUnchecked) ? old : Recompute(w, item);
  w.TreeSetState(id_, item, state);
  // Pushed down (a click, or a folder above handing its state on) the
  // state is the operator's choice of the folder itself; recomputed from
  // below it is only the sum of its children's.
  if (mode & 1) r->tickedWhole = r->isFolder && (state == kFull || (state == kAllFiles && !r->hasSubfolders));
  else if (mode == 2) r->tickedWhole = false;
  if (mode & 1) {
    for (ui::TreeItem child : w.TreeChildren(id_, item)) {
      const ItemRecord* c = Record(child);
      int cs = w.TreeGetState(id_, child);
      if (!c || cs == kEmptyFolder || cs == kNoCheck) continue;
      int next;
      switch (state) {
        case kUnchecked: next = kUnchecked; break;
        case kAllFiles: next = c->isFolder ? kUnchecked : kCheckedFile; break;
        case kAllFolders: next = c->isFolder ? FullState(*c) : kUnchecked; break;
        case kFull: next = c->isFolder ? FullState(*c) : kCheckedFile; break;
        default: continue;  // a part state leaves the children as they are
      }
      SetItemState(w, child, next, 1);
    }
  }
  if (mode & 2) {
    ui::TreeItem parent = Rec(item)->parent;
    const ItemRecord* p = Record(parent);
    if (parent != ui::kTreeRoot && p && p->kind != ItemRecord::Kind::Group &&
        w.TreeGetState(id_, parent) != kNoCheck) {
      int next = Recompute(w, parent);
      if (next != w.TreeGetState(id_, parent)) SetItemState(w, parent, next, 2);
    }
  }
  return true;
}

void CFileTreeCtrl::CheckItem(ui::Window& w, ui::TreeItem item) {
  int s = w.TreeGetState(id_, item);
  const ItemRecord* r = Record(item);
  if (!r) return;
  int next = s;
  switch (s) {
    case 0: next = r->isFolder ? kAllFiles : kCheckedFile; break;
    case 2: case 6: case 14: next = s + 1; break;
    case 3: case 7: next = kFull; break;
    case 4: case 12: next = s + 3; break;
    default: return;  // 5, 15 stay; 8, 9 are left alone
  }
  SetItemState(w, item, next, 3);
}

void CFileTreeCtrl::UncheckItem(ui::Window& w, ui::TreeItem item) {
  int s = w.TreeGetState(id_, item);
  int next;
  switch (s) {
    case 2: case 6: case 14: next = s - 2; break;
    case 3: case 7: case 15: next = s - 3; break;
    case 4: case 5: case 12: next = kUnchecked; break;
    default: return;  // 0, 8, 9
  }
  SetItemState(w, item, next, 3);
}

void CFileTreeCtrl::ToggleItem(ui::Window& w, ui::TreeItem item) {
  const ItemRecord* r = Record(item);
  if (!r || r->kind == ItemRecord::Kind::Group) return;
  if (platform::Sys().GetFileAttributes(r->parsingName) == win::INVALID_FILE_ATTRIBUTES) return;
  int s = w.TreeGetState(id_, item);
  if (s == kEmptyFolder || s == kNoCheck) return;
  if (!r->isFolder) {
    SetItemState(w, item, s == kCheckedFile ? kUnchecked : kCheckedFile, 3);
    return;
  }
  // Fully ticked goes to clear; clear and every part state go to fully
  // ticked, so one click always ends in one of the two.
  bool full = FullyChecked(w, item) || s == kAllFolders;
  SetItemState(w, item, full ? kUnchecked : FullState(*r), 3);
}

void CFileTreeCtrl::CycleItem(ui::Window& w, ui::TreeItem item) {
  const ItemRecord* r = Record(item);
  if (!r || r->kind == ItemRecord::Kind::Group) return;
  int s = w.TreeGetState(id_, item);
  if (s == kEmptyFolder || s == kNoCheck) return;
  if (!r->isFolder) {
    SetItemState(w, item, s == kUnchecked ? kCheckedFile : kUnchecked, 3);
    return;
  }
  // Shift steps a folder through its subfolders alone, then everything.
  int next;
  if (s == kUnchecked) next = r->hasSubfolders ? kAllFolders : FullState(*r);
  else if (s == kAllFolders) next = kFull;
  else next = kUnchecked;
  SetItemState(w, item, next, 3);
}

bool CFileTreeCtrl::AnyTicked(ui::Window& w) {
  std::vector<ui::TreeItem> todo = w.TreeChildren(id_, ui::kTreeRoot);
  while (!todo.empty()) {
    ui::TreeItem item = todo.back();
    todo.pop_back();
    int s = w.TreeGetState(id_, item);
    if (s == kNoCheck) {
      for (ui::TreeItem c : w.TreeChildren(id_, item)) todo.push_back(c);
    } else if (s != kUnchecked && s != kEmptyFolder) {
      return true;
    }
  }
  return false;
}

bool CFileTreeCtrl::CopiedWhole(ui::Window& w, ui::TreeItem folder) {
  const ItemRecord* r = Record(folder);
  if (!r || !FullyChecked(w, folder)) return false;
  if (r->tickedWhole) return true;
  if (r->hiddenEntries > 0) return false;
  for (ui::TreeItem c : w.TreeChildren(id_, folder)) {
    const ItemRecord* cr = Record(c);
    if (cr && cr->isFolder && w.TreeGetState(id_, c) != kEmptyFolder && !CopiedWhole(w, c)) return false;
  }
  return true;
}

void CFileTreeCtrl::Collect(ui::Window& w, ui::TreeItem item, std::vector<SourceEntry>* out) {
  const ItemRecord* r = Record(item);
  int s = w.TreeGetState(id_, item);
  if (r && r->kind != ItemRecord::Kind::Group) {
    if (!r->isFolder) {
      if (s == kCheckedFile) out->push_back({false, r->parsingName});
      return;
    }
    if (s != kEmptyFolder && CopiedWhole(w, item)) {
      out->push_back({true, r->parsingName});
      return;
    }
    if (s == kUnchecked || s == kEmptyFolder) return;
  }
  for (ui::TreeItem c : w.TreeChildren(id_, item)) Collect(w, c, out);
}

std::vector<SourceEntry> CFileTreeCtrl::Selection(ui::Window& w) {
  std::vector<SourceEntry> all, out;
  for (ui::TreeItem top : w.TreeChildren(id_, ui::kTreeRoot)) Collect(w, top, &all);
  // A folder reached twice (a special folder and the same folder on its
  // drive) or an entry inside a chosen folder is copied once.
  for (const SourceEntry& e : all) {
    bool covered = false;
    for (const SourceEntry& f : all) {
      if (&f == &e || !f.isFolder) continue;
      std::vector<std::wstring> outer = PathComponents(f.path), inner = PathComponents(e.path);
      if (outer.size() < inner.size() && std::equal(outer.begin(), outer.end(), inner.begin())) covered = true;
    }
    for (const SourceEntry& o : out) covered |= PathComponents(o.path) == PathComponents(e.path);
    if (!covered) out.push_back(e);
  }
  return out;
}

std::wstring CFileTreeCtrl::SelectionText(const std::vector<SourceEntry>& entries) {
  std::wstring t;
  for (const SourceEntry& e : entries) t += (e.isFolder ? L"Folder:" : L"File:") + e.path + L"\r\n";
  return t;
}

ui::TreeItem CFileTreeCtrl::FindPath(ui::Window& w, const std::wstring& path) {
  std::vector<std::wstring> want = PathComponents(path);
  if (want.empty()) return ui::kTreeRoot;
  // The drive or network place that starts the path, then down by name.
  ui::TreeItem at = ui::kTreeRoot;
  for (const ItemRecord& r : records_) {
    if (r.kind == ItemRecord::Kind::Group || !r.isFolder) continue;
    const ItemRecord* parent = Record(r.parent);
    if (!parent || parent->kind != ItemRecord::Kind::Group) continue;
    std::vector<std::wstring> have = PathComponents(r.parsingName);
    if (have.size() == 1 && have[0] == want[0]) at = r.item;
  }
  if (at == ui::kTreeRoot) return ui::kTreeRoot;
  for (size_t i = 1; i < want.size(); ++i) {
    OnExpanding(w, at);
    ui::TreeItem next = ui::kTreeRoot;
    for (ui::TreeItem c : w.TreeChildren(id_, at)) {
      std::vector<std::wstring> have = PathComponents(PathOf(c));
      if (have.size() == i + 1 && have[i] == want[i]) next = c;
    }
    if (next == ui::kTreeRoot) return ui::kTreeRoot;
    at = next;
  }
  return at;
}

}  // namespace filecopy
