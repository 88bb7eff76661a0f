#include "tools/run_and_wait.h"

#include "app/app_state.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace tools {

namespace {
constexpr uint32_t kPollMs = 100;
}

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  // Backslashes count only before a quote: there they are doubled, and the
  // quote itself is escaped; the closing quote needs the same.
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
    else out.append(backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::wstring WorkingFolder() { return app::IsWinPE ? L"X:\\Windows\\System32" : app::AppDirectory; }

RunOutcome RunAndWait(const std::wstring& program, const std::wstring& arguments, uint32_t maxWaitMs) {
  auto& sys = platform::Sys();
  RunOutcome out;
  platform::Cursor before = sys.SetCursor(platform::Cursor::Wait);
  std::wstring line = QuoteArgument(program);
  if (!arguments.empty()) line += L" " + arguments;
  platform::Handle process = sys.CreateProcess(program, line, WorkingFolder());
  if (process == platform::kNullHandle) {
    sys.SetCursor(before);
    return out;
  }
  out.started = true;
  uint32_t start = sys.GetTickCount();
  for (;;) {
    // The wait says whether it ended: an exit code of 259 would pass for
    // STILL_ACTIVE.
    uint32_t r = sys.WaitForSingleObject(process, kPollMs);
    if (r == win::WAIT_OBJECT_0) {
      out.ended = sys.GetExitCodeProcess(process, &out.exitCode);
      break;
    }
    if (r != win::WAIT_TIMEOUT || sys.GetTickCount() - start >= maxWaitMs) break;
    ui::PumpMessages();
  }
  sys.CloseHandle(process);
  sys.SetCursor(before);
  return out;
}

}  // namespace tools
