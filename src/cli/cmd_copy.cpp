// copy: the file copy wizard driven through the scripted host as an
// operator would: the sources ticked in the folder tree, the destination
// typed on the second page, the copy started on the third.
#include <string>
#include <vector>

#include "app/language.h"
#include "cli/context.h"
#include "cli/json.h"
#include "cli/progress.h"
#include "filecopy/copy_paths.h"
#include "filecopy/file_copy_job.h"
#include "filecopy/file_tree_ctrl.h"
#include "filecopy/filecopy_ids.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace cli {

namespace {

using filecopy::FileCopyResult;

const wchar_t* ResultName(FileCopyResult r) {
  switch (r) {
    case FileCopyResult::Completed: return L"Completed";
    case FileCopyResult::CompletedWithErrors: return L"CompletedWithErrors";
    case FileCopyResult::Cancelled: return L"Cancelled";
    case FileCopyResult::Failed: return L"Failed";
  }
  return L"Failed";
}

// The tree item of a path, found by what the tree shows: the drive "(C:)"
// under the computer (or a network place by its path's share and server),
// then each folder by name, opened on the way.
ui::TreeItem FindInTree(ui::ScriptedWindow& w, const std::wstring& path) {
  std::vector<std::wstring> want = filecopy::PathComponents(path);
  if (want.empty()) return ui::kTreeRoot;
  std::wstring driveText = L"(" + want[0] + L")";
  ui::TreeItem at = ui::kTreeRoot;
  for (ui::TreeItem top : w.TreeChildren(IDC_FC_TREE, ui::kTreeRoot)) {
    if (w.TreeGetState(IDC_FC_TREE, top) != filecopy::kNoCheck) continue;
    for (ui::TreeItem d : w.TreeChildren(IDC_FC_TREE, top)) {
      std::wstring t = w.TreeGetText(IDC_FC_TREE, d);
      std::vector<std::wstring> place = filecopy::PathComponents(filecopy::NetworkPlacePath(t));
      if (filecopy::EndsWithIgnoreCase(t, driveText) || (!place.empty() && place[0] == want[0])) at = d;
    }
  }
  for (size_t i = 1; i < want.size() && at != ui::kTreeRoot; ++i) {
    w.ExpandTreeItem(IDC_FC_TREE, at);
    ui::TreeItem next = ui::kTreeRoot;
    for (ui::TreeItem c : w.TreeChildren(IDC_FC_TREE, at))
      if (text::EqualsIgnoreCase(w.TreeGetText(IDC_FC_TREE, c), want[i]) ||
          filecopy::PathComponents(L"C:\\" + w.TreeGetText(IDC_FC_TREE, c)).back() == want[i])
        next = c;
    at = next;
  }
  return at;
}

}  // namespace

