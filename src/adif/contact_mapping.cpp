#include "adif/contact_mapping.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "adif/text_encoding.h"
#include "log/band_plan.h"
#include "log/qso_lists.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/dict_decimal.h"

namespace kavo::adif {
namespace {

// ADIF modes of which a mode of the log is a submode.
struct Submode {
  std::string_view submode;
  std::string_view mode;
};
constexpr Submode kSubmodes[] = {{"FT4", "MFSK"},  {"JS8", "MFSK"},  {"Q65", "MFSK"},
                                 {"FST4", "MFSK"}, {"PSK31", "PSK"}, {"PSK63", "PSK"},
                                 {"USB", "SSB"},   {"LSB", "SSB"}};
constexpr std::string_view kPacketMode = "PAKET";
constexpr std::string_view kAdifPacket = "PKT";
constexpr std::string_view kSatelliteMode = "SAT";
constexpr std::string_view kYes = "Y";
constexpr std::string_view kNo = "N";
constexpr std::string_view kVerified = "V";
constexpr int32_t kHundredthsPerSecond = 100;
constexpr int32_t kHundredthsPerMinute = 6000;
constexpr int32_t kHundredthsPerHour = 360000;

// The fields the mapping reads; any other is not kept.
constexpr std::string_view kMapped[] = {
    "CALL",     "QSO_DATE",     "TIME_ON",  "BAND",         "FREQ",     "MODE",
    "SUBMODE",  "PROP_MODE",    "RST_SENT", "RST_RCVD",     "QTH",      "QTH_INTL",
    "COMMENT",  "COMMENT_INTL", "COUNTRY",  "COUNTRY_INTL", "QSL_SENT", "QSL_RCVD",
    kAppNumber, kAppRegion,     kAppTime,   kAppBand,       kAppQsl};

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

template <std::size_t N>
std::string Utf8Of(const char (&field)[N]) {
  return Utf8FromCp1251(dict::TextOf(field));
}

std::string NumberText(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, ec == std::errc() ? end : text);
}

bool ParseDouble(std::string_view text, double* value) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), *value);
  return ec == std::errc() && end == trimmed.data() + trimmed.size();
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

// The text field of a contact, from a value and with the record's problems.
class Filler {
 public:
  Filler(const MappingOptions& options, MappedContact* out) : options_(options), out_(out) {}

  template <std::size_t N>
  void Text(char (&field)[N], std::string_view name, const std::string& value) {
    std::string text;
    std::string bad;
    if (!ToCp1251(value, options_.replace, &text, &bad)) {
      Problem(name, "the character " + bad + " has no place in code page 1251");
      return;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() > N) {
      if (!options_.truncate) {
        Problem(name, "longer than " + std::to_string(N) + " characters: \"" + value + "\"");
        return;
      }
      text.resize(N);
    }
    dict::SetText(field, text);
  }

  void Problem(std::string_view name, std::string reason) {
    out_->problems.push_back({std::string(name), std::move(reason)});
  }
  void NotKept(std::string_view name) { out_->not_kept.emplace_back(name); }

 private:
  const MappingOptions& options_;
  MappedContact* out_;
};

void AddIfNotEmpty(AdifRecord* record, const char* name, std::string value) {
  if (!value.empty()) record->Add(name, std::move(value));
}

// QTH, COMMENT and COUNTRY: in .adx, text beyond ASCII goes in the _INTL
// field.
void AddText(AdifRecord* record, AdifFormat format, const char* name, std::string value) {
  if (value.empty()) return;
  if (format == AdifFormat::kAdx && !IsAscii(value)) {
    record->Add(std::string(name) + "_INTL", std::move(value));
  } else {
    record->Add(name, std::move(value));
  }
}

void AddBand(AdifRecord* record, double DIAPAZ) {
  if (DIAPAZ == 0) return;
  const log::BandPlanRow* row = log::BandOfDiapaz(DIAPAZ);
  if (!row) {
    if (auto by_frequency = log::DiapazOfFrequency(DIAPAZ)) row = log::BandOfDiapaz(*by_frequency);
  }
  if (row) record->Add("BAND", row->adif);
  if (!row || !log::SameDiapaz(*log::DiapazOfAdifBand(row->adif), DIAPAZ)) {
    record->Add(kAppBand, NumberText(DIAPAZ));
  }
}

void AddMode(AdifRecord* record, std::string_view MODE) {
  const std::string mode = AsciiUpper(MODE);
  if (mode.empty()) return;
  if (mode == kSatelliteMode) {
    record->Add("PROP_MODE", std::string(kSatelliteMode));
    return;
  }
  if (mode == kPacketMode) {
    record->Add("MODE", std::string(kAdifPacket));
    return;
  }
  for (const Submode& s : kSubmodes) {
    if (s.submode == mode) {
      record->Add("MODE", std::string(s.mode));
      record->Add("SUBMODE", mode);
      return;
    }
  }
  record->Add("MODE", std::string(MODE));
}

}  // namespace

