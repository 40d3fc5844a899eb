#include "app/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kavo {
namespace {

std::string_view Trim(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r";
  std::size_t begin = s.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(kBlanks);
  return s.substr(begin, end - begin + 1);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// One line of the file without its line break, and where it lies in the text.
struct Line {
  std::string_view text;
  std::size_t begin;
  std::size_t end;  // just past the line break, or the end of the text
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::size_t stop = nl == std::string_view::npos ? text.size() : nl;
    lines.push_back(
        {text.substr(pos, stop - pos), pos, nl == std::string_view::npos ? stop : nl + 1});
    pos = lines.back().end;
  }
  return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

struct EntryLine {
  std::string_view name;
  std::string_view value;
};

std::optional<EntryLine> EntryOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return EntryLine{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos ||
         s.find('\0') != std::string_view::npos;
}

std::optional<std::string> ReadWholeFile(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileBytes) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return text;
}

// The settings file held for one read-modify-write. Every writer takes the
// exclusive lock on the file's directory (which, unlike the file, is never
// replaced) before it reads, and replaces the file through a temporary file
// of its own, so two copies of the program writing at once never lose each
// other's entries. Readers take no lock: a replacement is one rename, so
// they see the old text or the new one.
class LockedProfile {
 public:
  LockedProfile() = default;
  LockedProfile(const LockedProfile&) = delete;
  LockedProfile& operator=(const LockedProfile&) = delete;
  // Closing the directory lets the lock go.
  ~LockedProfile() {
    if (dir_fd_ >= 0) ::close(dir_fd_);
  }

  // Locks the directory of file_name and creates the file empty when it is
  // missing, so that its replacement gets the permissions of a new file.
  bool Lock(const std::string& file_name) {
    file_name_ = file_name;
    std::filesystem::path dir = std::filesystem::path(file_name).parent_path();
    dir_fd_ = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd_ < 0) return false;
    int r;
    do {
      r = ::flock(dir_fd_, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    if (r != 0) return false;
    struct stat st;
    if (::stat(file_name.c_str(), &st) != 0) {
      int fd = ::open(file_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) return false;
      bool ok = ::fstat(fd, &st) == 0;
      ::close(fd);
      if (!ok) return false;
    }
    mode_ = st.st_mode & 0777;
    return S_ISREG(st.st_mode);
  }

  std::optional<std::string> Read() const { return ReadWholeFile(file_name_); }

  // Writes text to a temporary file beside the file, makes it durable and
  // renames it over the file while the lock is held.
  bool Replace(const std::string& text) const {
    std::string temp_name = file_name_ + ".XXXXXX";
    int out = ::mkstemp(temp_name.data());
    if (out < 0) return false;
    bool ok = ::fchmod(out, mode_) == 0 && WriteAll(out, text) && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ok = ok && std::rename(temp_name.c_str(), file_name_.c_str()) == 0;
    if (!ok) std::remove(temp_name.c_str());
    return ok;
  }

 private:
  static bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
      ssize_t n = ::write(fd, text.data(), text.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  int dir_fd_ = -1;
  std::string file_name_;
  mode_t mode_ = 0644;
};

}  // namespace

bool IsValidProfileName(std::string_view name) {
  return !Trim(name).empty() && !HasLineBreak(name) &&
         name.find_first_of("[]=") == std::string_view::npos;
}

std::optional<std::string> FindProfileEntry(std::string_view text, std::string_view section,
                                            std::string_view entry) {
  section = Trim(section);
  entry = Trim(entry);
  bool in_section = false;
  for (const Line& line : SplitLines(text)) {
    if (auto name = SectionOf(line.text)) {
      in_section = SameName(*name, section);
      continue;
    }
    if (!in_section) continue;
    if (auto e = EntryOf(line.text); e && SameName(e->name, entry)) return std::string(e->value);
  }
  return std::nullopt;
}

std::string SetProfileEntry(std::string_view text, std::string_view section, std::string_view entry,
                            std::string_view value) {
  section = Trim(section);
  entry = Trim(entry);
  value = Trim(value);
  std::string new_line = std::string(entry) + "=" + std::string(value) + "\n";

  std::vector<Line> lines = SplitLines(text);
  bool in_section = false;
  std::optional<std::size_t> insert_at;  // just past the last line of the first section found
  for (const Line& line : lines) {
    if (auto name = SectionOf(line.text)) {
      if (insert_at) break;
      in_section = SameName(*name, section);
      if (in_section) insert_at = line.end;
      continue;
    }
    if (!in_section) continue;
    if (auto e = EntryOf(line.text); e && SameName(e->name, entry)) {
      return std::string(text.substr(0, line.begin)) + new_line +
             std::string(text.substr(line.end));
    }
    if (!Trim(line.text).empty()) insert_at = line.end;
  }

  std::string result(text);
  if (insert_at) {
    std::string_view before = text.substr(0, *insert_at);
    std::string prefix = (!before.empty() && before.back() != '\n') ? "\n" : "";
    return std::string(before) + prefix + new_line + std::string(text.substr(*insert_at));
  }
  if (!result.empty() && result.back() != '\n') result += '\n';
  result += "[" + std::string(section) + "]\n" + new_line;
  return result;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view entry,
                                    std::string_view default_value, const std::string& file_name) {
  std::optional<std::string> text = ReadWholeFile(file_name);
  if (!text) return std::string(default_value);
  std::optional<std::string> value = FindProfileEntry(*text, section, entry);
  return value ? *value : std::string(default_value);
}

bool WritePrivateProfileString(std::string_view section, std::string_view entry,
                               std::string_view value, const std::string& file_name) {
  if (!IsValidProfileName(section) || !IsValidProfileName(entry) || HasLineBreak(value)) {
    return false;
  }
  LockedProfile locked;
  if (!locked.Lock(file_name)) return false;
  std::optional<std::string> text = locked.Read();
  if (!text) return false;
  return locked.Replace(SetProfileEntry(*text, section, entry, value));
}

}  // namespace kavo
