// The per-type halves of the picture service, shared by picture.cpp (which
// parses the common prefix and suffix and dispatches) and the files for
// numbers, dates and times, and patterns (internal to kavo_runtime).
//
// Each Compile* receives the text between the type letter and the optional
// trailing B, fills in its part of the layout including width, and reports a
// malformed text without touching anything outside the layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/picture.h"

namespace kavo::picture_internal {

PictureStatus CompileNumber(std::string_view body, PictureLayout* layout);
std::string FormatNumber(const PictureLayout& layout, double value);
DeformatResult DeformatNumber(const PictureLayout& layout, std::string_view text);

PictureStatus CompileDate(std::string_view body, PictureLayout* layout);
PictureStatus CompileTime(std::string_view body, PictureLayout* layout);
std::string FormatDate(const PictureLayout& layout, int32_t date);
std::string FormatTime(const PictureLayout& layout, int32_t time);
DeformatResult DeformatDate(const PictureLayout& layout, std::string_view text);
DeformatResult DeformatTime(const PictureLayout& layout, std::string_view text);

PictureStatus CompilePattern(std::string_view body, PictureLayout* layout);
std::string FormatPattern(const PictureLayout& layout, double value);
DeformatResult DeformatPattern(const PictureLayout& layout, std::string_view text);

// Reads text as a plain decimal number ("-12.5", blanks around allowed);
// false when it is not one.
bool ParsePlainNumber(std::string_view text, double* value);

// The shortest text that reads back as value ("3", "0.1", "1e+300").
std::string ShortestText(double value);

DeformatResult Failure(std::string message);

}  // namespace kavo::picture_internal
