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
// "Sectors overwritten: 1000 of 2048 (pass 1 of 3)".
std::wstring OverwrittenText();
// Builds DeleteReport from the results of the last deletion: the lines the
// report has always had, then the wiped disk's identity, the program's
// version and how far the wipe got.
void BuildDeleteReport();
// A file name to offer for the report: the disk and the date and time of
// the deletion ("Vektrel deletion report Disk1 2026-12-09 1000.txt").
std::wstring DefaultReportFileName();
// The file: the byte order mark FF FE, then the report as UTF-16LE.
std::vector<uint8_t> DeleteReportFileBytes();
// Creates (or truncates) the file and writes the report; false when the
// file could not be created or written completely.
bool SaveDeleteReport(const std::wstring& path);

}  // namespace erase