int CmdCopy(Context& c, Args& a) {
  std::vector<std::string> sources = a.TakeAll("--source");
  std::string dest;
  if (sources.empty()) throw UsageError("copy needs at least one --source PATH");
  if (!a.Take("--dest", &dest) || dest.empty()) throw UsageError("copy needs --dest PATH");
  a.Done();

  std::wstring stuck;
  auto lastMessage = [&]() { return c.host.messages.empty() ? std::wstring() : c.host.messages.back().text; };
  c.host.OnPage("CBackupFiles", [&](ui::ScriptedWindow& w) {
    for (const std::string& s : sources) {
      std::wstring path = text::FromUtf8(s);
      ui::TreeItem item = FindInTree(w, path);
      if (item == ui::kTreeRoot) {
        stuck = L"--source " + path + L" is not in the folder tree (no such file or folder)";
        break;
      }
      int state = w.TreeGetState(IDC_FC_TREE, item);
      if (state == filecopy::kEmptyFolder) {
        stuck = L"--source " + path + L" is an empty folder: there is nothing to copy";
        break;
      }
      // A click ticks it all, unless it was ticked already.
      if (state != filecopy::kFull && state != filecopy::kCheckedFile) w.ClickTreeState(IDC_FC_TREE, item, false);
    }
    if (stuck.empty()) {
      size_t before = c.host.messages.size();
      w.Press(IDC_NEXT);
      if (!w.IsClosed()) stuck = c.host.messages.size() > before ? lastMessage() : L"nothing is ticked";
    }
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  c.host.OnPage("CBit1", [&](ui::ScriptedWindow& w) {
    size_t before = c.host.messages.size();
    w.Type(IDC_FC_DEST, text::FromUtf8(dest));
    w.Press(IDC_NEXT);
    if (w.IsClosed()) return;
    std::wstring given = text::FromUtf8(dest);
    uint32_t attributes = platform::Sys().GetFileAttributes(given);
    if (attributes == win::INVALID_FILE_ATTRIBUTES || !(attributes & win::FILE_ATTRIBUTE_DIRECTORY))
      stuck = L"--dest " + given + L" is not an existing folder";
    else
      stuck = c.host.messages.size() > before ? lastMessage() : L"--dest is not accepted";
    w.Close(win::IDCANCEL);
  });
  uint32_t runMs = 0;
  c.host.OnPage("CClone1", [&](ui::ScriptedWindow& w) {
    uint32_t from = platform::Sys().GetTickCount();
    w.Press(IDC_FC_START);
    runMs = platform::Sys().GetTickCount() - from;
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  {
    TerminalProgress progress(c, "CClone1", IDC_PROGRESS);
    filecopy::RunFileCopyWizard();
  }
  const filecopy::FileCopyJob& job = filecopy::CurrentFileCopyJob();
  std::wstring notStarted;
  if (!job.Ran) {
    notStarted = stuck.empty() ? std::wstring(L"the copy could not be set up") : stuck;
    while (!notStarted.empty() && (notStarted.back() == L'.' || notStarted.back() == L' ')) notStarted.pop_back();
    notStarted += L"; nothing was copied";
    c.Err(L"vektrel-cli: " + notStarted);
    if (!c.opt.json) return 1;
  }
  const filecopy::FileCopyStats& s = job.Stats;
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("result", job.Ran ? std::wstring(ResultName(job.Result)) : std::wstring(L"NotStarted"));
    if (!job.Ran) j.Field("reason", notStarted);
    j.Field("destination", job.Destination.empty() ? text::FromUtf8(dest) : job.Destination)
        .Field("FilesCopied", int64_t(s.FilesCopied))
        .Field("FoldersCopied", int64_t(s.FoldersCopied))
        .Field("BytesCopied", s.BytesCopied)
        .Field("TotalBytes", s.TotalBytes)
        .Field("LinksSkipped", int64_t(s.LinksSkipped))
        .Field("FileErrorCount", int64_t(s.FileErrorCount))
        .Key("FileErrors")
        .BeginArray();
    for (const auto& e : s.FileErrors) j.BeginObject().Field("path", e.path).Field("reason", e.reason).EndObject();
    j.EndArray().Key("Skipped").BeginArray();
    for (const auto& e : s.SkippedEntries) j.BeginObject().Field("path", e.path).Field("reason", e.reason).EndObject();
    j.EndArray().Field("SkippedCount", int64_t(s.SkippedCount)).Field("milliseconds", uint64_t(runMs)).EndObject();
    c.Out(j.Text());
  } else {
    c.Out(L"Result: " + std::wstring(ResultName(job.Result)));
    c.Out(L"Files copied: " + text::Dec(int64_t(s.FilesCopied)) + L", " + text::Dec(s.BytesCopied) + L" bytes");
    if (s.LinksSkipped) c.Out(L"Junctions and links skipped: " + text::Dec(int64_t(s.LinksSkipped)));
    for (const auto& e : s.FileErrors) c.Out(L"  not copied: " + e.path + L": " + e.reason);
    for (const auto& e : s.SkippedEntries) c.Out(L"  skipped: " + e.path + L": " + e.reason);
  }
  return job.Ran && job.Result == FileCopyResult::Completed ? 0 : 1;
}

}  // namespace cli
