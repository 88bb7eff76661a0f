// The format-now prompt (CFormatDisk): whether a destination partition
// should be formatted now. The answer is a process-wide flag the caller
// reads afterwards.
#pragma once

#include "partition/partition_ids.h"
#include "ui/window.h"

namespace partition {

extern bool FormatNowAnswer;  // initially no

class CFormatDisk : public ui::Page {
 public:
  int TemplateId() const override { return IDD_CFORMATDISK; }
  const char* Name() const override { return "CFormatDisk"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnCancel(ui::Window& w) override;
};

// Runs the prompt; the answer (also left in FormatNowAnswer).
bool AskFormatNow();

void ResetFormatNowAnswer();

}  // namespace partition
