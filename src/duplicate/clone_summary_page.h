// CCloneSummary: the duplication's summary page: what was copied where, the
// result, and every error the run counted (unreadable source sectors with
// their ranges, verify differences, write errors, files that could not be
// copied, steps that could not run). Finish leads to the shutdown choice.
#pragma once

#include <string>
#include <vector>

#include "duplicate/duplication_job.h"
#include "ui/window.h"

namespace duplicate {

class CCloneSummary : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CCloneSummary"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;

 private:
  void Finish(ui::Window& w);
};

// The texts of the summary, also printed by the console.
const wchar_t* ExpansionKey(Expansion mode);
std::wstring ResultText();
std::wstring ScanText();
std::wstring VerifyText();
std::wstring ErrorsText();
std::wstring UnreadableText();
std::wstring FilesText();
// One line per unreadable range and per file that could not be copied.
std::vector<std::wstring> DetailLines();
// The rows of the summary page: label and value.
std::vector<std::pair<std::wstring, std::wstring>> SummaryRows();

}  // namespace duplicate
