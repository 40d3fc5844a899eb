// A message-box service for tests: it records every box it is asked to show
// and answers with the buttons queued beforehand, in order. When the queue
// is empty it answers as an unattended box would (FallbackButton).
//
// Install it for the duration of a test with ScopedMessageBox.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "runtime/message_box.h"

namespace kavo {

class ScriptedMessageBox : public MessageBoxService {
 public:
  // Queues the answer for the next box not yet answered.
  void Answer(int button);

  int Show(const MessageBoxRequest& request) override;

  std::vector<MessageBoxRequest> shown() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<MessageBoxRequest> shown_;
};

// Installs a service while it lives and restores the previous one after.
class ScopedMessageBox {
 public:
  explicit ScopedMessageBox(MessageBoxService* service);
  ~ScopedMessageBox();
  ScopedMessageBox(const ScopedMessageBox&) = delete;
  ScopedMessageBox& operator=(const ScopedMessageBox&) = delete;

 private:
  MessageBoxService* previous_;
};

}  // namespace kavo
