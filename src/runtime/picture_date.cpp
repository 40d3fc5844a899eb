// Date pictures @D[fill]n[separator][<nn|>nn] and time pictures
// @T[fill]n[separator].
//
// Both compile to a list of elements (digit fields, names, markers,
// separators, literals) so that formatting is one walk over the list and
// reading text back needs only the order of the fields. Name elements use
// their count to say which name is shown: 3 the first three letters of the
// month name, 12 the month name padded to 12 positions, 0 the whole name, 1
// the desktop's abbreviation.
//
// Reading text back is tolerant of the separators actually typed, of
// one-digit fields and of the picture's separators left out altogether
// ("010126" for 01/01/26), and a time may carry more parts than its picture
// shows (seconds, hundredths); but it never guesses: a missing or surplus
// date field, an unknown month name or marker, or a day or hour that does not
// exist is a failure.

#include <string>
#include <vector>

#include "picture_internal.h"
#include "runtime/chartab.h"
#include "runtime/datetime.h"
#include "runtime/regional.h"

namespace kavo::picture_internal {
namespace {

using Kind = PictureElementKind;

constexpr uint8_t kNameWhole = 0;
constexpr uint8_t kNameAbbreviation = 1;
constexpr uint8_t kNameThreeLetters = 3;
constexpr uint8_t kNamePadded = 12;

PictureElement Field(Kind kind, int count, char fill) {
  return PictureElement{fill, kind, static_cast<uint8_t>(count)};
}
PictureElement Separator(char shown) {
  return PictureElement{shown, Kind::kSeparator, 1};
}
PictureElement Literal(char shown) {
  return PictureElement{shown, Kind::kLiteral, 1};
}

// The common head of date and time pictures: [fill] format [separator].
struct Head {
  char fill = 0;
  char separator = 0;
  int format = 0;
  size_t next = 0;
};

PictureStatus ReadHead(std::string_view body, int last_format, Head* head) {
  size_t i = 0;
  if (i < body.size() && (body[i] == '0' || body[i] == '_' || body[i] == '*')) {
    head->fill = body[i] == '_' ? ' ' : body[i];
    ++i;
  }
  int digits = 0;
  while (i < body.size() && body[i] >= '0' && body[i] <= '9' && digits < 3) {
    head->format = head->format * 10 + (body[i] - '0');
    ++digits;
    ++i;
  }
  if (digits == 0 || head->format < 1 || head->format > last_format) {
    return PictureStatus::Error(last_format == 18 ? "Date picture needs a format of 1 to 18"
                                                  : "Time picture needs a format of 1 to 8");
  }
  if (i < body.size()) {
    switch (body[i]) {
      case '.':
      case '-':
        head->separator = body[i++];
        break;
      case '_':
        head->separator = ' ';
        ++i;
        break;
      case '`':
        head->separator = ',';
        ++i;
        break;
      default:
        break;
    }
  }
  head->next = i;
  return PictureStatus::Ok();
}

// Elements of the desktop's date notation (regional.h).
void AddDesktopDate(std::string_view pattern, std::vector<PictureElement>* out) {
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '\'') {
      ++i;
      if (i < pattern.size() && pattern[i] == '\'') {
        out->push_back(Literal('\''));
        ++i;
        continue;
      }
      while (i < pattern.size() && pattern[i] != '\'') out->push_back(Literal(pattern[i++]));
      if (i < pattern.size()) ++i;
      continue;
    }
    if (c != 'd' && c != 'M' && c != 'y') {
      out->push_back(c == '/' ? Separator('/') : Literal(c));
      ++i;
      continue;
    }
    size_t run = 0;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    i += run;
    if (c == 'd') {
      if (run <= 2) {
        out->push_back(Field(Kind::kDayDigit, run == 1 ? 0 : 2, '0'));
      } else {
        out->push_back(Field(Kind::kWeekdayName, run == 3 ? kNameAbbreviation : kNameWhole, ' '));
      }
    } else if (c == 'M') {
      if (run <= 2) {
        out->push_back(Field(Kind::kMonthDigit, run == 1 ? 0 : 2, '0'));
      } else {
        out->push_back(Field(Kind::kMonthName, run == 3 ? kNameAbbreviation : kNameWhole, ' '));
      }
    } else {
      out->push_back(Field(Kind::kYearDigit, run == 1 ? 0 : (run == 2 ? 2 : 4), '0'));
    }
  }
}

