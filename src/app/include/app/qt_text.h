// Text at the window boundary: code page 1251 below the windows, QString in
// them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "runtime/cp1251.h"

namespace kavo {

inline QString FromCp1251(std::string_view text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

inline std::string ToCp1251(const QString& text) {
  return Cp1251FromUtf8(text.toStdString());
}

}  // namespace kavo
