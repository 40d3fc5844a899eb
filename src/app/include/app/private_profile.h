// The private-profile functions: one string entry of one section of a named
// settings file (an INI file of "[Section]" headers and "Entry=Value" lines).
//
// Section and entry names match without regard to ASCII case, and blanks
// around names and values are ignored. A missing, unreadable or oversized file
// reads as empty, so every lookup then gives its default; lines that are
// neither headers nor entries are skipped on reading and kept as they are on
// writing. A write changes only the line of its entry (or adds one), so the
// rest of the file survives byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kavo {

// Files larger than this are not settings files this program wrote; they are
// neither read nor rewritten.
inline constexpr std::size_t kMaxProfileBytes = 1 << 20;

// The value of entry in section of the settings text, if present.
std::optional<std::string> FindProfileEntry(std::string_view text, std::string_view section,
                                            std::string_view entry);

// The settings text with entry of section set to value: the first such entry
// is replaced, otherwise the entry is added at the end of the first such
// section, otherwise a new section is appended.
std::string SetProfileEntry(std::string_view text, std::string_view section, std::string_view entry,
                            std::string_view value);

// Names must be non-empty and free of line breaks, '[' , ']' and '=' (entry
// names) so that what is written reads back as the same entry.
bool IsValidProfileName(std::string_view name);

std::string GetPrivateProfileString(std::string_view section, std::string_view entry,
                                    std::string_view default_value, const std::string& file_name);

// Returns false when nothing was written: an invalid name or value, a file
// too large to be a settings file, or a failure of the file system. The file
// is replaced through a temporary file of this write's own so that a crash
// never leaves it cut, and the read-modify-write holds a lock on the file's
// directory so that writers in other processes never lose each other's
// entries.
bool WritePrivateProfileString(std::string_view section, std::string_view entry,
                               std::string_view value, const std::string& file_name);

}  // namespace kavo
