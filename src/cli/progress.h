// A progress bar on the terminal for long runs (wipe, scan, format): the
// percentage, the elapsed and the remaining time, redrawn in place at most a
// few times a second. Nothing is printed when standard error is not a
// terminal.
#pragma once

#include <cstdint>
#include <string>

#include "cli/context.h"

namespace cli {

class TerminalProgress {
 public:
  // Follows the progress bar `controlId` of the page named `pageName`.
  TerminalProgress(Context& c, std::string pageName, int controlId);
  ~TerminalProgress();
  void Finish();  // ends the line

 private:
  void Update(int64_t pos, int64_t low, int64_t high);
  Context& c_;
  std::string page_;
  int id_;
  bool active_;
  bool drawn_ = false;
  uint32_t startTick_ = 0, lastDraw_ = 0;
  bool started_ = false;
};

}  // namespace cli
