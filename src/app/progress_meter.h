// What the pages of long runs (wipe, scan, format) say about their pace:
// the time the work itself took (without the time a question or message
// kept the operator, during which nothing was done), the share done, the
// rate over the last seconds and the time that rate still needs. Fed with
// the machine's tick count, so that the virtual clock drives it in tests.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace app {

class ProgressMeter {
 public:
  // Starts the timing at the tick count `now` (milliseconds).
  void Start(uint32_t now);
  // Leaves out time in which the work stood still (a message box).
  void Pause(uint32_t milliseconds);
  // The work done so far of the whole, in bytes, at tick count now.
  void Sample(uint32_t now, uint64_t doneBytes, uint64_t totalBytes);
  // Ends the run at tick count now: everything counts as done.
  void Finish(uint32_t now);

  uint64_t WorkMilliseconds(uint32_t now) const;
  int Percent() const;  // 0..100; 100 only when all is done
  // Bytes a second over the last kWindowMs of work (over all of it while
  // less has passed); 0 before anything can be said.
  double BytesPerSecond() const;
  // Seconds the rest takes at that rate; -1 while unknown.
  int64_t RemainingSeconds() const;

  // "42% done, 85.3 MB/s, 00:01:23 left" (withRemaining) or "42% done,
  // 85.3 MB/s", in the page's language.
  std::wstring DetailText(bool withRemaining) const;
  // "00:01:23", or "--:--:--" while unknown.
  std::wstring RemainingText() const;

  static constexpr uint32_t kWindowMs = 10000;

 private:
  struct Point {
    uint64_t ms;
    uint64_t bytes;
  };
  uint32_t start_ = 0;
  uint64_t paused_ = 0;
  uint64_t done_ = 0, total_ = 0;
  std::deque<Point> recent_;
};

}  // namespace app
