#include "runtime/message_box_scripted.h"

namespace kavo {

void ScriptedMessageBox::Answer(int button) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(button);
}

int ScriptedMessageBox::Show(const MessageBoxRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.push_back(request);
  if (answers_.empty()) return FallbackButton(request);
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::vector<MessageBoxRequest> ScriptedMessageBox::shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

void ScriptedMessageBox::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.clear();
  answers_.clear();
}

ScopedMessageBox::ScopedMessageBox(MessageBoxService* service)
    : previous_(&CurrentMessageBoxService()) {
  SetMessageBoxService(service);
}

ScopedMessageBox::~ScopedMessageBox() {
  SetMessageBoxService(previous_);
}

}  // namespace kavo
