// Work beside the caller's own, on one thread kept for it: the next
// transfers are read while the caller writes or compares the one it has.
// Pieces of work run one after another in the order they were started;
// where no thread can be made, each is done at once on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace duplicate {

class SideWorker {
 public:
  SideWorker() = default;
  ~SideWorker();
  SideWorker(const SideWorker&) = delete;
  SideWorker& operator=(const SideWorker&) = delete;

  // Queues work behind the work already started; the number returned is
  // what WaitFor waits for.
  uint64_t Start(std::function<void()> work);
  // Waits until the work numbered ticket (and all before it) is done.
  void WaitFor(uint64_t ticket);
  // Drops the work not yet begun and waits for the work under way.
  void Finish();

 private:
  void Run();
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  uint64_t started_ = 0;  // tickets handed out and not dropped
  uint64_t done_ = 0;     // tickets done
  bool stop_ = false;
  bool noThread_ = false;
  std::thread thread_;
};

}  // namespace duplicate
