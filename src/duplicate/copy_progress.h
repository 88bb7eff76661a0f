// What the duplication engines tell the page while they work. The engines
// take this small interface instead of a window, so that the driver, the
// console and the tests can run them; the progress page implements it over
// its controls. Every call has a default that does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace duplicate {

class CopyProgress {
 public:
  virtual ~CopyProgress() = default;
  // The status line ("IDS_CopyBlock (Disk 1 to Disk 2)").
  virtual void Status(const std::wstring& text) {}
  virtual void Range(int64_t low, int64_t high) {}
  virtual void Position(int64_t pos) {}
  // The copied amount, in sectors (shown through FormatSize).
  virtual void Copied(uint64_t sectors) {}
  // Refreshes the elapsed time (now - DuplicationJob.StartTime).
  virtual void Elapsed() {}
  // The format worker's percentage, "(nn%)"; -1 hides the field.
  virtual void Percent(int percent) {}
  // The destination disk's layout changed: redraw its map.
  virtual void LayoutChanged() {}
  // Drains the page's messages once, so that Cancel and repaints work. The
  // engines read DuplicationJob.CancelRequested right after it.
  virtual void Pump() {}
};

}  // namespace duplicate
