#include "reports/text_viewer.h"

#include "data/globals.h"
#include "runtime/message_box.h"
#include "data/standard_warning.h"
#include "runtime/cp1251.h"
#include "runtime/picture.h"

namespace kavo::reports {

namespace {

constexpr char kPercentPicture[] = "N3";
constexpr char kProgressAtStart[] = "0% Completed";

}  // namespace

TextViewerLogic::TextViewerLogic(TextViewerKind kind) : kind_(kind) {
  if (kind_ == TextViewerKind::kSpravka) ASCIIFileName.Set(kReadmeFile);
}

void TextViewerLogic::ChooseFile(const std::string& name) {
  if (name.size() <= ASCIIFileName.kWidth) {
    ASCIIFileName.Set(name);
    chosen_.clear();
  } else {
    chosen_ = name;
  }
}

std::string TextViewerLogic::FileToShow() const {
  if (kind_ == TextViewerKind::kSpravka) return kReadmeFile;
  return chosen_.empty() ? ASCIIFileName.Trimmed() : chosen_;
}

TextViewerLogic::LoadStart TextViewerLogic::StartLoad() {
  const std::string name = FileToShow();
  CurrentFileName_ = name;
  lines_.clear();
  repeat_enabled_ = false;
  list_enabled_ = false;
  if (name.empty()) return LoadStart::kNoFile;
  switch (load_.Open(Utf8FromCp1251(name))) {
    case TextFileLoad::OpenResult::kCannotOpen:
      StandardWarning(26, name);
      return LoadStart::kCannotOpen;
    case TextFileLoad::OpenResult::kEmpty:
      StandardWarning(28, name);
      return LoadStart::kEmpty;
    case TextFileLoad::OpenResult::kOk:
      break;
  }
  list_enabled_ = true;
  return LoadStart::kLoading;
}

TextFileLoad::Slice TextViewerLogic::LoadSlice() {
  return load_.ReadSlice(&lines_);
}

bool TextViewerLogic::ConfirmCancel() {
  if (StandardWarning(27, CurrentFileName_) != button::kOk) return false;
  EndLoad();
  return true;
}

void TextViewerLogic::EndLoad() {
  load_.Close();
}

std::string TextViewerLogic::ProgressText() const {
  if (load_.ASCIIBytesRead() == 0) return kProgressAtStart;
  std::string text = FormatNumber(kPercentPicture, load_.ASCIIPercentProgress()) + "% Completed";
  if (kind_ == TextViewerKind::kSpravka) {
    text += " (" + std::to_string(load_.ASCIIBytesRead()) + ") bytes";
  }
  return text;
}

int32_t TextViewerLogic::Find(int32_t highlighted, const WrapQuestion& ask_wrap) {
  repeat_enabled_ = true;
  return FindText(lines_, highlighted, search_, ask_wrap);
}

}  // namespace kavo::reports