void AddDate(int format, const RegionalSettings& r, std::vector<PictureElement>* e) {
  auto day = [e](char fill) { e->push_back(Field(Kind::kDayDigit, 2, fill)); };
  auto month = [e](char fill) { e->push_back(Field(Kind::kMonthDigit, 2, fill)); };
  auto year = [e](int digits) { e->push_back(Field(Kind::kYearDigit, digits, '0')); };
  auto name = [e](uint8_t count) { e->push_back(Field(Kind::kMonthName, count, ' ')); };
  auto slash = [e] { e->push_back(Separator('/')); };
  switch (format) {
    case 1:
    case 2:
      month(' ');
      slash();
      day('0');
      slash();
      year(format == 1 ? 2 : 4);
      break;
    case 3:
    case 4:
      name(format == 3 ? kNameThreeLetters : kNamePadded);
      e->push_back(Literal(' '));
      day(' ');
      e->push_back(Separator(','));
      if (format == 4) e->push_back(Literal(' '));
      year(4);
      break;
    case 5:
    case 6:
      day(' ');
      slash();
      month('0');
      slash();
      year(format == 5 ? 2 : 4);
      break;
    case 7:
    case 8:
      day(' ');
      e->push_back(Separator(' '));
      name(kNameThreeLetters);
      e->push_back(Separator(' '));
      year(format == 7 ? 2 : 4);
      break;
    case 9:
    case 10:
      year(format == 9 ? 2 : 4);
      slash();
      month('0');
      slash();
      day('0');
      break;
    case 11:
    case 12:
      year(format == 11 ? 2 : 4);
      month('0');
      day('0');
      break;
    case 13:
    case 14:
      month('0');
      slash();
      year(format == 13 ? 2 : 4);
      break;
    case 15:
    case 16:
      year(format == 15 ? 2 : 4);
      slash();
      month('0');
      break;
    case 17:
      AddDesktopDate(r.short_date, e);
      break;
    default:
      AddDesktopDate(r.long_date, e);
      break;
  }
}

void AddTime(int format, const RegionalSettings& r, std::vector<PictureElement>* e) {
  auto hours = [e](char fill) { e->push_back(Field(Kind::kHourDigit, 2, fill)); };
  auto minutes = [e] { e->push_back(Field(Kind::kMinuteDigit, 2, '0')); };
  auto seconds = [e] { e->push_back(Field(Kind::kSecondDigit, 2, '0')); };
  auto colon = [e] { e->push_back(Separator(':')); };
  int marker = static_cast<int>(r.am.size() > r.pm.size() ? r.am.size() : r.pm.size());
  switch (format) {
    case 1:
    case 2:
    case 3:
      hours(' ');
      if (format != 2) colon();
      minutes();
      break;
    case 4:
    case 5:
    case 6:
      hours(' ');
      if (format != 5) colon();
      minutes();
      if (format != 5) colon();
      seconds();
      break;
    default: {
      auto separator = [e, &r] {
        for (char c : r.time_separator) e->push_back(Separator(c));
      };
      hours(r.hour_leading_zero ? '0' : ' ');
      separator();
      minutes();
      if (format == 8) {
        separator();
        seconds();
      }
      if (!r.clock24) {
        if (marker > 0) e->push_back(Literal(' '));
        e->push_back(Field(Kind::kMarker, marker, ' '));
      }
      return;
    }
  }
  if (format == 3 || format == 6) e->push_back(Field(Kind::kMarker, marker, ' '));
}

