// An import or an export run on a thread of its own, so that the window
// thread never waits for the file or the store: the window polls progress()
// and finished() from a timer and Cancel() asks the job to stop at its next
// slice (an import then rolls back).
//
// The job is given the keep-going callback that ImportAdifFile and
// ExportAdifFile take. The transaction of an import belongs to the worker's
// thread.
//
// REQUIRES: nothing else uses the job's tables until finished() is true
// (the window keeps the user out with a modal progress window).
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace kavo::adif {

class AdifWorker {
 public:
  using KeepGoing = std::function<bool(double progress)>;
  using Job = std::function<void(const KeepGoing& keep_going)>;

  // Starts the job at once.
  explicit AdifWorker(Job job);
  // Cancels the job and waits for it.
  ~AdifWorker();
  AdifWorker(const AdifWorker&) = delete;
  AdifWorker& operator=(const AdifWorker&) = delete;

  void Cancel() { cancel_ = true; }
  bool cancelled() const { return cancel_; }
  // 0 to 1, as the job last reported it.
  double progress() const { return progress_; }
  // True once the job has returned; its results may then be read.
  bool finished() const { return finished_; }
  // Waits until the job has returned.
  void Wait();

 private:
  std::atomic<double> progress_{0};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace kavo::adif
