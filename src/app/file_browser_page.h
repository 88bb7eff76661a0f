// CFileBrowser: the Open and Save As dialogs of a simulated PC. The system's
// own file dialogs show the real machine's drives, where the simulated
// PC's folders are not; this page browses the drives and folders the
// program sees through platform::Sys(). The Win32 host shows it in place of
// the common dialogs when it runs on a simulated PC.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"
#include "ui/window.h"

namespace app {

class CFileBrowser : public ui::Page {
 public:
  // `filter` in the "Name (*.x)|*.x|" form; `defaultExt` is added to a
  // saved name without one; `initialName` may name a folder, a file, or a
  // pattern ("c:\*.*").
  CFileBrowser(bool save, const std::wstring& filter, const std::wstring& defaultExt,
               const std::wstring& initialName, bool mustExist);

  int TemplateId() const override;
  const char* Name() const override { return "CFileBrowser"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnListSelect(ui::Window& w, int listId, int row) override;
  void OnListActivate(ui::Window& w, int listId, int row) override;
  void OnLinesSelect(ui::Window& w, int id, int index) override;

  // Makes it the folder picker: folders only, OK takes the folder selected
  // in the list (or the one open, or the one typed).
  void ChooseFolder(const std::wstring& title) {
    folders_ = true;
    title_ = title;
  }

  // The path chosen with OK; nothing after Cancel.
  const std::optional<std::wstring>& Chosen() const { return chosen_; }
  const std::wstring& Folder() const { return folder_; }

 private:
  struct FilterEntry {
    std::wstring description;
    std::vector<std::wstring> patterns;
  };
  void GoTo(ui::Window& w, const std::wstring& folder);
  void Fill(ui::Window& w);
  void Accept(ui::Window& w);
  void NewFolder(ui::Window& w);
  std::wstring Resolve(const std::wstring& name) const;
  bool Matches(const std::wstring& name) const;

  bool save_, mustExist_;
  bool folders_ = false;
  std::wstring title_;
  std::wstring defaultExt_, initialName_;
  std::vector<FilterEntry> filters_;
  int filter_ = 0;
  std::wstring pattern_;  // a pattern typed in the name box, over the filter's
  std::vector<std::wstring> drives_;
  std::wstring folder_;   // "C:\" or "C:\Reports"
  std::vector<platform::FindData> rows_;
  std::optional<std::wstring> chosen_;
};

}  // namespace app
