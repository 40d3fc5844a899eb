// Between a contact of the log (an AAAA record) and an ADIF record.
//
//   CALL                      AAA:POZ
//   QSO_DATE, TIME_ON (UTC)   AAA:DATA, AAA:TIM
//   BAND (FREQ on import)     AAA:DIAPAZ by the band plan
//   MODE, SUBMODE, PROP_MODE  AAA:MODE (PAKET is PKT, SAT is PROP_MODE SAT)
//   RST_SENT, RST_RCVD        AAA:RPT_1, AAA:RPT_2
//   QTH (QTH_INTL)            AAA:QTH
//   COMMENT (COMMENT_INTL)    AAA:PRIMEC
//   COUNTRY (COUNTRY_INTL)    AAA:PREF
//   QSL_SENT, QSL_RCVD        AAA:QSL (НЕТ N/N, ОТПР Y/N, ПОЛУЧ N/Y, ОБМЕН Y/Y)
//   APP_KAVO_N_QSO            AAA:N_QSO
//   APP_KAVO_PR               AAA:PR (written even when empty)
//   APP_KAVO_TIM              AAA:TIM to the hundredth, when it has hundredths
//   APP_KAVO_DIAPAZ           AAA:DIAPAZ, when BAND alone cannot give it back
//   APP_KAVO_QSL              AAA:QSL, when it is none of the four states
//                             (without it and the QSL fields: НЕТ)
//
// The application fields make a round trip from this program to itself
// exact. On import nothing is cut or replaced silently: a value the code
// page cannot hold or that is longer than its field is a problem of the
// record unless the options allow replacing or cutting; every field the
// record's contact does not keep is named in not_kept.
//
// Texts of the record buffer are code page 1251; ADIF values and the
// problem texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "adif/adif_record.h"
#include "data/dict_records.h"

namespace kavo::adif {

enum class AdifFormat { kAdi, kAdx };

inline constexpr char kAppNumber[] = "APP_KAVO_N_QSO";
inline constexpr char kAppRegion[] = "APP_KAVO_PR";
inline constexpr char kAppTime[] = "APP_KAVO_TIM";
inline constexpr char kAppBand[] = "APP_KAVO_DIAPAZ";
inline constexpr char kAppQsl[] = "APP_KAVO_QSL";

AdifRecord ContactToAdif(const dict::AAAARecord& AAA, AdifFormat format);

struct MappingOptions {
  bool truncate = false;  // cut a value longer than its field
  bool replace = false;   // write '?' for a character code page 1251 lacks
};

struct FieldProblem {
  std::string field;
  std::string reason;
};

struct MappedContact {
  dict::AAAARecord AAA;
  std::optional<std::int64_t> N_QSO;
  bool has_country = false;            // COUNTRY or COUNTRY_INTL was given
  bool has_region = false;             // APP_KAVO_PR was given
  std::vector<FieldProblem> problems;  // not empty: the record is refused
  std::vector<std::string> not_kept;   // names of fields not kept
};

void AdifToContact(const AdifRecord& record, const MappingOptions& options, MappedContact* out);

}  // namespace kavo::adif
