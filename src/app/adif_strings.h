// Every text of the ADIF import and export windows (UTF-8, made QStrings at
// the window boundary).
#pragma once

namespace kavo::adif_text {

inline constexpr char kImportTitle[] = "Импорт ADIF";
inline constexpr char kExportTitle[] = "Экспорт ADIF";
inline constexpr char kOpenFilter[] = "Файлы ADIF|*.adi;*.adif;*.adx|Все файлы|*";
inline constexpr char kSaveFilter[] = "ADIF, текст (*.adi)|*.adi|ADIF, XML (*.adx)|*.adx";
// The extension a name without .adi or .adx gets on export.
inline constexpr char kDefaultExtension[] = ".adi";
// "%1": percent done.
inline constexpr char kPercent[] = "%1% выполнено";
inline constexpr char kCancelling[] = "Отмена...";

// "%1".."%4": read, imported, duplicates, refused.
inline constexpr char kImportCounts[] =
    "Прочитано записей: %1\nИмпортировано: %2\nДубликатов (пропущено): %3\nОтклонено: %4";
inline constexpr char kRenumbered[] = "Номер занят, дан следующий: %1";
inline constexpr char kCountriesReplaced[] = "Страна заменена страной префикса позывного: %1";
inline constexpr char kCountriesAdded[] = "Добавлено стран в таблицу DXCC: %1";
inline constexpr char kNotKept[] = "Поля ADIF, которые журнал не хранит: %1";
inline constexpr char kReport[] = "Отчет: %1";
inline constexpr char kImportCancelled[] = "Импорт отменен, журнал не изменен.";
// "%1": the reason.
inline constexpr char kImportFailed[] = "Импорт не выполнен, журнал не изменен.\n%1";
inline constexpr char kRetryLenient[] =
    "Импортировать отклоненные записи, обрезав слишком длинные значения и заменив "
    "символы вне кодовой страницы 1251 на \"?\"?";

// "%1": contacts written, "%2": the file.
inline constexpr char kExported[] = "Записано контактов: %1\nФайл: %2";
inline constexpr char kExportCancelled[] = "Экспорт отменен, файл не записан.";
inline constexpr char kExportFailed[] = "Экспорт не выполнен.\n%1";

}  // namespace kavo::adif_text