size_t Longest(const std::string* names, size_t n) {
  size_t most = 0;
  for (size_t i = 0; i < n; ++i) most = names[i].size() > most ? names[i].size() : most;
  return most;
}

int ElementWidth(const PictureElement& e, const RegionalSettings& r) {
  switch (e.kind) {
    case Kind::kMonthName:
      if (e.count == kNameWhole) return static_cast<int>(Longest(r.month_names.data(), 12));
      if (e.count == kNameAbbreviation) {
        return static_cast<int>(Longest(r.month_abbreviations.data(), 12));
      }
      return e.count;
    case Kind::kWeekdayName:
      return static_cast<int>(e.count == kNameWhole ? Longest(r.day_names.data(), 7)
                                                    : Longest(r.day_abbreviations.data(), 7));
    case Kind::kDayDigit:
    case Kind::kMonthDigit:
    case Kind::kYearDigit:
      return e.count == 0 ? 2 : e.count;
    default:
      return e.count;
  }
}

void ApplyOverrides(const Head& head, std::vector<PictureElement>* elements) {
  for (PictureElement& e : *elements) {
    switch (e.kind) {
      case Kind::kSeparator:
        if (head.separator != 0) e.fill = head.separator;
        break;
      case Kind::kLiteral:
      case Kind::kMarker:
      case Kind::kWeekdayName:
        break;
      default:
        if (head.fill != 0) e.fill = head.fill;
        break;
    }
  }
}

void AppendDigits(std::string* out, int value, const PictureElement& e) {
  if (e.count == 0) {
    *out += std::to_string(value);
    return;
  }
  std::string digits(e.count, '0');
  for (int i = e.count - 1; i >= 0; --i) {
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  for (size_t i = 0; i + 1 < digits.size() && digits[i] == '0'; ++i) digits[i] = e.fill;
  *out += digits;
}

void AppendPadded(std::string* out, std::string_view text, size_t width, char fill) {
  std::string_view shown = text.substr(0, width);
  *out += shown;
  out->append(width - shown.size(), fill);
}

// --- reading text back ---

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  auto b = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || b >= 0xC0 || b == 0xA8 || b == 0xB8;
}

struct Token {
  bool digits;
  std::string text;
};

// Splits text into runs of digits and runs of letters; everything else
// separates them.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (IsDigit(c) || IsLetter(c)) {
      bool digits = IsDigit(c);
      size_t start = i;
      while (i < text.size() && (digits ? IsDigit(text[i]) : IsLetter(text[i]))) ++i;
      tokens.push_back(Token{digits, std::string(text.substr(start, i - start))});
    } else {
      ++i;
    }
  }
  return tokens;
}

// Text with a character that is no digit, letter or usual separator, or that
// starts with a separator or ends with one other than a full stop ("-1:00",
// "1/1/2000/"): such text is not read past.
bool Unreadable(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  size_t last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) return false;
  if (!IsDigit(text[first]) && !IsLetter(text[first])) return true;
  if (!IsDigit(text[last]) && !IsLetter(text[last]) && text[last] != '.') return true;
  for (char c : text) {
    if (IsDigit(c) || IsLetter(c)) continue;
    if (c == ' ' || c == '/' || c == '.' || c == '-' || c == ',' || c == ':' || c == '\'' ||
        c == '\t') {
      continue;
    }
    return true;
  }
  return false;
}

bool SameFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Upper(a) == Upper(b);
}

// 1-based index of the name the token stands for (whole name, abbreviation,
// or at least three leading letters of exactly one name), 0 for none.
int MatchName(const std::string& token, const std::string* names, const std::string* short_names,
              int n) {
  for (int i = 0; i < n; ++i) {
    if (SameFolded(token, names[i]) || SameFolded(token, short_names[i])) return i + 1;
  }
  if (token.size() < 3) return 0;
  int found = 0;
  for (int i = 0; i < n; ++i) {
    if (token.size() <= names[i].size() &&
        SameFolded(token, std::string_view(names[i]).substr(0, token.size()))) {
      if (found != 0) return 0;
      found = i + 1;
    }
  }
  return found;
}

