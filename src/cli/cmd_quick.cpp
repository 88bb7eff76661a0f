// quick: the One Click Copy as the tile starts it: the system disk onto the
// largest empty disk, planned without the wizard's pages; the progress page
// asks before it writes (--yes answers).
#include <string>

#include "app/language.h"
#include "cli/context.h"
#include "cli/duplicate_output.h"
#include "cli/json.h"
#include "cli/progress.h"
#include "cli/quick_run.h"
#include "duplicate/clone_summary_page.h"
#include "duplicate/duplicate_ids.h"
#include "duplicate/duplication_job.h"
#include "duplicate/quick_duplicate.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/control_ids.h"

namespace cli {

using duplicate::DuplicationJob;

void ScriptQuickPages(Context& c, QuickRun* run) {
  auto echo = c.host.answer;
  c.host.answer = [&c, echo](const std::wstring& text, unsigned flags) {
    if (text == app::T(L"IDS_MessageblankDisk")) {
      c.Err(L"message: " + text + L" [Cancel: name the disks with the duplicate command]");
      return win::IDCANCEL;
    }
    return echo(text, flags);
  };
  c.host.OnPage("CClone", [run](ui::ScriptedWindow& w) {
    run->opened = true;
    run->plan = duplicate::PlannedLines(&run->gpt);
    w.Press(IDC_CL_START);
    run->ran = DuplicationJob.Result != duplicate::DuplicationResult::NotRun;
    if (!w.IsClosed()) w.Close(win::IDCANCEL);
  });
  c.host.OnPage("CCloneSummary", [](ui::ScriptedWindow& w) { w.Close(win::IDOK); });
}

int ReportQuick(Context& c, const QuickRun& run) {
  if (!run.opened)
    return RefuseDuplication(c, c.host.messages.empty() ? std::wstring(L"the quick duplicate could not be set up")
                                                        : c.host.messages.back().text);
  if (!run.ran) c.Err(L"vektrel-cli: the duplication was not started and nothing was written (add --yes to start it)");
  const duplicate::DuplicationJobRecord& job = DuplicationJob;
  const bool basic = job.CopyMode == duplicate::CopyKind::Basic;
  if (c.opt.json) {
    Json j;
    j.BeginObject()
        .Field("result", run.ran ? ResultName(job.Result) : std::wstring(L"Aborted"))
        .Field("started", run.ran)
        .Field("source", job.SourceDescription)
        .Field("destination", job.DestinationDescription)
        .Field("mode", basic ? "basic" : "sector")
        .Field("expand", std::wstring(duplicate::ExpansionKey(job.ExpansionMode)).substr(4));
    RunFieldsJson(j);
    PlanJson(j, run.plan, run.gpt);
    j.EndObject();
    c.Out(j.Text());
  } else {
    c.Out(L"Source: " + job.SourceDescription);
    for (const std::wstring& line : PlanText(run.plan, run.gpt)) c.Out(line);
    if (run.ran) {
      for (const auto& row : duplicate::SummaryRows()) c.Out(row.first + L" " + row.second);
      for (const std::wstring& line : duplicate::DetailLines()) c.Out(L"  " + line);
    }
  }
  return run.ran && job.Result == duplicate::DuplicationResult::Completed ? 0 : 1;
}

int CmdQuick(Context& c, Args& a) {
  a.Done();
  QuickRun run;
  ScriptQuickPages(c, &run);
  {
    TerminalProgress progress(c, "CClone", IDC_PROGRESS);
    duplicate::RunQuickDuplicate(false);
  }
  return ReportQuick(c, run);
}

}  // namespace cli
