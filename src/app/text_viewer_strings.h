// Every text and measure of the text viewer windows `dxinfo` and `spravka`.
#pragma once

#include "app/dialog_units.h"

namespace kavo::viewer_text {

// Measures in dialog units.
struct ViewerLook {
  const char* procedure;  // also the window's section in the settings file
  const char* caption;
  UnitRect window;
  UnitRect list;
  const char* print;
  const char* search;
  const char* repeat;
  const char* close;
};

inline constexpr ViewerLook kDxinfo{
    "dxinfo",    "Просмотр ASCII файла", {0, 0, 331, 136}, {3, 5, 322, 114}, "&Печать",
    "П&оиск...", "&Найти далее",         "&Закрыть"};
inline constexpr ViewerLook kSpravka{"spravka", "О программе", {0, 0, 296, 156}, {5, 4, 285, 131},
                                     "&Print",  "&Find...",    "Find Next",      "&Close"};

inline constexpr char kListFont[] = "FixedSys";
inline constexpr char kLoadCaption[] = "Reading File";

inline constexpr char kFileDialogTitle[] = "Выберите файл";
inline constexpr char kFileFilter[] = "Текстовые файлы|*.TXT";

inline constexpr char kPrintTitle[] = "Печать";
// "%1" is the error code.
inline constexpr char kPrintFailed[] = "Не удалось подготовить страницы для печати (ошибка %1).";

inline constexpr char kSearchCaption[] = "Searching Text...";
inline constexpr char kFindWhat[] = "Find What:";
inline constexpr char kWholeWord[] = "Match &Whole Word Only";
inline constexpr char kMatchCase[] = "Match &Case";
inline constexpr char kDirection[] = "Direction";
inline constexpr char kUp[] = "Up";
inline constexpr char kDown[] = "Down";
inline constexpr char kFind[] = "Find";
inline constexpr char kCancel[] = "Cancel";
// Characters the search text takes (picture "s20" on an 80-character variable).
inline constexpr int kSearchLength = 80;

}  // namespace kavo::viewer_text
