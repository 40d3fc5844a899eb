#include "adif/adif_worker.h"

namespace kavo::adif {

AdifWorker::AdifWorker(Job job)
    : thread_([this, job = std::move(job)] {
        job([this](double progress) {
          progress_ = progress;
          return !cancel_;
        });
        finished_ = true;
      }) {}

AdifWorker::~AdifWorker() {
  Cancel();
  Wait();
}

void AdifWorker::Wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace kavo::adif