AdifRecord ContactToAdif(const dict::AAAARecord& AAA, AdifFormat format) {
  AdifRecord record;
  AddIfNotEmpty(&record, "CALL", Utf8Of(AAA.POZ));
  DateParts date;
  if (DateToParts(AAA.DATA, &date)) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
    record.Add("QSO_DATE", text);
  }
  TimeParts time;
  const int32_t TIM = AAA.TIM;
  if (TimeToParts(TIM, &time)) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", time.hours, time.minutes, time.seconds);
    record.Add("TIME_ON", text);
  }
  AddBand(&record, AAA.DIAPAZ);
  AddMode(&record, Utf8Of(AAA.MODE));
  AddIfNotEmpty(&record, "RST_SENT", Utf8Of(AAA.RPT_1));
  AddIfNotEmpty(&record, "RST_RCVD", Utf8Of(AAA.RPT_2));
  AddText(&record, format, "QTH", Utf8Of(AAA.QTH));
  AddText(&record, format, "COUNTRY", Utf8Of(AAA.PREF));
  if (const log::QslState* qsl = log::FindQslState(dict::TextOf(AAA.QSL))) {
    record.Add("QSL_SENT", std::string(qsl->sent ? kYes : kNo));
    record.Add("QSL_RCVD", std::string(qsl->received ? kYes : kNo));
  } else {
    record.Add(kAppQsl, Utf8Of(AAA.QSL));
  }
  AddText(&record, format, "COMMENT", Utf8Of(AAA.PRIMEC));
  const std::int64_t number = AAA.N_QSO.get();
  if (number != 0) record.Add(kAppNumber, std::to_string(number));
  record.Add(kAppRegion, Utf8Of(AAA.PR));
  if (TIM > 0 && (TIM - 1) % kHundredthsPerSecond != 0) record.Add(kAppTime, std::to_string(TIM));
  return record;
}

