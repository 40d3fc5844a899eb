// Every text of the main frame, and its menu tree and toolbar as data.
#pragma once

#include <vector>

#include "app/frame_actions.h"

namespace kavo::frame_text {

inline constexpr char kTitle[] = "Аппаратный журнал ZVONOK";
inline constexpr char kFrameFont[] = "MS Sans Serif";
inline constexpr char kButtonFont[] = "Times new Roman Cyr";
// "%1" is the procedure's name.
inline constexpr char kNotDefined[] = "Процедура %1 еще не определена.";
inline constexpr char kPrinterSetupTitle[] = "Настройка принтера";
inline constexpr char kHelpOnHelpTitle[] = "Помощь о Help";
inline constexpr char kHelpOnHelp[] =
    "Пункт меню выбирается мышью или клавишей Alt вместе с подчеркнутой буквой.\n"
    "Пояснение к пункту меню показывается в строке состояния, подсказка к кнопке "
    "панели инструментов - когда над ней задерживается указатель мыши.\n"
    "\"О программе\" в меню \"Помощь\" показывает описание программы (readme.txt).";

// The sound file played by the IOTA button, from the working directory.
inline constexpr char kIotaSound[] = "ZVONOK.WAV";

struct MenuEntry {
  const char* text;
  const char* status;  // status-bar message, nullptr for none
  FrameAction action;
  std::vector<MenuEntry> items;  // non-empty for a menu
};

struct ToolButtonEntry {
  const char* text;
  const char* tool_tip;
  const char* status;
  const char* icon;  // resource path, nullptr for none
  const char* font;
  FrameAction action;
};

inline FrameAction Start(const char* procedure) {
  return {FrameCommand::kProcedure, procedure, Launch::kStart};
}
inline FrameAction Call(const char* procedure) {
  return {FrameCommand::kProcedure, procedure, Launch::kCall};
}
inline FrameAction Do(FrameCommand command) {
  return {command};
}

inline std::vector<MenuEntry> MenuBar() {
  const FrameAction none{};
  return {
      {"&Аппаратный журнал",
       nullptr,
       none,
       {
           {"Ввод и редактирование информации", "Browse AAAA", Start("BrowseAAAA"), {}},
           {"Импорт ADIF...",
            "Импорт контактов из файла ADIF (.adi, .adx)",
            Start("ImportADIF"),
            {}},
           {"Экспорт ADIF...", "Экспорт журнала в файл ADIF (.adi, .adx)", Start("ExportADIF"), {}},
           {"Вы&xод", "Завершение работы", Do(FrameCommand::kCloseFrame), {}},
       }},
      {"Справочники",
       nullptr,
       none,
       {
           {"IOTA", nullptr, Start("browseiota"), {}},
           {"DXCC", nullptr, Start("SelectDXCC"), {}},
           {"CALLBOOK 1 района", nullptr, Start("BROWSEADRESS"), {}},
           {"Области", nullptr, Start("BROWSEOBL"), {}},
       }},
      {"&Печать",
       nullptr,
       none,
       {
           {"&Настройка принтера ...", nullptr, Do(FrameCommand::kPrinterSetup), {}},
           {"Печать Аппаратного журнала",
            nullptr,
            none,
            {
                {"По странам",
                 nullptr,
                 none,
                 {
                     {"По стране,дате,времени", nullptr, Call("STRANA"), {}},
                     {"По стране,позывному,дате,времени", nullptr, Start("STRANA1"), {}},
                     {"По стране,диапазону", nullptr, Start("STRANA2"), {}},
                 }},
                {"По датам",
                 nullptr,
                 none,
                 {
                     {"По дате,времени", nullptr, Call("PRINTAAA:BEY_D"), {}},
                 }},
            }},
       }},
      {"Настройка",
       nullptr,
       none,
       {
           {"Параметры", nullptr, {FrameCommand::kProcedure, "fSETUP", Launch::kCall, 2}, {}},
       }},
      {"&Окно",
       nullptr,
       none,
       {
           {"&Мозаика", nullptr, Do(FrameCommand::kTile), {}},
           {"&Каскад", nullptr, Do(FrameCommand::kCascade), {}},
           {"&Выравнять иконки", nullptr, Do(FrameCommand::kArrangeIcons), {}},
       }},
      {"&Помощь",
       "Помощь Windows ",
       none,
       {
           {"&О программе", nullptr, Call("spravka"), {}},
           {"&Помощь о Help", nullptr, Do(FrameCommand::kHelpOnHelp), {}},
       }},
  };
}

inline std::vector<ToolButtonEntry> ToolBar() {
  FrameAction iota = Start("browseiota");
  iota.sound = kIotaSound;
  return {
      {"DXCC", "Список DXCC", "Список стран по DXCC", ":/art/html.png", kButtonFont,
       Start("SelectDXCC")},
      {"Печать", "Печать аппаратного журнала", "Печать аппаратного журнала", nullptr, kButtonFont,
       Start("PRINTAAA:BEY_D")},
      {"DXINFO", "Чтение DX информации", "DX NEWS", nullptr, kButtonFont, Start("dxinfo")},
      {"Выход", "Завершение работы", "Завершение работы", ":/art/doorway.png", kButtonFont,
       Do(FrameCommand::kCloseFrame)},
      {"ЖУРНАЛ", "Ведение аппаратного журнала", "Ведение аппаратного журнала", nullptr, kButtonFont,
       Start("BrowseAAAA")},
      {"CALLBOOK", "Адреса радиолюбителей 1 района", "Адреса радиолюбителей 1 района",
       ":/art/3dterm.png", kFrameFont, Start("BROWSEADRESS")},
      {"IOTA", "Справочник IOTA", "IOTA", ":/art/globe.png", kButtonFont, iota},
  };
}

}  // namespace kavo::frame_text
