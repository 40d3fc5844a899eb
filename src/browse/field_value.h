// Reading and writing one field of a record buffer by its declared type: the
// engine primes key components, types locator text into key fields, sets a
// thumb stop and shows fields without knowing the table's record struct.
//
// Numbers cover BYTE, SHORT, USHORT, DATE, TIME, LONG, ULONG, SREAL, REAL,
// DECIMAL and PDECIMAL; texts cover STRING (blank-padded), CSTRING and
// PSTRING. Other types are left alone by the writers and read as 0 or "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "expr/expr_var.h"
#include "runtime/table_def.h"

namespace kavo::browse_field {

bool IsText(const FieldDef& f);

// The field's text without trailing blanks (texts), or its number.
std::string Text(const FieldDef& f, const uint8_t* record);
double Number(const FieldDef& f, const uint8_t* record);

void SetText(const FieldDef& f, uint8_t* record, std::string_view text);
// Integers are truncated toward zero; a decimal takes the value scaled by
// its places (a value too large for it leaves it unchanged).
void SetNumber(const FieldDef& f, uint8_t* record, double value);
// Text fields take the text, number fields its numeric reading.
void SetFromText(const FieldDef& f, uint8_t* record, std::string_view text);

// Blanks a text, zeroes a number.
void Clear(const FieldDef& f, uint8_t* record);
// The value that sorts first in a key: zero bytes for texts, the most
// negative value for signed numbers.
void SetLowest(const FieldDef& f, uint8_t* record);

// Copies a variable's value into a field, converting between text and
// number as needed (a text longer than the field is cut).
void Assign(const FieldDef& f, uint8_t* record, const expr::VarRef& from);

}  // namespace kavo::browse_field
