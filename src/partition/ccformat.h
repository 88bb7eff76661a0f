// The formatting dialog (CCFormat): the drive and a progress bar while a
// worker thread runs the format library; and FormatByDriveLetter, which
// fills the FormatRequest and runs it.
#pragma once

#include <cstdint>

#include "partition/partition_ids.h"
#include "ui/window.h"

namespace partition {

enum class FormatOutcome { Formatted, Failed, Cancelled, NotStarted };

class CCFormat : public ui::Page {
 public:
  CCFormat(wchar_t letter, uint64_t volumeSectors) : letter_(letter), sectors_(volumeSectors) {}
  int TemplateId() const override { return IDD_CCFORMAT; }
  const char* Name() const override { return "CCFormat"; }
  void OnInit(ui::Window& w) override;
  void OnTimer(ui::Window& w, unsigned id) override;
  void OnCancel(ui::Window& w) override;
  FormatOutcome Outcome() const { return outcome_; }

  static constexpr unsigned kStartTimer = 1;

 private:
  FormatOutcome Run(ui::Window& w);
  void ShowPercent(ui::Window& w, int percent);
  wchar_t letter_;
  uint64_t sectors_;  // the rate is the volume's share done per second
  int ticks_ = 0;
  bool running_ = false;
  bool cancelled_ = false;
  FormatOutcome outcome_ = FormatOutcome::NotStarted;
};

// Formats the volume of the letter with the CreatePartitionRequest's file
// system (quick only when its format option is 1). A FAT request for a
// region above 4095 MB becomes FAT32, any request above 32767 MB NTFS.
// Shows "IDS_SelectPartitionType" for a file system it does not know and
// "IDS_cannotformat" when the format could not be done.
FormatOutcome FormatByDriveLetter(wchar_t letter, uint64_t regionSectors);

}  // namespace partition