int Number(const std::string& digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

struct DateFields {
  int day = -1;
  int month = -1;
  int year = -1;
};

// Reads a year token: one or two digits go through the century rule.
bool ReadYear(const std::string& digits, int window, int* year) {
  if (digits.size() > 4 || digits.size() == 3) return false;
  int value = Number(digits);
  if (digits.size() <= 2) {
    *year = ExpandYear(value, window);
  } else {
    if (value < kFirstYear) return false;
    *year = value;
  }
  return true;
}

// Text typed without separators: split by the fields' widths (the year may
// be typed with two or four digits).
bool SplitRun(const std::vector<PictureElement>& fields, const std::string& run, int window,
              DateFields* out) {
  for (int year_digits : {4, 2}) {
    size_t total = 0;
    for (const PictureElement& f : fields) {
      if (f.kind == Kind::kMonthName) return false;
      total += f.kind == Kind::kYearDigit ? static_cast<size_t>(year_digits) : 2;
    }
    if (total != run.size()) continue;
    size_t at = 0;
    for (const PictureElement& f : fields) {
      size_t n = f.kind == Kind::kYearDigit ? static_cast<size_t>(year_digits) : 2;
      std::string part = run.substr(at, n);
      at += n;
      if (f.kind == Kind::kDayDigit) out->day = Number(part);
      if (f.kind == Kind::kMonthDigit) out->month = Number(part);
      if (f.kind == Kind::kYearDigit && !ReadYear(part, window, &out->year)) return false;
    }
    return true;
  }
  return false;
}

}  // namespace

PictureStatus CompileDate(std::string_view body, PictureLayout* l) {
  Head head;
  PictureStatus status = ReadHead(body, 18, &head);
  if (!status.ok) return status;
  std::string_view rest = body.substr(head.next);
  if (!rest.empty() && (rest.front() == '<' || rest.front() == '>')) {
    bool before = rest.front() == '<';
    rest.remove_prefix(1);
    l->window = before ? 80 : 19;  // the windows of "<" and ">" without digits
    if (!rest.empty()) {
      if (rest.size() > 2 || !IsDigit(rest[0]) || (rest.size() == 2 && !IsDigit(rest[1]))) {
        return PictureStatus::Error("Century window needs up to two digits");
      }
      int digits = Number(std::string(rest));
      l->window = before ? digits : 99 - digits;
      rest = {};
    }
  }
  if (!rest.empty()) return PictureStatus::Error("Date picture has unexpected characters");
  const RegionalSettings& r = Regional();
  l->format = head.format;
  AddDate(head.format, r, &l->elements);
  ApplyOverrides(head, &l->elements);
  l->width = 0;
  for (const PictureElement& e : l->elements) l->width += ElementWidth(e, r);
  return PictureStatus::Ok();
}

PictureStatus CompileTime(std::string_view body, PictureLayout* l) {
  Head head;
  PictureStatus status = ReadHead(body, 8, &head);
  if (!status.ok) return status;
  if (head.next != body.size())
    return PictureStatus::Error("Time picture has unexpected characters");
  const RegionalSettings& r = Regional();
  l->format = head.format;
  AddTime(head.format, r, &l->elements);
  ApplyOverrides(head, &l->elements);
  l->width = 0;
  for (const PictureElement& e : l->elements) l->width += ElementWidth(e, r);
  return PictureStatus::Ok();
}