void AdifToContact(const AdifRecord& record, const MappingOptions& options, MappedContact* out) {
  *out = MappedContact();
  dict::AAAARecord& AAA = out->AAA;
  AAA.Clear();
  Filler fill(options, out);
  // The first value of each mapped field, found in one pass.
  std::array<const std::string*, std::size(kMapped)> first{};
  const auto slot = [](std::string_view name) {
    return static_cast<std::size_t>(std::find(std::begin(kMapped), std::end(kMapped), name) -
                                    std::begin(kMapped));
  };
  for (const AdifField& field : record.fields) {
    const std::size_t at = slot(field.name);
    if (at == first.size()) {
      fill.NotKept(field.name);
    } else if (!first[at]) {
      first[at] = &field.value;
    }
  }
  const auto value = [&](std::string_view name) {
    const std::size_t at = slot(name);
    return at < first.size() ? first[at] : nullptr;
  };
  const auto either = [&](std::string_view intl, std::string_view plain) {
    const std::string* v = value(intl);
    return v ? v : value(plain);
  };

  const std::string* call = value("CALL");
  if (!call || Trimmed(*call).empty()) {
    fill.Problem("CALL", "the record has no callsign");
  } else {
    fill.Text(AAA.POZ, "CALL", Trimmed(*call));
  }

  if (const std::string* date = value("QSO_DATE")) {
    const std::string d = Trimmed(*date);
    const int32_t day = d.size() == 8 && AllDigits(d) && Digits(d, 0, 4) >= kFirstYear
                            ? DateFromParts(Digits(d, 0, 4), Digits(d, 4, 2), Digits(d, 6, 2))
                            : -1;
    if (day < 0) {
      fill.Problem("QSO_DATE", "not a date: \"" + *date + "\"");
    } else {
      AAA.DATA = day;
    }
  }

  if (const std::string* time = value("TIME_ON")) {
    const std::string t = Trimmed(*time);
    const bool shape = (t.size() == 4 || t.size() == 6) && AllDigits(t);
    const int hours = shape ? Digits(t, 0, 2) : 0;
    const int minutes = shape ? Digits(t, 2, 2) : 0;
    const int seconds = shape && t.size() == 6 ? Digits(t, 4, 2) : 0;
    if (!shape || hours > 23 || minutes > 59 || seconds > 59) {
      fill.Problem("TIME_ON", "not a time: \"" + *time + "\"");
    } else {
      const int32_t TIM = hours * kHundredthsPerHour + minutes * kHundredthsPerMinute +
                          seconds * kHundredthsPerSecond + kFirstTime;
      AAA.TIM = TIM;
      if (const std::string* exact = value(kAppTime)) {
        std::int64_t v = 0;
        if (ParseScaledDecimal(*exact, 0, &v) && v >= TIM && v < TIM + kHundredthsPerSecond) {
          AAA.TIM = static_cast<int32_t>(v);
        } else {
          fill.NotKept(kAppTime);
        }
      }
    }
  } else if (value(kAppTime)) {
    fill.NotKept(kAppTime);
  }

  // Band: the exact value of this program, else BAND (refined by FREQ where
  // two values share the band), else FREQ.
  const std::string* band = value("BAND");
  const std::string* freq = value("FREQ");
  double mhz = 0;
  const bool has_mhz = freq && ParseDouble(*freq, &mhz);
  // The band of the frequency, 0 when there is none.
  double by_frequency = 0;
  if (has_mhz) by_frequency = log::DiapazOfFrequency(mhz).value_or(0);
  bool freq_used = false;
  double exact = 0;
  if (const std::string* app = value(kAppBand); app && ParseDouble(*app, &exact) && exact > 0) {
    AAA.DIAPAZ = exact;
  } else if (band) {
    if (app) fill.NotKept(kAppBand);
    std::optional<double> primary = log::DiapazOfAdifBand(Trimmed(*band));
    if (!primary) {
      fill.Problem("BAND", "not a band of the log: \"" + *band + "\"");
    } else {
      AAA.DIAPAZ = *primary;
      const log::BandPlanRow* row = log::BandOfDiapaz(by_frequency);
      // The frequency is kept only where it picks the band's other value.
      if (row && std::string_view(row->adif) == log::BandOfDiapaz(*primary)->adif &&
          !log::SameDiapaz(by_frequency, *primary)) {
        AAA.DIAPAZ = by_frequency;
        freq_used = true;
      }
    }
  } else if (freq) {
    if (by_frequency == 0) {
      fill.Problem("FREQ", "not a frequency of a band of the log: \"" + *freq + "\"");
    } else {
      AAA.DIAPAZ = by_frequency;
    }
    freq_used = true;
  }
  if (freq && !freq_used) fill.NotKept("FREQ");

  const std::string* prop_mode = value("PROP_MODE");
  const std::string* mode = value("MODE");
  const std::string* submode = value("SUBMODE");
  if (prop_mode && AsciiUpper(Trimmed(*prop_mode)) == kSatelliteMode) {
    fill.Text(AAA.MODE, "PROP_MODE", std::string(kSatelliteMode));
    if (mode) fill.NotKept("MODE");
    if (submode) fill.NotKept("SUBMODE");
  } else {
    if (prop_mode) fill.NotKept("PROP_MODE");
    std::string m = mode ? AsciiUpper(Trimmed(*mode)) : std::string();
    const std::string s = submode ? AsciiUpper(Trimmed(*submode)) : std::string();
    if (m == kAdifPacket) m = kPacketMode;
    bool in_list = false;
    for (std::string_view listed : log::ModeList()) in_list = in_list || listed == m;
    if (in_list) {
      fill.Text(AAA.MODE, "MODE", m);
      if (submode) fill.NotKept("SUBMODE");
    } else if (!s.empty()) {
      fill.Text(AAA.MODE, "SUBMODE", s);
    } else {
      fill.Text(AAA.MODE, "MODE", m);
    }
  }

  if (const std::string* v = value("RST_SENT")) fill.Text(AAA.RPT_1, "RST_SENT", Trimmed(*v));
  if (const std::string* v = value("RST_RCVD")) fill.Text(AAA.RPT_2, "RST_RCVD", Trimmed(*v));
  if (const std::string* v = either("QTH_INTL", "QTH")) fill.Text(AAA.QTH, "QTH", *v);
  if (const std::string* v = either("COMMENT_INTL", "COMMENT")) {
    fill.Text(AAA.PRIMEC, "COMMENT", *v);
  }
  if (const std::string* v = either("COUNTRY_INTL", "COUNTRY")) {
    out->has_country = !Trimmed(*v).empty();
    fill.Text(AAA.PREF, "COUNTRY", Trimmed(*v));
  }

  const std::string* sent = value("QSL_SENT");
  const std::string* received = value("QSL_RCVD");
  if (const std::string* v = value(kAppQsl)) {
    fill.Text(AAA.QSL, kAppQsl, Trimmed(*v));
  } else {
    const std::string r = received ? AsciiUpper(Trimmed(*received)) : std::string();
    const log::QslState& qsl =
        log::QslStateOf(sent && AsciiUpper(Trimmed(*sent)) == kYes, r == kYes || r == kVerified);
    dict::SetText(AAA.QSL, qsl.QSL);
  }

  if (const std::string* v = value(kAppNumber)) {
    std::int64_t number = 0;
    if (!ParseScaledDecimal(*v, 0, &number) || number == 0 || !AAA.N_QSO.set(number)) {
      fill.Problem(kAppNumber, "not a contact number: \"" + *v + "\"");
    } else {
      out->N_QSO = number;
    }
  }
  if (const std::string* v = value(kAppRegion)) {
    out->has_region = true;
    fill.Text(AAA.PR, kAppRegion, Trimmed(*v));
  }
}

}  // namespace kavo::adif
