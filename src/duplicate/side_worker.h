// Work beside the caller's own, on one thread kept for it: the next
// transfer is read while the caller writes or compares the one it has.
// One piece of work at a time; where no thread can be made, the work is
// done at once on the caller's thread.
#pragma once

#include <condition_variable>
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

  // Starts work once the previous work is done.
  void Start(std::function<void()> work);
  // Waits until the work is done; at once when there is none.
  void Finish();

 private:
  void Run();
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> work_;
  bool busy_ = false;
  bool stop_ = false;
  bool noThread_ = false;
  std::thread thread_;
};

}  // namespace duplicate
