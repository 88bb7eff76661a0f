// Starting an external program and waiting for it to end, with the window
// kept alive: the wait polls on the machine's clock, drains the message
// queue between polls and gives up after a bounded time.
#pragma once

#include <cstdint>
#include <string>

namespace tools {

struct RunOutcome {
  bool started = false;
  bool ended = false;     // it ended within the wait
  uint32_t exitCode = 0;  // when it ended
  bool Succeeded() const { return started && ended && exitCode == 0; }
};

// One argument of a command line, quoted where the C runtime's splitting
// needs it (blanks, tabs, quotes), so that it reaches the program whole.
std::wstring QuoteArgument(const std::wstring& argument);
// Where started programs run: the Windows PE system folder on Windows PE,
// the program's own folder elsewhere (X: does not exist there).
std::wstring WorkingFolder();
// Starts program (its path quoted, then arguments as given) and waits at
// most maxWaitMs for it; the wait cursor shows meanwhile. A program still
// running then is left to run.
RunOutcome RunAndWait(const std::wstring& program, const std::wstring& arguments, uint32_t maxWaitMs);

}  // namespace tools
