// The fixed value lists of a contact: the modes the entry form offers, the
// four QSL-card states and the defaults an inserted contact starts with.
// Texts are code page 1251, as the record fields hold them.
#pragma once

#include <span>
#include <string_view>

namespace kavo::log {

// "SSB", "CW", "FM", "RTTY", "SAT", "PAKET", "SSTV", in the form's order.
std::span<const std::string_view> ModeList();

// The QSL-card states with what each says about the card.
struct QslState {
  std::string_view QSL;  // "НЕТ", "ОТПР", "ПОЛУЧ", "ОБМЕН" (code page 1251)
  bool sent;
  bool received;
};
std::span<const QslState> QslStates();
// The state of a stored AAA:QSL value (trailing blanks ignored), or nullptr.
const QslState* FindQslState(std::string_view QSL);
// The state with these two marks.
const QslState& QslStateOf(bool sent, bool received);

// Defaults of an inserted contact.
inline constexpr double kDefaultDIAPAZ = 14.0;
inline constexpr std::string_view kDefaultMODE = "SSB";
inline constexpr std::string_view kDefaultRPT = "59";
// "НЕТ" in code page 1251.
inline constexpr std::string_view kDefaultQSL = "\xCD\xC5\xD2";

}  // namespace kavo::log
