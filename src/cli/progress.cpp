#include "cli/progress.h"

#include <cstdio>

#include "platform/host_info.h"
#include "platform/system.h"
#include "platform/text.h"

namespace cli {

TerminalProgress::TerminalProgress(Context& c, std::string pageName, int controlId)
    : c_(c), page_(std::move(pageName)), id_(controlId), active_(platform::StderrIsTerminal()) {
  auto previous = c_.host.onProgress;
  c_.host.onProgress = [this, previous](ui::ScriptedWindow& w, int id, int64_t pos, int64_t low, int64_t high) {
    if (previous) previous(w, id, pos, low, high);
    if (id == id_ && page_ == w.Name()) Update(pos, low, high);
  };
}

TerminalProgress::~TerminalProgress() {
  Finish();
  c_.host.onProgress = nullptr;
}

void TerminalProgress::Update(int64_t pos, int64_t low, int64_t high) {
  if (!active_) return;
  uint32_t now = platform::Sys().GetTickCount();
  if (!started_) {
    started_ = true;
    startTick_ = now;
  }
  bool done = pos >= high;
  if (drawn_ && !done && now - lastDraw_ < 200) return;
  lastDraw_ = now;
  double fraction = high > low ? double(pos - low) / double(high - low) : 0.0;
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  int64_t elapsed = int64_t(now - startTick_) / 1000;
  std::wstring left = fraction > 0.001 ? text::FormatHms(int64_t(double(elapsed) / fraction) - elapsed) : L"--:--:--";
  char bar[41];
  int filled = int(fraction * 40);
  for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
  bar[40] = 0;
  std::fprintf(stderr, "\r[%s] %3d%%  %s elapsed  %s left ", bar, int(fraction * 100),
               text::Narrow(text::FormatHms(elapsed)).c_str(), text::Narrow(left).c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::Finish() {
  if (drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}

}  // namespace cli
