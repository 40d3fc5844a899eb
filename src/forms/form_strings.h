// The texts of the form pattern's own messages (UTF-8 here; the forms turn
// them into code page 1251 with Ru). %1 is the field's label, %2 and %3 the
// values the message names.
#pragma once

namespace kavo::forms::text {

inline constexpr char kFieldErrorTitle[] = "Недопустимое значение";
inline constexpr char kTooLong[] =
    "Поле \"%1\" вмещает не более %2 знаков, а введено %3. "
    "Сократите текст: программа не обрезает его сама.";
inline constexpr char kNotInCodePage[] =
    "В поле \"%1\" знак номер %2 не входит в кодовую таблицу Windows-1251 "
    "(латиница и кириллица). Замените его.";
inline constexpr char kNotReadable[] = "Поле \"%1\" не читается как %2: %3.";
inline constexpr char kNotAChoice[] = "Поле \"%1\" принимает только значения из своего списка.";
inline constexpr char kTooLarge[] = "Число в поле \"%1\" не помещается в поле записи.";

}  // namespace kavo::forms::text
