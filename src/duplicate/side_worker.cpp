#include "duplicate/side_worker.h"

#include <system_error>

namespace duplicate {

SideWorker::~SideWorker() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !busy_; });
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SideWorker::Start(std::function<void()> work) {
  Finish();
  if (!thread_.joinable() && !noThread_) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      noThread_ = true;
    }
  }
  if (noThread_) {
    work();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_ = std::move(work);
    busy_ = true;
  }
  changed_.notify_all();
}

void SideWorker::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !busy_; });
}

void SideWorker::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return busy_ || stop_; });
    if (!busy_) return;
    std::function<void()> work = std::move(work_);
    lock.unlock();
    work();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace duplicate
