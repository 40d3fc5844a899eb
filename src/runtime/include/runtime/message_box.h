// Message boxes as a service: code below the windows shows a message or asks
// a question through MessageBoxService, so that it runs without a screen in
// tests and the program shows a real box.
//
// Texts are code page 1251 bytes. Buttons are a set of button:: bits; Show
// returns the one button pressed. Until a service is installed, boxes are
// written to the standard error stream and answered with FallbackButton.
#pragma once

#include <string>

namespace kavo {

namespace button {
inline constexpr int kOk = 1;
inline constexpr int kYes = 2;
inline constexpr int kNo = 4;
inline constexpr int kAbort = 8;
inline constexpr int kRetry = 16;
inline constexpr int kIgnore = 32;
inline constexpr int kCancel = 64;
inline constexpr int kHelp = 128;
}  // namespace button

enum class MessageIcon { kNone, kInformation, kExclamation, kStop };

struct MessageBoxRequest {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::kNone;
  int buttons = button::kOk;
  int default_button = button::kOk;  // 0: none
};

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual int Show(const MessageBoxRequest& request) = 0;
};

// The installed service (the console fallback when none is installed).
MessageBoxService& CurrentMessageBoxService();
// Installs service; nullptr returns to the console fallback.
void SetMessageBoxService(MessageBoxService* service);

// The answer of a box nobody answers: its default button, else its first
// button in bit order, else OK.
int FallbackButton(const MessageBoxRequest& request);

}  // namespace kavo
