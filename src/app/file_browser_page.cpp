#include "app/file_browser_page.h"

#include <algorithm>

#include "app/file_browser_ids.h"
#include "app/language.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace app {

namespace {

bool IsFolder(const std::wstring& path) {
  uint32_t a = platform::Sys().GetFileAttributes(path);
  return a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
  uint32_t a = platform::Sys().GetFileAttributes(path);
  return a != win::INVALID_FILE_ATTRIBUTES && !(a & win::FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// "C:\a\..\b\." as "C:\b"; a drive's root keeps its backslash ("C:\").
std::wstring Normalize(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return path;
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (size_t i = 2; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      if (cur == L"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!cur.empty() && cur != L".") {
        parts.push_back(cur);
      }
      cur.clear();
    } else {
      cur.push_back(path[i]);
    }
  }
  std::wstring out = std::wstring(1, text::UpperAscii(path[0])) + L":";
  if (parts.empty()) return out + L"\\";
  for (const std::wstring& p : parts) out += L"\\" + p;
  return out;
}

// A folder's path with each name spelt as on the disk ("c:\reports" as
// "C:\Reports"), as far as the folders exist.
std::wstring Canonical(const std::wstring& path) {
  std::wstring out = path.substr(0, std::min<size_t>(path.size(), 3));
  size_t at = 3;
  while (at < path.size()) {
    size_t end = path.find(L'\\', at);
    std::wstring name = path.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    std::vector<platform::FindData> found;
    platform::Sys().FindFiles(Join(out, name), &found);
    out = Join(out, found.size() == 1 ? found[0].name : name);
    if (end == std::wstring::npos) break;
    at = end + 1;
  }
  return out;
}

std::wstring ParentOf(const std::wstring& folder) {
  size_t slash = folder.rfind(L'\\');
  if (slash == std::wstring::npos || slash <= 2) return folder.substr(0, std::min<size_t>(folder.size(), 2)) + L"\\";
  return folder.substr(0, slash);
}

std::wstring FilePart(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool HasWildcard(const std::wstring& s) { return s.find_first_of(L"*?") != std::wstring::npos; }

std::wstring SizeText(uint64_t bytes) { return text::Dec((bytes + 1023) / 1024) + L" KB"; }

// "%1" in a message replaced by a path.
std::wstring With(const std::wstring& key, const std::wstring& path) {
  std::wstring s = T(key);
  size_t at = s.find(L"%1");
  return at == std::wstring::npos ? s + L" " + path : s.replace(at, 2, path);
}

constexpr unsigned kQuestion = win::MB_YESNO | win::MB_ICONQUESTION | win::MB_TASKMODAL;

}  // namespace

CFileBrowser::CFileBrowser(bool save, const std::wstring& filter, const std::wstring& defaultExt,
                           const std::wstring& initialName, bool mustExist)
    : save_(save), mustExist_(mustExist), defaultExt_(defaultExt), initialName_(initialName) {
  if (!defaultExt_.empty() && defaultExt_[0] == L'.') defaultExt_.erase(0, 1);
  // "Name (*.x)|*.x;*.y|...": descriptions and patterns in turn.
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (wchar_t c : filter) {
    if (c == L'|') parts.push_back(cur), cur.clear();
    else cur.push_back(c);
  }
  if (!cur.empty()) parts.push_back(cur);
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FilterEntry f{parts[i], {}};
    std::wstring p;
    for (wchar_t c : parts[i + 1] + L";") {
      if (c != L';') p.push_back(c);
      else if (!text::Trim(p).empty()) f.patterns.push_back(text::Trim(p)), p.clear();
      else p.clear();
    }
    filters_.push_back(f);
  }
  if (filters_.empty()) filters_.push_back({L"*.*", {L"*.*"}});
}

int CFileBrowser::TemplateId() const { return IDD_FILE_BROWSER; }

void CFileBrowser::OnInit(ui::Window& w) {
  w.SetText(0, folders_ ? title_ : T(save_ ? L"IDS_FileDlgSaveAs" : L"IDS_FileDlgOpen"));
  w.SetText(IDC_FB_LOOKIN_LABEL, T(L"IDS_FileDlgLookIn"));
  w.SetText(IDC_FB_UP, T(L"IDS_FileDlgUp"));
  w.SetText(IDC_FB_NEWFOLDER, T(L"IDS_FileDlgNewFolder"));
  w.SetText(IDC_FB_NAME_LABEL, T(L"IDS_FileDlgFileName"));
  w.SetText(IDC_FB_TYPE_LABEL, T(L"IDS_FileDlgFilesOfType"));
  w.SetText(win::IDOK, T(save_ ? L"IDS_FileDlgSave" : L"IDS_FileDlgOpenButton"));
  w.SetText(win::IDCANCEL, T(L"IDS_Cancel"));
  w.Show(IDC_FB_NEWFOLDER, save_ || folders_);
  if (folders_) {
    w.SetText(win::IDOK, T(L"IDS_OK"));
    w.SetText(IDC_FB_NAME_LABEL, T(L"IDS_Folder1"));
    w.Show(IDC_FB_TYPE_LABEL, false);
    w.Show(IDC_FB_TYPE, false);
  }
  w.ListSetup(IDC_LIST, {{T(L"IDS_FileDlgName"), 190}, {T(L"IDS_FileDlgSize"), 80, true}, {T(L"IDS_FileDlgType"), 90}},
              false, false);
  for (const FilterEntry& f : filters_) w.LinesAdd(IDC_FB_TYPE, f.description);
  w.LinesSelect(IDC_FB_TYPE, 0);

  auto& sys = platform::Sys();
  std::wstring strings = sys.GetLogicalDriveStrings();
  for (size_t at = 0; at < strings.size() && strings[at];) {
    std::wstring root = strings.c_str() + at;
    at += root.size() + 1;
    drives_.push_back(root);
    w.LinesAdd(IDC_FB_DRIVES, root);
  }
  // Where to start: the folder of the name given, else the first fixed
  // drive (the system's, on an installed Windows).
  std::wstring start;
  std::wstring name = initialName_;
  if (name.size() >= 2 && name[1] == L':') {
    std::wstring full = Normalize(name);
    if (IsFolder(full)) {
      start = full;
      name.clear();
    } else if (IsFolder(ParentOf(full))) {
      start = ParentOf(full);
      name = FilePart(full);
    } else {
      name = FilePart(full);
    }
  }
  if (HasWildcard(name)) {
    pattern_ = name;
    name.clear();
  }
  for (const std::wstring& d : drives_)
    if (start.empty() && sys.GetDriveType(d) == win::DRIVE_FIXED) start = d;
  if (start.empty() && !drives_.empty()) start = drives_[0];
  w.SetText(IDC_FB_NAME, name);
  GoTo(w, start);
  w.SetFocus(IDC_FB_NAME);
}

void CFileBrowser::GoTo(ui::Window& w, const std::wstring& folder) {
  folder_ = Canonical(Normalize(folder));
  for (size_t i = 0; i < drives_.size(); ++i)
    if (folder_.size() >= 2 && text::EqualsIgnoreCase(drives_[i].substr(0, 2), folder_.substr(0, 2)))
      w.LinesSelect(IDC_FB_DRIVES, int(i));
  w.SetText(IDC_FB_FOLDER, folder_);
  w.Enable(IDC_FB_UP, folder_.size() > 3);
  Fill(w);
}

bool CFileBrowser::Matches(const std::wstring& name) const {
  if (!pattern_.empty()) return text::WildcardMatch(text::UpperAscii(pattern_), text::UpperAscii(name));
  for (const std::wstring& p : filters_[size_t(filter_)].patterns)
    if (text::WildcardMatch(text::UpperAscii(p), text::UpperAscii(name))) return true;
  return false;
}

void CFileBrowser::Fill(ui::Window& w) {
  std::vector<platform::FindData> found;
  platform::Sys().FindFiles(Join(folder_, L"*"), &found);  // an empty folder is no error here
  rows_.clear();
  for (const auto& f : found)
    if ((f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) && f.name != L"." && f.name != L"..") rows_.push_back(f);
  for (const auto& f : found)
    if (!folders_ && !(f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) && Matches(f.name)) rows_.push_back(f);
  w.ListClear(IDC_LIST);
  for (const auto& f : rows_) {
    bool dir = f.attributes & win::FILE_ATTRIBUTE_DIRECTORY;
    w.ListAdd(IDC_LIST, {f.name, dir ? L"" : SizeText(f.size), dir ? T(L"IDS_FileDlgFolder") : T(L"IDS_FileDlgFile")});
  }
}

void CFileBrowser::OnListSelect(ui::Window& w, int listId, int row) {
  if (listId != IDC_LIST || row < 0 || row >= int(rows_.size())) return;
  if (!(rows_[size_t(row)].attributes & win::FILE_ATTRIBUTE_DIRECTORY)) w.SetText(IDC_FB_NAME, rows_[size_t(row)].name);
}

void CFileBrowser::OnListActivate(ui::Window& w, int listId, int row) {
  if (listId != IDC_LIST || row < 0 || row >= int(rows_.size())) return;
  const platform::FindData& f = rows_[size_t(row)];
  if (f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
    GoTo(w, Join(folder_, f.name));
  } else {
    w.SetText(IDC_FB_NAME, f.name);
    Accept(w);
  }
}

void CFileBrowser::OnLinesSelect(ui::Window& w, int id, int index) {
  if (id == IDC_FB_DRIVES && index >= 0 && index < int(drives_.size())) {
    GoTo(w, drives_[size_t(index)]);
  } else if (id == IDC_FB_TYPE && index >= 0 && index < int(filters_.size())) {
    filter_ = index;
    pattern_.clear();
    Fill(w);
  }
}

void CFileBrowser::OnCommand(ui::Window& w, int id) {
  switch (id) {
    case win::IDOK:
      Accept(w);
      break;
    case IDC_FB_UP:
      GoTo(w, ParentOf(folder_));
      break;
    case IDC_FB_NEWFOLDER:
      NewFolder(w);
      break;
    default:
      break;
  }
}

std::wstring CFileBrowser::Resolve(const std::wstring& name) const {
  if (name.size() >= 2 && name[1] == L':') return Normalize(name.substr(0, 2) + L"\\" + name.substr(2));
  if (!name.empty() && name[0] == L'\\') return Normalize(folder_.substr(0, 2) + name);
  return Normalize(Join(folder_, name));
}

void CFileBrowser::Accept(ui::Window& w) {
  std::wstring name = text::Trim(w.GetText(IDC_FB_NAME));
  if (name.empty() && folders_) {
    int row = w.ListSelected(IDC_LIST);
    chosen_ = row >= 0 && row < int(rows_.size()) ? Join(folder_, rows_[size_t(row)].name) : folder_;
    w.Close(win::IDOK);
    return;
  }
  if (name.empty()) {
    // OK on a folder row opens the folder.
    int row = w.ListSelected(IDC_LIST);
    if (row >= 0 && row < int(rows_.size()) && (rows_[size_t(row)].attributes & win::FILE_ATTRIBUTE_DIRECTORY))
      GoTo(w, Join(folder_, rows_[size_t(row)].name));
    return;
  }
  if (HasWildcard(name)) {
    pattern_ = name;
    w.SetText(IDC_FB_NAME, L"");
    Fill(w);
    return;
  }
  std::wstring path = Resolve(name);
  if (folders_) {
    if (!IsFolder(path)) {
      w.MessageBox(With(L"IDS_FileDlgNoFolder", path), win::MB_OK | win::MB_ICONEXCLAMATION);
      return;
    }
    chosen_ = Canonical(path);
    w.Close(win::IDOK);
    return;
  }
  if (IsFolder(path)) {
    w.SetText(IDC_FB_NAME, L"");
    GoTo(w, path);
    return;
  }
  std::wstring file = FilePart(path);
  if (save_ && !defaultExt_.empty() && file.find(L'.') == std::wstring::npos) path += L"." + defaultExt_;
  if (!IsFolder(ParentOf(path))) {
    w.MessageBox(With(L"IDS_FileDlgNoFolder", ParentOf(path)), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  if (save_ && IsFile(path) && w.MessageBox(With(L"IDS_FileDlgReplace", path), kQuestion) != win::IDYES) return;
  if (!save_ && mustExist_ && !IsFile(path)) {
    w.MessageBox(With(L"IDS_FileDlgNotFound", path), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  chosen_ = path;
  w.Close(win::IDOK);
}

void CFileBrowser::NewFolder(ui::Window& w) {
  auto& sys = platform::Sys();
  std::wstring base = T(L"IDS_FileDlgNewFolderName");
  std::wstring name = base;
  for (int n = 2; n < 1000 && sys.GetFileAttributes(Join(folder_, name)) != win::INVALID_FILE_ATTRIBUTES; ++n)
    name = base + L" (" + text::Dec(n) + L")";
  if (!sys.CreateDirectory(Join(folder_, name))) {
    w.MessageBox(With(L"IDS_FileDlgNoNewFolder", Join(folder_, name)), win::MB_OK | win::MB_ICONEXCLAMATION);
    return;
  }
  Fill(w);
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].name == name) w.ListSelect(IDC_LIST, int(i));
}

}  // namespace app
