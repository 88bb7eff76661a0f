// The delete report: what was erased, how, with which result and how many
// disk errors, and the first sector as it reads after the wipe; saved as a
// UTF-16 text file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace erase {

extern std::wstring DeleteReport;

// T("IDS_Aborted"), T("IDS_Completed_Error") when disk errors were counted,
// or T("IDS_Completed").
std::wstring DeleteResultText();
// Line 6's target: "Disk 0 Model " or "Partition (E:) FAT32 ".
std::wstring ReportTargetText();
// Row i (0..31) of the snapshot dump.
std::wstring SnapshotRow(int i);
// Builds DeleteReport from the results of the last deletion.
void BuildDeleteReport();
// The file: the byte order mark FF FE, then the report as UTF-16LE.
std::vector<uint8_t> DeleteReportFileBytes();
// Creates (or truncates) the file and writes the report; false when the
// file could not be created or written completely.
bool SaveDeleteReport(const std::wstring& path);

}  // namespace erase
