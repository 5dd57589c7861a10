// A worker thread for one dialog job: the job's inputs are copied into the
// function it runs, and its result comes back to the dialog as a posted
// message (wParam the job number, lParam the result), so the dialog's thread
// is the only one that touches its windows.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

template <class Result>
class DialogWorker {
 public:
  using Job = std::function<Result(const std::atomic<bool>& stop)>;

  DialogWorker() = default;
  ~DialogWorker() { Stop(); }
  DialogWorker(const DialogWorker&) = delete;
  DialogWorker& operator=(const DialogWorker&) = delete;

  // Stops any running job, then runs job on a new thread. Its result is
  // posted to target as message; a result the window can no longer take is
  // freed. Returns the job number.
  WPARAM Start(HWND target, UINT message, Job job) {
    Stop();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    target_ = target;
    message_ = message;
    const WPARAM number = ++jobNumber_;
    thread_ = std::thread([target, message, number, stop = stop_, job = std::move(job)]() {
      auto* result = new Result(job(*stop));
      if (stop->load() || !PostMessageW(target, message, number, reinterpret_cast<LPARAM>(result)))
        delete result;
    });
    return number;
  }

  // Asks the job to stop, waits for it, and frees a result it posted that
  // was not taken yet. Call from the dialog's thread.
  void Stop() {
    if (stop_) stop_->store(true);
    if (thread_.joinable()) thread_.join();
    if (target_) {
      MSG msg;
      while (PeekMessageW(&msg, target_, message_, message_, PM_REMOVE)) {
        delete reinterpret_cast<Result*>(msg.lParam);
      }
    }
    stop_.reset();
  }

  bool Running() const { return thread_.joinable(); }

  // Takes the result of the message; null for a stale job's result (which is
  // freed). Joins the finished thread.
  std::unique_ptr<Result> Take(WPARAM wParam, LPARAM lParam) {
    std::unique_ptr<Result> result(reinterpret_cast<Result*>(lParam));
    if (wParam != jobNumber_) return nullptr;
    if (thread_.joinable()) thread_.join();
    return result;
  }

 private:
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> stop_;
  HWND target_ = nullptr;
  UINT message_ = 0;
  WPARAM jobNumber_ = 0;
};
