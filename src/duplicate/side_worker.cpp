#include "duplicate/side_worker.h"

#include <system_error>

namespace duplicate {

SideWorker::~SideWorker() {
  Finish();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

uint64_t SideWorker::Start(std::function<void()> work) {
  if (!thread_.joinable() && !noThread_) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      noThread_ = true;
    }
  }
  if (noThread_) {
    work();
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = ++started_;
    return started_;
  }
  uint64_t ticket;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(work));
    ticket = ++started_;
  }
  changed_.notify_all();
  return ticket;
}

void SideWorker::WaitFor(uint64_t ticket) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_ >= ticket; });
}

void SideWorker::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  started_ -= queue_.size();  // the dropped work is the newest
  queue_.clear();
  changed_.wait(lock, [&] { return done_ >= started_; });
}

void SideWorker::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !queue_.empty() || stop_; });
    if (queue_.empty()) return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    work();
    lock.lock();
    ++done_;
    changed_.notify_all();
  }
}

}  // namespace duplicate
