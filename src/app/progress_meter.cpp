#include "app/progress_meter.h"

#include <cstdio>

#include "app/language.h"
#include "platform/text.h"

namespace app {

void ProgressMeter::Start(uint32_t now) {
  *this = ProgressMeter{};
  start_ = now;
  recent_.push_back({0, 0});
}

void ProgressMeter::Pause(uint32_t milliseconds) { paused_ += milliseconds; }

uint64_t ProgressMeter::WorkMilliseconds(uint32_t now) const {
  // Tick counts wrap after 49.7 days; the difference does not.
  uint64_t wall = uint32_t(now - start_);
  return wall > paused_ ? wall - paused_ : 0;
}

void ProgressMeter::Sample(uint32_t now, uint64_t doneBytes, uint64_t totalBytes) {
  done_ = doneBytes;
  total_ = totalBytes;
  uint64_t ms = WorkMilliseconds(now);
  if (!recent_.empty() && recent_.back().ms == ms) recent_.back().bytes = doneBytes;
  else recent_.push_back({ms, doneBytes});
  // Keep one point at or before the window's start, so that the rate
  // always spans the whole window.
  while (recent_.size() > 2 && recent_[1].ms + kWindowMs <= ms) recent_.pop_front();
}

void ProgressMeter::Finish(uint32_t now) { Sample(now, total_, total_); }

int ProgressMeter::Percent() const {
  if (total_ == 0) return 0;
  if (done_ >= total_) return 100;
  return int(done_ * 100 / total_);
}

double ProgressMeter::BytesPerSecond() const {
  if (recent_.size() < 2) return 0;
  const Point &first = recent_.front(), &last = recent_.back();
  // Less than a second says little about the pace.
  if (last.ms < first.ms + 1000 || last.bytes < first.bytes) return 0;
  return double(last.bytes - first.bytes) * 1000.0 / double(last.ms - first.ms);
}

int64_t ProgressMeter::RemainingSeconds() const {
  if (total_ && done_ >= total_) return 0;
  double rate = BytesPerSecond();
  if (rate <= 0) return -1;
  return int64_t(double(total_ - done_) / rate + 0.5);
}

std::wstring ProgressMeter::RemainingText() const {
  int64_t left = RemainingSeconds();
  if (left < 0) return L"--:--:--";
  // All the hours: a slow disk may need more than a day.
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(left / 3600), int(left / 60 % 60),
                int(left % 60));
  return text::Widen(buf);
}

std::wstring ProgressMeter::DetailText(bool withRemaining) const {
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.1f", BytesPerSecond() / 1048576.0);
  std::wstring t = T(withRemaining ? L"IDS_ProgressDetail" : L"IDS_ProgressRate");
  t = FillField(t, L"%PERCENT%", text::Dec(int64_t(Percent())) + L"%");
  t = FillField(t, L"%RATE%", text::Widen(rate));
  return FillField(t, L"%REMAINING%", RemainingText());
}

}  // namespace app
