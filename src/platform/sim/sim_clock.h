// The simulated PC's clock. Virtual by default: Sleep returns at once and
// moves time forward, and disk transfers charge the time a disk of the
// configured speed would take, so elapsed and remaining times behave in
// tests as on a real machine without anyone waiting. Real for the demo.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>

namespace sim {

class SimClock {
 public:
  SimClock(bool isVirtual, std::time_t start);
  bool IsVirtual() const { return virtual_; }
  void Sleep(uint32_t ms);
  void Charge(uint64_t microseconds);  // transfer time; nothing on a real clock
  uint32_t TickCount() const;          // milliseconds since the machine started
  std::time_t Now() const;
  uint64_t Micros() const;

 private:
  bool virtual_;
  std::time_t start_;
  std::atomic<uint64_t> micros_{0};  // transfers on two threads charge it at once
  std::chrono::steady_clock::time_point realStart_;
};

}  // namespace sim
