// Typed record buffers of the eight tables: plain structs laid out byte for
// byte as the rows are stored (packed, no gaps, little-endian numbers), so a
// buffer can be handed to the record store as its raw bytes and read field by
// field as AAA.POZ, AAA.DATA and so on.
//
// Text fields are fixed-width, blank-padded code page 1251 without a
// terminator; SetText and TextOf are the only conversions. DECIMAL fields are
// packed decimal (dict_decimal.h). Numeric members of a packed struct may be
// unaligned: copy them, never take their address or bind a reference to them
// (std::int32_t{AAA.DATA} makes the copy where a reference would be taken).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "data/dict_tables.h"
#include "runtime/dict_decimal.h"

namespace kavo::dict {

static_assert(std::endian::native == std::endian::little,
              "record buffers hold numbers in the rows' little-endian form");

// Stores text cut to the field width and padded with blanks.
template <std::size_t N>
void SetText(char (&field)[N], std::string_view text) {
  std::size_t n = text.size() < N ? text.size() : N;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', N - n);
}

// The field's text without its trailing blanks.
template <std::size_t N>
std::string_view TextOf(const char (&field)[N]) {
  std::size_t n = N;
  while (n > 0 && field[n - 1] == ' ') --n;
  return std::string_view(field, n);
}

// A packed decimal field of N bytes with no places after the point.
template <std::size_t N>
struct PackedDecimal {
  std::uint8_t bytes[N];

  // 0 for a field that does not hold a valid packed number.
  std::int64_t get() const {
    std::int64_t v = 0;
    return ReadPackedDecimal(bytes, N, &v) ? v : 0;
  }
  // False, leaving the field unchanged, when v needs more than 2N-1 digits.
  bool set(std::int64_t v) { return WritePackedDecimal(v, bytes, N); }
};

// Sets every STRING field of a row to blanks and every other byte to 0, as
// a procedure does before it fills in a key value to search for.
void ClearRecord(const TableDef& table, void* row);

#pragma pack(push, 1)

struct SETUPRecord {
  char CALLSIGN[8];
  char IMJA[12];
  double GMT;
  char FAM[15];
  char QTH[20];
  char LOC[6];

  void Clear() { ClearRecord(SETUP(), this); }
};

struct DXCCRecord {
  char PR[2];
  char STRANA[20];

  void Clear() { ClearRecord(DXCC(), this); }
};

struct NA_IOTARecord {
  char NAIM[13];

  void Clear() { ClearRecord(NA_IOTA(), this); }
};

struct IOTARecord {
  char FIRSTNAME[13];
  char NAIM[6];
  char TERRIT[60];
  char PRIMEC[20];
  char PREFIKS[8];

  void Clear() { ClearRecord(IOTA(), this); }
};

struct RAJONRecord {
  char POZ[8];
  char ADRESS[120];
  char TELEFON[9];

  void Clear() { ClearRecord(RAJON(), this); }
};

struct PREFRUSRecord {
  char PREF[2];
  char GOROD[20];

  void Clear() { ClearRecord(PREFRUS(), this); }
};

// The QSO log record; AAAAPRINT rows have the same layout.
struct AAAARecord {
  char POZ[12];
  char PR[2];
  PackedDecimal<4> N_QSO;
  char PREF[20];
  std::int32_t DATA;
  std::int32_t TIM;
  double DIAPAZ;
  char MODE[5];
  char RPT_1[3];
  char RPT_2[3];
  char QTH[22];
  char QSL[5];
  char PRIMEC[15];

  void Clear() { ClearRecord(AAAA(), this); }
};

#pragma pack(pop)

using AAAAPRINTRecord = AAAARecord;

static_assert(sizeof(SETUPRecord) == 69);
static_assert(sizeof(DXCCRecord) == 22);
static_assert(sizeof(NA_IOTARecord) == 13);
static_assert(sizeof(IOTARecord) == 107);
static_assert(sizeof(RAJONRecord) == 137);
static_assert(sizeof(PREFRUSRecord) == 22);
static_assert(sizeof(AAAARecord) == 107);

}  // namespace kavo::dict
