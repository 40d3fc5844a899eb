#include "runtime/environment.h"

#include <unistd.h>
#include <climits>
#include <fstream>

namespace kavo {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// "name<k>" with k in [first, last]: the number, else -1.
int IndexedKey(const std::string& key, std::string_view name, int first, int last) {
  if (key.size() <= name.size() || key.compare(0, name.size(), name) != 0) return -1;
  int value = 0;
  for (size_t i = name.size(); i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9' || value > 100) return -1;
    value = value * 10 + (key[i] - '0');
  }
  return value >= first && value <= last ? value : -1;
}

bool ApplyIntl(const std::string& key, const std::string& value, RegionalSettings* s) {
  if (key == "itime" || key == "itlzero") {
    if (value != "0" && value != "1") return false;
    (key == "itime" ? s->clock24 : s->hour_leading_zero) = value == "1";
    return true;
  }
  if (key == "stime") {
    if (value.empty() || value.size() > 3) return false;
    s->time_separator = value;
    return true;
  }
  if (key == "s1159" || key == "s2359") {
    if (value.size() > 2) return false;
    (key == "s1159" ? s->am : s->pm) = value;
    return true;
  }
  if (key == "sshortdate" || key == "slongdate") {
    if (value.empty() || value.size() > 80) return false;
    (key == "sshortdate" ? s->short_date : s->long_date) = value;
    return true;
  }
  return false;
}

bool ApplyName(const std::string& key, const std::string& value, RegionalSettings* s) {
  if (value.empty() || value.size() > 20) return false;
  int i;
  if ((i = IndexedKey(key, "month", 1, 12)) > 0) {
    s->month_names[i - 1] = value;
  } else if ((i = IndexedKey(key, "mon", 1, 12)) > 0) {
    s->month_abbreviations[i - 1] = value;
  } else if ((i = IndexedKey(key, "day", 0, 6)) >= 0) {
    s->day_names[i] = value;
  } else if ((i = IndexedKey(key, "dy", 0, 6)) >= 0) {
    s->day_abbreviations[i] = value;
  } else {
    return false;
  }
  return true;
}

}  // namespace

EnvironmentParse ParseEnvironment(std::string_view text, RegionalSettings* settings,
                                  CharTables* tables) {
  EnvironmentParse result;
  std::string section;
  std::string pending_upper;
  int pending_upper_line = 0;
  int line_number = 0;
  auto reject = [&result](int line) {
    ++result.rejected;
    if (result.first_rejected_line == 0) result.first_rejected_line = line;
  };
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++line_number;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        reject(line_number);
        section.clear();
        continue;
      }
      section = LowerAscii(Trim(line.substr(1, line.size() - 2)));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      reject(line_number);
      continue;
    }
    std::string key = LowerAscii(Trim(line.substr(0, eq)));
    std::string_view raw = Trim(line.substr(eq + 1));
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
      raw = raw.substr(1, raw.size() - 2);
    }
    std::string value(raw);
    bool ok = false;
    if (section == "intl") {
      ok = ApplyIntl(key, value, settings);
    } else if (section == "names") {
      ok = ApplyName(key, value, settings);
    } else if (section == "tables") {
      if (key == "upper") {
        // Counted with its lower= partner line.
        if (pending_upper_line != 0) reject(pending_upper_line);
        pending_upper = value;
        pending_upper_line = line_number;
        continue;
      } else if (key == "lower") {
        ok = pending_upper_line != 0 && tables->AddCasePairs(pending_upper, value);
        pending_upper_line = 0;
      } else if (key == "collate") {
        ok = tables->SetCollationOrder(value);
      }
    }
    if (ok) {
      ++result.applied;
    } else {
      reject(line_number);
    }
  }
  if (pending_upper_line != 0) reject(pending_upper_line);
  return result;
}

std::string EnvironmentFilePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".ENV";
}

bool LoadEnvironmentFile(const std::string& path, RegionalSettings* settings, CharTables* tables,
                         EnvironmentParse* parse) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text;
  // Settings files are small; anything larger than this is not one.
  constexpr size_t kMaxSize = 64 * 1024;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxSize) return false;
  }
  if (in.bad()) return false;
  EnvironmentParse result = ParseEnvironment(text, settings, tables);
  if (parse != nullptr) *parse = result;
  return true;
}

}  // namespace kavo
