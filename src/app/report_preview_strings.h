// Every text of the print preview window and its two dialogs.
#pragma once

namespace kavo::preview_text {

inline constexpr char kCaption[] = "Просмотр печати";

inline constexpr char kFileMenu[] = "&Файл";
inline constexpr char kPrint[] = "&Печать";
inline constexpr char kSavePdf[] = "Сохранить в PDF";
inline constexpr char kExit[] = "Вы&xод";

inline constexpr char kViewMenu[] = "&Смотреть";
inline constexpr char kNext[] = "&След.страница(ы)";
inline constexpr char kPrevious[] = "&Пред.страница(ы)";
inline constexpr char kJump[] = "&Перейти к странице";
inline constexpr char kChangeDisplay[] = "&Изменить вид";

inline constexpr char kZoomMenu[] = "&Масштаб";
// In the order of reports::ZoomMode.
inline constexpr const char* kZoomItems[] = {"Без &масштаба", "Ширина &стр", "&50 ", "&75",
                                             "&100 ",         "&200 ",       "&300"};

inline constexpr char kPrintTip[] = "Печать отчета";
inline constexpr char kExitTip[] = "Выход без печати";
inline constexpr char kZoomTip[] = "Изменить масштаб";
inline constexpr char kSavePdfTip[] = "Сохранить отчет в файл PDF";
inline constexpr char kPagePrompt[] = "&Стр:";
inline constexpr char kAcrossPrompt[] = "&Рядов:";
inline constexpr char kDownPrompt[] = "&Строк:";
inline constexpr char kAcrossTip[] = "Select the number of thumbnails in a row";
inline constexpr char kDownTip[] = "Select the number of thumbnails in a column";
// Followed by the number of pages.
inline constexpr char kPageTip[] = "Введите № страницы от 1 до ";
// Digits the spin boxes take (pictures "n4" and "N2").
inline constexpr int kPageDigits = 4;
inline constexpr int kGridDigits = 2;

inline constexpr char kJumpCaption[] = "Перейти к стр";
inline constexpr char kJumpPrompt[] = "&Стр:";
inline constexpr char kJumpTip[] = "Select a page of the report";
inline constexpr char kOk[] = "OK";
inline constexpr char kOkTip[] = "Jump to the selected page";
inline constexpr char kCancel[] = "Отмена";
inline constexpr char kCancelTip[] = "Cancel this selection";
inline constexpr int kJumpDigits = 5;

inline constexpr char kSelectCaption[] = "Изменить вид";
inline constexpr char kSelectGroup[] = "Видимых страниц";
inline constexpr char kSelectAcross[] = "Рядов";
inline constexpr char kSelectDown[] = "Строк";

inline constexpr char kPdfDialogTitle[] = "Сохранить в PDF";
inline constexpr char kPdfFilter[] = "Файлы PDF|*.pdf";
inline constexpr char kPdfSuffix[] = ".pdf";

}  // namespace kavo::preview_text
