// What duplicate and quick print about a duplication: the result's name,
// the planned layout as text and as JSON, and the run's counters as JSON.
#pragma once

#include <string>
#include <vector>

#include "cli/json.h"
#include "duplicate/duplication_job.h"
#include "duplicate/planned_rows.h"

namespace cli {

std::wstring ResultName(duplicate::DuplicationResult r);
std::vector<std::wstring> PlanText(const std::vector<duplicate::PlannedLine>& plan, bool gpt);
void PlanJson(Json& j, const std::vector<duplicate::PlannedLine>& plan, bool gpt);
// CopiedBytes ... ElapsedSeconds of DuplicationJob, as duplicate --json gives them.
void RunFieldsJson(Json& j);

}  // namespace cli
