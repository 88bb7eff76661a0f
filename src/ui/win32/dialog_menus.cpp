// DialogWindow: the main window's menu bar, popup menus and the file
// dialogs (the system's, or on a simulated PC the program's own).
#include "platform/win32/windows_include.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

#include "app/file_browser_page.h"
#include "platform/system.h"
#include "ui/win32/dialog_host.h"

namespace ui::win32 {

namespace {

void SetItemText(HMENU menu, UINT item, BOOL byPosition, const std::wstring& text) {
  // Only the text changes; the state and a popup's submenu stay.
  MENUITEMINFOW mii = {};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_STRING;
  mii.dwTypeData = const_cast<wchar_t*>(text.c_str());
  ::SetMenuItemInfoW(menu, item, byPosition, &mii);
}

// The submenu and position of a command, searched through every level.
bool FindCommand(HMENU menu, UINT command, HMENU* where, int* position) {
  int n = ::GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    if (HMENU sub = ::GetSubMenu(menu, i)) {
      if (FindCommand(sub, command, where, position)) return true;
    } else if (::GetMenuItemID(menu, i) == command) {
      *where = menu;
      *position = i;
      return true;
    }
  }
  return false;
}

// "Name (*.x)|*.x|" as the dialog wants it: NUL-separated, double NUL at the end.
std::wstring FilterForDialog(const std::wstring& filter) {
  std::wstring f = filter;
  for (wchar_t& ch : f)
    if (ch == L'|') ch = L'\0';
  f.append(2, L'\0');
  return f;
}

std::optional<std::wstring> RunFileDialog(HWND owner, bool save, const std::wstring& filter, std::wstring defaultExt,
                                          const std::wstring& initialName, bool mustExist) {
  std::wstring f = FilterForDialog(filter);
  std::wstring file(32768, L'\0');
  file.replace(0, std::min(initialName.size(), file.size() - 1), initialName.substr(0, file.size() - 1));
  if (!defaultExt.empty() && defaultExt[0] == L'.') defaultExt.erase(0, 1);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = f.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = DWORD(file.size());
  ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
  if (save) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameW(&ofn)) return std::nullopt;
  } else {
    ofn.Flags = OFN_HIDEREADONLY | (mustExist ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : 0);
    if (!::GetOpenFileNameW(&ofn)) return std::nullopt;
  }
  return std::wstring(file.c_str());
}

std::optional<std::wstring> RunFolderDialog(HWND owner, const std::wstring& title, bool editBox) {
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW bi = {};
  bi.hwndOwner = owner;
  bi.pszDisplayName = name;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | (editBox ? BIF_NEWDIALOGSTYLE | BIF_EDITBOX : 0);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&bi);
  if (!chosen) return std::nullopt;
  std::wstring path(MAX_PATH, L'\0');
  BOOL ok = ::SHGetPathFromIDListW(chosen, path.data());
  ::CoTaskMemFree(chosen);
  // A namespace item without a file-system path: what a shell item would
  // be called, for the page to refuse.
  if (!ok) return std::wstring(L"::") + name;
  return std::wstring(path.c_str());
}

}  // namespace

void DialogWindow::SetMenuText(int command, const std::wstring& text) {
  HMENU menu = hwnd_ ? ::GetMenu(hwnd_) : nullptr;
  if (!menu) return;
  SetItemText(menu, UINT(command), FALSE, text);
  ::DrawMenuBar(hwnd_);
}

void DialogWindow::SetMenuPopupText(int index, const std::wstring& text) {
  HMENU menu = hwnd_ ? ::GetMenu(hwnd_) : nullptr;
  if (!menu || index < 0 || index >= ::GetMenuItemCount(menu)) return;
  SetItemText(menu, UINT(index), TRUE, text);
  ::DrawMenuBar(hwnd_);
}

void DialogWindow::RemoveMenuItem(int command, bool withSeparatorBefore) {
  HMENU menu = hwnd_ ? ::GetMenu(hwnd_) : nullptr;
  HMENU where;
  int pos;
  if (!menu || !FindCommand(menu, UINT(command), &where, &pos)) return;
  ::DeleteMenu(where, UINT(pos), MF_BYPOSITION);
  if (withSeparatorBefore && pos > 0 && (::GetMenuState(where, UINT(pos - 1), MF_BYPOSITION) & MF_SEPARATOR))
    ::DeleteMenu(where, UINT(pos - 1), MF_BYPOSITION);
  ::DrawMenuBar(hwnd_);
}

int DialogWindow::PopupMenu(const std::vector<MenuItem>& items) {
  if (!hwnd_ || items.empty()) return 0;
  HMENU menu = ::CreatePopupMenu();
  for (const MenuItem& m : items) {
    if (m.command == 0 && m.text.empty())
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      ::AppendMenuW(menu, MF_STRING | (m.enabled ? 0 : MF_GRAYED), UINT_PTR(m.command), m.text.c_str());
  }
  POINT p;
  ::GetCursorPos(&p);
  // Without the foreground the menu would not close when clicked beside.
  ::SetForegroundWindow(hwnd_);
  int cmd = int(::TrackPopupMenu(menu, TPM_NONOTIFY | TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                 p.x, p.y, 0, hwnd_, nullptr));
  ::PostMessageW(hwnd_, WM_NULL, 0, 0);
  ::DestroyMenu(menu);
  host_->RethrowParked();
  return cmd;
}

std::optional<std::wstring> DialogWindow::SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt) {
  return SaveFileDialog(filter, defaultExt, L"");
}

std::optional<std::wstring> DialogWindow::SaveFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                         const std::wstring& initialName) {
  return FileDialog(true, filter, defaultExt, initialName, false);
}

std::optional<std::wstring> DialogWindow::OpenFileDialog(const std::wstring& filter, const std::wstring& defaultExt,
                                                         const std::wstring& initialName, bool mustExist) {
  return FileDialog(false, filter, defaultExt, initialName, mustExist);
}

std::optional<std::wstring> DialogWindow::BrowseForFolder(const std::wstring& title, bool editBox) {
  std::optional<std::wstring> r;
  if (!platform::Sys().SimulationName().empty()) {
    app::CFileBrowser browser(false, L"", L"", L"", false);
    browser.ChooseFolder(title);
    host_->RunModal(browser);
    r = browser.Chosen();
  } else {
    r = RunFolderDialog(closed_ ? host_->OwnerForNew() : hwnd_, title, editBox);
  }
  host_->RethrowParked();
  return r;
}

std::optional<std::wstring> DialogWindow::FileDialog(bool save, const std::wstring& filter,
                                                     const std::wstring& defaultExt, const std::wstring& initialName,
                                                     bool mustExist) {
  std::optional<std::wstring> r;
  if (!platform::Sys().SimulationName().empty()) {
    // The system's dialogs would show the real machine's drives; the
    // simulated PC's folders are only seen through the program.
    app::CFileBrowser browser(save, filter, defaultExt, initialName, mustExist);
    host_->RunModal(browser);
    r = browser.Chosen();
  } else {
    r = RunFileDialog(closed_ ? host_->OwnerForNew() : hwnd_, save, filter, defaultExt, initialName, mustExist);
  }
  host_->RethrowParked();
  return r;
}

}  // namespace ui::win32