std::string FormatDate(const PictureLayout& l, int32_t date) {
  DateParts p;
  if (!DateToParts(date, &p)) return std::string(static_cast<size_t>(l.width), ' ');
  const RegionalSettings& r = Regional();
  std::string out;
  out.reserve(static_cast<size_t>(l.width));
  for (const PictureElement& e : l.elements) {
    switch (e.kind) {
      case Kind::kDayDigit:
        AppendDigits(&out, p.day, e);
        break;
      case Kind::kMonthDigit:
        AppendDigits(&out, p.month, e);
        break;
      case Kind::kYearDigit:
        AppendDigits(&out, e.count == 4 ? p.year : p.year % 100, e);
        break;
      case Kind::kMonthName: {
        const std::string& name = r.month_names[static_cast<size_t>(p.month - 1)];
        if (e.count == kNameWhole) {
          out += name;
        } else if (e.count == kNameAbbreviation) {
          out += r.month_abbreviations[static_cast<size_t>(p.month - 1)];
        } else {
          AppendPadded(&out, name, e.count, e.fill);
        }
        break;
      }
      case Kind::kWeekdayName: {
        size_t day = static_cast<size_t>(DayOfWeek(date));
        out += e.count == kNameWhole ? r.day_names[day] : r.day_abbreviations[day];
        break;
      }
      default:
        out.push_back(e.fill);
        break;
    }
  }
  return out;
}

std::string FormatTime(const PictureLayout& l, int32_t time) {
  TimeParts p;
  if (!TimeToParts(time, &p)) return std::string(static_cast<size_t>(l.width), ' ');
  bool twelve_hour = false;
  for (const PictureElement& e : l.elements) twelve_hour |= e.kind == Kind::kMarker;
  const RegionalSettings& r = Regional();
  std::string out;
  out.reserve(static_cast<size_t>(l.width));
  for (const PictureElement& e : l.elements) {
    switch (e.kind) {
      case Kind::kHourDigit: {
        int hours = p.hours;
        if (twelve_hour) hours = hours % 12 == 0 ? 12 : hours % 12;
        AppendDigits(&out, hours, e);
        break;
      }
      case Kind::kMinuteDigit:
        AppendDigits(&out, p.minutes, e);
        break;
      case Kind::kSecondDigit:
        AppendDigits(&out, p.seconds, e);
        break;
      case Kind::kMarker:
        AppendPadded(&out, p.hours < 12 ? r.am : r.pm, e.count, e.fill);
        break;
      default:
        out.push_back(e.fill);
        break;
    }
  }
  return out;
}

