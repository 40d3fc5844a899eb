#include "runtime/message_box.h"

#include <atomic>
#include <cstdio>

#include "runtime/cp1251.h"

namespace kavo {
namespace {

class ConsoleMessageBox : public MessageBoxService {
 public:
  int Show(const MessageBoxRequest& request) override {
    const std::string title = Utf8FromCp1251(request.title);
    const std::string text = Utf8FromCp1251(request.text);
    std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
    return FallbackButton(request);
  }
};

ConsoleMessageBox& Console() {
  static ConsoleMessageBox console;
  return console;
}

std::atomic<MessageBoxService*> installed{nullptr};

}  // namespace

MessageBoxService& CurrentMessageBoxService() {
  MessageBoxService* service = installed.load();
  return service != nullptr ? *service : Console();
}

void SetMessageBoxService(MessageBoxService* service) {
  installed.store(service);
}

int FallbackButton(const MessageBoxRequest& request) {
  if (request.default_button != 0) return request.default_button;
  for (int bit = 1; bit <= button::kHelp; bit <<= 1) {
    if ((request.buttons & bit) != 0) return bit;
  }
  return button::kOk;
}

}  // namespace kavo
