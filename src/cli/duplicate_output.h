// What duplicate and quick print about a duplication: the result's name,
// the planned layout as text and as JSON, and the run's counters as JSON.
#pragma once

#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/json.h"
#include "duplicate/duplication_job.h"
#include "duplicate/planned_rows.h"

namespace cli {

std::wstring ResultName(duplicate::DuplicationResult r);
std::vector<std::wstring> PlanText(const std::vector<duplicate::PlannedLine>& plan, bool gpt);
void PlanJson(Json& j, const std::vector<duplicate::PlannedLine>& plan, bool gpt);
// A duplication refused before it started: the reason on stderr and, with
// --json, an object with result Aborted and the reason; returns exit code 1.
int RefuseDuplication(Context& c, const std::wstring& reason);
// CopiedBytes ... ElapsedSeconds of DuplicationJob, as duplicate --json gives them.
void RunFieldsJson(Json& j);

}  // namespace cli