DeformatResult DeformatDate(const PictureLayout& l, std::string_view text) {
  std::vector<Token> tokens = Tokenize(text);
  if (tokens.empty()) {
    if (text.find_first_not_of(' ') == std::string_view::npos) return {};
    return Failure("Text is not a date");
  }
  if (Unreadable(text)) return Failure("Text is not a date");
  std::vector<PictureElement> fields;
  std::vector<std::string> words;  // letters the picture shows as they are
  std::string word;
  for (const PictureElement& e : l.elements) {
    if (e.kind == Kind::kLiteral && IsLetter(e.fill)) {
      word.push_back(e.fill);
      continue;
    }
    if (!word.empty()) words.push_back(std::move(word));
    word.clear();
    if (e.kind == Kind::kDayDigit || e.kind == Kind::kMonthDigit || e.kind == Kind::kYearDigit ||
        e.kind == Kind::kMonthName || e.kind == Kind::kWeekdayName) {
      fields.push_back(e);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  for (const std::string& w : words) {
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (!tokens[i].digits && SameFolded(tokens[i].text, w)) {
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
  }
  const RegionalSettings& r = Regional();
  DateFields got;
  std::vector<PictureElement> numeric;
  for (const PictureElement& f : fields) {
    if (f.kind != Kind::kWeekdayName) numeric.push_back(f);
  }
  if (tokens.size() == 1 && tokens[0].digits && tokens[0].text.size() > 2 && numeric.size() > 1) {
    if (!SplitRun(numeric, tokens[0].text, l.window, &got)) {
      return Failure("Date does not match the picture");
    }
  } else {
    size_t t = 0;
    for (const PictureElement& f : fields) {
      if (f.kind == Kind::kWeekdayName) {
        if (t < tokens.size() && !tokens[t].digits &&
            MatchName(tokens[t].text, r.day_names.data(), r.day_abbreviations.data(), 7) != 0) {
          ++t;
        }
        continue;
      }
      if (t >= tokens.size()) return Failure("Date is incomplete");
      const Token& token = tokens[t++];
      bool month_field = f.kind == Kind::kMonthDigit || f.kind == Kind::kMonthName;
      if (!token.digits) {
        if (!month_field) return Failure("Date does not match the picture");
        got.month = MatchName(token.text, r.month_names.data(), r.month_abbreviations.data(), 12);
        if (got.month == 0) return Failure("Unknown month name");
        continue;
      }
      if (f.kind == Kind::kYearDigit) {
        if (!ReadYear(token.text, l.window, &got.year)) return Failure("Year is not valid");
      } else if (token.text.size() > 2) {
        return Failure("Date does not match the picture");
      } else if (f.kind == Kind::kDayDigit) {
        got.day = Number(token.text);
      } else {
        got.month = Number(token.text);
      }
    }
    if (t != tokens.size()) return Failure("Date has unexpected text");
  }
  if (got.day < 0) got.day = 1;  // formats without a day stand for the month's first
  if (got.year < 0 || got.month < 0) return Failure("Date is incomplete");
  int32_t date = DateFromParts(got.year, got.month, got.day);
  if (date < 0) return Failure("Not a valid date");
  DeformatResult result;
  result.number = date;
  return result;
}

DeformatResult DeformatTime(const PictureLayout&, std::string_view text) {
  std::vector<Token> tokens = Tokenize(text);
  if (tokens.empty()) {
    if (text.find_first_not_of(' ') == std::string_view::npos) return {};
    return Failure("Text is not a time");
  }
  if (Unreadable(text)) return Failure("Text is not a time");
  const RegionalSettings& r = Regional();
  int marker = 0;  // 1 morning, 2 afternoon
  if (!tokens.back().digits) {
    const std::string& m = tokens.back().text;
    if (!r.am.empty() && (SameFolded(m, r.am) || SameFolded(m, r.am.substr(0, 1)))) marker = 1;
    if (!r.pm.empty() && (SameFolded(m, r.pm) || SameFolded(m, r.pm.substr(0, 1)))) {
      marker = marker == 0 ? 2 : (SameFolded(m, r.pm) ? 2 : -1);
    }
    if (marker <= 0) return Failure("Unknown time marker");
    tokens.pop_back();
  }
  std::vector<std::string> parts;
  for (const Token& t : tokens) {
    if (!t.digits) return Failure("Time does not match the picture");
    parts.push_back(t.text);
  }
  if (parts.size() == 1 && parts[0].size() > 2) {
    // hhmm, hhmmss or hhmmsscc typed without separators
    std::string run = parts[0];
    if (run.size() > 8) return Failure("Time does not match the picture");
    if (run.size() % 2 == 1) run.insert(run.begin(), '0');
    parts.clear();
    for (size_t i = 0; i < run.size(); i += 2) parts.push_back(run.substr(i, 2));
  }
  if (parts.empty() || parts.size() > 4) return Failure("Time does not match the picture");
  int values[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].size() > 2) return Failure("Time does not match the picture");
    values[i] = Number(parts[i]);
  }
  // A lone hundredths digit is tenths: 30.5 seconds is 30.50.
  if (parts.size() == 4 && parts[3].size() == 1) values[3] *= 10;
  if (marker != 0) {
    if (values[0] < 1 || values[0] > 12) return Failure("Hour must be 1 to 12 with a marker");
    values[0] = values[0] % 12 + (marker == 2 ? 12 : 0);
  }
  int32_t time = TimeFromParts(values[0], values[1], values[2], values[3]);
  if (time < 0) return Failure("Not a valid time");
  DeformatResult result;
  // Typed midnight is midnight, not "no time": blank text says that.
  result.number = time == 0 ? kFirstTime : time;
  return result;
}

}  // namespace kavo::picture_internal
