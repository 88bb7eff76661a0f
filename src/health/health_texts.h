// The health figures as the pages (and the console) show them: the
// temperature and power-on texts, the status box, the property tables and
// the attribute list, all looked up in the language table.
#pragma once

#include <string>
#include <vector>

#include "health/drive_facts.h"
#include "health/health_figures.h"
#include "health/smart_reader.h"
#include "ui/window.h"

namespace health {

struct PropertyRow {
  std::wstring property, value, range, remarks;
};

struct Figure {
  std::wstring title, value;
};

std::wstring NotAvailableText();
std::wstring HealthVerdictText(HealthVerdict v);  // "Good", "Need Attention", "Bad"
// "40C/104F (Good)", or the not-available text.
std::wstring TemperatureText(const SmartReader& reader, int drive);
// "Power On Time: 514 days (12345 hours)".
std::wstring PowerOnText(const SmartReader& reader, int drive);
// The three figures of the disk page: temperature, reliability, performance
// (for an NVMe drive: available spare and percentage used).
std::vector<Figure> Figures(const SmartReader& reader, int drive);

// The status box: a headline ("GOOD", "ATTENTION", "FAILING", "UNKNOWN")
// and its text, with the first finding that led to it.
struct StatusBox {
  DiskVerdict verdict = DiskVerdict::Unknown;
  std::wstring headline, text;
};
StatusBox StatusOf(const SmartReader& reader, int drive);
std::wstring FindingText(const SmartReader& reader, const Finding& f);
std::wstring DiskVerdictName(DiskVerdict v);  // "Good", "Attention", "Failing", "Unknown" (not translated)

// The disk page's property table and the diagnostics dialog's summary:
// "Property", "Value", "Range", "Remarks".
std::vector<ui::ListColumn> PropertyColumns();
std::vector<PropertyRow> DetailRows(const SmartReader& reader, int drive, const DriveFacts& facts);
std::vector<PropertyRow> SummaryRows(const SmartReader& reader, int drive, const DriveFacts& facts);

// The attribute list of the diagnostics dialog for the given drives: for
// each, an empty row, the drive's header rows (the ">>> Drive n <<<" row
// in the name column), its named attributes in ascending id (or its NVMe
// figures), an empty row. Seven columns: id (with
// " (CR)" for a critical attribute), name, value, worst, raw, threshold,
// status.
std::vector<std::vector<std::wstring>> AttributeListRows(const SmartReader& reader, const std::vector<int>& drives);

// Numbers as the tables show them.
std::wstring SizeInMegabytes(uint64_t sectors);
std::wstring CriticalWarningText(uint8_t bits);  // "0x00"

}  // namespace health
