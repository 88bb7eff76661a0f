#include "platform/sim/sim_clock.h"

#include <thread>

namespace sim {

SimClock::SimClock(bool isVirtual, std::time_t start)
    : virtual_(isVirtual), start_(start), realStart_(std::chrono::steady_clock::now()) {}

void SimClock::Sleep(uint32_t ms) {
  if (virtual_) micros_ += uint64_t(ms) * 1000;
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SimClock::Charge(uint64_t microseconds) {
  if (virtual_) micros_ += microseconds;
}

uint64_t SimClock::Micros() const {
  if (virtual_) return micros_;
  return uint64_t(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - realStart_).count());
}

// Tick counts start a little after boot, as on a machine that has been up
// for a while; they wrap after 49.7 days like GetTickCount.
uint32_t SimClock::TickCount() const { return uint32_t(600000 + Micros() / 1000); }

std::time_t SimClock::Now() const {
  if (!virtual_) return std::time(nullptr);
  return start_ + std::time_t(micros_ / 1000000);
}

}  // namespace sim
